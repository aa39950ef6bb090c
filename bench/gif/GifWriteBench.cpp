// Writing GIF frames: the LZW encoding alone over 640x480 pictures of 1 and 8 bits (noise, stripes, one
// colour), and whole images written from an 8-bit and a true-colour bitmap (reduction included).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "wizard-components/PictureUnits.h"
#include "wizard-components/WkGIF.h"

namespace {

constexpr int kWidth = 640, kHeight = 480;

enum Content { kNoise, kStripes, kFlat };

int Value(Content content, int x, int y, uint32_t& seed, int colours) {
  if (content == kFlat) return 1;
  if (content == kStripes) return (y / 3 + x / 5) % colours;
  seed = seed * 1664525u + 1013904223u;
  return int(seed >> 24) % colours;
}

// Bottom-up rows of the picture at 1 or 8 bits.
std::vector<uint8_t> Pixels(Content content, int bits, BITMAPINFOHEADER& header) {
  const size_t stride = size_t((kWidth * bits + 31) / 32 * 4);
  std::vector<uint8_t> rows(stride * kHeight);
  uint32_t seed = 36;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) {
      int v = Value(content, x, y, seed, 1 << bits);
      uint8_t* row = rows.data() + size_t(kHeight - 1 - y) * stride;
      if (bits == 8)
        row[x] = uint8_t(v);
      else
        row[x / 8] |= uint8_t(v << (7 - x % 8));
    }
  header = BITMAPINFOHEADER{40, kWidth, kHeight, 1, WORD(bits), 0, DWORD(rows.size()), 0, 0, 0, 0};
  return rows;
}

void BM_GifEncodeLzw(benchmark::State& state) {
  BITMAPINFOHEADER header;
  const std::vector<uint8_t> pixels = Pixels(Content(state.range(0)), int(state.range(1)), header);
  TMemoryStream* out = TMemoryStream::Create();
  int64_t bytes = 0;
  for (auto _ : state) {
    out->Clear();
    EncodeLzw(out, header, false, nullptr, pixels.data());
    bytes = out->Size();
  }
  out->Free();
  state.counters["Mpixel/s"] =
      benchmark::Counter(double(kWidth) * kHeight * 1e-6 * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["data bytes"] = double(bytes);
}

// A new image of the bitmap each time, so that the frame is encoded (and reduced) again.
void BM_GifWriteBitmap(benchmark::State& state) {
  InitPictureUnits();
  const bool trueColour = state.range(0) != 0;
  TBitmap* bitmap = TBitmap::Create();
  bitmap->SetPixelFormat(trueColour ? pf24bit : pf8bit);
  bitmap->SetSize(kWidth, kHeight);
  uint32_t seed = 36;
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x)
      bitmap->SetPixels(x, y,
                        trueColour ? TColor(Value(kNoise, x, y, seed, 1 << 24)) : TColor(x / 3 % 2 ? 0xFFFFFF : 0));
  for (auto _ : state) {
    TGIFImage* image = TGIFImage::Create();
    image->Assign(bitmap);
    TMemoryStream* out = TMemoryStream::Create();
    image->SaveToStream(out);
    benchmark::DoNotOptimize(out->Size());
    out->Free();
    image->Free();
  }
  bitmap->Free();
  state.counters["Mpixel/s"] =
      benchmark::Counter(double(kWidth) * kHeight * 1e-6 * double(state.iterations()), benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_GifEncodeLzw)
    ->ArgNames({"content", "bits"})
    ->Args({kNoise, 8})
    ->Args({kStripes, 8})
    ->Args({kFlat, 8})
    ->Args({kNoise, 1})
    ->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifWriteBitmap)->ArgName("truecolour")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

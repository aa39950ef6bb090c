#include <benchmark/benchmark.h>

#include <memory>

#include "wizard-components/WkGraph.h"

namespace {

// A 24-bit picture of smooth gradients with noise: many thousands of distinct colours.
std::unique_ptr<TBitmap> Picture(int width, int height) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetSize(width, height);
  bitmap->SetPixelFormat(pf24bit);
  uint32_t noise = 12345;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < width; ++x) {
      noise = noise * 1103515245 + 12345;
      row[3 * x] = uint8_t(x * 255 / width + (noise >> 28));
      row[3 * x + 1] = uint8_t(y * 255 / height + (noise >> 24 & 15));
      row[3 * x + 2] = uint8_t((x + y) * 127 / (width + height) + (noise >> 20 & 15));
    }
  }
  return bitmap;
}

void BM_ReduceTo8Bits(benchmark::State& state) {
  std::unique_ptr<TBitmap> bitmap = Picture(int(state.range(1)), int(state.range(1)) * 3 / 4);
  auto method = ReductionMethod(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(BitmapToDibStream(bitmap.get(), 8, method));
  state.SetItemsProcessed(state.iterations() * bitmap->Width() * bitmap->Height());
}
BENCHMARK(BM_ReduceTo8Bits)
    ->ArgsProduct({{rmPopularity, rmMedianCut, rmLevels784, rmLevels666, rmChannelCycle, rmGrayscale}, {640, 1600}})
    ->Unit(benchmark::kMillisecond);

}  // namespace

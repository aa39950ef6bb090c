// Reading and decoding every frame of the generated GIF corpus: whole images into bitmaps, and the LZW
// decoding alone. Throughput in bytes of GIF data and in pixels per second.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "wizard-components/WkGIF.h"

namespace {

struct Corpus {
  std::vector<std::string> files;
  int64_t bytes = 0, pixels = 0;
};

const Corpus& TheCorpus() {
  static const Corpus corpus = [] {
    Corpus c;
    std::string dir = "/tmp/gifbench" + std::to_string(getpid());
    std::filesystem::create_directories(dir);
    std::string command = std::string(VANDREL_PYTHON) + " " + GIF_CORPUS_SCRIPT + " " + dir;
    if (std::system(command.c_str()) != 0) std::abort();
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
      if (entry.path().extension() != ".gif") continue;
      std::ifstream in(entry.path(), std::ios::binary);
      c.files.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
      c.bytes += int64_t(c.files.back().size());
    }
    std::filesystem::remove_all(dir);
    for (const std::string& file : c.files) {
      TGIFImage* image = TGIFImage::Create();
      TStringStream stream(file);
      image->ReadGif(int64_t(file.size()), &stream, false);
      for (int i = 0; i < image->FrameCount(); ++i)
        c.pixels += int64_t(image->Frames(i)->Item()->width) * image->Frames(i)->Item()->height;
      image->Free();
    }
    return c;
  }();
  return corpus;
}

void Report(benchmark::State& state, const Corpus& corpus) {
  state.SetBytesProcessed(int64_t(state.iterations()) * corpus.bytes);
  state.counters["Mpixel/s"] =
      benchmark::Counter(double(corpus.pixels) * 1e-6 * double(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["files"] = double(corpus.files.size());
}

// Read every file and decode every frame into its bitmap.
void BM_GifReadAndDecodeFrames(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  for (auto _ : state) {
    for (const std::string& file : corpus.files) {
      TGIFImage* image = TGIFImage::Create();
      TStringStream stream(file);
      image->ReadGif(int64_t(file.size()), &stream, false);
      for (int i = 0; i < image->FrameCount(); ++i) benchmark::DoNotOptimize(image->Frames(i)->Bitmap());
      image->Free();
    }
  }
  Report(state, corpus);
}

// The LZW decoding into 8-bit pixel buffers alone, over frames read beforehand.
void BM_GifDecodeLzw(benchmark::State& state) {
  const Corpus& corpus = TheCorpus();
  std::vector<TGIFImage*> images;
  for (const std::string& file : corpus.files) {
    images.push_back(TGIFImage::Create());
    TStringStream stream(file);
    images.back()->ReadGif(int64_t(file.size()), &stream, false);
  }
  std::vector<uint8_t> pixels;
  for (auto _ : state) {
    for (TGIFImage* image : images)
      for (int i = 0; i < image->FrameCount(); ++i) {
        const TGIFItem& item = *image->Frames(i)->Item();
        size_t stride = size_t(item.width + 3) / 4 * 4;
        pixels.assign(stride * size_t(item.height), 0);
        benchmark::DoNotOptimize(DecodeLzw(item, image->Frames(i)->Interlaced(), 8, pixels.data(), stride, nullptr));
      }
  }
  for (TGIFImage* image : images) image->Free();
  Report(state, corpus);
}

}  // namespace

BENCHMARK(BM_GifReadAndDecodeFrames)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GifDecodeLzw)->Unit(benchmark::kMillisecond);

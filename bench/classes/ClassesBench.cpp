// String-list loading and joining, sorted inserts, name lookups, the locale collation and memory-stream
// writes in 8 KiB chunks (as HTTP bodies arrive).
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <vector>

#include "platform/runtime/Collation.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"

namespace {

std::vector<std::string> Words(int count, unsigned seed) {
  const std::string letters = "aábcdeéfghiíjklmnoóöőpqrstuúüűvwxyz"_cp;
  std::mt19937 random(seed);
  std::vector<std::string> words;
  for (int i = 0; i < count; ++i) {
    std::string w;
    for (int n = 4 + random() % 12; n > 0; --n) w += letters[random() % letters.size()];
    words.push_back(w);
  }
  return words;
}

std::string Text(int lines) {
  std::string text;
  for (const auto& w : Words(lines, 1)) text += w + "=" + w + "\r\n";
  return text;
}

void BM_StringListSetText(benchmark::State& state) {
  const std::string text = Text(int(state.range(0)));
  TStringList list;
  for (auto _ : state) list.SetText(text);
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_StringListSetText)->Arg(100000);

void BM_StringListText(benchmark::State& state) {
  const std::string text = Text(int(state.range(0)));
  TStringList list;
  list.SetText(text);
  for (auto _ : state) benchmark::DoNotOptimize(list.Text());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_StringListText)->Arg(100000);

void BM_StringListSortedAdd(benchmark::State& state) {
  const auto words = Words(int(state.range(0)), 2);
  for (auto _ : state) {
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(dupAccept);
    for (const auto& w : words) list.Add(w);
    benchmark::DoNotOptimize(list.Count());
  }
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_StringListSortedAdd)->Arg(1000)->Arg(10000);

void BM_StringListValues(benchmark::State& state) {
  TStringList list;
  list.SetText(Text(int(state.range(0))));
  const std::string last = list.Names(list.Count() - 1);
  for (auto _ : state) benchmark::DoNotOptimize(list.Values(last));
  state.SetItemsProcessed(int64_t(state.iterations()) * state.range(0));
}
BENCHMARK(BM_StringListValues)->Arg(1000);

void BM_AnsiCompareText(benchmark::State& state) {
  const auto words = Words(1024, 3);
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(AnsiCompareText(words[i & 1023], words[(i + 1) & 1023]));
    ++i;
  }
}
BENCHMARK(BM_AnsiCompareText);

void BM_MemoryStreamChunkedWrites(benchmark::State& state) {
  const std::string chunk(8192, 'x');
  const int64_t total = state.range(0);
  for (auto _ : state) {
    TMemoryStream stream;
    for (int64_t done = 0; done < total; done += int64_t(chunk.size()))
      stream.WriteBuffer(chunk.data(), int64_t(chunk.size()));
    benchmark::DoNotOptimize(stream.Memory());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * total);
}
BENCHMARK(BM_MemoryStreamChunkedWrites)->Arg(1 << 20)->Arg(16 << 20);

}  // namespace

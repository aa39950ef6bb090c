#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <memory>
#include <string>

#include "deskband/vekRSS.h"
#include "platform/com/ClassTable.h"

namespace {

std::string MakeFeed(int items) {
  std::string feed =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss version=\"2.0\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">"
      "<channel><title>Bench</title><link>http://bench.example/</link><description>Feed</description>\n";
  for (int i = 0; i < items; ++i) {
    std::string n = std::to_string(i);
    feed += "<item><title>H\xC3\xADr " + n + " \xC5\x91</title><link>http://bench.example/" + n +
            "</link><description><![CDATA[<p>Le\xC3\xADr\xC3\xA1s " + n +
            "</p>]]></description><dc:creator>Szerkeszt\xC5\x91</dc:creator>"
            "<dc:date>2005-03-07T14:30:15+01:00</dc:date></item>\n";
  }
  return feed + "</channel></rss>\n";
}

void BM_RSSFeedParse(benchmark::State& state) {
  CoInitialize(nullptr);
  std::string feed = MakeFeed(int(state.range(0)));
  for (auto _ : state) {
    std::unique_ptr<TRSSFeed> parsed(TRSSFeed::Create(feed));
    for (int i = 0; i < parsed->Items().Count(); ++i) benchmark::DoNotOptimize(parsed->Items().Items(i)->GetID());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(feed.size()));
  state.SetComplexityN(state.range(0));
  CoUninitialize();
}
BENCHMARK(BM_RSSFeedParse)->RangeMultiplier(10)->Range(10, 10000)->Complexity(benchmark::oN);

void BM_Libxml2ParseOnly(benchmark::State& state) {
  std::string feed = MakeFeed(int(state.range(0)));
  for (auto _ : state) {
    xmlDocPtr doc = xmlReadMemory(feed.data(), int(feed.size()), nullptr, nullptr, XML_PARSE_NONET);
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(feed.size()));
  state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_Libxml2ParseOnly)->RangeMultiplier(10)->Range(10, 10000)->Complexity(benchmark::oN);

}  // namespace

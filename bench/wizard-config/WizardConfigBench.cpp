// The wizard's start-up read of its configuration: split the file into lines, decipher each, join them
// with CR LF and parse the text; beside it libxml2 parsing the same plain text into a DOM.
#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <string>
#include <string_view>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "wizard-components/CkCipher.h"
#include "wizard-components/CkLines.h"
#include "wizard-components/CkString.h"
#include "wizard-components/moxXMLParser2.h"

namespace {

constexpr int kLines = 5000;

TCipherKey ConfigKey() {
  TCipherKey key;
  DigestString(key.data(), 16, "morvane cordaLIN");
  return key;
}

// A configuration of the wizard's shape: phone companies with numbers and areas, operations, settings
// and texts, one element a line, exactly kLines lines.
std::vector<std::string> PlainLines() {
  std::vector<std::string> lines = {"<?xml version=\"1.0\" encoding=\"windows-1250\"?>", "<selvaring>",
                                    "  <telefontarsasagok>"};
  auto add = [&](std::string line) { lines.push_back(std::move(line)); };
  for (int c = 0; c < 20; ++c) {
    add("    <tarsasag nev=\"Távközlési társaság "_cp + std::to_string(c) + "\">");
    for (int n = 0; n < 5; ++n) {
      add("      <szam ertek=\"06" + std::to_string(51200200 + c * 10 + n) + "\">");
      for (int a = 0; a < 8; ++a)
        add("        <korzet>" + std::to_string(20 + (c * 40 + n * 8 + a) % 80) + "</korzet>");
      add("      </szam>");
    }
    add("    </tarsasag>");
  }
  add("  </telefontarsasagok>");
  add("  <muveletek>");
  for (int o = 0; o < 150; ++o) {
    add(std::string("    <") + (o % 2 ? "aktivalas" : "onlineelofizetes") + ">");
    add("      <azonosito>felhasznalo" + std::to_string(o) + "</azonosito>");
    add("      <jelszo>jelszo" + std::to_string(o * 7919 % 10007) + "</jelszo>");
    add("      <url><![CDATA[http://www.example.invalid/aktivalas?id=" + std::to_string(o) + "&lang=hu]]></url>");
    add("      <telefontarsasagok><t>Távközlési társaság "_cp + std::to_string(o % 20) + "</t></telefontarsasagok>");
    add(std::string("    </") + (o % 2 ? "aktivalas" : "onlineelofizetes") + ">");
  }
  add("    <csomagok>");
  add("    </csomagok>");
  add("  </muveletek>");
  add("  <beallitasok>");
  add("    <letoltesurl>http://www.example.invalid/selvaring/</letoltesurl>");
  add("    <letoltendofajlok>kep1.gif|kep2.gif|ikon.gif|Selvaring.kzf</letoltendofajlok>");
  add("    <szovegek>");
  const int texts = kLines - int(lines.size()) - 4;
  for (int t = 0; t < texts; ++t)
    add("      <szoveg" + std::to_string(t) + ">Kérjük, válassza ki a körzetszámot és a csomagot ("_cp +
        std::to_string(t) + ").\\Árvíztűrő tükörfúrógép.</szoveg"_cp + std::to_string(t) + ">");
  add("    </szovegek>");
  add("  </beallitasok>");
  add("</selvaring>");
  lines.resize(kLines, "");
  return lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

struct Fixture {
  std::string plain;
  std::string utf8;
  std::string file;  // the enciphered configuration file
  Fixture() {
    const std::vector<std::string> lines = PlainLines();
    plain = Join(lines);
    utf8 = cp1250::ToUtf8(plain);
    const std::string marker = "encoding=\"windows-1250\"";
    utf8.replace(utf8.find(marker), marker.size(), "encoding=\"UTF-8\"");
    const TCipherKey key = ConfigKey();
    std::string line;
    for (const auto& l : lines) BlowfishCryptString(l, key, true, line), file += line + "\r\n";
  }
};

const Fixture& Data() {
  static const Fixture fixture;
  return fixture;
}

// The wizard's own read: every line deciphered (a damaged one empty), each followed by CR LF.
std::string Decipher(const std::string& file, const TCipherKey& key) {
  std::string text;
  text.reserve(file.size());
  CryptLines(file, key, false, text);
  return text;
}

void DecipherAndParse(benchmark::State& state) {
  const Fixture& data = Data();
  const TCipherKey key = ConfigKey();
  auto parser = TmoxXMLParser2::Create();
  for (auto _ : state) {
    parser->SetXml(Decipher(data.file, key));
    benchmark::DoNotOptimize(parser->Children->Count());
  }
  if (!parser->LastError.empty() || parser->Children->Count() != 3) state.SkipWithError("configuration did not parse");
  parser->Free();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.plain.size()));
}
BENCHMARK(DecipherAndParse)->Unit(benchmark::kMillisecond);

void DecipherOnly(benchmark::State& state) {
  const Fixture& data = Data();
  const TCipherKey key = ConfigKey();
  for (auto _ : state) benchmark::DoNotOptimize(Decipher(data.file, key));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.plain.size()));
}
BENCHMARK(DecipherOnly)->Unit(benchmark::kMillisecond);

// Lines per second of good, empty and damaged lines: a damaged line must cost no more than a good one.
void DecipherLines(benchmark::State& state) {
  const std::string kinds[] = {"EGMJq86CnGI=", "", "!!!!"};
  std::string file;
  for (int i = 0; i < 100000; ++i) file += kinds[state.range(0)] + "\r\n";
  const TCipherKey key = ConfigKey();
  for (auto _ : state) benchmark::DoNotOptimize(Decipher(file, key));
  state.SetItemsProcessed(int64_t(state.iterations()) * 100000);
  state.SetLabel(state.range(0) == 0 ? "good" : state.range(0) == 1 ? "empty" : "damaged");
}
BENCHMARK(DecipherLines)->DenseRange(0, 2)->Unit(benchmark::kMillisecond);

void ParseOnly(benchmark::State& state) {
  const Fixture& data = Data();
  auto parser = TmoxXMLParser2::Create();
  for (auto _ : state) {
    parser->SetXml(data.plain);
    benchmark::DoNotOptimize(parser->Children->Count());
  }
  parser->Free();
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.plain.size()));
}
BENCHMARK(ParseOnly)->Unit(benchmark::kMillisecond);

// The key derivation, which the wizard does once and keeps.
void KeyDigest(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(ConfigKey());
}
BENCHMARK(KeyDigest)->Unit(benchmark::kMicrosecond);

void Libxml2Parse(benchmark::State& state, bool utf8) {
  const std::string& text = utf8 ? Data().utf8 : Data().plain;
  for (auto _ : state) {
    xmlDocPtr doc = xmlReadMemory(text.data(), int(text.size()), "config.xml", nullptr, XML_PARSE_NONET);
    if (!doc) state.SkipWithError("libxml2 did not parse");
    benchmark::DoNotOptimize(doc);
    xmlFreeDoc(doc);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Data().plain.size()));
}
BENCHMARK_CAPTURE(Libxml2Parse, windows1250, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Libxml2Parse, utf8, true)->Unit(benchmark::kMillisecond);

}  // namespace

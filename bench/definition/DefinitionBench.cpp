#include <benchmark/benchmark.h>
#include <libxml/parser.h>

#include <sys/stat.h>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/com/ClassTable.h"
#include "platform/testing/BmpWriter.h"
#include "platform/xmldom/XMLDoc.h"
#include "toolbar/uFileStorage.h"
#include "toolbar/uParser.h"

namespace {

// 100 controls of every kind, in turn.
std::string Controls(const std::string& prefix) {
  std::string xml;
  for (int i = 0; i < 100; ++i) {
    std::string n = prefix + std::to_string(i);
    switch (i % 8) {
      case 0:
        xml += "<BUTTON caption=\"Gomb " + n + "\" imagelist=\"icons\" imageindex=\"" + std::to_string(i % 8) +
               "\" hint=\"Tipp\" action=\"openurl\" href=\"http://bench/" + n + "?q=%%q%%\" target=\"_blank\"/>\n";
        break;
      case 1:
        xml += "<BUTTON caption=\"Men\xC3\xBC " + n +
               "\" action=\"none\"><MENU imagelist=\"icons\">"
               "<ITEM caption=\"Egy\" action=\"openurl\" href=\"http://bench/1\" imageindex=\"1\"/>"
               "<ITEM caption=\"Kett\xC5\x91\" action=\"toggle\" checkedvalue=\"1\" uncheckedvalue=\"0\"/>"
               "<ITEM caption=\"T\xC3\xB6"
               "bb\" action=\"none\"><MENU><ITEM caption=\"Al\" actionid=\"go\"/></MENU></ITEM>"
               "</MENU></BUTTON>\n";
        break;
      case 2: xml += "<SEPARATOR/>\n"; break;
      case 3:
        xml += "<COMBO id=\"" + n +
               "\" width=\"150\" listtype=\"dropdown\" action=\"openurl\" href=\"http://bench/?q=%%" + n +
               "%%\"><ITEMS><ITEM value=\"1\" caption=\"Egy\"/><ITEM value=\"2\" caption=\"Kett\xC5\x91\"/>"
               "<ITEM value=\"3\" caption=\"H\xC3\xA1rom\"/></ITEMS></COMBO>\n";
        break;
      case 4: xml += "<TEXT id=\"t" + n + "\" width=\"80\" maxlength=\"40\" hint=\"Sz\xC3\xB6veg\"/>\n"; break;
      case 5:
        xml += "<SELECT id=\"s" + n +
               "\" width=\"60\"><ITEMS><ITEM value=\"a\" caption=\"A\"/><ITEM value=\"b\" "
               "caption=\"B\"/></ITEMS></SELECT>\n";
        break;
      case 6: xml += "<spacer width=\"4\"/>\n"; break;
      default:
        xml +=
            "<HTMLAREA width=\"120\" src=\"http://bench/area?g=%%toolbarguid%%\" defaultcontent=\"&lt;b&gt;"
            "V\xC3\xA1rjon&lt;/b&gt;\" autohide=\"1\"/>\n";
        break;
    }
  }
  return xml;
}

std::string Document(const std::string& body) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<TOOLBAR caption=\"Bench\" minheight=\"22\">\n" + body +
         "</TOOLBAR>\n";
}

struct Bench {
  std::string root, first, second;
  TFileStorage* storage = nullptr;

  Bench() {
    char folder[] = "/tmp/vandrel-bench-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    setenv("VANDREL_ROOT", folder, 1);
    mkdir((std::string(folder) + "/drive_c").c_str(), 0700);
    CoInitialize(nullptr);
    root =
        Document("<IMAGELIST id=\"icons\" src=\"img/icons.bmp\"/><action id=\"go\" action=\"openurl\" href=\"h\"/>\n" +
                 Controls("r") + "<INCLUDE src=\"parts/a.xml\" refresh=\"3600\"/><INCLUDE src=\"parts/b.xml\"/>\n");
    first = Document("<action id=\"go\" action=\"none\"/>" + Controls("a"));
    second = Document("<action id=\"go\" action=\"none\"/>" + Controls("b"));
    storage = TDynamicFileStorage::Create("C:\\Bench");
    Put("toolbar.xml", root);
    Put("img/icons.bmp", testing_support::Bmp24(128, 16, [](int x, int y) { return uint32_t(x * 2 + y * 4096); }));
    Put("parts/a.xml", first);
    Put("parts/b.xml", second);
  }
  void Put(const std::string& name, const std::string& bytes) {
    TStringStream content(bytes);
    storage->StoreFile("http://bench/tb/" + name, content, 0, "");
  }
};

Bench& TheBench() {
  static Bench* bench = new Bench;
  return *bench;
}

void BM_ReadDefinition300Controls(benchmark::State& state) {
  Bench& b = TheBench();
  for (auto _ : state) {
    b.storage->SetBaseURL("http://bench/tb/toolbar.xml");
    TToolbarDefinition* definition = TToolbarDefinition::Create();
    definition->ParseXML(b.root, b.storage);
    benchmark::DoNotOptimize(definition->Controls()->Count());
    definition->Free();
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.root.size() + b.first.size() + b.second.size()));
}
BENCHMARK(BM_ReadDefinition300Controls)->Unit(benchmark::kMicrosecond);

void BM_Libxml2ParseOfTheSameBytes(benchmark::State& state) {
  Bench& b = TheBench();
  for (auto _ : state)
    for (const std::string* text : {&b.root, &b.first, &b.second}) {
      xmlDocPtr doc = xmlReadMemory(text->data(), int(text->size()), nullptr, nullptr, XML_PARSE_NONET);
      benchmark::DoNotOptimize(doc);
      xmlFreeDoc(doc);
    }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.root.size() + b.first.size() + b.second.size()));
}
BENCHMARK(BM_Libxml2ParseOfTheSameBytes)->Unit(benchmark::kMicrosecond);

}  // namespace

namespace {

// The XML layer alone: the same three documents parsed, and every node name and attribute value read.
void Walk(TXMLNode* node) {
  for (TXMLNode* attribute : node->AttributeNodes()) benchmark::DoNotOptimize(attribute->NodeValue());
  for (TXMLNode* child : node->ChildNodes()) {
    benchmark::DoNotOptimize(child->NodeName());
    Walk(child);
  }
}

void BM_XmlLayerParseAndWalk(benchmark::State& state) {
  Bench& b = TheBench();
  for (auto _ : state)
    for (const std::string* text : {&b.root, &b.first, &b.second}) Walk(LoadXMLData(*text)->Node());
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(b.root.size() + b.first.size() + b.second.size()));
}
BENCHMARK(BM_XmlLayerParseAndWalk)->Unit(benchmark::kMicrosecond);

}  // namespace

// The XML parser against Python's xml.etree on generated documents, and on damaged and deep documents.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/PythonOracle.h"
#include "wizard-components/moxXMLParser2.h"
#include "wizard-components/tests/CkTestSupport.h"
#include "wizard-components/tests/moxTestSupport.h"

using mox_test::Describe;
using mox_test::Parser;

namespace {

// Documents of the subset that both parsers read alike: no references, no tail texts, a text that is
// either plain or one CDATA section, attribute values without quotes, CP1250 letters throughout.
class DocumentGenerator {
 public:
  explicit DocumentGenerator(unsigned seed) : rng_(seed) {}

  std::string Document() {
    std::string out = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>" + Blank();
    Element(out, 0);
    return out + Blank();
  }

 private:
  int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
  std::string Pick(std::initializer_list<const char*> choices) {
    return *(choices.begin() + Below(int(choices.size())));
  }
  std::string Blank() { return Pick({"", " ", "\r\n", "\n\t", "  \r\n    "}); }
  std::string Word(const std::string& letters, int max) {
    std::string w(1, letters[size_t(Below(int(letters.size())))]);
    for (int n = Below(max); n > 0; --n) w += letters[size_t(Below(int(letters.size())))];
    return w;
  }
  std::string Name() { return Word(kNameStart, 1) + (Below(2) ? Word(kNameRest, 8) : ""); }
  std::string Phrase(const std::string& extra) {
    std::string p = Word(kText + extra, 6);
    for (int n = Below(4); n > 0; --n) p += " " + Word(kText + extra, 6);
    return p;
  }

  void Element(std::string& out, int depth) {
    const std::string name = Name();
    out += "<" + name;
    std::vector<std::string> used;
    for (int n = Below(4); n > 0; --n) {
      std::string attribute = Name() + std::to_string(used.size());
      used.push_back(attribute);
      const char* quote = Below(2) ? "'" : "\"";
      out += (used.size() == 1 ? " " : Pick({" ", "  ", "\r\n  ", "\t"})) + attribute + Pick({"", " "}) + "=" + quote +
             (Below(4) ? Phrase("") : "") + quote;
    }
    const int children = depth >= 4 ? 0 : Below(4);
    const int text = Below(3);
    if (children == 0 && text == 0 && Below(2)) {
      out += Pick({"/>", " />"});
      return;
    }
    out += ">";
    if (text == 1) out += Blank() + Phrase("") + Blank();
    if (text == 2)
      out += Blank() + "<![CDATA[" + Pick({"", " "}) + Phrase("<>&") + "<" + Pick({"", " "}) + "]]>" + Blank();
    for (int i = 0; i < children; ++i) {
      out += Blank();
      Element(out, depth + 1);
    }
    out += Blank() + "</" + name + ">";
  }

  const std::string kNameStart = "abcxyzABCXYZ_" + "áéőűŠŽČ"_cp;
  const std::string kNameRest = kNameStart + "0123456789-.";
  const std::string kText = "abcdefXYZ0123456789.,;:!?()-+*/" + "áéíóöőúüűÁÉŐŰčřžš"_cp;
  std::mt19937 rng_;
};

const char* kEtreeDescribe =
    "import sys, xml.etree.ElementTree as ET\n"
    "blank = ''.join(chr(c) for c in range(33))\n"
    "def describe(e):\n"
    "    out = e.tag\n"
    "    if e.attrib: out += '[' + ' '.join(k + '=' + v for k, v in e.attrib.items()) + ']'\n"
    "    text = (e.text or '').strip(blank)\n"
    "    if text: out += \"'\" + text + \"'\"\n"
    "    if len(e): out += '(' + ','.join(describe(c) for c in e) + ')'\n"
    "    return out\n"
    "for line in sys.stdin:\n"
    "    print(describe(ET.fromstring(bytes.fromhex(line.strip()))).encode('cp1250').hex())\n";

TEST(moxXMLOracle, TreesEqualThoseOfXmlEtree) {
  DocumentGenerator generator(2024);
  std::vector<std::string> documents;
  std::string input;
  for (int i = 0; i < 300; ++i)
    documents.push_back(generator.Document()), input += ck_test::Hex(documents.back()) + "\n";
  const std::vector<std::string> reference = ck_test::Lines(testing_support::RunPython(kEtreeDescribe, input));
  ASSERT_EQ(reference.size(), documents.size());
  auto parser = Parser();
  for (size_t i = 0; i < documents.size(); ++i) {
    parser->SetXml(documents[i]);
    ASSERT_EQ(parser->LastError, "") << documents[i];
    EXPECT_EQ(ck_test::Hex(Describe(*parser)), reference[i]) << documents[i];
  }
}

TEST(moxXMLOracle, GetXmlRoundTripsThroughBothParsers) {
  DocumentGenerator generator(77);
  std::vector<std::string> trees, written;
  std::string input;
  auto parser = Parser();
  for (int i = 0; i < 150; ++i) {
    parser->SetXml(generator.Document());
    trees.push_back(Describe(*parser));
    written.push_back(parser->GetXml());
    input += ck_test::Hex(written.back()) + "\n";
  }
  const std::vector<std::string> reference = ck_test::Lines(testing_support::RunPython(kEtreeDescribe, input));
  ASSERT_EQ(reference.size(), written.size());
  for (size_t i = 0; i < written.size(); ++i) {
    parser->SetXml(written[i]);
    EXPECT_EQ(parser->LastError, "");
    EXPECT_EQ(Describe(*parser), trees[i]) << written[i];
    EXPECT_EQ(parser->GetXml(), written[i]) << "writing is stable";
    EXPECT_EQ(ck_test::Hex(trees[i]), reference[i]) << written[i];
  }
}

TEST(moxXMLOracle, EveryTruncationFailsCleanly) {
  const std::string document =
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<config>\r\n  <telefontarsasagok>\r\n"
      "    <t nev='Matáv'><sz szam=\"0651200200\"><k>1</k><k>22</k></sz></t>\r\n  </telefontarsasagok>\r\n"
      "  <m><aktivalas><azonosito>user</azonosito><url><![CDATA[http://x/?a=1&b=<2>]]></url></aktivalas>"
      "<x/><y a='1' b=\"2\" /></m>\r\n  <b><szovegek><szoveg1>Árvíztűrő\\tükörfúrógép</szoveg1></szovegek></b>\r\n"
      "</config>"_cp;
  auto parser = Parser();
  parser->SetXml(document);
  ASSERT_EQ(parser->LastError, "");
  for (size_t length = 0; length < document.size(); ++length) {
    const std::string prefix = document.substr(0, length);
    parser->SetXml(prefix);
    EXPECT_NE(parser->LastError, "") << "prefix of " << length;
    EXPECT_EQ(parser->Source, prefix);
  }
}

TEST(moxXMLOracle, DeepNestingParsesAndFailsWithoutExhaustingTheStack) {
  const int depth = 200000;
  std::string open, close;
  for (int i = 0; i < depth; ++i) open += "<a>", close += "</a>";
  auto parser = Parser();

  parser->SetXml(open + close);
  EXPECT_EQ(parser->LastError, "");
  int levels = 1;
  for (const TmoxXMLNode2* node = parser.get(); node->Children->Count() > 0; node = node->Child(0)) ++levels;
  EXPECT_EQ(levels, depth);

  // Unclosed: the error text's dump of the half-built tree would grow with the square of the depth.
  parser->SetXml(open);
  const std::string& error = parser->LastError;
  EXPECT_EQ(error.rfind("Expected < when parsing text near ", 0), 0u);
  const size_t dump = error.find("<?xml version=");
  ASSERT_NE(dump, std::string::npos);
  EXPECT_LE(error.size() - dump, 65536u);
  EXPECT_EQ(error.substr(error.size() - 3), "...");

  parser->SetXml(open + "text<b/>");
  EXPECT_EQ(parser->LastError.rfind("Missing < near ", 0), 0u);
  EXPECT_LE(parser->LastError.size(), 65536u + 200);
}

}  // namespace

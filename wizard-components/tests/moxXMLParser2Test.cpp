#include "wizard-components/moxXMLParser2.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/runtime/Exceptions.h"
#include "wizard-components/moxStrings.h"
#include "wizard-components/tests/moxTestSupport.h"

using mox_test::Describe;
using mox_test::Parser;

namespace {

const std::string kDeclarationLine = "<?xml version='1.0' encoding='ISO-8859-1' ?>\r\n";

TEST(moxStrings, FindFrom) {
  struct Case {
    const char* sub;
    const char* s;
    int32_t start, found;
  } cases[] = {
      {"<", "a<b<c", 1, 2},  {"<", "a<b<c", 2, 2},    {"<", "a<b<c", 3, 4},    {"<", "a<b<c", 5, 0},
      {"<", "a<b<c", 99, 0}, {"<", "a<b<c", 0, 2},    {"<", "a<b<c", -4, 2},   {"", "abc", 1, 0},
      {"a", "", 1, 0},       {"]]>", "x]]]>y", 1, 3}, {"?>", "<?xml?>", 1, 6}, {"ab", "aAbab", 1, 4},
      {"abc", "ab", 1, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(FindFrom(c.sub, c.s, c.start), c.found) << c.sub << " in " << c.s << " from " << c.start;
}

// Documents that parse, and the tree each gives.
TEST(moxXMLParser, TreesOfDocuments) {
  struct Case {
    std::string source, tree;
  } cases[] = {
      {"<a/>", "a"},
      {"<a></a>", "a"},
      {"<a>text</a>", "a'text'"},
      {"junk before <a>t</a> and after", "a't'"},
      {"<a></a><b>ignored", "a"},
      {"<a></b>", "a"},                         // end-tag names are not compared
      {"<a><b x='1'/>hello</a>", "a(b[x=1])"},  // text after a child is lost
      {"<a>first<b/>second</a>", "a'first'(b)"},
      {"<a>  <![CDATA[ x<y ]]>tail</a>", "a'x<y'"},
      {"<a>lost<![CDATA[kept]]></a>", "a'kept'"},
      {"<a x='1' x='2'/>", "a[x=2]"},
      {"<a x ='1'  y=\"2\"/>", "a[x=1 y=2]"},
      {"<a x='  1 '/>", "a[x=  1 ]"},
      {"<a x='say \"hi\"' y=\"it's\"/>", "a[x=say \"hi\" y=it's]"},
      {"<a\nb='1'/>", "a\nb='1'"},  // no blank: the whole body is the name
      {"<a>&amp;&lt;&#65;</a>", "a'&amp;&lt;&#65;'"},
      {"<a>\t\r\n x y \x01</a>", "a'x y'"},
      {"<a>\xA0x\xA0</a>", "a'\xA0x\xA0'"},  // a no-break space is no blank
      {"<a />", "a"},
      {"<a x='1' />", "a[x=1]"},
      {"<a><b><c>deep</c></b><d/></a>", "a(b(c'deep'),d)"},
      {"<?xml version='1.0'?><a/>", "a"},
      {"<?xml?><a/>", "a"},
      {"<r>\r\n  <c>t\r\n  </c>\r\n</r>", "r(c't')"},
  };
  for (const auto& c : cases) {
    auto parser = Parser();
    parser->SetXml(c.source);
    EXPECT_EQ(parser->LastError, "") << c.source;
    EXPECT_EQ(Describe(*parser), c.tree) << c.source;
  }
}

// Documents that do not parse: the message, and the tree built up to the error.
TEST(moxXMLParser, ErrorsOfDocuments) {
  struct Case {
    std::string source, message, tree;
  } cases[] = {
      {"", "Missing <", ""},
      {"no tags", "Missing <", ""},
      {"<a", "Missing >", ""},
      {"<a><b/>", "Missing <", "a(b)"},
      {"<a><b>", "Expected < when parsing text", "a(b)"},
      {"<a>text", "Expected < when parsing text", "a"},
      {"<a><![CDATA[x</a>", "Expected ]]> when parsing CDATA section", "a"},
      {"<a x=1/>", "missing value delimiter when parsing attributes", "a"},
      {"<a x= '1'/>", "missing value delimiter when parsing attributes", "a"},
      {"<a x='1></a>", "Expected closing ' when parsing attributes", "a"},
      {"<a x=\"1/>", "Expected closing \" when parsing attributes", "a"},
      {"<a x/>", "missing = when parsing attributes", "a"},
      {"<a x='1' y/>", "missing = when parsing attributes", "a[x=1]"},
      {"<a><!-- note --></a>", "missing = when parsing attributes", "a(!--)"},
      {"<a><b></b>", "Missing <", "a(b)"},
      {"</a>", "End tag without a start tag", ""},
      {"<?XML?><a/>", "Missing <", "?XML?(a)"},  // capitals: no declaration, an element
  };
  for (const auto& c : cases) {
    auto parser = Parser();
    parser->SetXml(c.source);
    EXPECT_EQ(parser->LastError.substr(0, c.message.size() + 6), c.message + " near ") << c.source;
    EXPECT_EQ(Describe(*parser), c.tree) << c.source;
  }
}

TEST(moxXMLParser, ErrorTextCarriesExcerptPositionAndPartialTree) {
  struct Case {
    std::string source, error;
  } cases[] = {
      {"", "Missing < near \r\nError position=0\r\n" + kDeclarationLine + "</>"},
      {"<root><child x=1/></root>",
       "missing value delimiter when parsing attributes near <root><child x=1/></root>\r\nError position=19\r\n" +
           kDeclarationLine + "<root>\r\n  <child/>\r\n</root>"},
      {"<a", "Missing > near <a\r\nError position=1\r\n" + kDeclarationLine + "</>"},
      // Position 35 (behind the last start tag): the excerpt starts 20 before it.
      {"<r><s>0123456789012345678901234<t>",
       "Expected < when parsing text near 89012345678901234<t>\r\nError position=35\r\n" + kDeclarationLine +
           "<r>\r\n  <s>0123456789012345678901234\r\n    <t/>\r\n  </s>\r\n</r>"},
      {"<?xml version='1.0'", "Missing ?> in xml declaration."},
  };
  for (const auto& c : cases) {
    auto parser = Parser();
    parser->SetXml(c.source);
    EXPECT_EQ(parser->LastError, c.error) << c.source;
  }
}

TEST(moxXMLParser, ExcerptIsFiftyCharactersFromTwentyBeforeThePosition) {
  const std::string source = "<r>" + std::string(100, 'x') + "<c x=1>" + std::string(100, 'y');
  auto parser = Parser();
  parser->SetXml(source);
  const size_t position = source.find("<c") + 8;  // behind the tag
  const std::string expected = "missing value delimiter when parsing attributes near " +
                               source.substr(position - 21, 50) + "\r\nError position=" + std::to_string(position) +
                               "\r\n";
  EXPECT_EQ(parser->LastError.substr(0, expected.size()), expected);
}

TEST(moxXMLParser, DeclarationAttributes) {
  auto parser = Parser();
  parser->SetXml("<?xml version=\"1.1\" encoding='windows-1250' standalone='yes'?><a/>");
  EXPECT_EQ(parser->LastError, "");
  EXPECT_EQ(Describe(*parser->Declaration), "[version=1.1 encoding=windows-1250 standalone=yes]");
  EXPECT_EQ(parser->GetXml(), "<?xml version='1.1' encoding='windows-1250' ?>\r\n<a/>");
  // A later document without a declaration keeps what the earlier one set.
  parser->SetXml("<b/>");
  EXPECT_EQ(parser->GetXml(), "<?xml version='1.1' encoding='windows-1250' ?>\r\n<b/>");
  parser->SetXml("<?xml encoding='UTF-8'?><c/>");
  EXPECT_EQ(parser->GetXml(), "<?xml version='1.1' encoding='UTF-8' ?>\r\n<c/>");
}

TEST(moxXMLParser, MalformedDeclarationRaisesAndKeepsTheLastError) {
  auto parser = Parser();
  parser->SetXml("<a><b/>");
  const std::string before = parser->LastError;
  ASSERT_NE(before, "");
  struct Case {
    std::string source, message;
  } cases[] = {
      {"<?xml version=1.0?><a/>", "missing value delimiter when parsing attributes"},
      {"<?xml version='1.0?><a/>", "Expected closing ' when parsing attributes"},
      {"<?xml version?><a/>", "missing = when parsing attributes"},
  };
  for (const auto& c : cases) {
    try {
      parser->SetXml(c.source);
      ADD_FAILURE() << "no error for " << c.source;
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(e.ClassName(), "Exception");
    }
    EXPECT_EQ(parser->LastError, before);
    EXPECT_EQ(Describe(*parser), "") << "the tree stays empty";
    EXPECT_EQ(parser->Source, c.source);
  }
}

TEST(moxXMLParser, NodesKnowParentAndDocument) {
  auto parser = Parser();
  parser->SetXml("<a><b><c/></b><d/></a>");
  ASSERT_EQ(parser->Children->Count(), 2);
  TmoxXMLNode2* b = parser->Child(0);
  TmoxXMLNode2* c = b->Child(0);
  EXPECT_EQ(parser->Parent, nullptr);
  EXPECT_EQ(parser->Document, nullptr);
  EXPECT_EQ(b->Parent, parser.get());
  EXPECT_EQ(c->Parent, b);
  EXPECT_EQ(parser->Child(1)->Parent, parser.get());
  for (TmoxXMLNode2* node : {b, c, parser->Child(1)}) EXPECT_EQ(node->Document, parser.get());
  // A new parse replaces the tree.
  parser->SetXml("<x>t</x>");
  EXPECT_EQ(Describe(*parser), "x't'");
}

TEST(moxXMLParser, GetXmlLayout) {
  struct Case {
    std::string source, xml;
  } cases[] = {
      {"<r><c>t</c></r>", "<r>\r\n  <c>t\r\n  </c>\r\n</r>"},
      {"<r a='1' b=\"x y\"/>", "<r a='1' b='x y'/>"},
      {"<r>a&amp;'\"</r>", "<r>a&amp;'\"\r\n</r>"},
      {"<r><![CDATA[1 < 2]]></r>", "<r><![CDATA[1 < 2]]>\r\n</r>"},
      {"<r><![CDATA[a>b]]></r>", "<r><![CDATA[a>b]]>\r\n</r>"},
      {"<r><a><b/></a></r>", "<r>\r\n  <a>\r\n    <b/>\r\n  </a>\r\n</r>"},
  };
  for (const auto& c : cases) {
    auto parser = Parser();
    parser->SetXml(c.source);
    ASSERT_EQ(parser->LastError, "") << c.source;
    EXPECT_EQ(parser->GetXml(), kDeclarationLine + c.xml) << c.source;
  }
}

TEST(moxXMLNode, AttributesByPositionAndName) {
  auto node = std::unique_ptr<TmoxXMLNode2, mox_detail::FreeObject>(TmoxXMLNode2::Create());
  node->SetAttribute("b", "1");
  node->SetAttribute(std::string("a"), "2");
  node->SetAttribute("b", "3");
  node->SetAttribute(5, "ignored");
  node->SetAttribute(1, "4");
  node->SetAttribute(2.0, "not an index");
  node->SetAttribute(true, "not an index");
  node->SetAttribute(Variant(), "not an index");
  EXPECT_EQ(Describe(*node), "[b=3 a=4]");
  struct Case {
    Variant index;
    const char* value;
  } cases[] = {
      {0, "3"},
      {1, "4"},
      {2, ""},
      {100, ""},
      {uint8_t(1), "4"},
      {int16_t(0), "3"},
      {int64_t(1), "4"},
      {uint32_t(4000000000u), ""},
      {int64_t(1) << 40, ""},
      {"a", "4"},
      {"A", ""},
      {"", ""},
      {"c", ""},
      {1.0, ""},
      {true, ""},
      {Variant(), ""},
      {Null(), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(node->GetAttribute(c.index), c.value) << VarToStr(c.index);
  EXPECT_EQ(node->IndexOfAttribute("a"), 1);
  EXPECT_EQ(node->IndexOfAttribute("B"), -1) << "names are case-sensitive";
  for (auto call : {+[](TmoxXMLNode2& n) { n.GetAttribute(-1); }, +[](TmoxXMLNode2& n) { n.SetAttribute(-1, "x"); }}) {
    try {
      call(*node);
      ADD_FAILURE() << "a negative position must raise";
    } catch (const EListError& e) {
      EXPECT_EQ(e.Message(), "List index out of bounds (-1)");
    }
  }
}

class Tracked : public TObject {
 public:
  explicit Tracked(int& frees) : frees_(frees) {}
  ~Tracked() override { ++frees_; }

 private:
  int& frees_;
};

TEST(moxXMLParser, EveryParseClearsThePathList) {
  int frees = 0;
  auto parser = Parser();
  parser->PathList->AddObject("one", new Tracked(frees));
  parser->PathList->AddObject("none", nullptr);
  parser->PathList->AddObject("two", new Tracked(frees));
  parser->SetXml("<a/>");
  EXPECT_EQ(frees, 2);
  EXPECT_EQ(parser->PathList->Count(), 0);
  parser->PathList->AddObject("three", new Tracked(frees));
  parser.reset();
  EXPECT_EQ(frees, 3) << "the parser frees what its path list holds";
}

TEST(moxXMLParser, ManyAttributesKeepFirstAppearanceOrderAndLastValue) {
  std::string tag = "<a";
  std::string expected;
  for (int i = 0; i < 40; ++i) tag += " n" + std::to_string(i % 25) + "='" + std::to_string(i) + "'";
  for (int i = 0; i < 25; ++i)
    expected += (i ? " n" : "n") + std::to_string(i) + "=" + std::to_string(i < 15 ? i + 25 : i);
  auto parser = Parser();
  parser->SetXml(tag + "/>");
  EXPECT_EQ(parser->LastError, "");
  EXPECT_EQ(Describe(*parser), "a[" + expected + "]");

  // At scale the lookups stay linear.
  std::string big = "<a";
  for (int i = 0; i < 100000; ++i) big += " x" + std::to_string(i) + "='v'";
  parser->SetXml(big + " x7='last'/>");
  ASSERT_EQ(parser->Attributes->Count(), 100000);
  EXPECT_EQ(parser->GetAttribute("x7"), "last");
  EXPECT_EQ(parser->Attribute(99999)->Name, "x99999");
}

}  // namespace

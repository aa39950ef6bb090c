#include "platform/xmldom/XMLDoc.h"
#include "platform/xmldom/XMLTree.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"

namespace {

class XMLDoc : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
  void TearDown() override { CoUninitialize(); }
  testing_support::TestMachine machine_;  // classes not registered in the process are looked up in its registry
};

// One line per node: depth, kind, name, value; attributes as @name=value.
void Dump(TXMLNode* node, int depth, std::string& out) {
  out += std::string(depth * 2, ' ') + std::to_string(node->NodeType()) + " " + node->NodeName();
  if (auto value = node->NodeValue()) out += "=" + *value;
  out += "\n";
  for (TXMLNode* a : node->AttributeNodes())
    out += std::string(depth * 2 + 2, ' ') + "@" + a->NodeName() + "=" + *a->NodeValue() + "\n";
  for (TXMLNode* c : node->ChildNodes()) Dump(c, depth + 1, out);
}

std::string Dump(TXMLDocument& document) {
  std::string out;
  Dump(document.Node(), 0, out);
  return out;
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
  return out;
}

TEST_F(XMLDoc, EveryEncodingGivesTheSameCp1250NamesAndTexts) {
  // Python's codecs write the bytes; the declaration or the byte-order mark must decide how they are read.
  std::string out = testing_support::RunPython(R"(
body = ('<gyökér attr="Árvíztűrő">\n  <tétel cím="tükör">fúrógép ŐŰ őű Łč</tétel>\n'
        '  <!--megjegyzés ő-->\n  <x><![CDATA[<ő>]]></x>\n  <?cél adat ű?>\n</gyökér>\n')
rows = [('UTF-8', 'utf-8', ''), ('UTF-8', 'utf-8-sig', ''), ('UTF-16', 'utf-16-le', '\ufeff'),
        ('UTF-16', 'utf-16-be', '\ufeff'), ('windows-1250', 'cp1250', ''), ('ISO-8859-2', 'iso-8859-2', ''),
        (None, 'utf-8', ''), (None, 'utf-16', '')]
for declared, codec, bom in rows:
    decl = '<?xml version="1.0" encoding="%s"?>\n' % declared if declared else ''
    print(codec, (bom + decl + body).encode(codec).hex())
)");
  std::string expected =
      "9 #document\n"
      "  1 gyökér\n"
      "    @attr=Árvíztűrő\n"
      "    1 tétel\n"
      "      @cím=tükör\n"
      "      3 #text=fúrógép ŐŰ őű Łč\n"
      "    8 #comment=megjegyzés ő\n"
      "    1 x\n"
      "      4 #cdata-section=<ő>\n"
      "    7 cél=adat ű\n"_cp;
  std::istringstream rows(out);
  std::string codec, hex;
  int count = 0;
  while (rows >> codec >> hex) {
    ++count;
    auto document = LoadXMLData(FromHex(hex));
    EXPECT_EQ(Dump(*document), expected) << codec;
  }
  EXPECT_EQ(count, 8);
}

TEST_F(XMLDoc, NamesAsWrittenAttributesInOrderAndNoWhiteSpaceTexts) {
  auto document = LoadXMLData(
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE rdf:RDF [<!ENTITY e \"E&amp;\">]>\n"
      "<?pi data?>\n"
      "<rdf:RDF xmlns:rdf=\"urn:r\" xmlns:dc=\"urn:dc\" z=\"1\" a=\"\" rdf:about=\"x\">\n"
      "  <item>\n"
      "    <dc:date>  2005 </dc:date>\n"
      "    <t>a&e;b&#x151;&lt;</t>\n"
      "    <w>   </w>\n"
      "    <c><![CDATA[  ]]></c>\n"
      "  </item>\n"
      "</rdf:RDF>\n");
  EXPECT_EQ(Dump(*document),
            "9 #document\n"
            "  7 pi=data\n"
            "  1 rdf:RDF\n"
            "    @xmlns:rdf=urn:r\n"
            "    @xmlns:dc=urn:dc\n"
            "    @z=1\n"
            "    @a=\n"
            "    @rdf:about=x\n"
            "    1 item\n"
            "      1 dc:date\n"
            "        3 #text=  2005 \n"
            "      1 t\n"
            "        3 #text=aE&b"_cp +
                "\xF5<\n" +
                "      1 w\n"
                "      1 c\n"
                "        4 #cdata-section=  \n");
  EXPECT_EQ(document->DocumentElement()->NodeName(), "rdf:RDF");

  // A document that preserves white space keeps those texts.
  ComPtr<IXMLDOMDocument> dom = document->DOMDocument();
  ASSERT_EQ(dom->put_preserveWhiteSpace(VARIANT_TRUE), S_OK);
  const std::string text = "<a> <b/>\n</a>";
  VARIANT_BOOL ok = VARIANT_FALSE;
  ASSERT_EQ(dom->load(reinterpret_cast<const BYTE*>(text.data()), LONG(text.size()), &ok), S_OK);
  ComPtr<IXMLDOMNode> root;
  ASSERT_EQ(dom->get_documentElement(root.Put()), S_OK);
  ComPtr<IXMLDOMNodeList> children;
  root->get_childNodes(children.Put());
  LONG length = 0;
  children->get_length(&length);
  EXPECT_EQ(length, 3);
}

TEST_F(XMLDoc, ElementTextIsEmptyOrItsSingleTextOrCData) {
  struct Case {
    const char* xml;
    const char* text;  // nullptr: the layer's error
  } cases[] = {
      {"<a/>", ""},
      {"<a></a>", ""},
      {"<a>x</a>", "x"},
      {"<a> x y </a>", " x y "},
      {"<a>  \n </a>", ""},
      {"<a><![CDATA[<b>]]></a>", "<b>"},
      {"<a>&amp;&lt;&gt;&quot;&apos;</a>", "&<>\"'"},
      {"<a>x<b/></a>", nullptr},
      {"<a><b/></a>", nullptr},
      {"<a>x<!--c--></a>", nullptr},
      {"<a>x<![CDATA[y]]></a>", nullptr},
      {"<a><?p q?></a>", nullptr},
  };
  for (const Case& c : cases) {
    auto document = LoadXMLData(c.xml);
    TXMLNode* a = document->DocumentElement();
    if (c.text) {
      EXPECT_EQ(a->Text(), c.text) << c.xml;
    } else {
      try {
        a->Text();
        ADD_FAILURE() << "no error for " << c.xml;
      } catch (const EXMLDocError& e) {
        EXPECT_EQ(e.Message(), "Element does not contain a single text node");
      }
    }
  }
  auto document = LoadXMLData("<a k=\"v\">t</a>");
  EXPECT_EQ(document->DocumentElement()->AttributeNodes()[0]->Text(), "v");
  EXPECT_EQ(document->DocumentElement()->ChildNodes()[0]->Text(), "t");
  EXPECT_FALSE(document->DocumentElement()->NodeValue().has_value());
  EXPECT_FALSE(document->Node()->NodeValue().has_value());
  EXPECT_EQ(document->Node()->NodeName(), "#document");
  EXPECT_THROW(document->DocumentElement()->ChildNodes()[1], EXMLDocError);
}

TEST_F(XMLDoc, MalformedDocumentsRaiseWithReasonAndPlace) {
  struct Case {
    std::string xml;
    const char* reason;
    int line, column;
  } cases[] = {
      {"<a>\n  <b></c>\n</a>", "Opening and ending tag mismatch: b line 2 and c", 2, 10},
      {"<rdf:RDF><x/></rdf:RDF>", "Namespace prefix rdf on RDF is not defined", 1, 9},
      {"<a x:y=\"1\"/>", "Namespace prefix x for y on a is not defined", 1, 11},
      {"", "Document is empty", 1, 1},
      {"<a/><b/>", "Extra content at the end of the document", 1, 5},
      {"<a>&nbsp;</a>", "Entity 'nbsp' not defined", 1, 10},
      {"<!DOCTYPE a SYSTEM \"a.dtd\"><a>&nbsp;</a>", "Entity 'nbsp' not defined", 1, 37},
      {"<?xml version=\"1.0\" encoding=\"klingon\"?><a/>", "Unsupported encoding klingon", 1, 39},
      {"<a>\xFF</a>", "Input is not proper UTF-8, indicate encoding ! Bytes: 0xFF 0x3C 0x2F 0x61", 1, 4},
      {"<a b=\"1\" b=\"2\"/>", "Attribute b redefined", 1, 15},
      {std::string(300, '<'), "StartTag: invalid element name", 1, 2},
      {[] {
         std::string s;
         for (int i = 0; i < 300; ++i) s += "<a>";
         return s;
       }(),
       "Excessive depth in document: 256 use XML_PARSE_HUGE option", 1, 772},
  };
  for (const Case& c : cases) {
    try {
      LoadXMLData(c.xml);
      ADD_FAILURE() << "accepted " << c.xml;
    } catch (const EDOMParseError& e) {
      EXPECT_EQ(e.Reason(), c.reason) << c.xml;
      EXPECT_EQ(e.Line(), c.line) << c.xml;
      EXPECT_EQ(e.LinePos(), c.column) << c.xml;
      EXPECT_EQ(e.Message(), std::string(c.reason) + " (line " + std::to_string(c.line) + ", column " +
                                 std::to_string(c.column) + ")");
      EXPECT_TRUE(e.InheritsFrom(DOMException::StaticClass()));
    }
  }
}

TEST_F(XMLDoc, EntityExpansionStaysWithinTheLimits) {
  std::string xml = "<!DOCTYPE l [<!ENTITY l0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    xml += "<!ENTITY l" + std::to_string(i) + " \"";
    for (int k = 0; k < 10; ++k) xml += "&l" + std::to_string(i - 1) + ";";
    xml += "\">";
  }
  xml += "]><l>&l9;</l>";
  auto start = std::chrono::steady_clock::now();
  EXPECT_THROW(LoadXMLData(xml), EDOMParseError);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(XMLDoc, NothingOutsideTheBytesIsEverLoaded) {
  testing_support::HttpTestServer server;
  server.OnOther([](const testing_support::HttpRecordedRequest&) {
    return testing_support::HttpScriptedResponse::Ok("<!ENTITY e \"loaded\">");
  });
  const std::string dtd = server.Url("/rss-0.91.dtd"), entity = server.Url("/entity");
  // A DOCTYPE naming an external DTD, a stylesheet and an include parse without loading anything.
  for (const std::string& xml : {
           "<!DOCTYPE rss SYSTEM \"" + dtd + "\"><rss version=\"0.91\"><channel/></rss>",
           "<!DOCTYPE rss PUBLIC \"-//Netscape Communications//DTD RSS 0.91//EN\" \"" + dtd + "\"><rss/>",
           "<?xml-stylesheet href=\"" + dtd + "\"?><rss/>",
           "<rss xmlns:xi=\"http://www.w3.org/2001/XInclude\"><xi:include href=\"" + dtd + "\"/></rss>",
       }) {
    auto document = LoadXMLData(xml);
    EXPECT_EQ(document->DocumentElement()->NodeName(), "rss") << xml;
  }
  // External entities fail the document, whether general or parameter entities.
  for (const std::string& xml : {
           "<!DOCTYPE a [<!ENTITY e SYSTEM \"" + entity + "\">]><a>x&e;y</a>",
           "<!DOCTYPE a [<!ENTITY % p SYSTEM \"" + entity + "\"> %p;]><a/>",
           std::string("<!DOCTYPE a [<!ENTITY e SYSTEM \"file:///etc/passwd\">]><a>&e;</a>"),
       }) {
    try {
      LoadXMLData(xml);
      ADD_FAILURE() << "accepted " << xml;
    } catch (const EDOMParseError& e) {
      EXPECT_NE(e.Reason().find("is not loaded"), std::string::npos) << e.Message();
    }
  }
  server.Stop();
  EXPECT_EQ(server.Connections(), 0);
  EXPECT_TRUE(server.Requests().empty());
}

TEST_F(XMLDoc, TheThreeClassIdsGiveDomDocuments) {
  for (const CLSID& clsid : {CLSID_DOMDocument, CLSID_DOMDocument26, CLSID_DOMDocument30}) {
    ComPtr<IXMLDOMDocument> dom;
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IXMLDOMDocument,
                               dom.PutVoid()),
              S_OK);
    const std::string bad = "<a><b></a>";
    VARIANT_BOOL ok = VARIANT_TRUE;
    EXPECT_EQ(dom->load(reinterpret_cast<const BYTE*>(bad.data()), LONG(bad.size()), &ok), S_FALSE);
    EXPECT_EQ(ok, VARIANT_FALSE);
    ComPtr<IXMLDOMParseError> error;
    ASSERT_EQ(dom->get_parseError(error.Put()), S_OK);
    LONG code = 0, line = 0;
    WideString reason;
    error->get_errorCode(&code);
    error->get_line(&line);
    error->get_reason(reason.Put());
    EXPECT_NE(code, 0);
    EXPECT_EQ(line, 1);
    EXPECT_EQ(reason.ToString(), "Opening and ending tag mismatch: b line 1 and a");
    ComPtr<IXMLDOMNode> root;
    EXPECT_EQ(dom->get_documentElement(root.Put()), S_FALSE) << "a failed load leaves the document empty";
    ComPtr<IXMLDOMNode> asNode = dom.As<IXMLDOMNode>();
    EXPECT_TRUE(asNode);
  }
}

std::atomic<int> g_created{0};
ComPtr<IXMLDOMDocument> CountingCreator() {
  ++g_created;
  ComPtr<IXMLDOMDocument> dom;
  OleCheck(CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, dom.PutVoid()));
  return dom;
}

TEST_F(XMLDoc, TheLayerUsesTheInstalledCreator) {
  TDOMDocumentCreator own = SetDOMDocumentCreator(CountingCreator);
  UnregisterComClass(CLSID_DOMDocument);
  auto document = LoadXMLData("<a/>");
  EXPECT_EQ(g_created.load(), 1);
  EXPECT_EQ(SetDOMDocumentCreator(own), CountingCreator);
  try {
    TXMLDocument other;
    ADD_FAILURE() << "the layer's own creator found an unregistered class";
  } catch (const EOleSysError& e) {
    EXPECT_EQ(e.ErrorCode(), REGDB_E_CLASSNOTREG);
  }
}

// A DOM document of another maker: it forwards to the platform's own but answers only the DOM interfaces,
// so the layer has to read it through them.
class TForwardingDocument : public TComObjectImpl<IXMLDOMDocument> {
 public:
  explicit TForwardingDocument(ComPtr<IXMLDOMDocument> inner) : inner_(std::move(inner)) {}
  HRESULT get_nodeName(BSTR* name) override { return inner_->get_nodeName(name); }
  HRESULT get_nodeValue(BSTR* value) override { return inner_->get_nodeValue(value); }
  HRESULT get_nodeType(DOMNodeType* type) override { return inner_->get_nodeType(type); }
  HRESULT get_childNodes(IXMLDOMNodeList** list) override { return inner_->get_childNodes(list); }
  HRESULT get_attributes(IXMLDOMNamedNodeMap** map) override { return inner_->get_attributes(map); }
  HRESULT get_documentElement(IXMLDOMNode** element) override { return inner_->get_documentElement(element); }
  HRESULT get_preserveWhiteSpace(VARIANT_BOOL* preserve) override { return inner_->get_preserveWhiteSpace(preserve); }
  HRESULT put_preserveWhiteSpace(VARIANT_BOOL preserve) override { return inner_->put_preserveWhiteSpace(preserve); }
  HRESULT load(const BYTE* data, LONG size, VARIANT_BOOL* success) override {
    return inner_->load(data, size, success);
  }
  HRESULT get_parseError(IXMLDOMParseError** error) override { return inner_->get_parseError(error); }

 private:
  ComPtr<IXMLDOMDocument> inner_;
};

ComPtr<IXMLDOMDocument> ForwardingCreator() {
  ComPtr<IXMLDOMDocument> own;
  OleCheck(CoCreateInstance(CLSID_DOMDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, own.PutVoid()));
  return ComPtr<IXMLDOMDocument>(MakeComObject<TForwardingDocument>(own));
}

TEST_F(XMLDoc, ThePlatformsTreeReadInPlaceMatchesTheDomInterfaces) {
  // The layer reads the platform's own document in place and any other through the DOM interfaces; both
  // must give the same nodes, names and texts.
  const std::string documents[] = {
      "<?xml version=\"1.0\"?>\n<!DOCTYPE r [<!ENTITY e \"E&amp;\">]>\n<?pi data?>\n"
      "<p:r xmlns:p=\"urn:p\" xmlns=\"urn:d\" z=\"1\" a=\"\" p:b=\"x&e;y&#x151;&lt;\">\n"
      "  <item>  <d>  2005 </d> <t>a&e;b</t> <w>   </w> <c><![CDATA[  ]]></c> </item>\n"
      "  <!-- note --><?target?>\n</p:r>\n",
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?><gy\xC3\xB6k\xC3\xA9r \xC3\xA1=\"\xC5\x91\xE4\xB8\xAD\xF0\x9F\x98\x80"
      "&#x81;&#x20AC;\">\xC3\xA1rv\xC3\xADz \xE2\x84\xA2 \xE2\x80\x9E\xE4\xB8\xAD\xE2\x80\x9D</gy\xC3\xB6k\xC3\xA9r>",
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?><a \xE1=\"\xF5\x8A\"><b/>t<![CDATA[c]]><!--m--></a>",
      "<a><b k=\"v\" K=\"w\"><c/></b>tail</a>",
  };
  for (const std::string& xml : documents) {
    auto inPlace = LoadXMLData(xml);
    TDOMDocumentCreator own = SetDOMDocumentCreator(ForwardingCreator);
    auto throughInterfaces = LoadXMLData(xml);
    SetDOMDocumentCreator(own);
    EXPECT_EQ(Dump(*inPlace), Dump(*throughInterfaces)) << xml;
    EXPECT_EQ(inPlace->DocumentElement()->NodeName(), throughInterfaces->DocumentElement()->NodeName());
  }
}

TEST_F(XMLDoc, NodesKeepTheirTreeAliveAfterTheDocumentGoes) {
  ComPtr<IXMLDOMNode> element;
  {
    auto document = LoadXMLData("<a><b k=\"v\">t</b></a>");
    ComPtr<IXMLDOMNodeList> children;
    document->DocumentElement()->DOMNode()->get_childNodes(children.Put());
    children->get_item(0, element.Put());
    ComPtr<IXMLDOMNode> none;
    EXPECT_EQ(children->get_item(1, none.Put()), S_FALSE);
    EXPECT_FALSE(none);
  }
  WideString name;
  element->get_nodeName(name.Put());
  EXPECT_EQ(name.ToString(), "b");
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  ASSERT_EQ(element->get_attributes(attributes.Put()), S_OK);
  ComPtr<IXMLDOMNode> attribute;
  attributes->get_item(0, attribute.Put());
  WideString value;
  attribute->get_nodeValue(value.Put());
  EXPECT_EQ(value.ToString(), "v");
  EXPECT_EQ(attribute->get_attributes(attributes.Put()), S_FALSE);
}

using xmltree::TBuild;
using xmltree::TreeNode;

// One line per node: kind, white-space mark, name, value; attributes as @name=value.
void DumpTree(const TreeNode* node, int depth, std::string& out) {
  out += std::string(depth * 2, ' ') + std::to_string(node->type) + (node->whiteSpace ? " ws " : " ");
  if (!node->prefix.empty()) out += std::string(node->prefix) + ":";
  out += std::string(node->local);
  if (xmltree::HasValue(node)) out += "=[" + std::string(node->value) + "]";
  out += "\n";
  for (const TreeNode* a = node->attributes; a; a = a->next) DumpTree(a, depth + 2, out);
  for (const TreeNode* c = node->children; c; c = c->next) DumpTree(c, depth + 1, out);
}

// The tree, or the error, as text.
std::string Outcome(const std::string& bytes, TBuild build) {
  xmltree::ParseError error;
  xmltree::TreePtr tree = xmltree::Parse(bytes, error, build);
  if (!tree)
    return "error " + std::to_string(error.code) + " at " + std::to_string(error.line) + ":" +
           std::to_string(error.column) + ": " + error.reason;
  std::string out;
  DumpTree(tree->Document(), 0, out);
  return out;
}

// A document without a document type is built from the parser's events, one with a document type by
// libxml2; both must give what libxml2 builds for the same bytes, errors included.
TEST(XMLTree, TreesFromParserEventsMatchLibxml2sOwn) {
  std::vector<std::string> documents = {
      "<a/>",
      "<a>x<![CDATA[y]]><![CDATA[z]]>t&amp;u&#x151;<![CDATA[]]>v</a>",
      "<a>\n  <b/>  \n<!--c-->  <?p  d e ?>\n<![CDATA[  ]]> </a>",
      "<!--before--><?p?><a><?q?></a><!--after--><?z z?>",
      "<p:r xmlns:p=\"urn:p\" xmlns=\"urn:d\" z=\"1\" a=\"\" p:b=\"x\"><i p:c=\"2\" xmlns:p=\"urn:q\"/></p:r>",
      "<a xmlns:xml=\"http://www.w3.org/XML/1998/namespace\" xml:lang=\"hu\" xmlns=\"\"/>",
      "<a k=\"  s\tv\n \" m=\"&#10;&lt;&#x20AC;\" n='\"'/>",
      "<a><b xml:id=\"x\"/><c xml:id=\" y \"/><d\n xml:id=\"x\"/></a>",
      "<a xml:id=\"\"/>",
      "<a><b xml:id=\"1x\"/><c xml:id=\"1x\"/></a>",
      "<a xml:id=\"p:q\"/>",
      "<gy\xC3\xB6k\xC3\xA9r \xC5\x91=\"\xC5\xB1\xF0\x9F\x98\x80\">\xC3\xA1rv\xC3\xADz</gy\xC3\xB6k\xC3\xA9r>",
      "<?xml version=\"1.0\" encoding=\"windows-1250\"?><a \xE1=\"\xF5\">\x8A</a>",
      "\xFF\xFE<\0a\0>\0\x51\x01<\0/\0a\0>\0",
      "<a>" + std::string(70000, 'x') + "<![CDATA[" + std::string(70000, 'y') + "]]></a>",
      "<a k=\"" + std::string(30000, 'z') + "\">" + std::string(3000, ' ') + "</a>",
      // A document type hands the parse to libxml2, with what came before it.
      "<!--c--><?p d?><!DOCTYPE a [<!ENTITY e \"<b xml:id='i'>in</b>t\"><!ATTLIST a d CDATA 'def'>]><a>x&e;&e;</a>",
      "<?p?><!DOCTYPE a [<!ATTLIST b i ID #IMPLIED>]><a><b i=\" z \"/><b i=\"z\"/></a>",
      "<!DOCTYPE a SYSTEM \"a.dtd\"><a/>",
      // Failures, before and after elements were built.
      "",
      "<a>",
      "<a><b></a>",
      "<a b=\"1\" b=\"2\"/>",
      "<x:a/>",
      "<a>&nbsp;</a>",
      "<a/><b/>",
      "<a>\xFF</a>",
  };
  // Generated documents of every kind of node, some of them broken.
  std::istringstream generated(testing_support::RunPython(R"(
import random
random.seed(20241210)
def text():
    return ''.join(random.choice(['x', ' ', '\n', 'ár', '&amp;', '&#65;', '&#x151;', '<![CDATA[c d]]>',
                                  '<![CDATA[]]>', '<!--m-->', '<?pi d?>', '  ', '\t']) for _ in range(random.randint(0, 5)))
def element(depth, prefixes):
    name = random.choice(['a', 'b', 'Item', 'ő', 'p:q', 'r:s'])
    decl, known = '', set(prefixes)
    for p in ('p', 'r'):
        if random.random() < 0.2:
            decl += ' xmlns:%s="urn:%s%d"' % (p, p, random.randint(0, 1)); known.add(p)
    if random.random() < 0.1: decl += ' xmlns="urn:d"'
    if ':' in name and name.split(':')[0] not in known: name = 'plain'
    attrs, used = '', set()
    for _ in range(random.randint(0, 4)):
        k = random.choice(['k', 'K', 'id', 'p:z', 'xml:lang'])
        if k in used or (k.startswith('p:') and 'p' not in known): continue
        used.add(k)
        attrs += ' %s="%s"' % (k, random.choice(['', 'v', 'v w', '&amp;', '1x', ' q ', 'q', '&#10;']))
    if random.random() < 0.05: attrs += ' xml:id="%s"' % random.choice(['i1', 'i2', '1x', ' q '])
    if depth > 3 or random.random() < 0.2: return '<%s%s%s/>' % (name, decl, attrs)
    body = ''.join(text() + (element(depth + 1, known) if random.random() < 0.6 else '') for _ in range(random.randint(0, 4)))
    return '<%s%s%s>%s</%s>' % (name, decl, attrs, body + text(), name)
for _ in range(300):
    doc = random.choice(['', '<?xml version="1.0"?>\n', '<!--c-->', '<?p?>']) + element(0, set()) + random.choice(['', '<!--t-->', '<?t?>'])
    data = bytearray(doc.encode('utf-8'))
    if random.random() < 0.2:
        data[random.randrange(len(data))] = random.choice(b'<>&"/x ')
    print(data.hex())
)"));
  for (std::string hex; generated >> hex;) documents.push_back(FromHex(hex));
  ASSERT_GT(documents.size(), 300u);
  int built = 0;
  for (const std::string& bytes : documents) {
    const std::string fromEvents = Outcome(bytes, TBuild::Fastest);
    EXPECT_EQ(fromEvents, Outcome(bytes, TBuild::ByLibxml2)) << bytes.substr(0, 200);
    built += fromEvents.compare(0, 6, "error ") != 0;
  }
  EXPECT_GT(built, 200) << "most generated documents are well-formed";
}

}  // namespace

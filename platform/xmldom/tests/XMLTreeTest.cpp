#include "platform/xmldom/XMLTree.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "platform/testing/PythonOracle.h"

namespace {

using xmltree::TBuild;
using xmltree::TreeNode;

// One line per node: kind, white-space mark, name, value; attributes as @name=value.
void Dump(const TreeNode* node, int depth, std::string& out) {
  out += std::string(depth * 2, ' ') + std::to_string(node->type) + (node->whiteSpace ? " ws " : " ");
  if (!node->prefix.empty()) out += std::string(node->prefix) + ":";
  out += std::string(node->local);
  if (xmltree::HasValue(node)) out += "=[" + std::string(node->value) + "]";
  out += "\n";
  for (const TreeNode* a = node->attributes; a; a = a->next) Dump(a, depth + 2, out);
  for (const TreeNode* c = node->children; c; c = c->next) Dump(c, depth + 1, out);
}

// The tree, or the error, as text.
std::string Outcome(const std::string& bytes, TBuild build) {
  xmltree::ParseError error;
  xmltree::TreePtr tree = xmltree::Parse(bytes, error, build);
  if (!tree)
    return "error " + std::to_string(error.code) + " at " + std::to_string(error.line) + ":" +
           std::to_string(error.column) + ": " + error.reason;
  std::string out;
  Dump(tree->Document(), 0, out);
  return out;
}

std::string FromHex(const std::string& hex) {
  std::string out;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) out += char(std::stoi(hex.substr(i, 2), nullptr, 16));
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
      "", "<a>", "<a><b></a>", "<a b=\"1\" b=\"2\"/>", "<x:a/>", "<a>&nbsp;</a>", "<a/><b/>", "<a>\xFF</a>",
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

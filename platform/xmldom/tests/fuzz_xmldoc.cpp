// Parses any bytes as a document and reads every name, value and text of the tree; the tree built from the
// parser's events must equal the one libxml2 builds, errors included.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/com/ClassTable.h"
#include "platform/xmldom/XMLDoc.h"
#include "platform/xmldom/XMLTree.h"

static void Walk(TXMLNode* node, int depth) {
  (void)node->NodeName();
  (void)node->NodeValue();
  try {
    (void)node->Text();
  } catch (const EXMLDocError&) {
  }
  for (TXMLNode* a : node->AttributeNodes()) (void)a->NodeValue();
  if (depth < 300)
    for (TXMLNode* c : node->ChildNodes()) Walk(c, depth + 1);
}

static bool Same(const xmltree::TreeNode* a, const xmltree::TreeNode* b) {
  for (; a && b; a = a->next, b = b->next) {
    if (a->type != b->type || a->whiteSpace != b->whiteSpace || a->prefix != b->prefix || a->local != b->local ||
        a->value != b->value || !Same(a->attributes, b->attributes) || !Same(a->children, b->children))
      return false;
  }
  return !a && !b;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialized = (CoInitialize(nullptr), true);
  (void)initialized;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  xmltree::ParseError fastError, ownError;
  xmltree::TreePtr fast = xmltree::Parse(bytes, fastError, xmltree::TBuild::Fastest);
  xmltree::TreePtr own = xmltree::Parse(bytes, ownError, xmltree::TBuild::ByLibxml2);
  if (bool(fast) != bool(own) || fastError.code != ownError.code || fastError.reason != ownError.reason ||
      fastError.line != ownError.line || fastError.column != ownError.column ||
      (fast && !Same(fast->Document(), own->Document())))
    std::abort();
  try {
    auto document = LoadXMLData(bytes);
    Walk(document->Node(), 0);
  } catch (const EDOMParseError&) {
  }
  return 0;
}

// Parses any bytes as a document and reads every name, value and text of the tree.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/com/ClassTable.h"
#include "platform/xmldom/XMLDoc.h"

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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool initialized = (CoInitialize(nullptr), true);
  (void)initialized;
  try {
    auto document = LoadXMLData(std::string_view(reinterpret_cast<const char*>(data), size));
    Walk(document->Node(), 0);
  } catch (const EDOMParseError&) {
  }
  return 0;
}

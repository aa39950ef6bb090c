// The parsed tree behind the platform's DOM document, read alike by its COM nodes and by the XML document
// layer. libxml2 parses strictly, with no network and nothing loaded from outside the bytes. A document
// without a document type is built straight from the parser's events; one with a document type (whose
// declarations may add entities, default attributes and ID attributes) is built by libxml2 and copied.
// Names and texts stay in UTF-8, in blocks that the tree owns.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/xmldom/XMLDOM.h"

namespace xmltree {

struct TreeNode {
  DOMNodeType type = NODE_INVALID;
  bool whiteSpace = false;  // a text of white space only
  // The name as written: `prefix:local`, or `local` alone; "#text", "#cdata-section", "#comment",
  // "#document"; a namespace declaration is "xmlns:prefix" or "xmlns". Equal names of one tree share
  // their characters.
  std::string_view prefix, local;
  // Attributes, texts, CDATA sections, comments and processing instructions have a value.
  std::string_view value;
  TreeNode* children = nullptr;    // in document order
  TreeNode* attributes = nullptr;  // namespace declarations first
  TreeNode* next = nullptr;
};

inline bool HasValue(const TreeNode* node) {
  switch (node->type) {
    case NODE_ATTRIBUTE:
    case NODE_TEXT:
    case NODE_CDATA_SECTION:
    case NODE_COMMENT:
    case NODE_PROCESSING_INSTRUCTION: return true;
    default: return false;
  }
}

// The child nodes of a list: texts of white space only are left out unless white space is preserved.
inline const TreeNode* Listed(const TreeNode* node, bool preserveWhiteSpace) {
  while (node && node->whiteSpace && !preserveWhiteSpace) node = node->next;
  return node;
}
inline const TreeNode* FirstChild(const TreeNode* parent, bool preserveWhiteSpace) {
  return Listed(parent->children, preserveWhiteSpace);
}
inline const TreeNode* NextChild(const TreeNode* child, bool preserveWhiteSpace) {
  return Listed(child->next, preserveWhiteSpace);
}

// Where a tree keeps a node's name: nodes of one tree with equal keys have equal names.
struct NameKey {
  const void* prefix = nullptr;
  const void* local = nullptr;
  int kind = 0;
  bool operator==(const NameKey&) const = default;
};
inline NameKey NameKeyOf(const TreeNode* node) { return {node->prefix.data(), node->local.data(), node->type}; }

class Tree {
 public:
  Tree();
  ~Tree();
  Tree(const Tree&) = delete;
  Tree& operator=(const Tree&) = delete;

  const TreeNode* Document() const { return &document_; }

 private:
  friend class TreeBuilder;
  TreeNode document_;
  struct Store;
  std::unique_ptr<Store> store_;
};
using TreePtr = std::shared_ptr<const Tree>;

// Why a parse failed: libxml2's first error, or code 0 after a successful parse.
struct ParseError {
  LONG code = 0;
  std::string reason;
  LONG line = 0, column = 0;
};

// How a document is built: from the parser's events where the result is the same, or always by libxml2.
enum class TBuild { Fastest, ByLibxml2 };

// Parses the bytes of a document (its declaration or byte-order mark decides the encoding); nullptr and
// the error when it is not well-formed. Texts of white space only are kept and marked.
TreePtr Parse(std::string_view bytes, ParseError& error, TBuild build = TBuild::Fastest);

// UTF-8 appended as CP1250: characters the code page lacks become "?".
void AppendCp1250(std::string_view utf8, std::string& out);

// Takes one character off UTF-8 text that the parser checked (leniently: a lead byte and what continues it).
inline char32_t NextUtf8(const unsigned char*& p, const unsigned char* end) {
  char32_t cp;
  int extra;
  if (*p < 0x80)
    cp = *p, extra = 0;
  else if ((*p & 0xE0) == 0xC0)
    cp = *p & 0x1F, extra = 1;
  else if ((*p & 0xF0) == 0xE0)
    cp = *p & 0x0F, extra = 2;
  else
    cp = *p & 0x07, extra = 3;
  ++p;
  for (int k = 0; k < extra && p < end && (*p & 0xC0) == 0x80; ++k) cp = (cp << 6) | (*p++ & 0x3F);
  return cp;
}

// Answered by the platform's own DOM document, so that the layer can read its tree in place.
struct IXMLDOMTreeOwner : IUnknown {
  COM_INTERFACE(IUnknown, "{6E0D5B2A-41C7-4F38-9A1D-2C8B7E94F013}");
  // The tree of the last successful load; empty before one.
  virtual TreePtr GetTree() = 0;
  virtual bool PreservesWhiteSpace() = 0;
};

// The COM node of a node of the tree; it keeps the tree alive.
ComPtr<IXMLDOMNode> MakeDOMNode(TreePtr tree, const TreeNode* node, bool preserveWhiteSpace);

}  // namespace xmltree

// The parsed tree behind the platform's DOM document, read alike by its COM nodes and by the XML document
// layer: which nodes a child list and an attribute list show, and each node's kind, name and value.
#pragma once
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/xmldom/XMLDOM.h"

struct _xmlDoc;
struct _xmlNode;
struct _xmlNs;

namespace xmltree {

using Tree = std::shared_ptr<_xmlDoc>;

// A node of the tree: a libxml2 node, or a namespace declaration shown as an attribute of its element.
struct NodeRef {
  _xmlNode* node = nullptr;
  _xmlNs* declaration = nullptr;  // with `node` its element
  explicit operator bool() const { return node != nullptr; }
};

NodeRef DocumentNode(_xmlDoc* doc);
DOMNodeType TypeOf(const NodeRef& ref);

// The child nodes in document order: elements, texts, CDATA sections, comments, processing instructions
// and entity references; texts of white space only unless white space is preserved. Attributes and
// namespace declarations have none. An empty ref ends the walk.
NodeRef FirstChild(const NodeRef& parent, bool preserveWhiteSpace);
NodeRef NextChild(const NodeRef& child, bool preserveWhiteSpace);
// The attributes of an element, namespace declarations first; other nodes have none.
NodeRef FirstAttribute(const NodeRef& element);
NodeRef NextAttribute(const NodeRef& attribute);
// The same walks in one call, appending to `out`.
void AppendChildren(const NodeRef& parent, bool preserveWhiteSpace, std::vector<NodeRef>& out);
void AppendAttributes(const NodeRef& element, std::vector<NodeRef>& out);

// A name as written, in UTF-8: `prefix:local`, or `local` alone when the prefix is empty.
struct Name {
  std::string_view prefix, local;
};
Name NameOf(const NodeRef& ref);
// Where the tree keeps a node's name: two nodes of one tree with equal keys have equal names.
struct NameKey {
  const void* prefix = nullptr;
  const void* local = nullptr;
  int kind = 0;
  bool operator==(const NameKey&) const = default;
};
NameKey NameKeyOf(const NodeRef& ref);

// The value in UTF-8 of an attribute, text, CDATA section, comment or processing instruction; false for
// the nodes that have none. The view points into the tree, or into `spill` when it has to be assembled.
bool ValueOf(const NodeRef& ref, std::string_view& value, std::string& spill);

// UTF-8 appended as CP1250: characters the code page lacks become "?".
void AppendCp1250(std::string_view utf8, std::string& out);

// Answered by the platform's own DOM document, so that the layer can read its tree in place.
struct IXMLDOMTreeOwner : IUnknown {
  COM_INTERFACE(IUnknown, "{6E0D5B2A-41C7-4F38-9A1D-2C8B7E94F013}");
  // The tree of the last successful load; empty before one.
  virtual Tree GetTree() = 0;
  virtual bool PreservesWhiteSpace() = 0;
};

// The COM node of a node of the tree; it keeps the tree alive.
ComPtr<IXMLDOMNode> MakeDOMNode(Tree tree, const NodeRef& ref, bool preserveWhiteSpace);

}  // namespace xmltree

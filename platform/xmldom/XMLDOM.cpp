// The DOM document as COM objects over the parsed tree: read-only, parsed strictly, with no network, no
// DTD loading and no external entities.
#include "platform/xmldom/XMLDOM.h"

#include <memory>
#include <string>

#include "platform/com/ClassTable.h"
#include "platform/com/ComPtr.h"
#include "platform/xmldom/XMLTree.h"

namespace {

using xmltree::TreeNode;
using xmltree::TreePtr;

// UTF-8 to a new BSTR, sized in a first pass so that it is allocated once.
BSTR Utf8ToBstr(std::string_view text) {
  const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = begin + text.size();
  UINT units = 0;
  for (const unsigned char* p = begin; p < end; ++p) {
    if ((*p & 0xC0) != 0x80) ++units;  // a lead byte or an ASCII character
    if ((*p & 0xF8) == 0xF0) ++units;  // a four-byte sequence needs a surrogate pair
  }
  BSTR out = SysAllocStringLen(nullptr, units);
  if (!out) return nullptr;
  UINT n = 0;
  for (const unsigned char* p = begin; p < end && n < units;) {
    char32_t cp = xmltree::NextUtf8(p, end);
    if (cp >= 0x10000 && n + 1 < units) {
      cp -= 0x10000;
      out[n++] = char16_t(0xD800 + (cp >> 10));
      out[n++] = char16_t(0xDC00 + (cp & 0x3FF));
    } else {
      out[n++] = char16_t(cp);
    }
  }
  return out;
}

// The child nodes or the attributes of a node, walked in place: nothing is copied, and walking the items
// in order costs one step each.
class NodeSequence {
 public:
  static NodeSequence Children(const TreeNode* parent, bool preserve) {
    return NodeSequence(parent && parent->type != NODE_ATTRIBUTE ? parent->children : nullptr, preserve);
  }
  static NodeSequence Attributes(const TreeNode* element) { return NodeSequence(element->attributes, true); }
  static NodeSequence None() { return NodeSequence(nullptr, false); }

  LONG Length() const { return length_; }
  bool Get(LONG index, const TreeNode*& node) {
    if (index < 0 || index >= length_) return false;
    if (index < cursorIndex_ || cursorIndex_ < 0) {
      cursorIndex_ = 0;
      cursor_ = first_;
    }
    while (cursorIndex_ < index) {
      cursor_ = xmltree::NextChild(cursor_, preserve_);
      ++cursorIndex_;
    }
    node = cursor_;
    return true;
  }

 private:
  NodeSequence(const TreeNode* first, bool preserve) : first_(xmltree::Listed(first, preserve)), preserve_(preserve) {
    for (const TreeNode* n = first_; n; n = xmltree::NextChild(n, preserve_)) ++length_;
  }

  const TreeNode* first_;
  bool preserve_;
  LONG length_ = 0;
  LONG cursorIndex_ = -1;
  const TreeNode* cursor_ = nullptr;
};

class TDOMNode : public TComObjectImpl<IXMLDOMNode> {
 public:
  TDOMNode(TreePtr tree, const TreeNode* node, bool preserve)
      : tree_(std::move(tree)), node_(node), preserve_(preserve) {}

  HRESULT get_nodeName(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = Utf8ToBstr(node_->prefix.empty() ? std::string(node_->local)
                                             : std::string(node_->prefix) + ":" + std::string(node_->local));
    return S_OK;
  }
  HRESULT get_nodeValue(BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    if (!xmltree::HasValue(node_)) return S_FALSE;
    *value = Utf8ToBstr(node_->value);
    return S_OK;
  }
  HRESULT get_nodeType(DOMNodeType* type) override {
    if (!type) return E_POINTER;
    *type = node_->type;
    return S_OK;
  }
  HRESULT get_childNodes(IXMLDOMNodeList** list) override;
  HRESULT get_attributes(IXMLDOMNamedNodeMap** map) override;

 private:
  TreePtr tree_;  // keeps the tree alive as long as one of its nodes is held
  const TreeNode* node_;
  bool preserve_;
};

template <class Interface>
class TNodeCollection : public TComObjectImpl<Interface> {
 public:
  TNodeCollection(TreePtr tree, NodeSequence nodes, bool preserve)
      : tree_(std::move(tree)), nodes_(nodes), preserve_(preserve) {}
  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = nodes_.Length();
    return S_OK;
  }
  HRESULT get_item(LONG index, IXMLDOMNode** node) override {
    if (!node) return E_POINTER;
    *node = nullptr;
    const TreeNode* item = nullptr;
    if (!nodes_.Get(index, item)) return S_FALSE;
    *node = MakeComObject<TDOMNode>(tree_, item, preserve_).Detach();
    return S_OK;
  }

 private:
  TreePtr tree_;
  NodeSequence nodes_;
  bool preserve_;
};

HRESULT TDOMNode::get_childNodes(IXMLDOMNodeList** list) {
  if (!list) return E_POINTER;
  NodeSequence children = NodeSequence::Children(node_, preserve_);
  *list = MakeComObject<TNodeCollection<IXMLDOMNodeList>>(tree_, children, preserve_).Detach();
  return S_OK;
}

HRESULT TDOMNode::get_attributes(IXMLDOMNamedNodeMap** map) {
  if (!map) return E_POINTER;
  *map = nullptr;
  if (node_->type != NODE_ELEMENT) return S_FALSE;
  *map =
      MakeComObject<TNodeCollection<IXMLDOMNamedNodeMap>>(tree_, NodeSequence::Attributes(node_), preserve_).Detach();
  return S_OK;
}

class TDOMParseError : public TComObjectImpl<IXMLDOMParseError> {
 public:
  TDOMParseError(LONG code, std::string reason, LONG line, LONG column)
      : code_(code), reason_(std::move(reason)), line_(line), column_(column) {}
  HRESULT get_errorCode(LONG* code) override { return Put(code, code_); }
  HRESULT get_reason(BSTR* reason) override {
    if (!reason) return E_POINTER;
    *reason = Utf8ToBstr(reason_);
    return S_OK;
  }
  HRESULT get_line(LONG* line) override { return Put(line, line_); }
  HRESULT get_linepos(LONG* column) override { return Put(column, column_); }

 private:
  static HRESULT Put(LONG* out, LONG value) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
  }
  LONG code_;
  std::string reason_;
  LONG line_, column_;
};

class TDOMDocument : public TComObjectImpl<IXMLDOMDocument, xmltree::IXMLDOMTreeOwner> {
 public:
  HRESULT get_nodeName(BSTR* name) override {
    if (!name) return E_POINTER;
    *name = Utf8ToBstr("#document");
    return S_OK;
  }
  HRESULT get_nodeValue(BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    return S_FALSE;
  }
  HRESULT get_nodeType(DOMNodeType* type) override {
    if (!type) return E_POINTER;
    *type = NODE_DOCUMENT;
    return S_OK;
  }
  HRESULT get_childNodes(IXMLDOMNodeList** list) override {
    if (!list) return E_POINTER;
    NodeSequence children = tree_ ? NodeSequence::Children(tree_->Document(), preserve_) : NodeSequence::None();
    *list = MakeComObject<TNodeCollection<IXMLDOMNodeList>>(tree_, children, preserve_).Detach();
    return S_OK;
  }
  HRESULT get_attributes(IXMLDOMNamedNodeMap** map) override {
    if (!map) return E_POINTER;
    *map = nullptr;
    return S_FALSE;
  }
  HRESULT get_documentElement(IXMLDOMNode** element) override {
    if (!element) return E_POINTER;
    *element = nullptr;
    const TreeNode* root = tree_ ? tree_->Document()->children : nullptr;
    while (root && root->type != NODE_ELEMENT) root = root->next;
    if (!root) return S_FALSE;
    *element = MakeComObject<TDOMNode>(tree_, root, preserve_).Detach();
    return S_OK;
  }
  HRESULT get_preserveWhiteSpace(VARIANT_BOOL* preserve) override {
    if (!preserve) return E_POINTER;
    *preserve = preserve_ ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  HRESULT put_preserveWhiteSpace(VARIANT_BOOL preserve) override {
    preserve_ = preserve != VARIANT_FALSE;
    return S_OK;
  }
  HRESULT load(const BYTE* data, LONG size, VARIANT_BOOL* success) override {
    if (success) *success = VARIANT_FALSE;
    if ((!data && size != 0) || size < 0) return E_INVALIDARG;
    tree_.reset();
    try {
      tree_ = xmltree::Parse(std::string_view(reinterpret_cast<const char*>(data), size_t(size)), error_);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
    if (!tree_) return S_FALSE;
    if (success) *success = VARIANT_TRUE;
    return S_OK;
  }
  HRESULT get_parseError(IXMLDOMParseError** error) override {
    if (!error) return E_POINTER;
    *error = MakeComObject<TDOMParseError>(error_.code, error_.reason, error_.line, error_.column).Detach();
    return S_OK;
  }

  TreePtr GetTree() override { return tree_; }
  bool PreservesWhiteSpace() override { return preserve_; }

 private:
  TreePtr tree_;
  bool preserve_ = false;
  xmltree::ParseError error_;
};

const bool g_registered = [] {
  for (const CLSID& clsid : {CLSID_DOMDocument, CLSID_DOMDocument26, CLSID_DOMDocument30})
    RegisterComClass(clsid, ComCreatorOf<TDOMDocument>());
  return true;
}();

}  // namespace

ComPtr<IXMLDOMNode> xmltree::MakeDOMNode(TreePtr tree, const TreeNode* node, bool preserveWhiteSpace) {
  return ComPtr<IXMLDOMNode>(MakeComObject<TDOMNode>(std::move(tree), node, preserveWhiteSpace));
}

// The DOM document over libxml2: a read-only tree, parsed strictly, with no network, no DTD loading and
// no external entities.
#include "platform/xmldom/XMLDOM.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlerror.h>

#include <memory>
#include <mutex>
#include <string>

#include "platform/com/ClassTable.h"
#include "platform/com/ComPtr.h"
#include "platform/xmldom/XMLTree.h"

namespace {

using xmltree::NodeRef;
using xmltree::Tree;

// UTF-8 from libxml2 to a new BSTR, sized in a first pass so that it is allocated once.
BSTR Utf8ToBstr(std::string_view text) {
  const auto* begin = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = begin + text.size();
  UINT units = 0;
  for (const unsigned char* p = begin; p < end; ++p) {
    if ((*p & 0xC0) != 0x80) ++units;   // a lead byte or an ASCII character
    if ((*p & 0xF8) == 0xF0) ++units;   // a four-byte sequence needs a surrogate pair
  }
  BSTR out = SysAllocStringLen(nullptr, units);
  if (!out) return nullptr;
  UINT n = 0;
  for (const unsigned char* p = begin; p < end && n < units;) {
    char32_t cp;
    int extra;
    if (*p < 0x80) cp = *p, extra = 0;
    else if ((*p & 0xE0) == 0xC0) cp = *p & 0x1F, extra = 1;
    else if ((*p & 0xF0) == 0xE0) cp = *p & 0x0F, extra = 2;
    else cp = *p & 0x07, extra = 3;
    ++p;
    for (int k = 0; k < extra && p < end && (*p & 0xC0) == 0x80; ++k) cp = (cp << 6) | (*p++ & 0x3F);
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
  static NodeSequence Children(const NodeRef& parent, bool preserve) { return NodeSequence(parent, false, preserve); }
  static NodeSequence Attributes(const NodeRef& element) { return NodeSequence(element, true, false); }
  static NodeSequence None() { return NodeSequence(NodeRef{}, false, false); }

  LONG Length() const { return length_; }
  bool Get(LONG index, NodeRef& ref) {
    if (index < 0 || index >= length_) return false;
    if (index < cursorIndex_ || cursorIndex_ < 0) {
      cursorIndex_ = 0;
      cursor_ = First();
    }
    while (cursorIndex_ < index) {
      cursor_ = Next(cursor_);
      ++cursorIndex_;
    }
    ref = cursor_;
    return true;
  }

 private:
  NodeSequence(const NodeRef& owner, bool attributes, bool preserve)
      : owner_(owner), attributes_(attributes), preserve_(preserve) {
    if (!owner_) return;
    for (NodeRef r = First(); r; r = Next(r)) ++length_;
  }
  NodeRef First() const {
    return attributes_ ? xmltree::FirstAttribute(owner_) : xmltree::FirstChild(owner_, preserve_);
  }
  NodeRef Next(const NodeRef& r) const {
    return attributes_ ? xmltree::NextAttribute(r) : xmltree::NextChild(r, preserve_);
  }

  NodeRef owner_;
  bool attributes_, preserve_;
  LONG length_ = 0;
  LONG cursorIndex_ = -1;
  NodeRef cursor_;
};

class TDOMNode : public TComObjectImpl<IXMLDOMNode> {
 public:
  TDOMNode(Tree tree, NodeRef ref, bool preserve) : tree_(std::move(tree)), ref_(ref), preserve_(preserve) {}

  HRESULT get_nodeName(BSTR* name) override {
    if (!name) return E_POINTER;
    xmltree::Name parts = xmltree::NameOf(ref_);
    *name = Utf8ToBstr(parts.prefix.empty() ? std::string(parts.local)
                                            : std::string(parts.prefix) + ":" + std::string(parts.local));
    return S_OK;
  }
  HRESULT get_nodeValue(BSTR* value) override {
    if (!value) return E_POINTER;
    *value = nullptr;
    std::string_view text;
    std::string spill;
    if (!xmltree::ValueOf(ref_, text, spill)) return S_FALSE;
    *value = Utf8ToBstr(text);
    return S_OK;
  }
  HRESULT get_nodeType(DOMNodeType* type) override {
    if (!type) return E_POINTER;
    *type = xmltree::TypeOf(ref_);
    return S_OK;
  }
  HRESULT get_childNodes(IXMLDOMNodeList** list) override;
  HRESULT get_attributes(IXMLDOMNamedNodeMap** map) override;

 private:
  Tree tree_;  // keeps the tree alive as long as one of its nodes is held
  NodeRef ref_;
  bool preserve_;
};

template <class Interface>
class TNodeCollection : public TComObjectImpl<Interface> {
 public:
  TNodeCollection(Tree tree, NodeSequence nodes, bool preserve)
      : tree_(std::move(tree)), nodes_(nodes), preserve_(preserve) {}
  HRESULT get_length(LONG* length) override {
    if (!length) return E_POINTER;
    *length = nodes_.Length();
    return S_OK;
  }
  HRESULT get_item(LONG index, IXMLDOMNode** node) override {
    if (!node) return E_POINTER;
    *node = nullptr;
    NodeRef ref;
    if (!nodes_.Get(index, ref)) return S_FALSE;
    *node = MakeComObject<TDOMNode>(tree_, ref, preserve_).Detach();
    return S_OK;
  }

 private:
  Tree tree_;
  NodeSequence nodes_;
  bool preserve_;
};

HRESULT TDOMNode::get_childNodes(IXMLDOMNodeList** list) {
  if (!list) return E_POINTER;
  NodeSequence children = NodeSequence::Children(ref_, preserve_);
  *list = MakeComObject<TNodeCollection<IXMLDOMNodeList>>(tree_, children, preserve_).Detach();
  return S_OK;
}

HRESULT TDOMNode::get_attributes(IXMLDOMNamedNodeMap** map) {
  if (!map) return E_POINTER;
  *map = nullptr;
  if (ref_.declaration || ref_.node->type != XML_ELEMENT_NODE) return S_FALSE;
  *map = MakeComObject<TNodeCollection<IXMLDOMNamedNodeMap>>(tree_, NodeSequence::Attributes(ref_), preserve_)
             .Detach();
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

// The first error of a parse (warnings pass, except a reference to an undeclared entity).
struct ParseOutcome {
  bool failed = false;
  LONG code = 0;
  std::string reason;
  LONG line = 0, column = 0;

  void Fail(LONG errorCode, std::string text, LONG atLine, LONG atColumn) {
    if (failed) return;
    failed = true;
    code = errorCode;
    for (char& c : text)
      if (c == '\n') c = ' ';
    while (!text.empty() && text.back() == ' ') text.pop_back();
    reason = std::move(text);
    line = atLine;
    column = atColumn;
  }
};

// Refuses every external resource (DTDs, external entities), which fails the document that needs one.
xmlParserInputPtr RefuseExternal(const char* url, const char*, xmlParserCtxtPtr ctxt) {
  if (ctxt && ctxt->_private) {
    auto* outcome = static_cast<ParseOutcome*>(ctxt->_private);
    xmlParserInputPtr document = ctxt->inputNr > 0 ? ctxt->inputTab[0] : ctxt->input;
    LONG line = document ? document->line : 0, column = document ? document->col : 0;
    outcome->Fail(XML_IO_LOAD_ERROR, std::string("External entity \"") + (url ? url : "") + "\" is not loaded",
                  line, column);
  }
  return nullptr;
}

void InitLibxml() {
  static std::once_flag once;
  std::call_once(once, [] {
    xmlInitParser();
    xmlSetExternalEntityLoader(RefuseExternal);
  });
}

void OnParseError(void* userData, xmlErrorPtr error) {
  auto* ctxt = static_cast<xmlParserCtxtPtr>(userData);
  auto* outcome = static_cast<ParseOutcome*>(ctxt->_private);
  if (!outcome || !error) return;
  if (error->level < XML_ERR_ERROR && error->code != XML_WAR_UNDECLARED_ENTITY) return;
  outcome->Fail(error->code, error->message ? error->message : "XML parse error", error->line, error->int2);
}

// Encoding failures are also reported to libxml2's generic channel (stderr); the parse error says it all.
void IgnoreGenericError(void*, const char*, ...) {}

constexpr int kParseOptions =
    XML_PARSE_NONET | XML_PARSE_NOENT | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_COMPACT;

class TDOMDocument : public TComObjectImpl<IXMLDOMDocument, xmltree::IXMLDOMTreeOwner> {
 public:
  TDOMDocument() { InitLibxml(); }

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
    NodeSequence children =
        tree_ ? NodeSequence::Children(xmltree::DocumentNode(tree_.get()), preserve_) : NodeSequence::None();
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
    xmlNode* root = tree_ ? xmlDocGetRootElement(tree_.get()) : nullptr;
    if (!root) return S_FALSE;
    *element = MakeComObject<TDOMNode>(tree_, NodeRef{root, nullptr}, preserve_).Detach();
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
  HRESULT load(const BYTE* data, LONG size, VARIANT_BOOL* success) override;
  HRESULT get_parseError(IXMLDOMParseError** error) override {
    if (!error) return E_POINTER;
    *error = MakeComObject<TDOMParseError>(outcome_.code, outcome_.reason, outcome_.line, outcome_.column).Detach();
    return S_OK;
  }

  Tree GetTree() override { return tree_; }
  bool PreservesWhiteSpace() override { return preserve_; }

 private:
  Tree tree_;
  bool preserve_ = false;
  ParseOutcome outcome_;
};

HRESULT TDOMDocument::load(const BYTE* data, LONG size, VARIANT_BOOL* success) {
  if (success) *success = VARIANT_FALSE;
  if ((!data && size != 0) || size < 0) return E_INVALIDARG;
  tree_.reset();
  outcome_ = ParseOutcome{};
  std::unique_ptr<xmlParserCtxt, void (*)(xmlParserCtxtPtr)> ctxt(xmlNewParserCtxt(), xmlFreeParserCtxt);
  if (!ctxt) return E_OUTOFMEMORY;
  ctxt->_private = &outcome_;
  ctxt->sax->serror = OnParseError;
  xmlSetGenericErrorFunc(nullptr, IgnoreGenericError);  // per thread
  static const char kEmpty = 0;
  xmlDocPtr doc = xmlCtxtReadMemory(ctxt.get(), data ? reinterpret_cast<const char*>(data) : &kEmpty, int(size),
                                    nullptr, nullptr, kParseOptions);
  Tree tree(doc, [](xmlDoc* d) { if (d) xmlFreeDoc(d); });
  bool wellFormed = doc && ctxt->wellFormed && ctxt->nsWellFormed && !outcome_.failed;
  if (!wellFormed) {
    outcome_.Fail(XML_ERR_INTERNAL_ERROR, "The document is not well-formed", 0, 0);
    return S_FALSE;
  }
  tree_ = std::move(tree);
  if (success) *success = VARIANT_TRUE;
  return S_OK;
}

const bool g_registered = [] {
  for (const CLSID& clsid : {CLSID_DOMDocument, CLSID_DOMDocument26, CLSID_DOMDocument30})
    RegisterComClass(clsid, ComCreatorOf<TDOMDocument>());
  return true;
}();

}  // namespace

ComPtr<IXMLDOMNode> xmltree::MakeDOMNode(Tree tree, const NodeRef& ref, bool preserveWhiteSpace) {
  return ComPtr<IXMLDOMNode>(MakeComObject<TDOMNode>(std::move(tree), ref, preserveWhiteSpace));
}

#include "platform/xmldom/XMLDoc.h"

#include <atomic>

#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"

namespace {

ComPtr<IXMLDOMDocument> OwnCreator() {
  ComPtr<IXMLDOMDocument> dom;
  OleCheck(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, dom.PutVoid()));
  return dom;
}

std::atomic<TDOMDocumentCreator> g_creator{OwnCreator};

}  // namespace

EDOMParseError::EDOMParseError(int errorCode, std::string reason, int line, int linePos)
    : DOMException(line > 0 ? reason + " (line " + std::to_string(line) + ", column " + std::to_string(linePos) + ")"
                            : reason),
      errorCode_(errorCode), reason_(std::move(reason)), line_(line), linePos_(linePos) {}

TDOMDocumentCreator SetDOMDocumentCreator(TDOMDocumentCreator creator) {
  return g_creator.exchange(creator ? creator : OwnCreator);
}

ComPtr<IXMLDOMDocument> CreateDOMDocument() { return g_creator.load()(); }

TXMLNode* TXMLNodeList::Get(int index) const {
  if (index < 0 || index >= Count())
    throw EXMLDocError("List index out of bounds (" + std::to_string(index) + ")");
  return nodes_[index];
}

TXMLNode::TXMLNode(TXMLDocument* document, ComPtr<IXMLDOMNode> node)
    : document_(document), node_(std::move(node)) {}

const std::string& TXMLNode::NodeName() const {
  if (!name_) {
    WideString name;
    OleCheck(node_->get_nodeName(name.Put()));
    name_ = name.ToString();
  }
  return *name_;
}

TNodeType TXMLNode::NodeType() const {
  DOMNodeType type = NODE_INVALID;
  OleCheck(node_->get_nodeType(&type));
  return TNodeType(type);
}

TXMLNodeList& TXMLNode::ChildNodes() {
  if (!children_) {
    auto list = std::make_unique<TXMLNodeList>();
    ComPtr<IXMLDOMNodeList> dom;
    OleCheck(node_->get_childNodes(dom.Put()));
    LONG length = 0;
    if (dom) OleCheck(dom->get_length(&length));
    list->nodes_.reserve(length);
    for (LONG i = 0; i < length; ++i) {
      ComPtr<IXMLDOMNode> child;
      OleCheck(dom->get_item(i, child.Put()));
      list->nodes_.push_back(document_->Wrap(std::move(child)));
    }
    children_ = std::move(list);
  }
  return *children_;
}

TXMLNodeList& TXMLNode::AttributeNodes() {
  if (!attributes_) {
    auto list = std::make_unique<TXMLNodeList>();
    ComPtr<IXMLDOMNamedNodeMap> dom;
    OleCheck(node_->get_attributes(dom.Put()));
    LONG length = 0;
    if (dom) OleCheck(dom->get_length(&length));
    list->nodes_.reserve(length);
    for (LONG i = 0; i < length; ++i) {
      ComPtr<IXMLDOMNode> attribute;
      OleCheck(dom->get_item(i, attribute.Put()));
      list->nodes_.push_back(document_->Wrap(std::move(attribute)));
    }
    attributes_ = std::move(list);
  }
  return *attributes_;
}

std::optional<std::string> TXMLNode::NodeValue() const {
  WideString value;
  if (OleCheck(node_->get_nodeValue(value.Put())) != S_OK) return std::nullopt;
  return value.ToString();
}

std::string TXMLNode::Text() {
  if (NodeType() != ntElement) return NodeValue().value_or("");
  TXMLNodeList& children = ChildNodes();
  if (children.Count() == 0) return "";
  if (children.Count() == 1) {
    TNodeType type = children[0]->NodeType();
    if (type == ntText || type == ntCData) return children[0]->NodeValue().value_or("");
  }
  throw EXMLDocError("Element does not contain a single text node");
}

TXMLDocument::TXMLDocument() : dom_(CreateDOMDocument()) {
  if (!dom_) throw DOMException("No DOM document available");
  OleCheck(dom_->put_preserveWhiteSpace(VARIANT_FALSE));
  Reset();
}

void TXMLDocument::Reset() {
  nodes_.clear();
  documentNode_ = Wrap(ComPtr<IXMLDOMNode>(dom_.Get()));
}

TXMLNode* TXMLDocument::Wrap(ComPtr<IXMLDOMNode> node) {
  return &nodes_.emplace_back(this, std::move(node));
}

void TXMLDocument::LoadFromBytes(std::string_view bytes) {
  Reset();
  if (bytes.size() > 0x7FFFFFFF) throw DOMException("XML document too large");
  VARIANT_BOOL ok = VARIANT_FALSE;
  OleCheck(dom_->load(reinterpret_cast<const BYTE*>(bytes.data()), LONG(bytes.size()), &ok));
  if (ok != VARIANT_FALSE) return;
  ComPtr<IXMLDOMParseError> error;
  OleCheck(dom_->get_parseError(error.Put()));
  LONG code = 0, line = 0, column = 0;
  WideString reason;
  error->get_errorCode(&code);
  error->get_reason(reason.Put());
  error->get_line(&line);
  error->get_linepos(&column);
  throw EDOMParseError(code, reason.ToString(), line, column);
}

TXMLNode* TXMLDocument::DocumentElement() {
  for (TXMLNode* child : documentNode_->ChildNodes())
    if (child->NodeType() == ntElement) return child;
  return nullptr;
}

std::unique_ptr<TXMLDocument> LoadXMLData(std::string_view bytes) {
  auto document = std::make_unique<TXMLDocument>();
  document->LoadFromBytes(bytes);
  return document;
}

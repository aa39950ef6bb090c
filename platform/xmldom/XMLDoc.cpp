#include "platform/xmldom/XMLDoc.h"

#include <algorithm>

#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"
#include "platform/runtime/LayeredHook.h"

namespace {

ComPtr<IXMLDOMDocument> OwnCreator() {
  ComPtr<IXMLDOMDocument> dom;
  OleCheck(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, dom.PutVoid()));
  return dom;
}

TLayeredHook<TDOMDocumentCreator>& Creators() {
  static TLayeredHook<TDOMDocumentCreator> creators(OwnCreator);
  return creators;
}

// The first place of a name key in a table of `size` places (a power of two).
size_t HashSlot(const xmltree::NameKey& key, size_t size) {
  uint64_t h = uint64_t(reinterpret_cast<uintptr_t>(key.local)) * 0x9E3779B97F4A7C15u ^
               uint64_t(reinterpret_cast<uintptr_t>(key.prefix)) * 0xC2B2AE3D27D4EB4Fu ^
               uint64_t(int64_t(key.kind)) * 0x165667B19E3779F9u;
  return size_t(h >> 32) & (size - 1);
}

}  // namespace

EDOMParseError::EDOMParseError(int errorCode, std::string reason, int line, int linePos)
    : DOMException(line > 0 ? reason + " (line " + std::to_string(line) + ", column " + std::to_string(linePos) + ")"
                            : reason),
      errorCode_(errorCode),
      reason_(std::move(reason)),
      line_(line),
      linePos_(linePos) {}

TDOMDocumentCreator SetDOMDocumentCreator(TDOMDocumentCreator creator) {
  return Creators().Set(creator ? creator : OwnCreator);
}

int InstallDOMDocumentCreator(TDOMDocumentCreator creator) { return Creators().Install(creator); }

void WithdrawDOMDocumentCreator(int installation) { Creators().Withdraw(installation); }

ComPtr<IXMLDOMDocument> CreateDOMDocument() { return Creators().Current()(); }

TXMLNode* TXMLNodeList::Get(int index) const {
  if (index < 0 || index >= Count()) throw EXMLDocError("List index out of bounds (" + std::to_string(index) + ")");
  return nodes_[index];
}

TXMLNode::TXMLNode(TXMLDocument* document, ComPtr<IXMLDOMNode> node) : document_(document), node_(std::move(node)) {}

TXMLNode::TXMLNode(TXMLDocument* document, const xmltree::TreeNode* node) : document_(document), ref_(node) {}

const std::string& TXMLNode::ReadName() const {
  if (ref_) {
    name_ = document_->NameOf(ref_);
  } else {
    WideString wide;
    OleCheck(node_->get_nodeName(wide.Put()));
    name_ = document_->Keep(wide.ToString());
  }
  return *name_;
}

TNodeType TXMLNode::NodeType() const {
  if (ref_) return TNodeType(ref_->type);
  DOMNodeType type = NODE_INVALID;
  OleCheck(node_->get_nodeType(&type));
  return TNodeType(type);
}

TXMLNodeList& TXMLNode::ReadList(TXMLNodeList& list, bool& read, bool attributes) {
  list.count_ = 0;
  if (ref_) {
    // Attributes are all listed; children but texts of white space only, unless those are preserved.
    const bool preserve = attributes || document_->owner_->PreservesWhiteSpace();
    const xmltree::TreeNode* first = nullptr;
    if (attributes)
      first = ref_->type == NODE_ELEMENT ? ref_->attributes : nullptr;
    else if (ref_->type != NODE_ATTRIBUTE)
      first = xmltree::FirstChild(ref_, preserve);
    int count = 0;
    for (const xmltree::TreeNode* n = first; n; n = xmltree::NextChild(n, preserve)) ++count;
    list.nodes_ = document_->ListSlots(count);
    for (const xmltree::TreeNode* n = first; n; n = xmltree::NextChild(n, preserve))
      list.nodes_[list.count_++] = document_->Wrap(n);
    read = true;
    return list;
  }
  LONG length = 0;
  ComPtr<IXMLDOMNodeList> children;
  ComPtr<IXMLDOMNamedNodeMap> map;
  if (attributes) {
    OleCheck(node_->get_attributes(map.Put()));
    if (map) OleCheck(map->get_length(&length));
  } else {
    OleCheck(node_->get_childNodes(children.Put()));
    if (children) OleCheck(children->get_length(&length));
  }
  list.nodes_ = document_->ListSlots(int(length));
  for (LONG i = 0; i < length; ++i) {
    ComPtr<IXMLDOMNode> item;
    OleCheck(attributes ? map->get_item(i, item.Put()) : children->get_item(i, item.Put()));
    list.nodes_[list.count_++] = document_->Wrap(std::move(item));
  }
  read = true;
  return list;
}

std::optional<std::string> TXMLNode::NodeValue() const {
  if (ref_) {
    if (!xmltree::HasValue(ref_)) return std::nullopt;
    std::string value;
    xmltree::AppendCp1250(ref_->value, value);
    return value;
  }
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

const ComPtr<IXMLDOMNode>& TXMLNode::DOMNode() const {
  if (!node_) node_ = xmltree::MakeDOMNode(document_->tree_, ref_, document_->owner_->PreservesWhiteSpace());
  return node_;
}

TXMLDocument::TXMLDocument() : dom_(CreateDOMDocument()) {
  if (!dom_) throw DOMException("No DOM document available");
  owner_ = dom_.As<xmltree::IXMLDOMTreeOwner>();
  OleCheck(dom_->put_preserveWhiteSpace(VARIANT_FALSE));
  Reset();
}

void TXMLDocument::Reset() {
  names_.clear();
  nameTable_.clear();
  nameCount_ = 0;
  nodeBlocks_.clear();
  nodesLeft_ = 0;
  slotBlocks_.clear();
  nextSlot_ = nullptr;
  slotsLeft_ = 0;
  tree_.reset();
  documentNode_.emplace(this, ComPtr<IXMLDOMNode>(dom_.Get()));
}

TXMLNode* TXMLDocument::Wrap(ComPtr<IXMLDOMNode> node) {
  TXMLNode* wrapper = NewNode();
  wrapper->node_ = std::move(node);
  return wrapper;
}

TXMLNode* TXMLDocument::Wrap(const xmltree::TreeNode* node) {
  TXMLNode* wrapper = NewNode();
  wrapper->ref_ = node;
  return wrapper;
}

// Nodes and the slots of node lists come from blocks, a few allocations for a whole document.
TXMLNode* TXMLDocument::NewNode() {
  constexpr size_t kBlock = 64;
  if (nodesLeft_ == 0) {
    nodeBlocks_.emplace_back(new TXMLNode[kBlock]);
    nodesLeft_ = kBlock;
  }
  TXMLNode* node = &nodeBlocks_.back()[kBlock - nodesLeft_--];
  node->document_ = this;
  return node;
}

TXMLNode** TXMLDocument::ListSlots(int count) {
  constexpr size_t kBlock = 120;
  if (count <= 0) return nullptr;
  if (size_t(count) > slotsLeft_) {
    size_t size = std::max(kBlock, size_t(count));
    slotBlocks_.push_back(std::make_unique<TXMLNode*[]>(size));
    nextSlot_ = slotBlocks_.back().get();
    slotsLeft_ = size;
  }
  TXMLNode** slots = nextSlot_;
  nextSlot_ += count;
  slotsLeft_ -= size_t(count);
  return slots;
}

const std::string* TXMLDocument::NameOf(const xmltree::TreeNode* node) {
  const xmltree::NameKey key = xmltree::NameKeyOf(node);
  if (nameCount_ * 2 >= nameTable_.size()) {
    std::vector<NameEntry> old(std::max<size_t>(64, nameTable_.size() * 2));
    old.swap(nameTable_);
    nameCount_ = 0;
    for (const NameEntry& e : old)
      if (e.name) {
        size_t i = HashSlot(e.key, nameTable_.size());
        while (nameTable_[i].name) i = (i + 1) & (nameTable_.size() - 1);
        nameTable_[i] = e;
        ++nameCount_;
      }
  }
  size_t i = HashSlot(key, nameTable_.size());
  for (; nameTable_[i].name; i = (i + 1) & (nameTable_.size() - 1))
    if (nameTable_[i].key == key) return nameTable_[i].name;
  std::string name;
  if (!node->prefix.empty()) {
    xmltree::AppendCp1250(node->prefix, name);
    name += ':';
  }
  xmltree::AppendCp1250(node->local, name);
  nameTable_[i] = {key, Keep(std::move(name))};
  ++nameCount_;
  return nameTable_[i].name;
}

const std::string* TXMLDocument::Keep(std::string name) { return &names_.emplace_back(std::move(name)); }

void TXMLDocument::LoadFromBytes(std::string_view bytes) {
  Reset();
  if (bytes.size() > 0x7FFFFFFF) throw DOMException("XML document too large");
  VARIANT_BOOL ok = VARIANT_FALSE;
  OleCheck(dom_->load(reinterpret_cast<const BYTE*>(bytes.data()), LONG(bytes.size()), &ok));
  if (ok != VARIANT_FALSE) {
    if (owner_ && (tree_ = owner_->GetTree())) documentNode_->ref_ = tree_->Document();
    return;
  }
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

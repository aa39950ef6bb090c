// The XML document layer of the component library: a document with its nodes and node lists, read through
// a DOM document (IXMLDOMDocument) that a replaceable creator supplies. Names and texts are CP1250.
#pragma once
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/runtime/Exceptions.h"
#include "platform/xmldom/XMLDOM.h"
#include "platform/xmldom/XMLTree.h"

// Failures of the DOM: no DOM document available, a document that is not well-formed.
VCL_EXCEPTION(DOMException, Exception);

// A document that is not well-formed; the message is "<reason> (line L, column C)", or the reason alone
// when the place is not known (line 0).
class EDOMParseError : public DOMException {
 public:
  static constexpr TClassInfo ClassInfo_{"EDOMParseError", &DOMException::ClassInfo_};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }
  const TClassInfo* ClassType() const override { return &ClassInfo_; }

  EDOMParseError(int errorCode, std::string reason, int line, int linePos);
  int ErrorCode() const { return errorCode_; }
  const std::string& Reason() const { return reason_; }
  int Line() const { return line_; }
  int LinePos() const { return linePos_; }

 private:
  int errorCode_;
  std::string reason_;
  int line_, linePos_;
};

// Misuse of the layer, e.g. the text of an element that holds more than one text.
VCL_EXCEPTION(EXMLDocError, Exception);

// Node kinds, valued as the DOM's.
enum TNodeType {
  ntReserved = 0,
  ntElement,
  ntAttribute,
  ntText,
  ntCData,
  ntEntityRef,
  ntEntity,
  ntProcessingInstr,
  ntComment,
  ntDocument,
  ntDocType,
  ntDocFragment,
  ntNotation,
};

// Where the layer gets its DOM documents: the layer's own creator makes the version-independent DOM
// document class through CoCreateInstance. Setting replaces the current creator and returns it. A library
// installs its creator over the current one and withdraws it when it unloads, as the creator goes with it.
using TDOMDocumentCreator = ComPtr<IXMLDOMDocument> (*)();
TDOMDocumentCreator SetDOMDocumentCreator(TDOMDocumentCreator creator);
int InstallDOMDocumentCreator(TDOMDocumentCreator creator);
void WithdrawDOMDocumentCreator(int installation);
ComPtr<IXMLDOMDocument> CreateDOMDocument();

class TXMLDocument;
class TXMLNode;

// The child nodes or the attributes of a node. Owned by its node.
class TXMLNodeList : public TObject {
  VCL_CLASS(TXMLNodeList, TObject)
  int Count() const { return count_; }
  // Raises EXMLDocError "List index out of bounds (%d)" outside 0 .. Count - 1.
  TXMLNode* Get(int index) const;
  TXMLNode* operator[](int index) const { return Get(index); }
  TXMLNode* First() const { return count_ ? nodes_[0] : nullptr; }
  TXMLNode* const* begin() const { return nodes_; }
  TXMLNode* const* end() const { return nodes_ + count_; }

 private:
  friend class TXMLNode;
  TXMLNode** nodes_ = nullptr;  // in the document's store
  int count_ = 0;
};

// A node of a document. Owned by its document; valid as long as the document is.
class TXMLNode : public TObject {
  VCL_CLASS(TXMLNode, TObject)
  // A node read through the DOM's interfaces.
  TXMLNode(TXMLDocument* document, ComPtr<IXMLDOMNode> node);
  // A node of the platform's own DOM document, read in place.
  TXMLNode(TXMLDocument* document, const xmltree::TreeNode* node);

  const std::string& NodeName() const { return name_ ? *name_ : ReadName(); }
  TNodeType NodeType() const;
  TXMLNodeList& ChildNodes() { return childrenRead_ ? children_ : ReadList(children_, childrenRead_, false); }
  // Empty for nodes other than elements.
  TXMLNodeList& AttributeNodes() {
    return attributesRead_ ? attributes_ : ReadList(attributes_, attributesRead_, true);
  }
  // The value of attributes, texts, CDATA sections, comments and processing instructions; none for
  // elements and the document.
  std::optional<std::string> NodeValue() const;
  // An element's text: empty without children, the value of a single text or CDATA child, otherwise
  // EXMLDocError "Element does not contain a single text node". Other nodes: their value.
  std::string Text();
  TXMLDocument* OwnerDocument() const { return document_; }
  // The DOM's node (made on first use for a node read in place).
  const ComPtr<IXMLDOMNode>& DOMNode() const;

 private:
  friend class TXMLDocument;
  TXMLNode() = default;  // a free place in the document's store
  const std::string& ReadName() const;
  TXMLNodeList& ReadList(TXMLNodeList& list, bool& read, bool attributes);

  TXMLDocument* document_ = nullptr;
  const xmltree::TreeNode* ref_ = nullptr;
  mutable ComPtr<IXMLDOMNode> node_;
  mutable const std::string* name_ = nullptr;  // in the document's names
  TXMLNodeList children_, attributes_;
  bool childrenRead_ = false, attributesRead_ = false;
};

// A document and the nodes handed out for it. When the DOM document is the platform's own, its tree is
// read in place; any other DOM is read through its interfaces.
class TXMLDocument : public TObject {
  VCL_CLASS(TXMLDocument, TObject)
  // Creates the DOM document through the current creator; DOMException when it supplies none.
  TXMLDocument();

  // Parses the bytes of a document (the declaration or byte-order mark decides the encoding); a document
  // that is not well-formed raises EDOMParseError and leaves this one empty.
  void LoadFromBytes(std::string_view bytes);
  // The document node ("#document").
  TXMLNode* Node() { return &*documentNode_; }
  // The root element; nullptr before a load.
  TXMLNode* DocumentElement();
  const ComPtr<IXMLDOMDocument>& DOMDocument() const { return dom_; }

 private:
  friend class TXMLNode;
  TXMLNode* Wrap(ComPtr<IXMLDOMNode> node);
  TXMLNode* Wrap(const xmltree::TreeNode* node);
  // A free place for a node, and room for the pointers of one node list; neither ever moves.
  TXMLNode* NewNode();
  TXMLNode** ListSlots(int count);
  // The name of a node read in place, converted once for all nodes of the same name; a name kept.
  const std::string* NameOf(const xmltree::TreeNode* node);
  const std::string* Keep(std::string name);
  void Reset();

  struct NameEntry {
    xmltree::NameKey key;
    const std::string* name = nullptr;
  };

  ComPtr<IXMLDOMDocument> dom_;
  ComPtr<xmltree::IXMLDOMTreeOwner> owner_;  // set when the DOM document is the platform's own
  xmltree::TreePtr tree_;                    // the tree that the nodes read in place point into
  std::vector<std::unique_ptr<TXMLNode[]>> nodeBlocks_;
  size_t nodesLeft_ = 0;
  std::vector<std::unique_ptr<TXMLNode*[]>> slotBlocks_;
  TXMLNode** nextSlot_ = nullptr;
  size_t slotsLeft_ = 0;
  std::deque<std::string> names_;
  std::vector<NameEntry> nameTable_;  // open addressing: empty, or as long as a power of two
  size_t nameCount_ = 0;
  std::optional<TXMLNode> documentNode_;
};

// A new document parsed from bytes.
std::unique_ptr<TXMLDocument> LoadXMLData(std::string_view bytes);

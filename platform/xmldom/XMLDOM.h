// DOM documents as COM objects: the interfaces that the XML document layer reads, and the class ids under
// which the platform's document (over libxml2) is registered. Parsing is strict and never loads anything
// from outside the given bytes.
#pragma once
#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

enum DOMNodeType : int32_t {
  NODE_INVALID = 0,
  NODE_ELEMENT = 1,
  NODE_ATTRIBUTE = 2,
  NODE_TEXT = 3,
  NODE_CDATA_SECTION = 4,
  NODE_ENTITY_REFERENCE = 5,
  NODE_ENTITY = 6,
  NODE_PROCESSING_INSTRUCTION = 7,
  NODE_COMMENT = 8,
  NODE_DOCUMENT = 9,
  NODE_DOCUMENT_TYPE = 10,
  NODE_DOCUMENT_FRAGMENT = 11,
  NODE_NOTATION = 12,
};

struct IXMLDOMNodeList;
struct IXMLDOMNamedNodeMap;

struct IXMLDOMNode : IUnknown {
  COM_INTERFACE(IUnknown, "{C308D4BF-F234-4636-9A70-05A723953447}");
  // Names as written, prefix included ("rdf:RDF"); "#document", "#text", "#cdata-section", "#comment".
  virtual HRESULT get_nodeName(BSTR* name) = 0;
  // The value of an attribute, text, CDATA, comment or processing instruction; S_FALSE and nullptr for
  // elements and documents, which have none.
  virtual HRESULT get_nodeValue(BSTR* value) = 0;
  virtual HRESULT get_nodeType(DOMNodeType* type) = 0;
  // Elements, texts, CDATA sections, comments and processing instructions, in document order; texts of
  // white space only are left out unless the document preserves white space.
  virtual HRESULT get_childNodes(IXMLDOMNodeList** list) = 0;
  // The attributes of an element in document order (namespace declarations first); S_FALSE and nullptr
  // for other nodes.
  virtual HRESULT get_attributes(IXMLDOMNamedNodeMap** map) = 0;
};

struct IXMLDOMNodeList : IUnknown {
  COM_INTERFACE(IUnknown, "{82105984-0266-429D-A11F-29A27546B803}");
  virtual HRESULT get_length(LONG* length) = 0;
  // S_FALSE and nullptr outside 0 .. length - 1.
  virtual HRESULT get_item(LONG index, IXMLDOMNode** node) = 0;
};

struct IXMLDOMNamedNodeMap : IUnknown {
  COM_INTERFACE(IUnknown, "{13788F77-B889-45FA-B0C3-375B06815848}");
  virtual HRESULT get_length(LONG* length) = 0;
  virtual HRESULT get_item(LONG index, IXMLDOMNode** node) = 0;
};

// Why the last load failed: code 0 and an empty reason after a successful load.
struct IXMLDOMParseError : IUnknown {
  COM_INTERFACE(IUnknown, "{2C67A4C3-AE55-480D-BBA3-29D4B4503470}");
  virtual HRESULT get_errorCode(LONG* code) = 0;
  virtual HRESULT get_reason(BSTR* reason) = 0;
  virtual HRESULT get_line(LONG* line) = 0;
  virtual HRESULT get_linepos(LONG* column) = 0;
};

struct IXMLDOMDocument : IXMLDOMNode {
  COM_INTERFACE(IXMLDOMNode, "{2933BF81-7B36-11D2-B20E-00C04F983E60}");
  // The root element; S_FALSE and nullptr before a successful load.
  virtual HRESULT get_documentElement(IXMLDOMNode** element) = 0;
  virtual HRESULT get_preserveWhiteSpace(VARIANT_BOOL* preserve) = 0;
  virtual HRESULT put_preserveWhiteSpace(VARIANT_BOOL preserve) = 0;
  // Parses the bytes of a document: its XML declaration or byte-order mark decides the encoding. S_OK and
  // VARIANT_TRUE on success; S_FALSE and VARIANT_FALSE when it is not well-formed (see get_parseError),
  // which leaves the document empty.
  virtual HRESULT load(const BYTE* data, LONG size, VARIANT_BOOL* success) = 0;
  virtual HRESULT get_parseError(IXMLDOMParseError** error) = 0;
};

inline constexpr const IID& IID_IXMLDOMNode = IXMLDOMNode::Iid;
inline constexpr const IID& IID_IXMLDOMDocument = IXMLDOMDocument::Iid;

// The class ids of the DOM document: version-independent, 2.6 and 3.0.
inline constexpr CLSID CLSID_DOMDocument = "{2933BF90-7B36-11D2-B20E-00C04F983E60}"_guid;
inline constexpr CLSID CLSID_DOMDocument26 = "{F5078F1B-C551-11D3-89B9-0000F81FE221}"_guid;
inline constexpr CLSID CLSID_DOMDocument30 = "{F5078F32-C551-11D3-89B9-0000F81FE221}"_guid;

#include "deskband/vekXML.h"

#include <mutex>

#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/SysUtils.h"

namespace {

// Stored from 3.0 to the version-independent class; tried from the last down.
constexpr CLSID kDOMClassIds[3] = {CLSID_DOMDocument30, CLSID_DOMDocument26, CLSID_DOMDocument};

// Withdraws the creator when this module unloads, as its code goes with it. Made after the installation,
// so destroyed before the table of creators is.
struct CreatorInstallation {
  int installation;
  ~CreatorInstallation() { WithdrawDOMDocumentCreator(installation); }
};

const bool g_initialized = (InitializeXMLUnit(), true);

}  // namespace

void RaiseXMLError(const std::string& message) { throw EXML(message); }

void RaiseXMLErrorFmt(std::string_view format, TVarRecs args) { RaiseXMLError(Format(format, args)); }

bool IsElementNamed(TXMLNode* node, std::string_view name) {
  return node->NodeType() == ntElement && SameText(node->NodeName(), name);
}

TXMLNode* FindNode(TXMLNodeList& list, std::string_view name) {
  for (TXMLNode* node : list)
    if ((node->NodeType() == ntElement || node->NodeType() == ntAttribute) && SameText(node->NodeName(), name))
      return node;
  return nullptr;
}

TXMLNode* FindChildNode(TXMLNode* node, std::string_view name) { return FindNode(node->ChildNodes(), name); }

TXMLNode* GetRequiredChildNode(TXMLNode* node, std::string_view name) {
  TXMLNode* child = FindChildNode(node, name);
  if (!child)
    RaiseXMLErrorFmt("Can't find required subnode \"%s\" in node \"%s\"", {UpperCase(name), node->NodeName()});
  return child;
}

std::optional<std::string> GetAttributeText(TXMLNode* node, std::string_view name) {
  for (TXMLNode* attribute : node->AttributeNodes())
    if (SameText(attribute->NodeName(), name)) return attribute->NodeValue();
  return std::nullopt;
}

std::string GetRequiredAttributeText(TXMLNode* node, std::string_view name) {
  std::optional<std::string> value = GetAttributeText(node, name);
  if (!value) RaiseXMLErrorFmt("Can't find required attr \"%s\" in node \"%s\"", {name, node->NodeName()});
  return std::move(*value);
}

Variant GetAttributeDef(TXMLNode* node, std::string_view name, const Variant& fallback) {
  std::optional<std::string> value = GetAttributeText(node, name);
  return value ? Variant(std::move(*value)) : fallback;
}

Variant GetRequiredAttribute(TXMLNode* node, std::string_view name) {
  return Variant(GetRequiredAttributeText(node, name));
}

void CreateFirstCOMObject(const CLSID* classIds, int highIndex, ComPtr<IUnknown>& object) {
  for (int i = highIndex; i >= 0; --i) {
    object = nullptr;
    HRESULT hr = CoCreateInstance(classIds[i], nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IUnknown,
                                  object.PutVoid());
    if (hr == S_OK) return;
    if (hr != REGDB_E_CLASSNOTREG && FAILED(hr)) OleError(hr);
  }
}

ComPtr<IXMLDOMDocument> CreateMSXMLDocument() {
  ComPtr<IUnknown> object;
  CreateFirstCOMObject(kDOMClassIds, 2, object);
  ComPtr<IXMLDOMDocument> document = object.As<IXMLDOMDocument>();
  if (!document) throw DOMException("Microsoft MSXML is not installed");
  return document;
}

void InitializeXMLUnit() {
  static std::once_flag once;
  std::call_once(once, [] { static CreatorInstallation installation{InstallDOMDocumentCreator(CreateMSXMLDocument)}; });
}

#include "platform/com/LateBinding.h"

#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"

namespace {

// The user's default locale, as the component library's late binding passes it.
constexpr LCID kUserDefaultLocale = 0x400;

std::string TakeString(BSTR& text) {
  std::string result = OleStrToString(text);
  SysFreeString(text);
  text = nullptr;
  return result;
}

}  // namespace

void DispatchInvokeError(HRESULT code, EXCEPINFO& info) {
  if (code != DISP_E_EXCEPTION) {
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    info.bstrSource = info.bstrDescription = info.bstrHelpFile = nullptr;
    OleError(code);
  }
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  std::string source = TakeString(info.bstrSource);
  std::string description = TakeString(info.bstrDescription);
  std::string helpFile = TakeString(info.bstrHelpFile);
  HRESULT scode = info.scode ? info.scode : HRESULT(info.wCode ? 0x80040200 + info.wCode : E_FAIL);
  if (description.empty()) description = EOleSysError(scode).Message();
  throw EOleException(description, scode, source, helpFile, int(info.dwHelpContext));
}

DISPID GetDispatchId(IDispatch* object, std::string_view name) {
  if (!object) OleError(E_POINTER);
  WideString wide = WideString::FromString(name);
  LPOLESTR names[] = {wide.Get() ? wide.Get() : const_cast<LPOLESTR>(u"")};
  DISPID id = DISPID_UNKNOWN;
  OleCheck(object->GetIDsOfNames(GUID_NULL, names, 1, kUserDefaultLocale, &id));
  return id;
}

OleVariant InvokeDispatch(IDispatch* object, DISPID id, WORD flags, const std::vector<OleVariant>& args) {
  if (!object) OleError(E_POINTER);
  // The call takes its arguments last to first; copies keep the caller's variants untouched.
  std::vector<VARIANT> reversed(args.size());
  for (size_t i = 0; i < args.size(); ++i) reversed[args.size() - 1 - i] = *args[i].Get();
  DISPID putId = DISPID_PROPERTYPUT;
  bool put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), put ? &putId : nullptr, UINT(reversed.size()),
                    put ? 1u : 0u};
  OleVariant result;
  EXCEPINFO info{};
  UINT argErr = 0;
  HRESULT hr =
      object->Invoke(id, GUID_NULL, kUserDefaultLocale, flags, &params, put ? nullptr : result.Get(), &info, &argErr);
  if (FAILED(hr)) DispatchInvokeError(hr, info);
  return result;
}

OleVariant GetDispatchProperty(IDispatch* object, std::string_view name, const std::vector<OleVariant>& args) {
  return InvokeDispatch(object, GetDispatchId(object, name), DISPATCH_PROPERTYGET, args);
}

void SetDispatchProperty(IDispatch* object, std::string_view name, const OleVariant& value) {
  InvokeDispatch(object, GetDispatchId(object, name), DISPATCH_PROPERTYPUT, {value});
}

OleVariant CallDispatchMethod(IDispatch* object, std::string_view name, const std::vector<OleVariant>& args) {
  return InvokeDispatch(object, GetDispatchId(object, name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

CLSID ProgIDToClassID(std::string_view progId) {
  WideString wide = WideString::FromString(progId);
  CLSID clsid{};
  OleCheck(CLSIDFromProgID(wide.Get() ? wide.Get() : u"", &clsid));
  return clsid;
}

ComPtr<IDispatch> CreateOleObject(std::string_view progId) {
  CLSID clsid = ProgIDToClassID(progId);
  ComPtr<IDispatch> object;
  OleCheck(
      CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch, object.PutVoid()));
  return object;
}

#include "platform/com/DispatchEx.h"

#include "platform/com/ComPtr.h"
#include "platform/runtime/Collation.h"

long TExpandoMembers::Index(const std::string& name, bool caseInsensitive) const {
  for (size_t i = 0; i < expandos_.size(); ++i) {
    const Expando& e = expandos_[i];
    if (e.deleted) continue;
    if (caseInsensitive ? SameText(e.name, name) : e.name == name) return long(i);
  }
  return -1;
}

const OleVariant* TExpandoMembers::Find(const std::string& name) const {
  long i = Index(name, false);
  return i < 0 ? nullptr : &expandos_[size_t(i)].value;
}

void TExpandoMembers::Put(const std::string& name, const OleVariant& value) {
  long i = Index(name, false);
  if (i < 0) {
    expandos_.push_back({name, value});
  } else {
    expandos_[size_t(i)].value = value;
  }
}

void TExpandoMembers::Clear() {
  for (Expando& e : expandos_) {
    e.deleted = true;
    e.value = OleVariant();
  }
}

HRESULT TExpandoMembers::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  if (fixed_ && fixed_->GetIDsOfNames(names, count, ids) != DISP_E_UNKNOWNNAME) return S_OK;
  if (fixed_ && ids[0] != DISPID_UNKNOWN) return DISP_E_UNKNOWNNAME;  // a fixed member with named parameters
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  long i = Index(OleStrToString(names[0]), true);
  if (i < 0) return DISP_E_UNKNOWNNAME;
  ids[0] = kFirstExpando + DISPID(i);
  return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT TExpandoMembers::GetDispID(BSTR name, DWORD flags, DISPID* id) {
  if (!id) return E_POINTER;
  *id = DISPID_UNKNOWN;
  if (!name) return E_INVALIDARG;
  LPOLESTR names[] = {name};
  if (fixed_ && fixed_->GetIDsOfNames(names, 1, id) == S_OK) return S_OK;
  std::string text = OleStrToString(name);
  long i = Index(text, (flags & fdexNameCaseInsensitive) != 0);
  if (i < 0) {
    if (!(flags & fdexNameEnsure)) return DISP_E_UNKNOWNNAME;
    expandos_.push_back({text, OleVariant()});
    i = long(expandos_.size() - 1);
  }
  *id = kFirstExpando + DISPID(i);
  return S_OK;
}

HRESULT TExpandoMembers::InvokeEx(void* object, DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* info, UINT* argErr) {
  if (id < kFirstExpando) {
    if (!fixed_) return DISP_E_MEMBERNOTFOUND;
    return fixed_->Invoke(object, id, flags, params, result, info, argErr);
  }
  size_t index = size_t(id - kFirstExpando);
  if (index >= expandos_.size() || expandos_[index].deleted) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_INVALIDARG;
  if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
  if (result) VariantInit(result);
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    OleVariant value;
    // The value is kept, not a reference to the caller's variant.
    if (HRESULT hr = VariantChangeType(value.Get(), &params->rgvarg[0], 0, VT_VARIANT); FAILED(hr)) return hr;
    expandos_[index].value = value;
    return S_OK;
  }
  const OleVariant& value = expandos_[index].value;
  if (flags & DISPATCH_METHOD) {
    // Calling a property that holds an object calls its default member (a script function).
    if (value.Type() != VT_DISPATCH || !value.Get()->pdispVal) {
      if (!(flags & DISPATCH_PROPERTYGET) || params->cArgs) return DISP_E_TYPEMISMATCH;
    } else {
      ComPtr<IDispatch> callee(value.Get()->pdispVal);  // the call may replace the property
      return callee->Invoke(DISPID_VALUE, GUID_NULL, locale, DISPATCH_METHOD, params, result, info, argErr);
    }
  }
  if (!(flags & (DISPATCH_PROPERTYGET | DISPATCH_METHOD))) return DISP_E_MEMBERNOTFOUND;
  if (params->cArgs) return DISP_E_BADPARAMCOUNT;
  if (result) return VariantCopy(result, value.Get());
  return S_OK;
}

HRESULT TExpandoMembers::DeleteMemberByName(BSTR name, DWORD flags) {
  if (!name) return E_INVALIDARG;
  long i = Index(OleStrToString(name), (flags & fdexNameCaseInsensitive) != 0);
  if (i < 0) return S_FALSE;
  return DeleteMemberByDispID(kFirstExpando + DISPID(i));
}

HRESULT TExpandoMembers::DeleteMemberByDispID(DISPID id) {
  if (id < kFirstExpando || size_t(id - kFirstExpando) >= expandos_.size()) return S_FALSE;
  Expando& e = expandos_[size_t(id - kFirstExpando)];
  e.deleted = true;
  e.value = OleVariant();
  return S_OK;
}

HRESULT TExpandoMembers::GetMemberName(DISPID id, BSTR* name) const {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (id < kFirstExpando) {
    std::string fixedName = fixed_ ? fixed_->NameOf(id) : "";
    if (fixedName.empty()) return DISP_E_MEMBERNOTFOUND;
    *name = StringToOleStr(fixedName);
    return S_OK;
  }
  size_t index = size_t(id - kFirstExpando);
  if (index >= expandos_.size() || expandos_[index].deleted) return DISP_E_MEMBERNOTFOUND;
  *name = StringToOleStr(expandos_[index].name);
  return S_OK;
}

HRESULT TExpandoMembers::GetNextDispID(DISPID id, DISPID* next) const {
  if (!next) return E_POINTER;
  *next = DISPID_UNKNOWN;
  // Only the added properties are enumerated, in the order they were added.
  size_t from = id == DISPID_STARTENUM || id < kFirstExpando ? 0 : size_t(id - kFirstExpando) + 1;
  for (size_t i = from; i < expandos_.size(); ++i) {
    if (expandos_[i].deleted) continue;
    *next = kFirstExpando + DISPID(i);
    return S_OK;
  }
  return S_FALSE;
}

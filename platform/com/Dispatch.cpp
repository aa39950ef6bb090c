#include "platform/com/Dispatch.h"

#include <cstring>

void VariantInit(VARIANT* v) { std::memset(v, 0, sizeof *v); }

HRESULT VariantClear(VARIANT* v) {
  if (!v) return E_INVALIDARG;
  if (!(v->vt & VT_BYREF)) {
    switch (v->vt) {
      case VT_BSTR: SysFreeString(v->bstrVal); break;
      case VT_DISPATCH:
        if (v->pdispVal) v->pdispVal->Release();
        break;
      case VT_UNKNOWN:
        if (v->punkVal) v->punkVal->Release();
        break;
      default: break;
    }
  }
  VariantInit(v);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* dest, const VARIANT* source) {
  if (!dest || !source) return E_INVALIDARG;
  if (dest == source) return S_OK;
  VARIANT copy = *source;
  if (!(source->vt & VT_BYREF)) {
    switch (source->vt) {
      case VT_BSTR:
        copy.bstrVal = source->bstrVal ? SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal)) : nullptr;
        if (source->bstrVal && !copy.bstrVal) return E_OUTOFMEMORY;
        break;
      case VT_DISPATCH:
        if (copy.pdispVal) copy.pdispVal->AddRef();
        break;
      case VT_UNKNOWN:
        if (copy.punkVal) copy.punkVal->AddRef();
        break;
      default: break;
    }
  }
  VariantClear(dest);
  *dest = copy;
  return S_OK;
}

OleVariant::OleVariant(bool value) {
  VariantInit(&v_);
  v_.vt = VT_BOOL;
  v_.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
}

OleVariant::OleVariant(int32_t value) {
  VariantInit(&v_);
  v_.vt = VT_I4;
  v_.lVal = value;
}

OleVariant::OleVariant(std::string_view text) {
  VariantInit(&v_);
  v_.vt = VT_BSTR;
  v_.bstrVal = StringToOleStr(text);
}

OleVariant::OleVariant(const WideString& text) {
  VariantInit(&v_);
  v_.vt = VT_BSTR;
  v_.bstrVal = text.Get() ? SysAllocStringLen(text.Get(), text.Length()) : nullptr;
}

OleVariant::OleVariant(IDispatch* object) {
  VariantInit(&v_);
  v_.vt = VT_DISPATCH;
  v_.pdispVal = object;
  if (object) object->AddRef();
}

OleVariant OleVariant::RefTo(VARIANT* target) {
  OleVariant r;
  r.v_.vt = VT_BYREF | VT_VARIANT;
  r.v_.pvarVal = target;
  return r;
}

OleVariant OleVariant::RefTo(VARIANT_BOOL* target) {
  OleVariant r;
  r.v_.vt = VT_BYREF | VT_BOOL;
  r.v_.pboolVal = target;
  return r;
}

namespace {
// The variant a chain of VT_BYREF | VT_VARIANT references ends at.
const VARIANT* Follow(const VARIANT* v) {
  for (int depth = 0; v && v->vt == (VT_BYREF | VT_VARIANT) && depth < 8; ++depth) v = v->pvarVal;
  return v;
}
}  // namespace

std::string OleVariant::AsString() const {
  const VARIANT* v = Follow(&v_);
  if (!v) return "";
  if (v->vt == VT_BSTR) return OleStrToString(v->bstrVal);
  if (v->vt == (VT_BYREF | VT_BSTR) && v->pbstrVal) return OleStrToString(*v->pbstrVal);
  return "";
}

bool OleVariant::AsBool() const {
  const VARIANT* v = Follow(&v_);
  if (!v) return false;
  if (v->vt == VT_BOOL) return v->boolVal != VARIANT_FALSE;
  if (v->vt == (VT_BYREF | VT_BOOL) && v->pboolVal) return *v->pboolVal != VARIANT_FALSE;
  return false;
}

int32_t OleVariant::AsInteger() const {
  const VARIANT* v = Follow(&v_);
  if (!v) return 0;
  if (v->vt == VT_I4) return v->lVal;
  if (v->vt == VT_I2) return v->iVal;
  if (v->vt == (VT_BYREF | VT_I4) && v->plVal) return *v->plVal;
  return 0;
}

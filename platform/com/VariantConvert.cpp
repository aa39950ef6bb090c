// Conversions between the variant types that automation arguments use.
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/com/Dispatch.h"

namespace {

// The variant a chain of VT_BYREF references ends at, as a plain value (references are not owned).
bool Dereference(const VARIANT* v, VARIANT& value) {
  for (int depth = 0; v->vt == (VT_BYREF | VT_VARIANT); ++depth) {
    if (depth == 8 || !v->pvarVal) return false;
    v = v->pvarVal;
  }
  VariantInit(&value);
  if (!(v->vt & VT_BYREF)) {
    value = *v;
    return true;
  }
  if (!v->byref) return false;
  value.vt = v->vt & ~VT_BYREF;
  switch (value.vt) {
    case VT_I2: value.iVal = *v->piVal; break;
    case VT_I4: value.lVal = *v->plVal; break;
    case VT_BOOL: value.boolVal = *v->pboolVal; break;
    case VT_BSTR: value.bstrVal = *v->pbstrVal; break;
    case VT_DISPATCH: value.pdispVal = *v->ppdispVal; break;
    case VT_UNKNOWN: value.punkVal = *v->ppunkVal; break;
    case VT_R8: value.dblVal = *static_cast<double*>(v->byref); break;
    default: return false;
  }
  return true;
}

bool IsInteger(VARTYPE t) {
  return t == VT_I1 || t == VT_I2 || t == VT_I4 || t == VT_UI1 || t == VT_UI2 || t == VT_UI4 || t == VT_INT ||
         t == VT_UINT;
}

int64_t IntegerOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return static_cast<int8_t>(v.bVal);
    case VT_I2: return v.iVal;
    case VT_UI1: return v.bVal;
    case VT_UI2: return static_cast<uint16_t>(v.iVal);
    case VT_UI4:
    case VT_UINT: return v.uintVal;
    default: return v.lVal;
  }
}

std::u16string DecimalText(double value) {
  char buffer[64];
  auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  std::u16string text;
  if (ec == std::errc())
    for (char* p = buffer; p != end; ++p) text += char16_t(*p);
  return text;
}

// A number from decimal text (blanks around it allowed); false when the text is not one.
bool ParseNumber(BSTR text, double& value) {
  std::string ascii;
  for (UINT i = 0, n = SysStringLen(text); i < n; ++i) {
    if (text[i] > 0x7F) return false;
    ascii += char(text[i]);
  }
  size_t first = ascii.find_first_not_of(" \t"), last = ascii.find_last_not_of(" \t");
  if (first == std::string::npos) return false;
  const char* begin = ascii.data() + first;
  const char* end = ascii.data() + last + 1;
  if (*begin == '+') ++begin;
  auto [stop, ec] = std::from_chars(begin, end, value);
  return ec == std::errc() && stop == end;
}

bool SameAscii(BSTR text, std::u16string_view word) {
  if (SysStringLen(text) != word.size()) return false;
  for (size_t i = 0; i < word.size(); ++i) {
    char16_t c = text[i];
    if (c >= 'A' && c <= 'Z') c = char16_t(c + 32);
    if (c != word[i]) return false;
  }
  return true;
}

// The value as a double, for every numeric source; false when it is not numeric.
HRESULT NumberOf(const VARIANT& v, double& number) {
  if (IsInteger(v.vt)) {
    number = double(IntegerOf(v));
  } else if (v.vt == VT_R8 || v.vt == VT_DATE) {
    number = v.dblVal;
  } else if (v.vt == VT_R4) {
    number = v.fltVal;
  } else if (v.vt == VT_BOOL) {
    number = v.boolVal ? -1 : 0;
  } else if (v.vt == VT_EMPTY) {
    number = 0;
  } else if (v.vt == VT_BSTR) {
    if (SameAscii(v.bstrVal, u"true")) {
      number = -1;
    } else if (SameAscii(v.bstrVal, u"false")) {
      number = 0;
    } else if (!ParseNumber(v.bstrVal, number)) {
      return DISP_E_TYPEMISMATCH;
    }
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  return S_OK;
}

HRESULT ToInteger(const VARIANT& v, VARTYPE type, VARIANT& out) {
  double number = 0;
  if (HRESULT hr = NumberOf(v, number); FAILED(hr)) return hr;
  if (std::isnan(number)) return DISP_E_OVERFLOW;
  double rounded = std::nearbyint(number);  // banker's rounding, as automation rounds
  double low = type == VT_I2 ? -32768.0 : type == VT_UI1 ? 0.0 : -2147483648.0;
  double high = type == VT_I2 ? 32767.0 : type == VT_UI1 ? 255.0 : 2147483647.0;
  if (rounded < low || rounded > high) return DISP_E_OVERFLOW;
  out.vt = type;
  if (type == VT_I2)
    out.iVal = SHORT(rounded);
  else if (type == VT_UI1)
    out.bVal = BYTE(rounded);
  else
    out.lVal = LONG(rounded);
  return S_OK;
}

HRESULT ToText(const VARIANT& v, VARIANT& out) {
  std::u16string text;
  if (v.vt == VT_BSTR) {
    out.vt = VT_BSTR;
    out.bstrVal = v.bstrVal ? SysAllocStringLen(v.bstrVal, SysStringLen(v.bstrVal)) : nullptr;
    return v.bstrVal && !out.bstrVal ? E_OUTOFMEMORY : S_OK;
  }
  if (v.vt == VT_EMPTY) {
    text.clear();
  } else if (v.vt == VT_BOOL) {
    text = v.boolVal ? u"-1" : u"0";
  } else if (IsInteger(v.vt)) {
    text = DecimalText(double(IntegerOf(v)));
  } else if (v.vt == VT_R8 || v.vt == VT_R4) {
    text = DecimalText(v.vt == VT_R8 ? v.dblVal : v.fltVal);
  } else {
    return DISP_E_TYPEMISMATCH;
  }
  out.vt = VT_BSTR;
  out.bstrVal = U16ToBstr(text);
  return S_OK;
}

}  // namespace

HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT, VARTYPE type) {
  if (!dest || !source) return E_INVALIDARG;
  VARIANT value;
  if (!Dereference(source, value)) return DISP_E_BADVARTYPE;
  VARIANT out;
  VariantInit(&out);
  HRESULT hr = S_OK;
  switch (type) {
    case VT_EMPTY: break;
    case VT_VARIANT: hr = VariantCopy(&out, &value); break;
    case VT_I2:
    case VT_I4:
    case VT_UI1: hr = ToInteger(value, type, out); break;
    case VT_R8: {
      double number = 0;
      hr = NumberOf(value, number);
      out.vt = VT_R8;
      out.dblVal = number;
      break;
    }
    case VT_BOOL: {
      double number = 0;
      hr = NumberOf(value, number);
      out.vt = VT_BOOL;
      out.boolVal = number != 0 ? VARIANT_TRUE : VARIANT_FALSE;
      break;
    }
    case VT_BSTR: hr = ToText(value, out); break;
    case VT_DISPATCH:
      if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
        out.vt = VT_DISPATCH;
        out.pdispVal = nullptr;
      } else if (value.vt == VT_DISPATCH) {
        hr = VariantCopy(&out, &value);
      } else if (value.vt == VT_UNKNOWN && value.punkVal) {
        out.vt = VT_DISPATCH;
        hr = value.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&out.pdispVal));
        if (FAILED(hr)) hr = DISP_E_TYPEMISMATCH;
      } else {
        hr = DISP_E_TYPEMISMATCH;
      }
      break;
    default: hr = DISP_E_BADVARTYPE; break;
  }
  if (FAILED(hr)) {
    VariantClear(&out);
    return hr;
  }
  VariantClear(dest);
  *dest = out;
  return S_OK;
}

// Automation: VARIANTs, the arguments of a dispatch call (DISPPARAMS), IDispatch, error information, and
// OleVariant, the owning wrapper of a VARIANT.
#pragma once
#include <string>
#include <string_view>

#include "platform/com/Bstr.h"
#include "platform/com/Unknown.h"

using DISPID = LONG;
using VARTYPE = uint16_t;
using LCID = DWORD;
using SCODE = LONG;
using DATE = double;

// Variant types; VT_BYREF combines with the others (the variant then points at the value).
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_NULL = 1;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R4 = 4;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_DATE = 7;
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_DISPATCH = 9;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_VARIANT = 12;
constexpr VARTYPE VT_UNKNOWN = 13;
constexpr VARTYPE VT_I1 = 16;
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_UI2 = 18;
constexpr VARTYPE VT_UI4 = 19;
constexpr VARTYPE VT_INT = 22;
constexpr VARTYPE VT_UINT = 23;
constexpr VARTYPE VT_ARRAY = 0x2000;
constexpr VARTYPE VT_BYREF = 0x4000;
constexpr VARTYPE VT_TYPEMASK = 0x0FFF;

struct IDispatch;

struct VARIANT {
  VARTYPE vt;
  WORD wReserved1, wReserved2, wReserved3;
  union {
    LONG lVal;
    BYTE bVal;
    SHORT iVal;
    float fltVal;
    double dblVal;
    VARIANT_BOOL boolVal;
    SCODE scode;
    DATE date;
    BSTR bstrVal;
    IUnknown* punkVal;
    IDispatch* pdispVal;
    int32_t intVal;
    uint32_t uintVal;
    LONG* plVal;
    SHORT* piVal;
    VARIANT_BOOL* pboolVal;
    BSTR* pbstrVal;
    IUnknown** ppunkVal;
    IDispatch** ppdispVal;
    VARIANT* pvarVal;
    void* byref;
  };
};
using VARIANTARG = VARIANT;

// The arguments of a dispatch call: positional ones last to first, then the named ones.
struct DISPPARAMS {
  VARIANTARG* rgvarg;
  DISPID* rgdispidNamedArgs;
  UINT cArgs;
  UINT cNamedArgs;
};

struct EXCEPINFO {
  WORD wCode;
  WORD wReserved;
  BSTR bstrSource;
  BSTR bstrDescription;
  BSTR bstrHelpFile;
  DWORD dwHelpContext;
  void* pvReserved;
  HRESULT (*pfnDeferredFillIn)(EXCEPINFO*);
  SCODE scode;
};

constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;
constexpr WORD DISPATCH_PROPERTYPUT = 0x4;
constexpr WORD DISPATCH_PROPERTYPUTREF = 0x8;
constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

// Type information is not provided by the objects here; the interface exists for the signatures.
struct ITypeInfo : IUnknown {
  COM_INTERFACE(IUnknown, "{00020401-0000-0000-C000-000000000046}");
};

struct IDispatch : IUnknown {
  COM_INTERFACE(IUnknown, "{00020400-0000-0000-C000-000000000046}");
  virtual HRESULT GetTypeInfoCount(UINT* count) = 0;
  virtual HRESULT GetTypeInfo(UINT index, LCID locale, ITypeInfo** typeInfo) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID locale, DISPID* dispIds) = 0;
  virtual HRESULT Invoke(DISPID dispId, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                         EXCEPINFO* excepInfo, UINT* argErr) = 0;
};

// What an object without type information answers: no type information, none to give.
inline HRESULT NoTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}
inline HRESULT NoTypeInfo(ITypeInfo** typeInfo) {
  if (typeInfo) *typeInfo = nullptr;
  return E_NOTIMPL;
}

// Whether an object keeps error information for an interface's failures.
struct ISupportErrorInfo : IUnknown {
  COM_INTERFACE(IUnknown, "{DF0B3D60-548F-101B-8E65-08002B2F8F5A}");
  virtual HRESULT InterfaceSupportsErrorInfo(REFIID riid) = 0;
};

inline constexpr const IID& IID_IDispatch = IDispatch::Iid;

void VariantInit(VARIANT* v);
// Frees what the variant owns (a BSTR, an interface reference; nothing for VT_BYREF) and empties it.
HRESULT VariantClear(VARIANT* v);
// A deep copy: BSTRs are duplicated, interfaces referenced again. The destination is cleared first.
HRESULT VariantCopy(VARIANT* dest, const VARIANT* source);
// Converts the value (references followed) to the type: integers, floating point, booleans, BSTRs (decimal
// text both ways; booleans as "True"/"False" from text and "-1"/"0" to it) and IDispatch (empty and null
// give none). DISP_E_TYPEMISMATCH when the value does not convert, DISP_E_OVERFLOW when it does not fit.
// The destination may be the source.
HRESULT VariantChangeType(VARIANT* dest, const VARIANT* source, USHORT flags, VARTYPE type);

// Owns one VARIANT.
class OleVariant {
 public:
  OleVariant() { VariantInit(&v_); }
  OleVariant(bool value);
  OleVariant(int32_t value);
  // From CP1250 text, as a BSTR.
  OleVariant(std::string_view text);
  OleVariant(const char* text) : OleVariant(std::string_view(text)) {}
  OleVariant(const std::string& text) : OleVariant(std::string_view(text)) {}
  OleVariant(const WideString& text);
  // Takes a new reference to the object (none gives an empty VT_DISPATCH).
  OleVariant(IDispatch* object);
  OleVariant(const OleVariant& other) {
    VariantInit(&v_);
    VariantCopy(&v_, &other.v_);
  }
  OleVariant& operator=(const OleVariant& other) {
    if (this != &other) VariantCopy(&v_, &other.v_);
    return *this;
  }
  ~OleVariant() { VariantClear(&v_); }

  // A variant that refers to another (VT_BYREF | VT_VARIANT), as a by-reference argument of a call.
  static OleVariant RefTo(VARIANT* target);
  // A by-reference VARIANT_BOOL argument.
  static OleVariant RefTo(VARIANT_BOOL* target);

  VARIANT* Get() { return &v_; }
  const VARIANT* Get() const { return &v_; }
  VARTYPE Type() const { return v_.vt; }
  // The value followed through references: text of a BSTR (CP1250), a boolean, an integer. A variant of
  // another type gives "" / false / 0.
  std::string AsString() const;
  bool AsBool() const;
  int32_t AsInteger() const;

 private:
  VARIANT v_;
};

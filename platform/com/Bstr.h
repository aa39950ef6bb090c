// BSTRs: length-prefixed UTF-16 strings of COM, their allocation, WideString (the owning wrapper), and
// conversion to and from the system's CP1250 strings.
#pragma once
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

using BSTR = OLECHAR*;

// A null text gives an empty-or-null BSTR as Windows does: SysAllocString(nullptr) is nullptr.
BSTR SysAllocString(const OLECHAR* text);
BSTR SysAllocStringLen(const OLECHAR* text, UINT length);
void SysFreeString(BSTR text);
// Length in characters (embedded nulls count); 0 for nullptr.
UINT SysStringLen(BSTR text);
UINT SysStringByteLen(BSTR text);

// CP1250 text from a null-terminated wide string (nullptr gives ""), and a new BSTR from CP1250 text.
std::string OleStrToString(const OLECHAR* text);
BSTR StringToOleStr(std::string_view text);
// The characters of a BSTR (embedded nulls kept); a new BSTR of UTF-16 text.
std::u16string BstrToU16(BSTR text);
BSTR U16ToBstr(std::u16string_view text);

// Owns one BSTR (nullptr means the empty string).
class WideString {
 public:
  WideString() = default;
  explicit WideString(std::u16string_view text) : b_(U16ToBstr(text)) {}
  // From CP1250 text.
  static WideString FromString(std::string_view text);
  // Adopts a BSTR that the caller owns.
  static WideString Attach(BSTR b);

  WideString(const WideString& other) : b_(other.b_ ? SysAllocStringLen(other.b_, other.Length()) : nullptr) {}
  WideString(WideString&& other) noexcept : b_(other.Detach()) {}
  WideString& operator=(WideString other) noexcept {
    std::swap(b_, other.b_);
    return *this;
  }
  ~WideString() { SysFreeString(b_); }

  BSTR Get() const { return b_; }
  BSTR Detach() {
    BSTR b = b_;
    b_ = nullptr;
    return b;
  }
  // Frees what is held and gives the slot for an out parameter.
  BSTR* Put() {
    SysFreeString(Detach());
    return &b_;
  }
  UINT Length() const { return SysStringLen(b_); }
  bool Empty() const { return Length() == 0; }
  std::u16string ToU16() const { return BstrToU16(b_); }
  // As CP1250 text; characters outside the code page become "?".
  std::string ToString() const;

  friend bool operator==(const WideString& a, const WideString& b) { return a.ToU16() == b.ToU16(); }

 private:
  BSTR b_ = nullptr;
};

#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>

#include "platform/runtime/Cp1250.h"

namespace {

// Layout: 4-byte byte length, the characters, a null character; the BSTR points at the characters.
BSTR Allocate(UINT length) {
  if (length > (0x7FFFFFF0u - sizeof(uint32_t)) / sizeof(OLECHAR)) return nullptr;
  auto* block = static_cast<unsigned char*>(std::malloc(sizeof(uint32_t) + (size_t(length) + 1) * sizeof(OLECHAR)));
  if (!block) return nullptr;
  uint32_t bytes = length * sizeof(OLECHAR);
  std::memcpy(block, &bytes, sizeof bytes);
  BSTR text = reinterpret_cast<BSTR>(block + sizeof(uint32_t));
  text[length] = 0;
  return text;
}

// The CP1250 byte of each code point the code page holds (its highest is U+2122), 0 for the others.
struct ReverseTable {
  uint8_t bytes[0x2123]{};
  constexpr ReverseTable() {
    for (int i = 0; i < 128; ++i) bytes[cp1250::kHighTable[i]] = uint8_t(0x80 + i);
  }
};
constexpr ReverseTable kReverse;

// UTF-16 to CP1250 in one allocation; what the code page lacks (a surrogate pair included) becomes "?".
std::string FromWide(const OLECHAR* text, size_t length) {
  std::string out(length, '\0');
  size_t n = 0;
  for (size_t i = 0; i < length; ++i) {
    char16_t u = text[i];
    if (u < 0x80) {
      out[n++] = char(u);
      continue;
    }
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) ++i;
    uint8_t b = u < 0x2123 ? kReverse.bytes[u] : 0;
    out[n++] = b ? char(b) : '?';
  }
  out.resize(n);
  return out;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, UINT length) {
  BSTR b = Allocate(length);
  if (b && text)
    std::memcpy(b, text, size_t(length) * sizeof(OLECHAR));
  else if (b)
    std::memset(b, 0, size_t(length) * sizeof(OLECHAR));
  return b;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (!text) return nullptr;
  return SysAllocStringLen(text, UINT(std::char_traits<OLECHAR>::length(text)));
}

void SysFreeString(BSTR text) {
  if (text) std::free(reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t));
}

UINT SysStringByteLen(BSTR text) {
  if (!text) return 0;
  uint32_t bytes;
  std::memcpy(&bytes, reinterpret_cast<unsigned char*>(text) - sizeof(uint32_t), sizeof bytes);
  return bytes;
}

UINT SysStringLen(BSTR text) { return SysStringByteLen(text) / sizeof(OLECHAR); }

std::string OleStrToString(const OLECHAR* text) {
  if (!text) return {};
  return FromWide(text, std::char_traits<OLECHAR>::length(text));
}

BSTR StringToOleStr(std::string_view text) { return U16ToBstr(cp1250::ToUtf16(text)); }

std::u16string BstrToU16(BSTR text) { return text ? std::u16string(text, SysStringLen(text)) : std::u16string(); }

BSTR U16ToBstr(std::u16string_view text) { return SysAllocStringLen(text.data(), UINT(text.size())); }

WideString WideString::FromString(std::string_view text) { return Attach(StringToOleStr(text)); }

WideString WideString::Attach(BSTR b) {
  WideString w;
  w.b_ = b;
  return w;
}

std::string WideString::ToString() const { return FromWide(b_, Length()); }

// GUIDs in their registry text form "{8-4-4-4-12}": formatting, parsing, literals and new random GUIDs.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "platform/com/ComTypes.h"

namespace guid_detail {

constexpr int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Parses "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", hexadecimal digits in either case.
constexpr std::optional<GUID> Parse(std::string_view s) {
  if (s.size() != 38 || s[0] != '{' || s[37] != '}') return std::nullopt;
  for (int dash : {9, 14, 19, 24})
    if (s[dash] != '-') return std::nullopt;
  uint8_t bytes[16]{};
  int n = 0;
  for (std::size_t i = 1; i < 37; ++i) {
    if (i == 9 || i == 14 || i == 19 || i == 24) continue;
    int hi = HexValue(s[i]), lo = HexValue(s[i + 1]);
    if (hi < 0 || lo < 0) return std::nullopt;
    bytes[n++] = uint8_t(hi * 16 + lo);
    ++i;
  }
  GUID g{};
  g.Data1 = uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
  g.Data2 = uint16_t(bytes[4] << 8 | bytes[5]);
  g.Data3 = uint16_t(bytes[6] << 8 | bytes[7]);
  for (int i = 0; i < 8; ++i) g.Data4[i] = bytes[8 + i];
  return g;
}

struct Literal {
  char text[39]{};
  consteval Literal(const char (&s)[39]) {
    for (int i = 0; i < 39; ++i) text[i] = s[i];
  }
};

}  // namespace guid_detail

// Compile-time GUID constant: "{00000000-0000-0000-C000-000000000046}"_guid.
template <guid_detail::Literal L>
consteval GUID operator""_guid() {
  auto g = guid_detail::Parse(std::string_view(L.text, 38));
  if (!g) throw "malformed GUID literal";
  return *g;
}

// Upper-case registry form with braces.
std::string GUIDToString(REFGUID guid);
// Parses the registry form (either case); anything else raises EConvertError.
GUID StringToGUID(std::string_view text);
// The registry form of a GUID, or nothing when the text is not one.
std::optional<GUID> TryStringToGUID(std::string_view text);
// A new random GUID (version 4). Always S_OK.
HRESULT CoCreateGuid(GUID* guid);

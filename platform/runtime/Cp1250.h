// Code page 1250 text: the single-byte strings of the system, converted at the boundaries only.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cp1250 {

// Unicode code points of the bytes 0x80..0xFF. The five bytes that the code page leaves undefined (0x81,
// 0x83, 0x88, 0x90, 0x98) map to the C1 control of the same value, as Windows maps them, so every byte
// round-trips.
constexpr char16_t kHighTable[128] = {
    0x20AC, 0x0081, 0x201A, 0x0083, 0x201E, 0x2026, 0x2020, 0x2021, 0x0088, 0x2030, 0x0160, 0x2039, 0x015A,
    0x0164, 0x017D, 0x0179, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, 0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6,
    0x00A7, 0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, 0x00B0, 0x00B1, 0x02DB, 0x0142,
    0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, 0x0154,
    0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, 0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD,
    0x00CE, 0x010E, 0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, 0x0158, 0x016E, 0x00DA,
    0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, 0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7,
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, 0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4,
    0x0151, 0x00F6, 0x00F7, 0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9,
};

constexpr char16_t ToUnicode(unsigned char b) { return b < 0x80 ? char16_t(b) : kHighTable[b - 0x80]; }

// The byte for a code point, or -1 when the code page has none.
constexpr int FromUnicode(char32_t cp) {
  if (cp < 0x80) return int(cp);
  for (int i = 0; i < 128; ++i)
    if (kHighTable[i] == cp) return 0x80 + i;
  return -1;
}

constexpr unsigned char ToUpperByte(unsigned char b) {
  if (b >= 'a' && b <= 'z') return b - 0x20;
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return b - 0x20;
  if (b == 0x9A || (b >= 0x9C && b <= 0x9F)) return b - 0x10;
  switch (b) {
    case 0xB3: return 0xA3;
    case 0xB9: return 0xA5;
    case 0xBA: return 0xAA;
    case 0xBF: return 0xAF;
    case 0xBE: return 0xBC;
    default: return b;
  }
}

constexpr unsigned char ToLowerByte(unsigned char b) {
  if (b >= 'A' && b <= 'Z') return b + 0x20;
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return b + 0x20;
  if (b == 0x8A || (b >= 0x8C && b <= 0x8F)) return b + 0x10;
  switch (b) {
    case 0xA3: return 0xB3;
    case 0xA5: return 0xB9;
    case 0xAA: return 0xBA;
    case 0xAF: return 0xBF;
    case 0xBC: return 0xBE;
    default: return b;
  }
}

// Conversions. Characters the target cannot hold become "?"; malformed UTF-8 bytes become "?" too.
std::string ToUtf8(std::string_view text);
std::string FromUtf8(std::string_view utf8);
std::u16string ToUtf16(std::string_view text);
std::string FromUtf16(std::u16string_view utf16);

// Case folding: ASCII only (the component library's UpperCase/LowerCase) and CP1250-aware (AnsiUpperCase).
std::string AsciiUpper(std::string_view s);
std::string AsciiLower(std::string_view s);
std::string Upper(std::string_view s);
std::string Lower(std::string_view s);

// Compile-time literal: "ÁRVÍZTŰRŐ"_cp is a std::string of CP1250 bytes, converted by the compiler.
template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  consteval Utf8Literal(const char (&s)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = s[i];
  }
};

template <std::size_t N>
struct Cp1250Bytes {
  char bytes[N]{};
  std::size_t length = 0;
};

template <std::size_t N>
consteval Cp1250Bytes<N> ConvertLiteral(const Utf8Literal<N>& lit) {
  Cp1250Bytes<N> out;
  std::size_t i = 0;
  const std::size_t end = N - 1;  // drop the terminator
  while (i < end) {
    unsigned char c = static_cast<unsigned char>(lit.bytes[i]);
    char32_t cp;
    std::size_t extra;
    if (c < 0x80)
      cp = c, extra = 0;
    else if ((c & 0xE0) == 0xC0)
      cp = c & 0x1F, extra = 1;
    else if ((c & 0xF0) == 0xE0)
      cp = c & 0x0F, extra = 2;
    else if ((c & 0xF8) == 0xF0)
      cp = c & 0x07, extra = 3;
    else
      throw "malformed UTF-8 in a CP1250 literal";
    if (i + extra >= N) throw "truncated UTF-8 in a CP1250 literal";
    for (std::size_t k = 1; k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(lit.bytes[i + k]);
      if ((cc & 0xC0) != 0x80) throw "malformed UTF-8 in a CP1250 literal";
      cp = (cp << 6) | (cc & 0x3F);
    }
    int b = FromUnicode(cp);
    if (b < 0) throw "character outside code page 1250 in a literal";
    out.bytes[out.length++] = static_cast<char>(b);
    i += extra + 1;
  }
  return out;
}

template <Utf8Literal L>
inline constexpr Cp1250Bytes<sizeof(L.bytes)> kLiteral = ConvertLiteral(L);

}  // namespace cp1250

template <cp1250::Utf8Literal L>
std::string operator""_cp() {
  return std::string(cp1250::kLiteral<L>.bytes, cp1250::kLiteral<L>.length);
}

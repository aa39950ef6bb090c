#include "platform/runtime/Cp1250.h"

namespace cp1250 {

namespace {

void AppendUtf8(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

char ByteFor(char32_t cp) {
  int b = FromUnicode(cp);
  return b < 0 ? '?' : char(b);
}

}  // namespace

std::string ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (unsigned char b : text) AppendUtf8(out, ToUnicode(b));
  return out;
}

std::string FromUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size());
  std::size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      out += char(c);
      ++i;
      continue;
    }
    std::size_t extra = (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : 0;
    char32_t cp = extra == 1 ? c & 0x1F : extra == 2 ? c & 0x0F : c & 0x07;
    bool ok = extra > 0 && i + extra < s.size();
    for (std::size_t k = 1; ok && k <= extra; ++k) {
      unsigned char cc = static_cast<unsigned char>(s[i + k]);
      if ((cc & 0xC0) != 0x80)
        ok = false;
      else
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (!ok) {
      out += '?';
      ++i;
      continue;
    }
    out += ByteFor(cp);
    i += extra + 1;
  }
  return out;
}

std::u16string ToUtf16(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (unsigned char b : text) out += ToUnicode(b);
  return out;
}

std::string FromUtf16(std::u16string_view s) {
  std::string out;
  out.reserve(s.size());
  for (std::size_t i = 0; i < s.size(); ++i) {
    char16_t u = s[i];
    if (u >= 0xD800 && u <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
      ++i;  // a surrogate pair is never in the code page
      out += '?';
      continue;
    }
    out += ByteFor(u);
  }
  return out;
}

namespace {
template <unsigned char (*F)(unsigned char)>
std::string Map(std::string_view s, bool asciiOnly) {
  std::string out(s);
  for (char& c : out) {
    unsigned char b = static_cast<unsigned char>(c);
    if (asciiOnly && b >= 0x80) continue;
    c = static_cast<char>(F(b));
  }
  return out;
}
}  // namespace

std::string AsciiUpper(std::string_view s) { return Map<ToUpperByte>(s, true); }
std::string AsciiLower(std::string_view s) { return Map<ToLowerByte>(s, true); }
std::string Upper(std::string_view s) { return Map<ToUpperByte>(s, false); }
std::string Lower(std::string_view s) { return Map<ToLowerByte>(s, false); }

}  // namespace cp1250

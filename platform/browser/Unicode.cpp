#include "platform/browser/Unicode.h"

namespace browser {
namespace {

void Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out += char(cp);
  } else if (cp < 0x800) {
    out += char(0xC0 | (cp >> 6));
    out += char(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += char(0xE0 | (cp >> 12));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  } else {
    out += char(0xF0 | (cp >> 18));
    out += char(0x80 | ((cp >> 12) & 0x3F));
    out += char(0x80 | ((cp >> 6) & 0x3F));
    out += char(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  while (p < end) {
    unsigned char lead = *p++;
    if (lead < 0x80) {
      out += char16_t(lead);
      continue;
    }
    int extra = (lead & 0xE0) == 0xC0 ? 1 : (lead & 0xF0) == 0xE0 ? 2 : (lead & 0xF8) == 0xF0 ? 3 : -1;
    char32_t cp = extra == 1 ? lead & 0x1F : extra == 2 ? lead & 0x0F : lead & 0x07;
    bool good = extra > 0 && end - p >= extra;
    for (int i = 0; good && i < extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) good = false;
      cp = (cp << 6) | (p[i] & 0x3F);
    }
    if (!good) {
      out += u'\uFFFD';
      continue;
    }
    p += extra;
    if (cp >= 0x10000 && cp <= 0x10FFFF) {
      cp -= 0x10000;
      out += char16_t(0xD800 + (cp >> 10));
      out += char16_t(0xDC00 + (cp & 0x3FF));
    } else if (cp > 0x10FFFF) {
      out += u'\uFFFD';
    } else {
      out += char16_t(cp);  // a CESU-8 surrogate stays one unit of its pair
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16, bool cesu) {
  std::string out;
  out.reserve(utf16.size());
  for (size_t i = 0; i < utf16.size(); ++i) {
    char32_t c = utf16[i];
    bool high = c >= 0xD800 && c <= 0xDBFF, low = c >= 0xDC00 && c <= 0xDFFF;
    if (cesu && (high || low)) {
      Append(out, c);
    } else if (high && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
      Append(out, 0x10000 + ((c - 0xD800) << 10) + (utf16[++i] - 0xDC00));
    } else {
      Append(out, high || low ? 0xFFFD : c);
    }
  }
  return out;
}

}  // namespace browser

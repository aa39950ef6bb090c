#include "platform/runtime/SysUtils.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Locale.h"

std::string IntToStr(int64_t value) {
  char buffer[24];
  auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  return std::string(buffer, end);
}

std::string IntToHex64(uint64_t value, int digits) {
  char buffer[16];
  int n = 0;
  do {
    buffer[n++] = "0123456789ABCDEF"[value & 15];
    value >>= 4;
  } while (value);
  std::string out;
  if (digits > n) out.append(digits - n, '0');
  while (n) out += buffer[--n];
  return out;
}

namespace {

// The integer grammar of TryStrToInt for a result of `bits` bits (32 or 64).
bool ParseInteger(std::string_view text, int bits, int64_t& value) {
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  const bool hex = i < text.size() && text[i] == '$';
  if (hex) ++i;
  if (i == text.size()) return false;
  const uint64_t limit =
      hex ? (bits == 64 ? UINT64_MAX : UINT32_MAX) : (uint64_t(1) << (bits - 1)) - (negative ? 0 : 1);
  const unsigned base = hex ? 16 : 10;
  uint64_t magnitude = 0;
  for (; i < text.size(); ++i) {
    unsigned char c = text[i];
    unsigned digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
      digit = (c | 0x20) - 'a' + 10;
    else
      return false;
    if (magnitude > (limit - digit) / base) return false;
    magnitude = magnitude * base + digit;
  }
  if (bits == 32 && hex) magnitude = static_cast<uint64_t>(static_cast<int64_t>(static_cast<int32_t>(magnitude)));
  value = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
  if (bits == 32) value = static_cast<int32_t>(value);
  return true;
}

[[noreturn]] void InvalidInteger(std::string_view text) {
  throw EConvertError("'" + std::string(text) + "' is not a valid integer value");
}

}  // namespace

bool TryStrToInt64(std::string_view text, int64_t& value) { return ParseInteger(text, 64, value); }

bool TryStrToInt(std::string_view text, int32_t& value) {
  int64_t wide;
  if (!ParseInteger(text, 32, wide)) return false;
  value = static_cast<int32_t>(wide);
  return true;
}

int32_t StrToInt(std::string_view text) {
  int32_t value;
  if (!TryStrToInt(text, value)) InvalidInteger(text);
  return value;
}

int64_t StrToInt64(std::string_view text) {
  int64_t value;
  if (!TryStrToInt64(text, value)) InvalidInteger(text);
  return value;
}

int32_t StrToIntDef(std::string_view text, int32_t fallback) {
  int32_t value;
  return TryStrToInt(text, value) ? value : fallback;
}

int64_t StrToInt64Def(std::string_view text, int64_t fallback) {
  int64_t value;
  return TryStrToInt64(text, value) ? value : fallback;
}

std::string FloatToStr(double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  if (value == 0) return "0";
  // 15 significant digits, correctly rounded: d.dddddddddddddde[+-]x
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.14e", std::fabs(value));
  std::string digits;
  digits += buffer[0];
  digits.append(buffer + 2, 14);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  const int exponent = std::atoi(std::strchr(buffer, 'e') + 1);  // value = d.ddd * 10^exponent
  const char separator = FormatSettings().DecimalSeparator;
  std::string out = value < 0 ? "-" : "";
  if (exponent >= 15 || exponent < -4) {
    out += digits[0];
    if (digits.size() > 1) out += separator + digits.substr(1);
    out += 'E' + IntToStr(exponent);
  } else if (exponent < 0) {
    out += '0';
    out += separator;
    out.append(-exponent - 1, '0');
    out += digits;
  } else {
    const size_t whole = exponent + 1;
    if (digits.size() <= whole) {
      out += digits;
      out.append(whole - digits.size(), '0');
    } else {
      out += digits.substr(0, whole);
      out += separator;
      out += digits.substr(whole);
    }
  }
  return out;
}

bool TryStrToFloat(std::string_view text, double& value) {
  // Rewrite into the C grammar ("." as separator), checking the library's grammar on the way.
  const char separator = FormatSettings().DecimalSeparator;
  size_t i = 0, n = text.size();
  while (i < n && text[i] == ' ') ++i;
  while (n > i && text[n - 1] == ' ') --n;
  std::string c;
  if (i < n && (text[i] == '+' || text[i] == '-')) {
    if (text[i] == '-') c += '-';
    ++i;
  }
  size_t digits = 0;
  for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) c += text[i];
  if (i < n && text[i] == separator) {
    c += '.';
    for (++i; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++digits) c += text[i];
  }
  if (digits == 0) return false;
  if (i < n && (text[i] | 0x20) == 'e') {
    c += 'e';
    ++i;
    if (i < n && (text[i] == '+' || text[i] == '-')) c += text[i++];
    size_t exponentDigits = 0;
    for (; i < n && text[i] >= '0' && text[i] <= '9'; ++i, ++exponentDigits) c += text[i];
    if (exponentDigits == 0) return false;
  }
  if (i != n) return false;
  double result;
  auto [end, error] = std::from_chars(c.data(), c.data() + c.size(), result);
  if (error != std::errc() || end != c.data() + c.size()) return false;
  value = result;
  return true;
}

double StrToFloat(std::string_view text) {
  double value;
  if (!TryStrToFloat(text, value))
    throw EConvertError("'" + std::string(text) + "' is not a valid floating point value");
  return value;
}

std::string TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  return std::string(s.substr(i));
}

std::string TrimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
  return std::string(s.substr(0, n));
}

std::string Trim(std::string_view s) {
  size_t i = 0, n = s.size();
  while (i < n && static_cast<unsigned char>(s[i]) <= ' ') ++i;
  while (n > i && static_cast<unsigned char>(s[n - 1]) <= ' ') --n;
  return std::string(s.substr(i, n - i));
}

std::string UpperCase(std::string_view s) { return cp1250::AsciiUpper(s); }
std::string LowerCase(std::string_view s) { return cp1250::AsciiLower(s); }
std::string AnsiUpperCase(std::string_view s) { return cp1250::Upper(s); }
std::string AnsiLowerCase(std::string_view s) { return cp1250::Lower(s); }

std::string StringReplace(std::string_view s, std::string_view from, std::string_view to, TReplaceFlags flags) {
  if (from.empty()) return std::string(s);
  std::string foldedText, foldedFrom;
  std::string_view haystack = s, needle = from;
  if (flags & rfIgnoreCase) {
    foldedText = cp1250::Upper(s);
    foldedFrom = cp1250::Upper(from);
    haystack = foldedText;
    needle = foldedFrom;
  }
  std::string out;
  size_t i = 0;
  while (i <= s.size()) {
    size_t hit = haystack.find(needle, i);
    if (hit == std::string_view::npos) break;
    out.append(s.substr(i, hit - i));
    out.append(to);
    i = hit + from.size();
    if (!(flags & rfReplaceAll)) break;
  }
  out.append(s.substr(i));
  return out;
}

size_t Pos(std::string_view sub, std::string_view s) {
  if (sub.empty()) return 0;
  size_t hit = s.find(sub);
  return hit == std::string_view::npos ? 0 : hit + 1;
}

std::string Copy(std::string_view s, int64_t index, int64_t count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<int64_t>(s.size())) return "";
  return std::string(s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count)));
}

std::string QuotedStr(std::string_view s) {
  std::string out = "'";
  for (char c : s) {
    out += c;
    if (c == '\'') out += c;
  }
  return out + "'";
}

size_t LastDelimiter(std::string_view delimiters, std::string_view s) {
  size_t hit = s.find_last_of(delimiters);
  return hit == std::string_view::npos ? 0 : hit + 1;
}

std::string ExtractFilePath(std::string_view fileName) {
  return std::string(fileName.substr(0, LastDelimiter("\\:", fileName)));
}

std::string ExtractFileName(std::string_view fileName) {
  return std::string(fileName.substr(LastDelimiter("\\:", fileName)));
}

std::string ExtractFileExt(std::string_view fileName) {
  size_t i = LastDelimiter(".\\:", fileName);
  return i > 0 && fileName[i - 1] == '.' ? std::string(fileName.substr(i - 1)) : std::string();
}

std::string ChangeFileExt(std::string_view fileName, std::string_view extension) {
  size_t i = LastDelimiter(".\\:", fileName);
  if (i == 0 || fileName[i - 1] != '.') i = fileName.size() + 1;
  std::string out(fileName.substr(0, i - 1));
  out.append(extension);
  return out;
}

std::string IncludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (out.empty() || out.back() != '\\') out += '\\';
  return out;
}

std::string ExcludeTrailingPathDelimiter(std::string_view path) {
  std::string out(path);
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

// String, number and file-name helpers of the component library, over CP1250 strings. Positions are
// 1-based as in the library; conversions that fail raise EConvertError with the library's texts.
#pragma once
#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

// Numbers as text. IntToHex writes upper-case digits, at least `digits` of them, of the value's two's
// complement: 32 bits for types up to 32 bits, 64 for wider ones (IntToHex(-1, 2) is "FFFFFFFF").
std::string IntToStr(int64_t value);
std::string IntToHex64(uint64_t value, int digits);
template <std::integral T>
std::string IntToHex(T value, int digits) {
  if constexpr (sizeof(T) <= 4)
    return IntToHex64(static_cast<uint32_t>(value), digits);
  else
    return IntToHex64(static_cast<uint64_t>(value), digits);
}

// Text to integer: leading blanks, an optional sign, then decimal digits or "$" and hexadecimal digits;
// nothing may follow. Hexadecimal text may fill all bits ("$FFFFFFFF" is -1); decimal text must be in range.
// Failure raises EConvertError "'%s' is not a valid integer value".
bool TryStrToInt(std::string_view text, int32_t& value);
bool TryStrToInt64(std::string_view text, int64_t& value);
int32_t StrToInt(std::string_view text);
int64_t StrToInt64(std::string_view text);
int32_t StrToIntDef(std::string_view text, int32_t fallback);
int64_t StrToInt64Def(std::string_view text, int64_t fallback);

// Floating point as text with the locale's decimal separator: 15 significant digits, trailing zeros
// dropped; scientific notation ("1,5E20", "1E-5") for magnitudes below 0.0001 or of more than 15 integer
// digits; "NAN", "INF", "-INF".
std::string FloatToStr(double value);
// Text to floating point: blanks around, an optional sign, digits with the locale's decimal separator, an
// optional exponent ("E", sign, digits). Failure raises EConvertError "'%s' is not a valid floating point
// value".
bool TryStrToFloat(std::string_view text, double& value);
double StrToFloat(std::string_view text);

// Removing blanks and control characters (codes up to 32) from both ends, the left or the right.
std::string Trim(std::string_view s);
std::string TrimLeft(std::string_view s);
std::string TrimRight(std::string_view s);

// Case: ASCII letters only (UpperCase), or every CP1250 letter (AnsiUpperCase).
std::string UpperCase(std::string_view s);
std::string LowerCase(std::string_view s);
std::string AnsiUpperCase(std::string_view s);
std::string AnsiLowerCase(std::string_view s);

enum TReplaceFlags : unsigned { rfNone = 0, rfReplaceAll = 1, rfIgnoreCase = 2 };
constexpr TReplaceFlags operator|(TReplaceFlags a, TReplaceFlags b) { return TReplaceFlags(unsigned(a) | b); }

// Replaces the first occurrence of `from` (every one with rfReplaceAll; letters of either case, CP1250,
// with rfIgnoreCase). An empty `from` changes nothing.
std::string StringReplace(std::string_view s, std::string_view from, std::string_view to, TReplaceFlags flags);

// 1-based position of the first occurrence of `sub` in `s`; 0 when there is none or `sub` is empty.
size_t Pos(std::string_view sub, std::string_view s);
// Up to `count` characters from 1-based position `index`; out-of-range parts are cut, never raise.
std::string Copy(std::string_view s, int64_t index, int64_t count);
// The text between single quotes, inner quotes doubled.
std::string QuotedStr(std::string_view s);
// 1-based position of the last character of `s` that is one of `delimiters`; 0 when none.
size_t LastDelimiter(std::string_view delimiters, std::string_view s);

// Windows file names: "\" separates folders and ":" ends a drive; "/" is an ordinary character.
// ExtractFilePath keeps the final delimiter; ExtractFileExt starts at the last "." that no delimiter follows.
std::string ExtractFilePath(std::string_view fileName);
std::string ExtractFileName(std::string_view fileName);
std::string ExtractFileExt(std::string_view fileName);
std::string ChangeFileExt(std::string_view fileName, std::string_view extension);
std::string IncludeTrailingPathDelimiter(std::string_view path);
std::string ExcludeTrailingPathDelimiter(std::string_view path);

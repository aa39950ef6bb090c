// Text comparisons of the component library: ordinal, and by the user locale's collation (Hungarian by
// default), in one place.
//
// The collation compares character by character, case-insensitively, by these weights (lowest first):
// every character that is neither a letter nor a digit, by its byte value; the digits 0 to 9; the letters
// A to Z, each followed directly by its accented forms (a á â ă ä ą b c ç ć č d ď đ e é ë ę ě ... o ó ö ő ô
// ... u ú ü ű ů ... z ź ż ž; ß follows š). A text that is a prefix of another sorts first. Two texts compare
// equal only when they differ at most in letter case, so the order is total on case-folded texts.
// The case-sensitive variant orders as Windows does: case-insensitively first; among texts that differ
// only in case, at the first difference the lower-case letter comes first.
#pragma once
#include <cstddef>
#include <string_view>

// Ordinal comparisons (CompareStr: bytes as unsigned; CompareText: ASCII letters folded). <0, 0 or >0.
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
// Equal in any ASCII letter case, other bytes exactly (inline: it sits in the hot paths of name lookups).
inline bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x != y && ((x | 0x20) != (y | 0x20) || (x | 0x20) < 'a' || (x | 0x20) > 'z')) return false;
  }
  return true;
}

// Locale-aware comparisons of the user's default locale (AnsiCompareStr is case-sensitive,
// AnsiCompareText case-insensitive). <0, 0 or >0.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

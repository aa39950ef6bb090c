// Text comparisons of the component library: ordinal, and by the user locale's collation (Hungarian by
// default), in one place.
#pragma once
#include <string_view>

// Ordinal comparisons (CompareStr: bytes as unsigned; CompareText: ASCII letters folded). <0, 0 or >0.
int CompareStr(std::string_view a, std::string_view b);
int CompareText(std::string_view a, std::string_view b);
bool SameText(std::string_view a, std::string_view b);

// Locale-aware comparisons of the user's default locale (AnsiCompareStr is case-sensitive,
// AnsiCompareText case-insensitive). <0, 0 or >0.
int AnsiCompareStr(std::string_view a, std::string_view b);
int AnsiCompareText(std::string_view a, std::string_view b);
bool AnsiSameText(std::string_view a, std::string_view b);

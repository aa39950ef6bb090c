// The user locale: Hungarian by default, overridable by the machine's registry later. Text comparisons of
// the component library and the date and time formats live here, in one place.
#pragma once
#include <string>
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

// The user locale's formats (the component library's ShortDateFormat, LongTimeFormat and separators).
struct TFormatSettings {
  std::string ShortDateFormat;
  std::string LongTimeFormat;
  char DateSeparator;
  char TimeSeparator;
  char DecimalSeparator;
  char ThousandSeparator;
};

// The formats in effect; ResetFormatSettings restores the built-in Hungarian defaults.
TFormatSettings& FormatSettings();
void ResetFormatSettings();

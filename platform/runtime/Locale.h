// The user locale's formats: Hungarian by default, overridable by the machine's registry later.
// (The locale's text comparisons are in Collation.h.)
#pragma once
#include <string>

// The user locale's formats (the component library's ShortDateFormat, time formats and separators).
struct TFormatSettings {
  std::string ShortDateFormat;
  std::string ShortTimeFormat;
  std::string LongTimeFormat;
  char DateSeparator;
  char TimeSeparator;
  char DecimalSeparator;
  char ThousandSeparator;
};

// The formats in effect; ResetFormatSettings restores the built-in Hungarian defaults (short date
// "yyyy.MM.dd.", short time "H:mm", long time "H:mm:ss"; separators ".", ":", "," and a no-break space).
// Change them only while no other thread formats (at start-up, or in a test).
TFormatSettings& FormatSettings();
void ResetFormatSettings();

#include "platform/runtime/Locale.h"

namespace {

// Hungarian Windows: 2005.03.07. and 14:30:15; decimal comma, no-break space between thousands.
TFormatSettings HungarianDefaults() {
  return TFormatSettings{
      .ShortDateFormat = "yyyy.MM.dd.",
      .ShortTimeFormat = "H:mm",
      .LongTimeFormat = "H:mm:ss",
      .DateSeparator = '.',
      .TimeSeparator = ':',
      .DecimalSeparator = ',',
      .ThousandSeparator = '\xA0',
  };
}

}  // namespace

TFormatSettings& FormatSettings() {
  static TFormatSettings settings = HungarianDefaults();
  return settings;
}

void ResetFormatSettings() { FormatSettings() = HungarianDefaults(); }

// Text that becomes values: numbers, variants, date-time formats (the locale's formats come from the
// registry) and format strings. Checks that nothing but the documented exceptions leaves, and that
// numbers written as text read back.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/SysUtils.h"
#include "platform/runtime/Variant.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  int64_t wide;
  if (TryStrToInt64(text, wide) && StrToInt64(IntToStr(wide)) != wide) std::abort();
  int32_t narrow;
  if (TryStrToInt(text, narrow) && StrToInt(IntToStr(narrow)) != narrow) std::abort();
  double number;
  if (TryStrToFloat(text, number) && std::isfinite(number)) {
    double back = StrToFloat(FloatToStr(number));
    if (std::fabs(back - number) > std::fabs(number) * 1e-14) std::abort();
  }

  const Variant v(text);
  try {
    v.AsInteger();
  } catch (const EVariantError&) {
  }
  try {
    v.AsDouble();
  } catch (const EVariantError&) {
  }
  try {
    v.AsBoolean();
  } catch (const EVariantError&) {
  }
  try {
    VarCompareValue(v, Variant(1));
  } catch (const EVariantError&) {
  }

  for (TDateTime when : {0.0, -1.25, 38418.6043402778, 2958465.99999999}) {
    std::string out = FormatDateTime(text, when);
    if (out.size() > 64 * (size + 1)) std::abort();
  }

  try {
    Format(text, {1, "text", 'c', int64_t(-1), 2.5, nullptr});
  } catch (const EConvertError&) {
  }
  return 0;
}

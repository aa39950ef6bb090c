// Parses any bytes as a page, under each charset a server may name, and converts what it found back and
// forth between UTF-16 and UTF-8: nothing may crash, and the conversions must round-trip.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/browser/HtmlPage.h"
#include "platform/browser/Unicode.h"

static void Check(const std::u16string& text) {
  // Well-formed UTF-16 survives the trip through UTF-8 unchanged.
  std::string utf8 = browser::Utf16ToUtf8(text);
  std::u16string back = browser::Utf8ToUtf16(utf8);
  if (browser::Utf16ToUtf8(back) != utf8) std::abort();
  (void)browser::Utf16ToUtf8(text, true);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const char* charset : {"", "windows-1250", "utf-8"}) {
    browser::THtmlPage page = browser::ParseHtmlPage(bytes, charset);
    Check(page.title);
    Check(page.bodyHtml);
    for (const auto& script : page.scripts) Check(script);
  }
  Check(browser::Utf8ToUtf16(bytes));
  return 0;
}

// UTF-8 and UTF-16 text of pages: libxml2 speaks UTF-8, the script engine CESU-8 (surrogates encoded one
// by one), BSTRs UTF-16. Malformed UTF-8 becomes U+FFFD.
#pragma once
#include <string>
#include <string_view>

namespace browser {

std::u16string Utf8ToUtf16(std::string_view utf8);
// CESU-8 when cesu is set, else UTF-8 (unpaired surrogates become U+FFFD).
std::string Utf16ToUtf8(std::u16string_view utf16, bool cesu = false);

}  // namespace browser

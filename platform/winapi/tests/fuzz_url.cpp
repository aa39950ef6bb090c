// URL cracking and combining on any bytes: the first line is a base, the rest a reference. Cracking in
// place gives parts inside the URL; combining writes exactly what its size query announced.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/winapi/LastError.h"
#include "platform/winapi/WinInet.h"

namespace {

bool Crack(const std::string& url) {
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.dwSchemeLength = parts.dwHostNameLength = parts.dwUserNameLength = parts.dwPasswordLength =
      parts.dwUrlPathLength = parts.dwExtraInfoLength = 1;
  if (!InternetCrackUrlA(url.c_str(), DWORD(url.size()), 0, &parts)) return false;
  const char* begin = url.c_str();
  const char* end = begin + url.size();
  auto inside = [&](const char* part, DWORD length) {
    if (!part) return length == 0;
    return part >= begin && part <= end && length <= DWORD(end - part);
  };
  if (!inside(parts.lpszScheme, parts.dwSchemeLength) || !inside(parts.lpszHostName, parts.dwHostNameLength) ||
      !inside(parts.lpszUserName, parts.dwUserNameLength) || !inside(parts.lpszPassword, parts.dwPasswordLength) ||
      !inside(parts.lpszUrlPath, parts.dwUrlPathLength) || !inside(parts.lpszExtraInfo, parts.dwExtraInfoLength))
    std::abort();
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (text.find('\0') != std::string_view::npos) return 0;  // C strings only
  size_t newline = text.find('\n');
  std::string base(text.substr(0, newline));
  std::string reference(newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1));
  Crack(base);
  Crack(reference);
  DWORD needed = 0;
  if (InternetCombineUrlA(base.c_str(), reference.c_str(), nullptr, &needed, ICU_NO_ENCODE) ||
      GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0)
    return 0;
  std::string combined(needed, '\x7f');
  DWORD length = needed;
  if (!InternetCombineUrlA(base.c_str(), reference.c_str(), combined.data(), &length, ICU_NO_ENCODE) ||
      length + 1 != needed || combined[length] != '\0')
    std::abort();
  combined.resize(length);
  Crack(combined);
  return 0;
}

// Loading an address for the browser: "about:blank" is an empty page, http addresses are fetched with the
// internet client (redirects followed), everything else fails. A failure carries the status a browser
// reports in NavigateError: the HTTP status of a server's refusal, or the INET_E_ code of the failure.
#pragma once
#include <cstdint>
#include <string>

#include "platform/com/ComTypes.h"

namespace browser {

constexpr HRESULT INET_E_INVALID_URL = HRESULT(0x800C0002);
constexpr HRESULT INET_E_NO_SESSION = HRESULT(0x800C0003);
constexpr HRESULT INET_E_CANNOT_CONNECT = HRESULT(0x800C0004);
constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = HRESULT(0x800C0005);
constexpr HRESULT INET_E_DOWNLOAD_FAILURE = HRESULT(0x800C0008);
constexpr HRESULT INET_E_CONNECTION_TIMEOUT = HRESULT(0x800C000B);
constexpr HRESULT INET_E_UNKNOWN_PROTOCOL = HRESULT(0x800C000D);

struct TLoadedPage {
  bool ok = false;
  int32_t status = 0;   // failure: the status of NavigateError
  std::string body;     // the bytes of the page
  std::string charset;  // from the server's Content-Type, "" when it named none
};

// Blocks the calling thread for the fetch; time-outs of a few seconds.
TLoadedPage LoadPage(const std::string& url);

// Whether the address is "about:blank" in any letter case.
bool IsAboutBlank(const std::string& url);

}  // namespace browser

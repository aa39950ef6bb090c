#include "platform/browser/PageLoader.h"

#include <memory>

#include "platform/runtime/Collation.h"
#include "platform/winapi/WinInet.h"

namespace browser {
namespace {

constexpr DWORD kTimeoutMs = 10000;
constexpr size_t kMaxPageSize = 16 * 1024 * 1024;

struct HandleCloser {
  void operator()(void* h) const { InternetCloseHandle(h); }
};
using Handle = std::unique_ptr<void, HandleCloser>;

HRESULT StatusOfError(DWORD error) {
  switch (error) {
    case ERROR_INTERNET_NAME_NOT_RESOLVED: return INET_E_RESOURCE_NOT_FOUND;
    case ERROR_INTERNET_CANNOT_CONNECT: return INET_E_CANNOT_CONNECT;
    case ERROR_INTERNET_TIMEOUT: return INET_E_CONNECTION_TIMEOUT;
    case ERROR_INTERNET_INVALID_URL: return INET_E_INVALID_URL;
    case ERROR_INTERNET_UNRECOGNIZED_SCHEME: return INET_E_UNKNOWN_PROTOCOL;
    default: return INET_E_DOWNLOAD_FAILURE;
  }
}

TLoadedPage Failure(int32_t status) {
  TLoadedPage page;
  page.status = status;
  return page;
}

TLoadedPage FailureOfLastError() { return Failure(StatusOfError(GetLastError())); }

std::string Part(LPSTR p, DWORD n) { return p && n ? std::string(p, n) : std::string(); }

// The charset parameter of a Content-Type value.
std::string CharsetOf(const std::string& contentType) {
  std::string lower = contentType;
  for (char& c : lower)
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
  size_t at = lower.find("charset=");
  if (at == std::string::npos) return "";
  std::string value = contentType.substr(at + 8);
  size_t end = value.find_first_of("; \t");
  value = value.substr(0, end);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return value;
}

}  // namespace

bool IsAboutBlank(const std::string& url) { return SameText(url, "about:blank"); }

TLoadedPage LoadPage(const std::string& url) {
  if (IsAboutBlank(url)) {
    TLoadedPage blank;
    blank.ok = true;
    return blank;
  }
  URL_COMPONENTSA c{};
  c.dwStructSize = sizeof c;
  c.dwSchemeLength = c.dwHostNameLength = c.dwUrlPathLength = c.dwExtraInfoLength = DWORD(-1);
  if (!InternetCrackUrlA(url.c_str(), DWORD(url.size()), 0, &c)) return Failure(INET_E_UNKNOWN_PROTOCOL);
  if (c.nScheme != INTERNET_SCHEME_HTTP) return Failure(INET_E_UNKNOWN_PROTOCOL);
  std::string host = Part(c.lpszHostName, c.dwHostNameLength);
  std::string object = Part(c.lpszUrlPath, c.dwUrlPathLength) + Part(c.lpszExtraInfo, c.dwExtraInfoLength);
  if (host.empty()) return Failure(INET_E_INVALID_URL);
  if (object.empty()) object = "/";

  Handle session(InternetOpenA("Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1)", INTERNET_OPEN_TYPE_PRECONFIG,
                               nullptr, nullptr, 0));
  if (!session) return Failure(INET_E_NO_SESSION);
  DWORD timeout = kTimeoutMs;
  for (DWORD option : {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT})
    InternetSetOptionA(session.get(), option, &timeout, sizeof timeout);
  Handle connection(
      InternetConnectA(session.get(), host.c_str(), c.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return FailureOfLastError();
  HINTERNET rawRequest = HttpOpenRequestA(connection.get(), "GET", object.c_str(), nullptr, nullptr, nullptr,
                                          INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_UI, 0);
  if (!rawRequest) return FailureOfLastError();
  Handle request(rawRequest);
  if (!HttpSendRequestA(request.get(), nullptr, 0, nullptr, 0)) return FailureOfLastError();
  DWORD status = 0, size = sizeof status;
  if (!HttpQueryInfoA(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr))
    return FailureOfLastError();
  if (status != 200) return Failure(int32_t(status));
  TLoadedPage page;
  char type[256] = {};
  DWORD typeSize = sizeof type - 1;
  if (HttpQueryInfoA(request.get(), HTTP_QUERY_CONTENT_TYPE, type, &typeSize, nullptr))
    page.charset = CharsetOf(std::string(type, typeSize));
  char buffer[8192];
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(request.get(), buffer, sizeof buffer, &read)) return FailureOfLastError();
    if (read == 0) break;
    if (page.body.size() + read > kMaxPageSize) return Failure(INET_E_DOWNLOAD_FAILURE);
    page.body.append(buffer, read);
  }
  page.ok = true;
  return page;
}

}  // namespace browser

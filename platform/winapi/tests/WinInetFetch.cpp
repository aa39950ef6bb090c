#include "platform/winapi/tests/WinInetFetch.h"

#include <gtest/gtest.h>

#include <vector>

namespace testing_support {

FetchResult Fetch(const std::string& host, INTERNET_PORT port, const std::string& object, const FetchOptions& options) {
  FetchResult result;
  HINTERNET session = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
  EXPECT_NE(session, nullptr);
  HINTERNET connection = InternetConnectA(session, host.c_str(), port, "", nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  EXPECT_NE(connection, nullptr);
  HINTERNET request =
      HttpOpenRequestA(connection, options.verb.c_str(), object.c_str(), nullptr, nullptr, nullptr, options.flags, 0);
  EXPECT_NE(request, nullptr);
  if (options.receiveTimeoutMs) {
    DWORD ms = options.receiveTimeoutMs;
    EXPECT_TRUE(InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms));
  }
  std::string body = options.body;
  if (!HttpSendRequestA(request, options.headers.empty() ? nullptr : options.headers.c_str(), DWORD(-1),
                        body.empty() ? nullptr : body.data(), DWORD(body.size()))) {
    result.sendError = GetLastError();
  } else {
    DWORD status = 0, size = sizeof status;
    EXPECT_TRUE(HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr));
    result.status = int(status);
    std::vector<char> buffer(options.bufferSize);
    for (;;) {
      DWORD got = 0;
      ++result.reads;
      if (!InternetReadFile(request, buffer.data(), DWORD(buffer.size()), &got)) {
        result.readError = GetLastError();
        break;
      }
      if (got == 0) break;
      result.body.append(buffer.data(), got);
    }
  }
  char url[2048];
  DWORD length = sizeof url;
  if (InternetQueryOptionA(request, INTERNET_OPTION_URL, url, &length)) result.finalUrl.assign(url, length);
  EXPECT_TRUE(InternetCloseHandle(session));
  return result;
}

}  // namespace testing_support

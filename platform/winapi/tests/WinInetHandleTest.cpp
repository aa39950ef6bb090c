// The internet calls' handle model: kinds and states of handles, time-outs per handle and process-wide,
// header queries, and the connected state.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/WinInet.h"

using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;

namespace {

DWORD QueryTimeout(HINTERNET h, DWORD option) {
  DWORD value = 0, size = sizeof value;
  EXPECT_TRUE(InternetQueryOptionA(h, option, &value, &size));
  EXPECT_EQ(size, sizeof value);
  return value;
}

bool SetTimeout(HINTERNET h, DWORD option, DWORD value) { return InternetSetOptionA(h, option, &value, sizeof value); }

struct Handles {
  HINTERNET session, connection, request;
};

Handles Open(INTERNET_PORT port) {
  Handles h;
  h.session = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  h.connection = InternetConnectA(h.session, "127.0.0.1", port, "", nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  h.request = HttpOpenRequestA(h.connection, "GET", "/", nullptr, nullptr, nullptr, 0, 0);
  return h;
}

TEST(WinInetHandles, TimeoutsComeFromTheHandleItsParentsOrTheProcess) {
  EXPECT_EQ(QueryTimeout(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT), 60000u);
  EXPECT_EQ(QueryTimeout(nullptr, INTERNET_OPTION_SEND_TIMEOUT), 30000u);
  EXPECT_EQ(QueryTimeout(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT), 30000u);
  Handles h = Open(80);
  ASSERT_TRUE(SetTimeout(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, 45000));
  EXPECT_EQ(QueryTimeout(h.request, INTERNET_OPTION_RECEIVE_TIMEOUT), 45000u) << "the process-wide value";
  ASSERT_TRUE(SetTimeout(h.session, INTERNET_OPTION_RECEIVE_TIMEOUT, 5000));
  EXPECT_EQ(QueryTimeout(h.request, INTERNET_OPTION_RECEIVE_TIMEOUT), 5000u) << "the session's value";
  ASSERT_TRUE(SetTimeout(h.request, INTERNET_OPTION_RECEIVE_TIMEOUT, 700));
  EXPECT_EQ(QueryTimeout(h.request, INTERNET_OPTION_RECEIVE_TIMEOUT), 700u);
  EXPECT_EQ(QueryTimeout(h.connection, INTERNET_OPTION_RECEIVE_TIMEOUT), 5000u);
  EXPECT_EQ(QueryTimeout(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT), 45000u);
  EXPECT_EQ(QueryTimeout(h.request, INTERNET_OPTION_CONNECT_TIMEOUT), 60000u);

  DWORD value = 1;
  EXPECT_FALSE(InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &value, 2));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_BAD_OPTION_LENGTH);
  EXPECT_FALSE(InternetSetOptionA(nullptr, 999, &value, sizeof value));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_INVALID_OPTION);
  EXPECT_FALSE(InternetSetOptionA(h.request, INTERNET_OPTION_URL, &value, sizeof value));
  EXPECT_EQ(GetLastError(), ERROR_INTERNET_OPTION_NOT_SETTABLE);
  DWORD small = 2;
  EXPECT_FALSE(InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECT_TIMEOUT, &value, &small));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(small, 4u);
  InternetCloseHandle(h.session);
}

TEST(WinInetHandles, HandlesAreCheckedForKindAndState) {
  HttpTestServer server;
  server.On("/", HttpScriptedResponse::Ok("body"));
  Handles h = Open(server.Port());
  ASSERT_NE(h.request, nullptr);
  DWORD status = 0, size = sizeof status, got = 0;
  char buffer[16];
  auto refused = [](HINTERNET h) { return h != nullptr; };
  struct Case {
    const char* what;
    std::function<bool()> call;
    DWORD error;
  } cases[] = {
      {"query before send",
       [&] {
         return HttpQueryInfoA(h.request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr);
       },
       ERROR_INTERNET_INCORRECT_HANDLE_STATE},
      {"read before send", [&] { return InternetReadFile(h.request, buffer, sizeof buffer, &got); },
       ERROR_INTERNET_INCORRECT_HANDLE_STATE},
      {"request on a session",
       [&] { return refused(HttpOpenRequestA(h.session, "GET", "/", nullptr, nullptr, nullptr, 0, 0)); },
       ERROR_INTERNET_INCORRECT_HANDLE_TYPE},
      {"connection on a connection",
       [&] { return refused(InternetConnectA(h.connection, "h", 80, "", nullptr, INTERNET_SERVICE_HTTP, 0, 0)); },
       ERROR_INTERNET_INCORRECT_HANDLE_TYPE},
      {"send on a connection", [&] { return HttpSendRequestA(h.connection, nullptr, 0, nullptr, 0); },
       ERROR_INTERNET_INCORRECT_HANDLE_TYPE},
      {"ftp",
       [&] { return refused(InternetConnectA(h.session, "h", 0, nullptr, nullptr, INTERNET_SERVICE_FTP, 0, 0)); },
       ERROR_NOT_SUPPORTED},
      {"unknown access type", [&] { return refused(InternetOpenA(nullptr, 2, nullptr, nullptr, 0)); },
       ERROR_INVALID_PARAMETER},
      {"named proxy without a name",
       [&] { return refused(InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PROXY, nullptr, nullptr, 0)); },
       ERROR_INVALID_PARAMETER},
      {"verb with a space",
       [&] { return refused(HttpOpenRequestA(h.connection, "G ET", "/", nullptr, nullptr, nullptr, 0, 0)); },
       ERROR_INVALID_PARAMETER},
      {"foreign handle", [&] { return InternetCloseHandle(reinterpret_cast<HINTERNET>(0x1234)); },
       ERROR_INVALID_HANDLE},
  };
  for (const Case& c : cases) {
    SetLastError(ERROR_SUCCESS);
    EXPECT_FALSE(c.call()) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }

  // Closing the session closes what was opened under it.
  ASSERT_TRUE(HttpSendRequestA(h.request, nullptr, 0, nullptr, 0));
  ASSERT_TRUE(InternetCloseHandle(h.session));
  EXPECT_FALSE(InternetReadFile(h.request, buffer, sizeof buffer, &got));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_FALSE(InternetCloseHandle(h.connection));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(WinInetHandles, HeaderQueries) {
  HttpTestServer server;
  HttpScriptedResponse response = HttpScriptedResponse::Ok("0123456789");
  response.reason = "Fine Thanks";
  response.headers = {{"Content-Type", "text/xml"}, {"X-Multi", "one"}, {"x-multi", "two"}, {"X-Word", "abc"}};
  server.On("/", response);
  Handles h = Open(server.Port());
  ASSERT_TRUE(HttpSendRequestA(h.request, nullptr, 0, nullptr, 0));

  DWORD number = 0, size = sizeof number;
  ASSERT_TRUE(HttpQueryInfoA(h.request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &number, &size, nullptr));
  EXPECT_EQ(number, 200u);
  size = sizeof number;
  ASSERT_TRUE(HttpQueryInfoA(h.request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &number, &size, nullptr));
  EXPECT_EQ(number, 10u);

  auto text = [&](DWORD level, const char* name = nullptr, DWORD* index = nullptr) -> std::string {
    char buffer[256] = {};
    if (name) std::strcpy(buffer, name);
    DWORD length = sizeof buffer;
    if (!HttpQueryInfoA(h.request, level, buffer, &length, index)) return "error " + std::to_string(GetLastError());
    EXPECT_EQ(length, std::strlen(buffer));
    return buffer;
  };
  EXPECT_EQ(text(HTTP_QUERY_STATUS_TEXT), "Fine Thanks");
  EXPECT_EQ(text(HTTP_QUERY_VERSION), "HTTP/1.1");
  EXPECT_EQ(text(HTTP_QUERY_CONTENT_TYPE), "text/xml");
  EXPECT_EQ(text(HTTP_QUERY_LOCATION), "error " + std::to_string(ERROR_HTTP_HEADER_NOT_FOUND));
  EXPECT_EQ(text(HTTP_QUERY_CUSTOM | HTTP_QUERY_FLAG_NUMBER, "X-Word"),
            "error " + std::to_string(ERROR_HTTP_INVALID_HEADER));
  EXPECT_EQ(text(HTTP_QUERY_CONTENT_TYPE | HTTP_QUERY_FLAG_SYSTEMTIME),
            "error " + std::to_string(ERROR_HTTP_INVALID_QUERY_REQUEST));
  DWORD index = 0;
  EXPECT_EQ(text(HTTP_QUERY_CUSTOM, "X-MULTI", &index), "one");
  EXPECT_EQ(text(HTTP_QUERY_CUSTOM, "X-MULTI", &index), "two");
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(text(HTTP_QUERY_CUSTOM, "X-MULTI", &index), "error " + std::to_string(ERROR_HTTP_HEADER_NOT_FOUND));
  EXPECT_EQ(text(HTTP_QUERY_RAW_HEADERS_CRLF).substr(0, 26), "HTTP/1.1 200 Fine Thanks\r\n");

  char tiny[4];
  DWORD length = sizeof tiny;
  EXPECT_FALSE(HttpQueryInfoA(h.request, HTTP_QUERY_CONTENT_TYPE, tiny, &length, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(length, 9u) << "the size needed, terminator included";
  InternetCloseHandle(h.session);
}

TEST(WinInetHandles, ConnectedStateComesFromTheMachineUnlessSwitched) {
  testing_support::TestMachine machine;
  auto state = [] {
    DWORD flags = 0xDEAD;
    BOOL connected = InternetGetConnectedState(&flags, 0);
    return std::to_string(connected) + "/" + std::to_string(flags);
  };
  const std::string lan = "1/" + std::to_string(INTERNET_CONNECTION_LAN);
  const std::string offline = "1/" + std::to_string(INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_OFFLINE);
  EXPECT_EQ(state(), lan);

  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                            nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  auto setOffline = [&](DWORD value) {
    ASSERT_EQ(
        RegSetValueExA(key, "GlobalUserOffline", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
        ERROR_SUCCESS);
  };
  setOffline(1);
  EXPECT_EQ(state(), offline) << "the user works offline";
  setOffline(0);
  EXPECT_EQ(state(), lan);
  setOffline(1);

  vandrel::SetInternetConnectedState(true, INTERNET_CONNECTION_MODEM);
  EXPECT_EQ(state(), "1/" + std::to_string(INTERNET_CONNECTION_MODEM)) << "a test's word comes first";
  vandrel::SetInternetConnectedState(false, 0);
  EXPECT_EQ(state(), "0/0");
  vandrel::ResetInternetConnectedState();
  EXPECT_EQ(state(), offline) << "after a reset the machine answers again";
  RegCloseKey(key);
}

}  // namespace

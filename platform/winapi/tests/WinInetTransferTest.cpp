// Requests through the internet calls against the loopback test server: bodies and their framing, failures
// and their codes, redirects, and what goes on the wire.
#include <gtest/gtest.h>

#include <set>

#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/WinInet.h"
#include "platform/winapi/tests/WinInetFetch.h"

using testing_support::Fetch;
using testing_support::FetchOptions;
using testing_support::FetchResult;
using testing_support::GeneratedBody;
using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;
using Framing = HttpScriptedResponse::Framing;

namespace {

FetchResult FetchFrom(HttpTestServer& server, const std::string& object, const FetchOptions& options = {}) {
  return Fetch("127.0.0.1", server.Port(), object, options);
}

TEST(WinInetTransfer, BodiesArriveWholeInAFixedNumberOfReadsWhateverTheFraming) {
  struct Case {
    size_t size;
    int reads;  // with 8192-byte buffers, the final empty read included
  } cases[] = {{0, 1}, {1, 2}, {8191, 2}, {8192, 2}, {8193, 3}, {102400, 14}};
  const Framing framings[] = {Framing::ContentLength, Framing::Chunked, Framing::CloseDelimited};
  HttpTestServer server;
  for (const Case& c : cases) {
    for (Framing framing : framings) {
      HttpScriptedResponse response = HttpScriptedResponse::Ok(GeneratedBody(c.size), framing);
      response.chunkSize = 1000;  // chunks that straddle the reader's buffers
      server.On("/body", response);
      FetchResult r = FetchFrom(server, "/body");
      SCOPED_TRACE("size " + std::to_string(c.size) + ", framing " + std::to_string(int(framing)));
      EXPECT_EQ(r.sendError, ERROR_SUCCESS);
      EXPECT_EQ(r.readError, ERROR_SUCCESS);
      EXPECT_EQ(r.status, 200);
      EXPECT_TRUE(r.body == GeneratedBody(c.size)) << r.body.size() << " bytes";
      EXPECT_EQ(r.reads, c.reads);
    }
  }
}

TEST(WinInetTransfer, EachFailureHasItsOwnCodeAndText) {
  HttpTestServer server;
  server.On("/malformed", HttpScriptedResponse::Raw("HTTP/1.1 OK 200\r\n\r\n"));
  server.On("/not-http", HttpScriptedResponse::Raw("<html>hello</html>\r\n\r\n"));
  server.On("/bad-length", HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nContent-Length: 12x\r\n\r\n"));
  server.On("/two-lengths",
            HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 4\r\n\r\nabcd"));
  server.On("/no-colon", HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nBroken header\r\n\r\n"));
  server.On("/empty", HttpScriptedResponse::Raw(""));
  server.On("/half-head", HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nContent-"));
  server.On("/silent", HttpScriptedResponse::Stall());
  HttpScriptedResponse truncated = HttpScriptedResponse::Ok(GeneratedBody(1000));
  truncated.declaredLength = 5000;
  server.On("/truncated", truncated);
  HttpScriptedResponse cutChunks = HttpScriptedResponse::Ok(GeneratedBody(30000), Framing::Chunked);
  cutChunks.closeAfter = 20000;
  server.On("/cut-chunks", cutChunks);
  server.On("/bad-chunk", HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                                    "5\r\nhello\r\nzz\r\n"));
  server.On("/chunk-overrun", HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                                        "3\r\nhello\r\n0\r\n\r\n"));
  server.On("/loop", HttpScriptedResponse::Redirect(302, "/loop"));
  server.On("/to-https", HttpScriptedResponse::Redirect(301, "https://127.0.0.1/secure"));
  server.On("/bad-port", HttpScriptedResponse::Redirect(302, "http://127.0.0.1:99999/x"));
  server.On("/bad-host", HttpScriptedResponse::Redirect(302, "http://[zz/x"));
  server.On("/gzip", HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip\r\n\r\n\x1f\x8b\x08"));
  server.On("/gzip-chunked",
            HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n"));
  server.On("/identity-chunked", HttpScriptedResponse::Raw("HTTP/1.1 200 OK\r\nTransfer-Encoding: identity\r\n"
                                                           "Transfer-Encoding: Chunked\r\n\r\n2\r\nok\r\n0\r\n\r\n"));

  struct Case {
    std::string object;
    DWORD sendError, readError;
  } cases[] = {
      {"/malformed", ERROR_HTTP_INVALID_SERVER_RESPONSE, 0},
      {"/not-http", ERROR_HTTP_INVALID_SERVER_RESPONSE, 0},
      {"/bad-length", ERROR_HTTP_INVALID_SERVER_RESPONSE, 0},
      {"/two-lengths", ERROR_HTTP_INVALID_SERVER_RESPONSE, 0},
      {"/no-colon", ERROR_HTTP_INVALID_SERVER_RESPONSE, 0},
      {"/empty", ERROR_INTERNET_CONNECTION_ABORTED, 0},
      {"/half-head", ERROR_INTERNET_CONNECTION_ABORTED, 0},
      {"/silent", ERROR_INTERNET_TIMEOUT, 0},
      {"/truncated", 0, ERROR_INTERNET_CONNECTION_ABORTED},
      {"/cut-chunks", 0, ERROR_INTERNET_CONNECTION_ABORTED},
      {"/bad-chunk", 0, ERROR_HTTP_INVALID_SERVER_RESPONSE},
      {"/chunk-overrun", 0, ERROR_HTTP_INVALID_SERVER_RESPONSE},
      {"/loop", ERROR_HTTP_REDIRECT_FAILED, 0},
      {"/to-https", ERROR_HTTP_REDIRECT_FAILED, 0},
      {"/bad-port", ERROR_INTERNET_INVALID_URL, 0},
      {"/bad-host", ERROR_INTERNET_INVALID_URL, 0},
      {"/gzip", ERROR_HTTP_INVALID_SERVER_RESPONSE, 0},
      {"/gzip-chunked", ERROR_HTTP_INVALID_SERVER_RESPONSE, 0},
      {"/identity-chunked", 0, 0},
  };
  FetchOptions options;
  // Long enough that a loaded machine answers every scripted reply in time; only /silent runs it out.
  options.receiveTimeoutMs = 1500;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.object);
    FetchResult r = FetchFrom(server, c.object, options);
    EXPECT_EQ(r.sendError, c.sendError);
    EXPECT_EQ(r.readError, c.readError);
    if (c.readError) {
      EXPECT_EQ(r.body.size() % 8192, 0u) << "a failed read hands out nothing of its buffer";
    }
  }

  FetchResult refused = Fetch("127.0.0.1", testing_support::UnusedLoopbackPort(), "/");
  EXPECT_EQ(refused.sendError, ERROR_INTERNET_CANNOT_CONNECT);
  {
    testing_support::ScopedLoopbackNames names({"known.test"});
    EXPECT_EQ(Fetch("unknown.test", server.Port(), "/").sendError, ERROR_INTERNET_NAME_NOT_RESOLVED);
    server.On("/named", HttpScriptedResponse::Ok("by name"));
    EXPECT_EQ(Fetch("KNOWN.test", server.Port(), "/named").body, "by name");
  }

  const DWORD codes[] = {
      ERROR_HTTP_INVALID_SERVER_RESPONSE, ERROR_INTERNET_CONNECTION_ABORTED, ERROR_INTERNET_TIMEOUT,
      ERROR_HTTP_REDIRECT_FAILED,         ERROR_INTERNET_CANNOT_CONNECT,     ERROR_INTERNET_NAME_NOT_RESOLVED,
      ERROR_INTERNET_OPERATION_CANCELLED};
  std::set<std::string> texts;
  for (DWORD code : codes) {
    std::string text = SysErrorMessage(code);
    EXPECT_FALSE(text.empty()) << code;
    texts.insert(text);
  }
  EXPECT_EQ(texts.size(), std::size(codes));
}

TEST(WinInetTransfer, RedirectsAreFollowedUpToTenHopsOnNewConnections) {
  HttpTestServer first, second;
  first.On("/start", HttpScriptedResponse::Redirect(302, "next?x=1#frag"));
  first.On("/next", HttpScriptedResponse::Redirect(301, second.Url("/elsewhere/file.txt")));
  second.On("/elsewhere/file.txt", HttpScriptedResponse::Ok("arrived"));
  FetchResult r = FetchFrom(first, "/start");
  EXPECT_EQ(r.body, "arrived");
  EXPECT_EQ(r.finalUrl, second.Url("/elsewhere/file.txt"));
  ASSERT_EQ(first.Requests().size(), 2u);
  EXPECT_EQ(first.Requests()[1].target, "/next?x=1");
  EXPECT_EQ(first.Connections(), 2);
  EXPECT_EQ(second.Connections(), 1);

  // Ten hops are followed, an eleventh redirect is refused.
  HttpTestServer chain;
  for (int i = 0; i < 11; ++i)
    chain.On("/" + std::to_string(i), HttpScriptedResponse::Redirect(307, "/" + std::to_string(i + 1)));
  chain.On("/10", HttpScriptedResponse::Ok("ten"));
  EXPECT_EQ(FetchFrom(chain, "/0").body, "ten");
  EXPECT_EQ(FetchFrom(chain, "/0").status, 200);
  chain.On("/10", HttpScriptedResponse::Redirect(307, "/11"));
  chain.On("/11", HttpScriptedResponse::Ok("eleven"));
  EXPECT_EQ(FetchFrom(chain, "/0").sendError, ERROR_HTTP_REDIRECT_FAILED);

  HttpTestServer loop;
  loop.On("/loop", HttpScriptedResponse::Redirect(302, "/loop"));
  EXPECT_EQ(FetchFrom(loop, "/loop").sendError, ERROR_HTTP_REDIRECT_FAILED);
  EXPECT_EQ(loop.Connections(), 11);

  // A redirect to another scheme stops before connecting and leaves its target as the request's URL.
  HttpTestServer secure;
  secure.On("/s", HttpScriptedResponse::Redirect(302, "HTTPS://127.0.0.1:" + std::to_string(secure.Port()) + "/x"));
  FetchResult refused = FetchFrom(secure, "/s");
  EXPECT_EQ(refused.sendError, ERROR_HTTP_REDIRECT_FAILED);
  EXPECT_EQ(refused.finalUrl, "HTTPS://127.0.0.1:" + std::to_string(secure.Port()) + "/x");
  EXPECT_EQ(secure.Connections(), 1);
}

TEST(WinInetTransfer, RedirectsKeepOrChangeTheMethodAsTheirStatusSays) {
  HttpTestServer server;
  server.On("/303", HttpScriptedResponse::Redirect(303, "/target"));
  server.On("/302", HttpScriptedResponse::Redirect(302, "/target"));
  server.On("/307", HttpScriptedResponse::Redirect(307, "/target"));
  server.On("/target", [](const testing_support::HttpRecordedRequest& request) {
    return HttpScriptedResponse::Ok(request.method + ":" + request.body);
  });
  FetchOptions post;
  post.verb = "POST";
  post.body = "a=1";
  EXPECT_EQ(FetchFrom(server, "/303", post).body, "GET:");
  EXPECT_EQ(FetchFrom(server, "/302", post).body, "GET:");
  EXPECT_EQ(FetchFrom(server, "/307", post).body, "POST:a=1");

  FetchOptions manual;
  manual.flags = INTERNET_FLAG_NO_AUTO_REDIRECT;
  FetchResult r = FetchFrom(server, "/302", manual);
  EXPECT_EQ(r.status, 302);
  EXPECT_EQ(server.Connections(), 7);

  HttpTestServer nowhere;
  nowhere.On("/r", HttpScriptedResponse::Status(302, "no location"));
  EXPECT_EQ(FetchFrom(nowhere, "/r").status, 302);
}

TEST(WinInetTransfer, TheRequestOnTheWire) {
  HttpTestServer server;
  server.OnOther([](const testing_support::HttpRecordedRequest&) { return HttpScriptedResponse::Ok("x"); });
  HINTERNET session = InternetOpenA("Agent/1.0", INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  HINTERNET connection =
      InternetConnectA(session, "127.0.0.1", server.Port(), "", nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  const DWORD flags[] = {INTERNET_FLAG_NO_UI, INTERNET_FLAG_NO_UI | INTERNET_FLAG_RELOAD,
                         INTERNET_FLAG_HYPERLINK | INTERNET_FLAG_NO_UI | INTERNET_FLAG_RESYNCHRONIZE,
                         INTERNET_FLAG_PRAGMA_NOCACHE};
  for (DWORD f : flags) {
    HINTERNET request = HttpOpenRequestA(connection, "GET", "/a b/\x01\xE1.txt?q=1 2#frag", nullptr,
                                         "http://referrer.test/", nullptr, f, 0);
    ASSERT_TRUE(HttpSendRequestA(request, "X-One: 1\r\nX-Two: 2", DWORD(-1), nullptr, 0));
    InternetCloseHandle(request);
  }
  HINTERNET post = HttpOpenRequestA(connection, "POST", "form", "HTTP/1.0", nullptr, nullptr, 0, 0);
  char body[] = "k=v&w=z";
  ASSERT_TRUE(HttpSendRequestA(post, nullptr, 0, body, 7));
  InternetCloseHandle(session);

  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 5u);
  for (size_t i = 0; i < 4; ++i) {
    SCOPED_TRACE(i);
    const auto& r = requests[i];
    EXPECT_EQ(r.method, "GET");
    EXPECT_EQ(r.target, "/a%20b/%01%E1.txt?q=1%202");
    EXPECT_EQ(r.version, "HTTP/1.1");
    EXPECT_EQ(r.Header("Host"), "127.0.0.1:" + std::to_string(server.Port()));
    EXPECT_EQ(r.Header("Connection"), "close");
    EXPECT_EQ(r.Header("User-Agent"), "Agent/1.0");
    EXPECT_EQ(r.Header("Referer"), "http://referrer.test/");
    EXPECT_EQ(r.Header("X-One"), "1");
    EXPECT_EQ(r.Header("X-Two"), "2");
    EXPECT_FALSE(r.HasHeader("Content-Length"));
    EXPECT_EQ(r.HasHeader("Pragma"), i == 1 || i == 3);
    if (r.HasHeader("Pragma")) {
      EXPECT_EQ(r.Header("Pragma"), "no-cache");
    }
  }
  EXPECT_EQ(requests[4].method, "POST");
  EXPECT_EQ(requests[4].target, "/form");
  EXPECT_EQ(requests[4].version, "HTTP/1.0");
  EXPECT_EQ(requests[4].Header("Content-Length"), "7");
  EXPECT_EQ(requests[4].body, "k=v&w=z");
}

TEST(WinInetTransfer, NamedProxyCarriesRequestsExceptBypassedHosts) {
  HttpTestServer proxy, direct;
  proxy.OnOther([](const testing_support::HttpRecordedRequest&) { return HttpScriptedResponse::Ok("via proxy"); });
  direct.OnOther([](const testing_support::HttpRecordedRequest&) { return HttpScriptedResponse::Ok("direct"); });
  testing_support::ScopedLoopbackNames names({"far.example.test", "intranet"});
  std::string proxyName = "ftp=127.0.0.1:1 http=127.0.0.1:" + std::to_string(proxy.Port());
  HINTERNET session = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PROXY, proxyName.c_str(), "<local>", 0);
  ASSERT_NE(session, nullptr);
  auto get = [&](const char* host) {
    HINTERNET c = InternetConnectA(session, host, direct.Port(), "", nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    HINTERNET r = HttpOpenRequestA(c, "GET", "/page?x", nullptr, nullptr, nullptr, 0, 0);
    EXPECT_TRUE(HttpSendRequestA(r, nullptr, 0, nullptr, 0));
    char buffer[64];
    DWORD got = 0;
    EXPECT_TRUE(InternetReadFile(r, buffer, sizeof buffer, &got));
    InternetCloseHandle(c);
    return std::string(buffer, got);
  };
  EXPECT_EQ(get("far.example.test"), "via proxy");
  EXPECT_EQ(get("intranet"), "direct");
  ASSERT_EQ(proxy.Requests().size(), 1u);
  EXPECT_EQ(proxy.Requests()[0].target, "http://far.example.test:" + std::to_string(direct.Port()) + "/page?x");
  EXPECT_EQ(proxy.Requests()[0].Header("Host"), "far.example.test:" + std::to_string(direct.Port()));

  char info[512];
  DWORD length = sizeof info;
  ASSERT_TRUE(InternetQueryOptionA(session, INTERNET_OPTION_PROXY, info, &length));
  const auto* proxyInfo = reinterpret_cast<const INTERNET_PROXY_INFO*>(info);
  EXPECT_EQ(proxyInfo->dwAccessType, INTERNET_OPEN_TYPE_PROXY);
  EXPECT_STREQ(proxyInfo->lpszProxy, proxyName.c_str());
  EXPECT_STREQ(proxyInfo->lpszProxyBypass, "<local>");
  InternetCloseHandle(session);
}

TEST(WinInetTransfer, OfflineSessionsNeverTouchTheNetwork) {
  HttpTestServer server;
  HINTERNET session = InternetOpenA(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, INTERNET_FLAG_OFFLINE);
  HINTERNET c = InternetConnectA(session, "127.0.0.1", server.Port(), "", nullptr, INTERNET_SERVICE_HTTP, 0, 0);
  HINTERNET r = HttpOpenRequestA(c, "GET", "/", nullptr, nullptr, nullptr, INTERNET_FLAG_RELOAD, 0);
  EXPECT_FALSE(HttpSendRequestA(r, nullptr, 0, nullptr, 0));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(server.Connections(), 0);
  InternetCloseHandle(session);
}

}  // namespace

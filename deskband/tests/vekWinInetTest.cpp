#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <random>

#include "deskband/vekWinInet.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"

using testing_support::GeneratedBody;
using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;
using Framing = HttpScriptedResponse::Framing;

namespace {

// A memory stream that counts the writes it is given.
class TCountingStream : public TMemoryStream {
  VCL_CLASS(TCountingStream, TMemoryStream)
  int64_t Write(const void* buffer, int64_t count) override {
    ++writes;
    return TMemoryStream::Write(buffer, count);
  }
  int writes = 0;
};

struct FreeObject {
  void operator()(TObject* object) const { object->Free(); }
};
template <class T>
struct Owned : std::unique_ptr<T, FreeObject> {
  explicit Owned(T* object) : std::unique_ptr<T, FreeObject>(object) {}
};

std::string Content(TMemoryStream& s) { return std::string(static_cast<const char*>(s.Memory()), size_t(s.Size())); }

struct Outcome {
  std::string exceptionClass;  // empty when the call succeeded
  std::string message;
  std::string body;  // what the stream holds after the prefix written before the call
  int writes = 0;
};

Outcome Get(const std::string& url, int policy = 0, const TWinInetTimeouts* timeouts = nullptr) {
  Outcome o;
  TCountingStream stream;
  stream.WriteBuffer("pre", 3);
  stream.writes = 0;
  try {
    HTTPGet(url, stream, policy, timeouts);
  } catch (const Exception& e) {
    o.exceptionClass = e.ClassName();
    o.message = e.Message();
  }
  o.body = Content(stream).substr(3);
  o.writes = stream.writes;
  EXPECT_EQ(Content(stream).substr(0, 3), "pre") << "the body is appended at the stream's position";
  return o;
}

std::string SystemError(DWORD code) {
  return "System Error.  Code: " + std::to_string(code) + ".\r\n" + SysErrorMessage(code);
}

TEST(vekWinInet, HTTPGetOverTheLoopbackServer) {
  HttpTestServer server, other;
  other.On("/moved.xml", HttpScriptedResponse::Ok("moved content"));
  server.On("/redirect", HttpScriptedResponse::Redirect(302, other.Url("/moved.xml")));
  server.On("/redirect-upper", HttpScriptedResponse::Redirect(302, "HTTP" + other.Url("/moved.xml").substr(4)));
  server.On("/to-https", HttpScriptedResponse::Redirect(301, "https://127.0.0.1/secure.xml"));
  server.On("/loop", HttpScriptedResponse::Redirect(302, "/loop"));
  server.On("/to-bad-port", HttpScriptedResponse::Redirect(302, "http://127.0.0.1:99999/x"));
  HttpScriptedResponse early = HttpScriptedResponse::Ok(GeneratedBody(20000));
  early.closeAfter = 10000;
  server.On("/early-close", early);
  server.On("/silent", HttpScriptedResponse::Stall());
  HttpScriptedResponse declaredHuge = HttpScriptedResponse::Ok("tiny");
  declaredHuge.declaredLength = kMaxHTTPDocumentSize + 1;
  server.On("/declared-huge", declaredHuge);
  HttpScriptedResponse streamedHuge = HttpScriptedResponse::Ok("", Framing::Chunked);
  streamedHuge.generatedSize = kMaxHTTPDocumentSize + 1;
  streamedHuge.chunkSize = 1 << 20;
  server.On("/streamed-huge", streamedHuge);
  HttpScriptedResponse exact = HttpScriptedResponse::Ok("", Framing::CloseDelimited);
  exact.generatedSize = kMaxHTTPDocumentSize;
  server.On("/exact-limit", exact);
  server.On("/missing", HttpScriptedResponse::Status(404, "<html>not here</html>"));
  server.On("/created", HttpScriptedResponse::Status(201, "made"));
  for (size_t size : {0, 8191, 8192, 8193, 102400})
    server.On("/size" + std::to_string(size), HttpScriptedResponse::Ok(GeneratedBody(size)));
  server.On("/chunked", HttpScriptedResponse::Ok(GeneratedBody(20000), Framing::Chunked));

  const std::string closedPort = "http://127.0.0.1:" + std::to_string(testing_support::UnusedLoopbackPort()) + "/x";
  struct Case {
    std::string url;
    std::string exceptionClass, message;
    std::optional<std::string> body;  // checked when set
    int writes;                       // non-empty reads; the final empty one is not written
  } cases[] = {
      {server.Url("/size0"), "", "", "", 0},
      {server.Url("/size8191"), "", "", GeneratedBody(8191), 1},
      {server.Url("/size8192"), "", "", GeneratedBody(8192), 1},
      {server.Url("/size8193"), "", "", GeneratedBody(8193), 2},
      {server.Url("/size102400"), "", "", GeneratedBody(102400), 13},
      {server.Url("/chunked"), "", "", GeneratedBody(20000), 3},
      {server.Url("/redirect"), "", "", "moved content", 1},
      // the scheme is compared without regard to case, also on a redirect
      {"HTTP" + server.Url("/size8191").substr(4), "", "", GeneratedBody(8191), 1},
      {server.Url("/redirect-upper"), "", "", "moved content", 1},
      {server.Url("/missing"), "EWinInetServerError",
       "Server returned error code 404 for document \"" + server.Url("/missing") + "\"", "", 0},
      {server.Url("/created"), "EWinInetServerError",
       "Server returned error code 201 for document \"" + server.Url("/created") + "\"", "", 0},
      {server.Url("/to-https"), "EWinInet", "Unsupported URL scheme in \"https://127.0.0.1/secure.xml\"", "", 0},
      {"https://127.0.0.1:" + std::to_string(server.Port()) + "/direct", "EWinInet",
       "Unsupported URL scheme in \"https://127.0.0.1:" + std::to_string(server.Port()) + "/direct\"", "", 0},
      {"ftp://127.0.0.1/file", "EWinInet", "Unsupported URL scheme in \"ftp://127.0.0.1/file\"", "", 0},
      {server.Url("/loop"), "EOSError", SystemError(ERROR_HTTP_REDIRECT_FAILED), "", 0},
      {server.Url("/to-bad-port"), "EOSError", SystemError(ERROR_INTERNET_INVALID_URL), "", 0},
      {server.Url("/early-close"), "EOSError", SystemError(ERROR_INTERNET_CONNECTION_ABORTED), std::nullopt, 1},
      {server.Url("/silent"), "EOSError", SystemError(ERROR_INTERNET_TIMEOUT), "", 0},
      {closedPort, "EOSError", SystemError(ERROR_INTERNET_CANNOT_CONNECT), "", 0},
      {"http://nowhere.test/", "EOSError", SystemError(ERROR_INTERNET_NAME_NOT_RESOLVED), "", 0},
      {"x", "EOSError", SystemError(ERROR_INTERNET_UNRECOGNIZED_SCHEME), "", 0},
      {server.Url("/declared-huge"), "EWinInet", "Document too large: \"" + server.Url("/declared-huge") + "\"", "", 0},
      {server.Url("/streamed-huge"), "EWinInet", "Document too large: \"" + server.Url("/streamed-huge") + "\"",
       std::nullopt, 8192},
      {server.Url("/exact-limit"), "", "", std::nullopt, 8192},
  };
  testing_support::ScopedLoopbackNames names({});
  TWinInetTimeouts shortReceive{5, 1};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.url);
    Outcome o = Get(c.url, 0, &shortReceive);
    EXPECT_EQ(o.exceptionClass, c.exceptionClass);
    EXPECT_EQ(o.message, c.message);
    if (c.body) {
      EXPECT_TRUE(o.body == *c.body) << o.body.size() << " bytes";
    }
    EXPECT_EQ(o.writes, c.writes);
  }
  EXPECT_EQ(other.Connections(), 2);
}

TEST(vekWinInet, CachePoliciesSetTheirFlagsAndAnUnknownOneConnectsNowhere) {
  HttpTestServer server;
  server.On("/", HttpScriptedResponse::Ok("x"));
  for (int policy : {0, 1, 2}) EXPECT_EQ(Get(server.Url("/"), policy).body, "x");
  auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_FALSE(requests[0].HasHeader("Pragma"));
  EXPECT_EQ(requests[1].Header("Pragma"), "no-cache");
  EXPECT_FALSE(requests[2].HasHeader("Pragma"));
  EXPECT_EQ(requests[0].target, "/");

  EXPECT_EQ(CachePolicyOptions(0).Flags(), 0x200u);
  EXPECT_EQ(CachePolicyOptions(1).Flags(), 0x80000200u);
  // Hyperlink, no UI and resynchronise.
  EXPECT_EQ(CachePolicyOptions(2).Flags(), 0xE00u);
  for (int policy : {3, -1}) {
    Outcome o = Get(server.Url("/"), policy);
    EXPECT_EQ(o.exceptionClass, "EWinInet");
    EXPECT_EQ(o.message, "Unhandled CachePolicy code in HTTPAction()");
  }
  EXPECT_EQ(server.Connections(), 3);
}

TEST(vekWinInet, TimeoutsOfHTTPGetBecomeTheProcessDefaults) {
  HttpTestServer server;
  server.On("/", HttpScriptedResponse::Ok("x"));
  auto processTimeout = [](DWORD option) {
    DWORD value = 0, size = sizeof value;
    EXPECT_TRUE(InternetQueryOptionA(nullptr, option, &value, &size));
    return value;
  };
  DWORD connect = processTimeout(INTERNET_OPTION_CONNECT_TIMEOUT);
  TWinInetTimeouts onlyReceive{0, 7};
  Get(server.Url("/"), 0, &onlyReceive);
  EXPECT_EQ(processTimeout(INTERNET_OPTION_CONNECT_TIMEOUT), connect) << "0 leaves the setting alone";
  EXPECT_EQ(processTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT), 7000u);
  TWinInetTimeouts toolbar{30, 60};
  EXPECT_EQ(Get(server.Url("/"), 0, &toolbar).body, "x");
  EXPECT_EQ(processTimeout(INTERNET_OPTION_CONNECT_TIMEOUT), 30000u);
  EXPECT_EQ(processTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT), 60000u);

  Owned session(TWinInetSession::Create(nullptr));
  EXPECT_THROW(session->SetConnectTimeout(4294968), EIntOverflow);
  session->SetReceiveTimeout(4294967);
  EXPECT_EQ(processTimeout(INTERNET_OPTION_RECEIVE_TIMEOUT), 4294967000u);
}

TEST(vekWinInet, SessionStateChecksAndRegistration) {
  const std::string active = "Operation invalid while internet session is active";
  const std::string inactive = "Operation invalid while internet session is inactive";
  Owned session(TWinInetSession::Create(nullptr));
  auto message = [](const std::function<void()>& f) -> std::string {
    try {
      f();
    } catch (const EWinInet& e) {
      EXPECT_EQ(e.ClassName(), "EWinInet");
      return e.Message();
    }
    return "no exception";
  };
  EXPECT_EQ(message([&] { session->Close(); }), inactive);
  EXPECT_FALSE(session->Active());
  session->Open();
  EXPECT_TRUE(session->Active());
  TStringList list;
  list.Add("a.test");
  struct Case {
    const char* what;
    std::function<void()> call;
  } whileOpen[] = {
      {"Open", [&] { session->Open(); }},
      {"Agent", [&] { session->SetAgent("a"); }},
      {"AccessType", [&] { session->SetAccessType(iatDirect); }},
      {"ProxyName", [&] { session->SetProxyName("p:1"); }},
      {"ProxyByPassList", [&] { session->SetProxyByPassList(&list); }},
      {"ProxyByPassLocalOnly", [&] { session->SetProxyByPassLocalOnly(true); }},
      {"OfflineMode", [&] { session->SetOfflineMode(true); }},
  };
  for (const Case& c : whileOpen) EXPECT_EQ(message(c.call), active) << c.what;
  EXPECT_EQ(session->Agent(), "");
  EXPECT_EQ(session->AccessType(), iatPreConfig);
  EXPECT_EQ(session->ProxyByPassList()->Count(), 0);
  HINTERNET handle = session->Handle();
  session->Close();
  EXPECT_EQ(session->Handle(), nullptr);
  EXPECT_FALSE(InternetCloseHandle(handle)) << "the handle is really closed";
  session->EnsureOpen();
  EXPECT_TRUE(session->Active());
  session->EnsureOpen();

  // A connection registers itself; a second registration, in any session, is refused.
  Owned connection(session->OpenHTTPConnection("127.0.0.1", 0, "", ""));
  EXPECT_EQ(connection->Session(), session.get());
  ASSERT_EQ(session->ConnectionCount(), 1);
  EXPECT_EQ(session->Connections(0), connection.get());
  Owned second(TWinInetSession::Create(nullptr));
  EXPECT_EQ(message([&] { second->RegisterConnection(connection.get()); }),
            "Connection is already registered in a session");
  EXPECT_EQ(message([&] { session->RegisterConnection(connection.get()); }),
            "Connection is already registered in a session");
  EXPECT_EQ(session->ConnectionCount(), 1);
  session->UnregisterConnection(connection.get());
  EXPECT_EQ(connection->Session(), nullptr);
  second->RegisterConnection(connection.get());
  EXPECT_EQ(second->ConnectionCount(), 1);
  connection.reset();
  EXPECT_EQ(second->ConnectionCount(), 0) << "a freed connection leaves its session";
}

TEST(vekWinInet, SessionsOpenWithTheMappedAccessTypeAndFlags) {
  struct Case {
    TWinInetAccessType type;
    DWORD openType;
  } types[] = {{iatPreConfig, 0}, {iatDirect, 1}, {iatPreConfigWithNoAutoProxy, 4}, {iatProxy, 3}};
  for (const Case& c : types) {
    EXPECT_EQ(AccessTypeToOpenType(c.type), c.openType);
    Owned session(TWinInetSession::Create(nullptr));
    session->SetAccessType(c.type);
    session->SetProxyName("127.0.0.1:1");
    session->Open();
    char info[256];
    DWORD size = sizeof info;
    ASSERT_TRUE(InternetQueryOptionA(session->Handle(), INTERNET_OPTION_PROXY, info, &size));
    EXPECT_EQ(reinterpret_cast<INTERNET_PROXY_INFO*>(info)->dwAccessType, c.openType);
  }

  HttpTestServer proxy, direct;
  proxy.OnOther(
      [](const testing_support::HttpRecordedRequest& r) { return HttpScriptedResponse::Ok("proxy " + r.target); });
  direct.OnOther([](const testing_support::HttpRecordedRequest&) { return HttpScriptedResponse::Ok("direct"); });
  testing_support::ScopedLoopbackNames names({"intranet", "www.far.test", "www.near.test"});
  auto fetch = [&](TWinInetSession& session, const std::string& host) {
    Owned connection(session.OpenHTTPConnection(host, direct.Port(), "", ""));
    Owned request(connection->OpenRequest("/p", "GET", {wroNoUI}, "", ""));
    request->Send(nullptr, nullptr);
    TMemoryStream body;
    request->ReadToStream(body);
    return Content(body);
  };
  Owned local(TWinInetSession::Create(nullptr));
  local->SetAccessType(iatProxy);
  local->SetProxyName("127.0.0.1:" + std::to_string(proxy.Port()));
  local->ProxyByPassList()->Add("www.near.test");
  local->SetProxyByPassLocalOnly(true);
  EXPECT_EQ(local->ProxyByPassList()->Count(), 0) << "local-only empties the list";
  EXPECT_EQ(fetch(*local, "intranet"), "direct");
  EXPECT_EQ(fetch(*local, "www.far.test"), "proxy http://www.far.test:" + std::to_string(direct.Port()) + "/p");

  Owned listed(TWinInetSession::Create(nullptr));
  listed->SetAccessType(iatProxy);
  listed->SetProxyName("127.0.0.1:" + std::to_string(proxy.Port()));
  TStringList bypass;
  bypass.Add("*.near.test");
  bypass.Add("other.test");
  listed->SetProxyByPassList(&bypass);
  EXPECT_EQ(fetch(*listed, "www.near.test"), "direct");
  EXPECT_EQ(fetch(*listed, "intranet"), "proxy http://intranet:" + std::to_string(direct.Port()) + "/p");

  Owned offline(TWinInetSession::Create(nullptr));
  offline->SetOfflineMode(true);
  offline->SetAgent("Band/1");
  try {
    fetch(*offline, "intranet");
    ADD_FAILURE() << "an offline session fetched";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), ERROR_FILE_NOT_FOUND);
  }
  Owned agent(TWinInetSession::Create(nullptr));
  agent->SetAgent("Band/1");
  fetch(*agent, "intranet");
  EXPECT_EQ(direct.Requests().back().Header("User-Agent"), "Band/1");
  EXPECT_EQ(direct.Requests().back().Header("Host"), "intranet:" + std::to_string(direct.Port()));
}

TEST(vekWinInet, RequestOptionsMapToTheirFlags) {
  const std::pair<TWinInetRequestOption, DWORD> flags[] = {
      {wroCacheIfNetFail, 0x10000},
      {wroHyperlink, 0x400},
      {wroIgnoreCertCNInvalid, 0x1000},
      {wroIgnoreCertDateInvalid, 0x2000},
      {wroIgnoreRedirectToHTTP, 0x8000},
      {wroIgnoreRedirectToHTTPS, 0x4000},
      {wroKeepConnection, 0x400000},
      {wroNeedFile, 0x10},
      {wroNoAuth, 0x40000},
      {wroNoAutoRedirect, 0x200000},
      {wroNoCacheWrite, 0x4000000},
      {wroNoCookies, 0x80000},
      {wroNoUI, 0x200},
      {wroPragmaNoCache, 0x100},
      {wroReload, 0x80000000},
      {wroResynchronize, 0x800},
      {wroSecure, 0x800000},
  };
  DWORD all = 0;
  for (size_t bit = 0; bit < std::size(flags); ++bit) {
    const auto& [option, flag] = flags[bit];
    EXPECT_EQ(size_t(option), bit) << "options keep the bit order of their set";
    EXPECT_EQ(TWinInetRequestOptions({option}).Flags(), flag) << option;
    all += flag;
  }
  EXPECT_EQ(TWinInetRequestOptions({wroCacheIfNetFail, wroHyperlink, wroIgnoreCertCNInvalid, wroIgnoreCertDateInvalid,
                                    wroIgnoreRedirectToHTTP, wroIgnoreRedirectToHTTPS, wroKeepConnection, wroNeedFile,
                                    wroNoAuth, wroNoAutoRedirect, wroNoCacheWrite, wroNoCookies, wroNoUI,
                                    wroPragmaNoCache, wroReload, wroResynchronize, wroSecure})
                .Flags(),
            all);

  // The flags reach the request: without automatic redirects the 302 itself is the answer.
  HttpTestServer server;
  server.On("/r", HttpScriptedResponse::Redirect(302, "/elsewhere"));
  Owned session(TWinInetSession::Create(nullptr));
  Owned connection(session->OpenHTTPConnection("127.0.0.1", server.Port(), "", ""));
  Owned request(connection->OpenRequest("/r", "GET", {wroNoAutoRedirect, wroPragmaNoCache}, "", ""));
  TStringList headers;
  headers.Add("X-Band: 1");
  request->Send(&headers, nullptr);
  EXPECT_EQ(request->StatusCode(), 302);
  DWORD length = 99;
  EXPECT_TRUE(request->QueryInfo(HTTP_QUERY_CONTENT_LENGTH, length));
  EXPECT_EQ(length, 0u);
  DWORD none = 0;
  EXPECT_FALSE(request->QueryInfo(HTTP_QUERY_CUSTOM, none)) << "no such header: false, not an error";
  EXPECT_EQ(server.Requests()[0].Header("Pragma"), "no-cache");
  EXPECT_EQ(server.Requests()[0].Header("X-Band"), "1");
  EXPECT_EQ(server.Connections(), 1);
}

TEST(vekWinInet, PostSendsTheWholeBodyStream) {
  HttpTestServer server;
  server.On("/form", [](const testing_support::HttpRecordedRequest& r) {
    return HttpScriptedResponse::Ok(r.method + " " + r.Header("Content-Length") + " " + r.body);
  });
  TMemoryStream body, output;
  body.WriteBuffer("name=value", 10);  // position at the end: the whole stream goes all the same
  HTTPAction(server.Url("/form"), "POST", &body, nullptr, 0, output);
  EXPECT_EQ(Content(output), "POST 10 name=value");
}

TEST(vekWinInet, UrlEncodeKeepsOnlyLettersAndDigits) {
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"AZaz09", "AZaz09"},
      {" ", "%20"},
      {"-", "%2D"},
      {"a.b_c~d", "a%2Eb%5Fc%7Ed"},
      {"árvíz tűrő"_cp, "%E1rv%EDz%20t%FBr%F5"},
      {std::string("\0\x7F\xFF", 3), "%00%7F%FF"},
  };
  for (const auto& [text, encoded] : cases) EXPECT_EQ(UrlEncode(text), encoded) << text;
  // Against Python's quote of every byte, which leaves "-._~" as they are.
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(char(b));
  std::string python = testing_support::RunPython(
      "import sys\nfrom urllib.parse import quote\n"
      "q = quote(sys.stdin.buffer.read(), safe='')\n"
      "for c in '-._~': q = q.replace(c, '%%%02X' % ord(c))\n"
      "print(q, end='')\n",
      all);
  EXPECT_EQ(UrlEncode(all), python);
}

TEST(vekWinInet, UrlFunctions) {
  TWinInetURLComponents c;
  CrackURL("http://user:pw@Host.test:8080/dir/toolbar.xml?v=2#top", c);
  EXPECT_EQ(c.Scheme, "http");
  EXPECT_EQ(c.HostName, "Host.test");
  EXPECT_EQ(c.Port, 8080);
  EXPECT_EQ(c.UserName, "user");
  EXPECT_EQ(c.Password, "pw");
  EXPECT_EQ(c.URLPath, "/dir/toolbar.xml");
  EXPECT_EQ(c.ExtraInfo, "?v=2#top");
  EXPECT_EQ(GetURLObjectName(c), "/dir/toolbar.xml?v=2#top");
  TWinInetURLComponents bare;
  CrackURL("http://host.test", bare);
  EXPECT_EQ(bare.Port, 80);
  EXPECT_EQ(bare.URLPath, "");
  EXPECT_THROW(CrackURL("no scheme", bare), EOSError);

  EXPECT_EQ(CombineURL("http://host.test/tb/", "images/a b.gif"), "http://host.test/tb/images/a b.gif");
  EXPECT_EQ(CombineURL("http://host.test/tb/def.xml", "..\\img\\logo.gif"), "http://host.test/img/logo.gif");
  EXPECT_EQ(CombineURL("", "toolbar.xml"), "toolbar.xml");
  EXPECT_EQ(CombineURL("http://host.test/tb/", "http://other.test/x.xml"), "http://other.test/x.xml");
}

TEST(vekWinInet, IsInternetConnectedReadsTheConnectedState) {
  testing_support::TestMachine machine;
  EXPECT_TRUE(IsInternetConnected());
  struct Case {
    bool connected;
    DWORD flags;
    bool online;
  } cases[] = {{true, INTERNET_CONNECTION_MODEM, true},
               {true, INTERNET_CONNECTION_LAN | INTERNET_CONNECTION_OFFLINE, false},
               {true, 0, false},
               {false, INTERNET_CONNECTION_LAN, false}};
  for (const Case& c : cases) {
    vandrel::SetInternetConnectedState(c.connected, c.flags);
    EXPECT_EQ(IsInternetConnected(), c.online) << c.flags;
  }
  vandrel::ResetInternetConnectedState();
}

TEST(vekWinInet, EveryFileServedByPythonArrivesByteIdentical) {
  namespace fs = std::filesystem;
  fs::path folder = fs::temp_directory_path() / ("vekwininet-" + std::to_string(getpid()));
  fs::create_directories(folder / "feeds");
  std::mt19937 random(7);
  const std::pair<std::string, size_t> files[] = {
      {"toolbar.xml", 3000}, {"empty.txt", 0}, {"logo.gif", 8192}, {"feeds/news.rss", 65537}, {"big.bin", 2000000}};
  for (const auto& [name, size] : files) {
    std::string bytes(size, '\0');
    for (char& b : bytes) b = char(random());
    std::ofstream(folder / name, std::ios::binary) << bytes;
  }
  {
    testing_support::PythonHttpServer server(folder.string());
    for (const auto& [name, size] : files) {
      TMemoryStream stream;
      HTTPGet(server.Url("/" + name), stream, 1, nullptr);
      std::ifstream in(folder / name, std::ios::binary);
      std::string expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      EXPECT_EQ(stream.Size(), int64_t(size)) << name;
      EXPECT_TRUE(Content(stream) == expected) << name;
    }
    TMemoryStream stream;
    EXPECT_THROW(HTTPGet(server.Url("/absent.xml"), stream, 0, nullptr), EWinInetServerError);
  }
  fs::remove_all(folder);
}

}  // namespace

// The HTTP/1.0 client component against the loopback test server: requests as sent, bodies and heads as
// received, packet events, failures and abort from the message pump.
#include "platform/components/HttpFetch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/components/Application.h"
#include "platform/components/ExtCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/TestMachine.h"

namespace {

using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class HttpFetch : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(machine.DriveC() + "/dl");
    fetch = NewObject<THttpFetch>(nullptr);
    fetch->SetToFiles(true);
    fetch->SetBodyFile("C:\\dl\\body.htm");
    fetch->SetHeaderFile("C:\\dl\\head.txt");
    fetch->OnPacketRecvd = [this](TObject* sender, int64_t received) {
      EXPECT_EQ(sender, fetch);
      packets.push_back(received);
      if (duringPacket) duringPacket();
    };
  }
  void TearDown() override {
    fetch->Free();
    SetClockMode(TClockMode::Real);
  }
  std::string Body() const { return ReadFile(machine.DriveC() + "/dl/body.htm"); }
  std::string HeadFile() const { return ReadFile(machine.DriveC() + "/dl/head.txt"); }
  // The message of what the request raised, or "" when it did not.
  std::string Failure(bool head = false) {
    try {
      head ? fetch->Head() : fetch->Get();
    } catch (const EHttpFetch& e) {
      return e.Message();
    }
    return "";
  }

  testing_support::TestMachine machine;
  HttpTestServer server;
  THttpFetch* fetch = nullptr;
  std::vector<int64_t> packets;
  std::function<void()> duringPacket;
};

TEST_F(HttpFetch, AGetKeepsTheHeadAsReceivedAndTheBodyInTheFile) {
  const std::string head = "HTTP/1.0 200 OK\r\nContent-Length:   5 \r\nx-odd:a\r\n\r\n";
  server.On("/dir/file.gif", HttpScriptedResponse::Raw("HTTP/1.1 100 Continue\r\n\r\n" + head + "hello"));
  fetch->SetURL(server.Url("/dir/file.gif?v=2#top"));
  fetch->Get();
  EXPECT_EQ(fetch->Header(), head);  // the interim head passed over, the final one byte for byte
  EXPECT_EQ(HeadFile(), head);
  EXPECT_EQ(fetch->StatusCode(), 200);
  EXPECT_EQ(Body(), "hello");
  EXPECT_EQ(packets, std::vector<int64_t>{5});
  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method + " " + requests[0].target + " " + requests[0].version,
            "GET /dir/file.gif?v=2 HTTP/1.0");
  EXPECT_EQ(requests[0].Header("Host"), "127.0.0.1:" + std::to_string(server.Port()));

  // Blanks and bytes beyond ASCII are sent encoded.
  server.On("/k%E9p%201.gif", HttpScriptedResponse::Ok("encoded"));
  fetch->SetURL(server.Url("/k\xE9p 1.gif"));
  fetch->Get();
  EXPECT_EQ(Body(), "encoded");

  // A HEAD empties the body file and reports no packet.
  packets.clear();
  server.On("/big", HttpScriptedResponse::Ok(std::string(3000, 'x')));
  fetch->SetURL(server.Url("/big"));
  fetch->Head();
  EXPECT_EQ(server.Requests().back().method, "HEAD");
  EXPECT_EQ(fetch->Header().find("Content-Length: 3000\r\n") != std::string::npos, true);
  EXPECT_EQ(Body(), "");
  EXPECT_TRUE(packets.empty());

  // Error statuses are answers too; the body stays in memory without files.
  fetch->SetToFiles(false);
  server.On("/missing", HttpScriptedResponse::Status(404, "no such file"));
  fetch->SetURL(server.Url("/missing"));
  fetch->Get();
  EXPECT_EQ(fetch->StatusCode(), 404);
  EXPECT_EQ(fetch->Body(), "no such file");
  EXPECT_EQ(Body(), "");
}

TEST_F(HttpFetch, ASlowBodyGivesAPacketForEveryPiece) {
  HttpScriptedResponse slow = HttpScriptedResponse::Ok(testing_support::GeneratedBody(10000));
  slow.framing = HttpScriptedResponse::Framing::CloseDelimited;
  slow.chunkSize = 1000;
  slow.paceMs = 40;
  server.On("/slow", slow);
  fetch->SetURL(server.Url("/slow"));
  fetch->Get();
  EXPECT_EQ(Body(), testing_support::GeneratedBody(10000));
  // Pieces 40 ms apart come one by one unless the machine is very busy.
  EXPECT_GE(packets.size(), 5u);
  EXPECT_TRUE(std::is_sorted(packets.begin(), packets.end()));
  EXPECT_EQ(packets.back(), 10000);
}

TEST_F(HttpFetch, FailuresRaiseAndAHeaderFileThatCannotBeWrittenDoesNot) {
  HttpScriptedResponse cut = HttpScriptedResponse::Ok(std::string(5000, 'c'));
  cut.closeAfter = 2000;
  server.On("/cut", cut);
  server.On("/garbage", HttpScriptedResponse::Raw("HTTP/9 what\r\n\r\n"));
  struct Case {
    std::string url;
    const char* message;  // the start of the message
  } cases[] = {
      {"http://127.0.0.1:" + std::to_string(testing_support::UnusedLoopbackPort()) + "/", "Request of"},
      {server.Url("/cut"), "Request of"},
      {server.Url("/garbage"), "Request of"},
      {"https://127.0.0.1/", "Invalid URL"},
      {"ftp://127.0.0.1/", "Invalid URL"},
      {"", "Invalid URL"},
      {server.Url("/a\r\nHost: x"), "Invalid URL"},
  };
  for (const Case& c : cases) {
    fetch->SetURL(c.url);
    EXPECT_EQ(Failure().rfind(c.message, 0), 0u) << c.url << ": " << Failure();
    EXPECT_FALSE(fetch->Busy());
  }
  server.On("/ok", HttpScriptedResponse::Ok("fine"));
  fetch->SetURL(server.Url("/ok"));
  fetch->SetHeaderFile("C:\\no such folder\\head.txt");
  EXPECT_EQ(Failure(), "");
  EXPECT_EQ(Body(), "fine");
  // A body file that cannot be written fails the request.
  fetch->SetBodyFile("C:\\no such folder\\body.htm");
  EXPECT_EQ(Failure(),
            "Cannot create file \"C:\\no such folder\\body.htm\". The system cannot find the path specified.");
}

TEST_F(HttpFetch, AbortFromThePumpMakesTheRequestRaise) {
  SetClockMode(TClockMode::Virtual);
  // From the packet handler.
  HttpScriptedResponse slow = HttpScriptedResponse::Ok(std::string(8000, 's'));
  slow.chunkSize = 1000;
  slow.paceMs = 10;
  server.On("/slow", slow);
  fetch->SetURL(server.Url("/slow"));
  duringPacket = [this] { fetch->Abort(); };
  EXPECT_EQ(Failure(), "Request aborted");
  EXPECT_EQ(packets.size(), 1u);
  duringPacket = nullptr;

  // From a timer of the virtual clock while the server says nothing.
  server.On("/stall", HttpScriptedResponse::Stall());
  TTimer* timer = NewObject<TTimer>(nullptr);
  timer->SetInterval(30000);
  timer->OnTimer = [&](TObject*) {
    timer->SetEnabled(false);
    fetch->Abort();
  };
  timer->SetEnabled(true);
  const uint64_t start = ClockTickMs();
  fetch->SetURL(server.Url("/stall"));
  EXPECT_EQ(Failure(), "Request aborted");
  EXPECT_EQ(ClockTickMs() - start, 30000u);
  timer->Free();

  // An abort outside a request does nothing; a new request runs.
  fetch->Abort();
  server.On("/ok", HttpScriptedResponse::Ok("after"));
  fetch->SetURL(server.Url("/ok"));
  EXPECT_EQ(Failure(), "");
  EXPECT_EQ(Body(), "after");
}

TEST_F(HttpFetch, ARequestFromInsideARunningOneIsRefused) {
  HttpScriptedResponse slow = HttpScriptedResponse::Ok(std::string(3000, 's'));
  slow.chunkSize = 1000;
  slow.paceMs = 5;
  server.On("/slow", slow);
  fetch->SetURL(server.Url("/slow"));
  std::string nested;
  duringPacket = [&] {
    if (nested.empty()) nested = Failure();
  };
  EXPECT_EQ(Failure(), "");
  EXPECT_EQ(nested, "A request is already running");
  EXPECT_EQ(Body(), std::string(3000, 's'));
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>

#include "deskband/vekWinInet.h"
#include "platform/testing/HttpTestServer.h"

namespace {

TEST(vekWinInetThreads, TwoThreadsFetchingFromTwoServersAtOnceBothSucceed) {
  using testing_support::GeneratedBody;
  using testing_support::HttpScriptedResponse;
  testing_support::HttpTestServer feeds, definitions;
  HttpScriptedResponse slowFeed =
      HttpScriptedResponse::Ok(GeneratedBody(300000), HttpScriptedResponse::Framing::Chunked);
  slowFeed.delayMs = 50;  // both requests are open at the same time
  feeds.On("/feed.rss", slowFeed);
  HttpScriptedResponse definition = HttpScriptedResponse::Ok(GeneratedBody(120000));
  definition.delayMs = 50;
  definitions.On("/toolbar.xml", definition);
  std::atomic<int> good{0};
  auto fetch = [&good](const std::string& url, size_t size, int policy) {
    for (int i = 0; i < 5; ++i) {
      TMemoryStream stream;
      TWinInetTimeouts timeouts{30, 60};
      HTTPGet(url, stream, policy, &timeouts);
      if (stream.Size() == int64_t(size) &&
          std::string(static_cast<const char*>(stream.Memory()), size) == GeneratedBody(size))
        ++good;
    }
  };
  std::thread a(fetch, feeds.Url("/feed.rss"), size_t(300000), 0);
  std::thread b(fetch, definitions.Url("/toolbar.xml"), size_t(120000), 1);
  a.join();
  b.join();
  EXPECT_EQ(good.load(), 10);
  EXPECT_EQ(feeds.Connections(), 5);
  EXPECT_EQ(definitions.Connections(), 5);
}

}  // namespace

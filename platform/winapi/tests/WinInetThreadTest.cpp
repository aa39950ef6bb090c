// Requests on several threads at once share nothing but the handle table and the process-wide defaults.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/tests/WinInetFetch.h"

namespace {

TEST(WinInetThreads, ThreadsFetchingFromTwoServersAtOnceAllSucceed) {
  testing_support::HttpTestServer first, second;
  first.On("/a", testing_support::HttpScriptedResponse::Ok(testing_support::GeneratedBody(50000)));
  auto chunked = testing_support::HttpScriptedResponse::Ok(testing_support::GeneratedBody(70000),
                                                           testing_support::HttpScriptedResponse::Framing::Chunked);
  second.On("/b", chunked);
  std::atomic<int> good{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < 15; ++i) {
        bool odd = (t + i) % 2;
        auto r = testing_support::Fetch("127.0.0.1", odd ? second.Port() : first.Port(), odd ? "/b" : "/a");
        if (r.readError == ERROR_SUCCESS && r.body == testing_support::GeneratedBody(odd ? 70000 : 50000)) ++good;
        DWORD ms = 20000 + DWORD(t);
        InternetSetOptionA(nullptr, INTERNET_OPTION_RECEIVE_TIMEOUT, &ms, sizeof ms);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(good.load(), 60);
  EXPECT_EQ(first.Connections() + second.Connections(), 60);
}

}  // namespace

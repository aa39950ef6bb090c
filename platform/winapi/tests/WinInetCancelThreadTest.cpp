// A thread of the component library that is asked to terminate gives up its socket wait within one slice of
// 100 ms; other threads keep waiting for their time-out.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "platform/runtime/Thread.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/tests/WinInetFetch.h"

namespace {

using testing_support::HttpScriptedResponse;
using testing_support::HttpTestServer;
using Clock = std::chrono::steady_clock;

class TFetchThread : public TThread {
  VCL_CLASS(TFetchThread, TThread)
  TFetchThread(uint16_t port, DWORD receiveTimeoutMs) : TThread(false), port_(port), timeout_(receiveTimeoutMs) {}
  testing_support::FetchResult result;
  std::atomic<bool> fetching{false};

 protected:
  void Execute() override {
    testing_support::FetchOptions options;
    options.receiveTimeoutMs = timeout_;
    fetching = true;
    result = testing_support::Fetch("127.0.0.1", port_, "/silent", options);
  }

 private:
  uint16_t port_;
  DWORD timeout_;
};

int64_t Ms(Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); }

TEST(WinInetCancel, TerminatingTheThreadCancelsItsWaitWithinASlice) {
  // A receive time-out of a minute, and one of 0 (for ever).
  for (DWORD timeout : {60000u, 0u}) {
    SCOPED_TRACE(timeout);
    HttpTestServer server;
    server.On("/silent", HttpScriptedResponse::Stall());
    auto* thread = NewObject<TFetchThread>(server.Port(), timeout);
    while (!thread->fetching || server.Connections() == 0) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_FALSE(thread->Finished());
    auto asked = Clock::now();
    thread->Terminate();
    thread->WaitFor();
    EXPECT_LT(Ms(Clock::now() - asked), 200);
    EXPECT_EQ(thread->result.sendError, ERROR_INTERNET_OPERATION_CANCELLED);
    thread->Free();
  }
}

TEST(WinInetCancel, AThreadOfItsOwnIsNotCancelledAndTimesOut) {
  HttpTestServer server;
  server.On("/silent", HttpScriptedResponse::Stall());
  testing_support::FetchOptions options;
  options.receiveTimeoutMs = 300;
  auto start = Clock::now();
  auto result = testing_support::Fetch("127.0.0.1", server.Port(), "/silent", options);
  EXPECT_EQ(result.sendError, ERROR_INTERNET_TIMEOUT);
  EXPECT_GE(Ms(Clock::now() - start), 290);
}

}  // namespace

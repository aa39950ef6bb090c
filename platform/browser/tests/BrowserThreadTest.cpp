// Navigations asked for on other threads run on the thread that owns the browser.
#include <gtest/gtest.h>

#include <thread>

#include "platform/browser/tests/BrowserTestSupport.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/MessageQueue.h"

namespace {

TEST(BrowserThreads, NavigationsFromOtherThreadsRunOnTheOwnerThread) {
  testing_support::TestMachine machine;
  auto browser = browser::TBrowser::Create();
  auto sink = MakeComObject<browser_test::TRecordingSink>();
  DWORD owner = GetCurrentThreadId();
  std::vector<DWORD> threads;
  sink->onEvent = [&](DISPID, DISPPARAMS&) { threads.push_back(GetCurrentThreadId()); };
  sink->Connect(browser.Get());
  HRESULT results[2] = {E_FAIL, E_FAIL};
  std::thread other([&] {
    for (int i = 0; i < 2; ++i) {
      OleVariant url("about:blank#" + std::to_string(i));
      results[i] = browser->Navigate2(url.Get(), nullptr, nullptr, nullptr, nullptr);
    }
  });
  other.join();
  EXPECT_EQ(results[0], S_OK);
  EXPECT_EQ(results[1], S_OK);
  EXPECT_TRUE(sink->events.empty());
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  EXPECT_EQ(browser->Navigations(), (std::vector<std::string>{"about:blank#0", "about:blank#1"}));
  ASSERT_FALSE(threads.empty());
  for (DWORD t : threads) EXPECT_EQ(t, owner);
  sink->Disconnect();
  browser->Close();
}

}  // namespace

#include "platform/winapi/VirtualTime.h"

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Thread.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/Windows.h"

namespace {

using namespace std::chrono_literals;

class VirtualTime : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Virtual);
    start_ = ClockTickMs();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "VtWindow";
    RegisterClassA(&wc);
    hwnd_ = CreateWindowExA(0, "VtWindow", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  }
  void TearDown() override { SetClockMode(TClockMode::Real); }
  uint64_t Elapsed() const { return ClockTickMs() - start_; }

  uint64_t start_ = 0;
  HWND hwnd_ = nullptr;
};

// Takes the next message and says what it was and when.
std::string Next(uint64_t start) {
  MSG m;
  if (GetMessageA(&m, nullptr, 0, 0) <= 0) return "quit";
  std::string what =
      m.message == WM_TIMER ? "timer " + std::to_string(m.wParam) : "user " + std::to_string(m.message - WM_USER);
  return what + " at " + std::to_string(ClockTickMs() - start);
}

TEST_F(VirtualTime, ATimerFiresOnceAfterALongSleep) {
  SetTimer(hwnd_, 1, 100, nullptr);
  auto real = std::chrono::steady_clock::now();
  ClockSleep(30000);  // sleeping is not pumping: the timer's ticks coalesce
  EXPECT_EQ(Elapsed(), 30000u);
  EXPECT_EQ(Next(start_), "timer 1 at 30000");
  EXPECT_EQ(Next(start_), "timer 1 at 30100");
  EXPECT_LT(std::chrono::steady_clock::now() - real, 5s);
}

TEST_F(VirtualTime, SleepersAndTimersInterleaveInTickOrder) {
  SetTimer(hwnd_, 1, 1000, nullptr);
  HWND target = hwnd_;
  uint64_t ticket = VirtualThreadStarting();
  std::thread worker([target, ticket] {
    VirtualThreadStarted(ticket);
    for (int i = 1; i <= 3; ++i) {
      ClockSleep(400);
      PostMessageA(target, WM_USER + i, 0, 0);
    }
  });
  std::vector<std::string> seen;
  for (int i = 0; i < 5; ++i) seen.push_back(Next(start_));
  worker.join();
  EXPECT_EQ(seen, (std::vector<std::string>{"user 1 at 400", "user 2 at 800", "timer 1 at 1000", "user 3 at 1200",
                                            "timer 1 at 2000"}));
}

// A runtime thread that sleeps and posts, as the toolbar's worker does.
class TSleeper : public TThread {
  VCL_CLASS(TSleeper, TThread)
  TSleeper(HWND target, uint32_t sleepMs, int posts)
      : TThread(false), target_(target), sleepMs_(sleepMs), posts_(posts) {}

 protected:
  void Execute() override {
    for (int i = 1; i <= posts_; ++i) {
      ClockSleep(sleepMs_);
      if (target_) PostMessageA(target_, WM_USER + UINT(i), 0, 0);
    }
  }

 private:
  HWND target_;
  uint32_t sleepMs_;
  int posts_;
};

TEST_F(VirtualTime, RuntimeThreadsCountFromTheirStart) {
  SetTimer(hwnd_, 1, 1000, nullptr);
  TSleeper* worker = NewObject<TSleeper>(hwnd_, 400, 3);
  std::vector<std::string> seen;
  for (int i = 0; i < 5; ++i) seen.push_back(Next(start_));
  EXPECT_EQ(seen, (std::vector<std::string>{"user 1 at 400", "user 2 at 800", "timer 1 at 1000", "user 3 at 1200",
                                            "timer 1 at 2000"}));
  worker->Free();
}

TEST_F(VirtualTime, WaitingForAThreadLetsItsSleepsPass) {
  TSleeper* worker = NewObject<TSleeper>(nullptr, 2500, 2);
  worker->WaitFor();  // this thread is a participant (it owns a window), blocked meanwhile
  EXPECT_EQ(Elapsed(), 5000u);
  worker->Free();
}

TEST_F(VirtualTime, TimeDoesNotJumpWhileAnotherThreadsPostIsInFlight) {
  // The receiver waits for messages; this thread posts to it and at once waits for its own timer. The
  // posted message holds the clock until the receiver has taken it, so it is handled at tick 0.
  std::promise<HWND> ready;
  std::atomic<int64_t> handledAt{-1};
  uint64_t start = start_;
  std::thread receiver([&] {
    HWND h = CreateWindowExA(0, "VtWindow", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ready.set_value(h);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0)
      if (m.message == WM_USER + 1) handledAt = int64_t(ClockTickMs() - start);
  });
  HWND h = ready.get_future().get();
  std::this_thread::sleep_for(20ms);  // let the receiver block in GetMessage
  SetTimer(hwnd_, 1, 50, nullptr);
  PostMessageA(h, WM_USER + 1, 0, 0);
  EXPECT_EQ(Next(start_), "timer 1 at 50");
  PostMessageA(h, WM_QUIT, 0, 0);
  receiver.join();
  EXPECT_EQ(handledAt.load(), 0);
}

TEST_F(VirtualTime, ASendBlocksTheClockUntilItIsHandled) {
  // The receiver thread sleeps (virtually) before pumping; while the send is outstanding the clock moves
  // only as far as the receiver's own sleep, never to this thread's timer.
  std::promise<HWND> ready;
  std::atomic<uint64_t> handledAt{0};
  uint64_t start = start_;
  std::thread receiver([&] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
      if (m == WM_USER) return LRESULT(ClockTickMs());
      return DefWindowProcA(h, m, w, l);
    };
    wc.lpszClassName = "VtReceiver";
    RegisterClassA(&wc);
    HWND h = CreateWindowExA(0, "VtReceiver", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ready.set_value(h);
    ClockSleep(300);
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
  });
  HWND h = ready.get_future().get();
  SetTimer(hwnd_, 1, 1000, nullptr);
  LRESULT answeredAt = SendMessageA(h, WM_USER, 0, 0);
  EXPECT_EQ(uint64_t(answeredAt) - start, 300u);
  EXPECT_EQ(Next(start_), "timer 1 at 1000");
  PostMessageA(h, WM_QUIT, 0, 0);
  receiver.join();
  (void)handledAt;
}

TEST_F(VirtualTime, ScheduledEventsRunWhenTheClockReachesThem) {
  HWND target = hwnd_;
  ScheduleVirtualEvent(start_ + 250, [target] { PostMessageA(target, WM_USER + 5, 0, 0); });
  uint64_t cancelled = ScheduleVirtualEvent(start_ + 100, [target] { PostMessageA(target, WM_USER + 6, 0, 0); });
  EXPECT_TRUE(CancelVirtualEvent(cancelled));
  EXPECT_FALSE(CancelVirtualEvent(cancelled));
  EXPECT_EQ(Next(start_), "user 5 at 250");
}

TEST_F(VirtualTime, AnIdleScopeLetsTimeMoveWhileThisThreadJoins) {
  std::thread worker([] { ClockSleep(5000); });
  {
    TVirtualIdleScope idle;
    worker.join();
  }
  EXPECT_EQ(Elapsed(), 5000u);
}

TEST_F(VirtualTime, PeekLoopsSeeTimeMove) {
  SetTimer(hwnd_, 3, 200, nullptr);
  int empty = 0;
  MSG m;
  // A wait loop that only peeks still reaches the timer: each empty peek lets the clock jump.
  while (!PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) ++empty;
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(Elapsed(), 200u);
  EXPECT_EQ(empty, 0);
}

TEST_F(VirtualTime, TheWatchdogReportsAStuckLoop) {
  std::promise<std::string> report;
  std::atomic<bool> reported{false};
  DWORD self = GetCurrentThreadId();
  SetVirtualWatchdog(200, [&](const std::string& text) {
    if (reported.exchange(true)) return;
    report.set_value(text);
    PostThreadMessageA(self, WM_QUIT, 0, 0);
  });
  auto before = std::chrono::steady_clock::now();
  MSG m;
  // Nothing is due and nobody will post: without the watchdog this would wait forever.
  EXPECT_EQ(GetMessageA(&m, nullptr, 0, 0), FALSE);
  EXPECT_GE(std::chrono::steady_clock::now() - before, 150ms);
  std::string text = report.get_future().get();
  EXPECT_NE(text.find("made no progress"), std::string::npos) << text;
  EXPECT_NE(text.find("waiting for messages"), std::string::npos) << text;
  SetVirtualWatchdog(0, nullptr);
}

TEST_F(VirtualTime, TheDefaultWatchdogAbortsTheTest) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        SetVirtualWatchdog(100, nullptr);
        MSG m;
        GetMessageA(&m, nullptr, 0, 0);
      },
      "made no progress");
}

}  // namespace

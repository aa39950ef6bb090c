#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/VirtualTime.h"

namespace {

using namespace std::chrono_literals;

constexpr DWORD kSentinel = 0xdeadbeef;

struct Handles {
  std::vector<HANDLE> all;
  HANDLE Event(bool manual, bool set) {
    all.push_back(CreateEventA(nullptr, manual, set, nullptr));
    return all.back();
  }
  ~Handles() {
    for (HANDLE h : all) CloseHandle(h);
  }
};

TEST(Events, SignalStatesAsATable) {
  struct Case {
    const char* name;
    bool manual, initial;
    std::vector<char> steps;  // 's' set, 'r' reset, 'w' wait 0 expecting success, 't' wait 0 expecting time-out
  } cases[] = {
      {"a manual event stays set", true, true, {'w', 'w', 'r', 't'}},
      {"an automatic event lets one waiter through", false, true, {'w', 't', 's', 'w', 't'}},
      {"an unset event times out", true, false, {'t', 's', 'w'}},
      {"setting twice lets one automatic waiter through", false, false, {'s', 's', 'w', 't'}},
  };
  for (const Case& c : cases) {
    Handles h;
    HANDLE e = h.Event(c.manual, c.initial);
    ASSERT_NE(e, nullptr) << c.name;
    for (size_t i = 0; i < c.steps.size(); ++i) {
      switch (c.steps[i]) {
        case 's': EXPECT_TRUE(SetEvent(e)) << c.name; break;
        case 'r': EXPECT_TRUE(ResetEvent(e)) << c.name; break;
        case 'w': EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_OBJECT_0) << c.name << " step " << i; break;
        case 't': EXPECT_EQ(WaitForSingleObject(e, 0), WAIT_TIMEOUT) << c.name << " step " << i; break;
      }
    }
  }
}

TEST(Events, WaitForAnyAnswersTheFirstSignalledInOrder) {
  Handles h;
  HANDLE a = h.Event(false, false), b = h.Event(false, true), c = h.Event(true, true);
  HANDLE set[] = {a, b, c};
  EXPECT_EQ(WaitForMultipleObjects(3, set, FALSE, 0), WAIT_OBJECT_0 + 1);  // b, which resets
  EXPECT_EQ(WaitForMultipleObjects(3, set, FALSE, 0), WAIT_OBJECT_0 + 2);  // c, manual
  EXPECT_EQ(WaitForMultipleObjects(3, set, FALSE, 0), WAIT_OBJECT_0 + 2);
  ResetEvent(c);
  EXPECT_EQ(WaitForMultipleObjects(3, set, FALSE, 0), WAIT_TIMEOUT);
}

TEST(Events, RefusedCallsAsATable) {
  Handles h;
  HANDLE good = h.Event(true, true);
  HANDLE closed = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  CloseHandle(closed);
  std::vector<HANDLE> many(MAXIMUM_WAIT_OBJECTS + 1, good);
  struct Case {
    const char* name;
    DWORD count;
    const HANDLE* handles;
    BOOL all;
    DWORD error;
  } cases[] = {
      {"no handles", 0, &good, FALSE, ERROR_INVALID_PARAMETER},
      {"too many handles", DWORD(many.size()), many.data(), FALSE, ERROR_INVALID_PARAMETER},
      {"a null array", 1, nullptr, FALSE, ERROR_INVALID_PARAMETER},
      {"a closed handle", 1, &closed, FALSE, ERROR_INVALID_HANDLE},
      {"wait for all", 1, &good, TRUE, ERROR_NOT_SUPPORTED},
  };
  for (const Case& c : cases) {
    SetLastError(kSentinel);
    EXPECT_EQ(WaitForMultipleObjects(c.count, c.handles, c.all, 0), WAIT_FAILED) << c.name;
    EXPECT_EQ(GetLastError(), c.error) << c.name;
  }
  SetLastError(kSentinel);
  EXPECT_FALSE(SetEvent(closed));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(CreateEventA(nullptr, TRUE, FALSE, "named"), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_NOT_SUPPORTED);
}

TEST(Events, ARealWaitEndsWhenAnotherThreadSetsTheEvent) {
  Handles h;
  HANDLE e = h.Event(false, false);
  auto start = std::chrono::steady_clock::now();
  std::thread setter([e] {
    std::this_thread::sleep_for(50ms);
    SetEvent(e);
  });
  EXPECT_EQ(WaitForSingleObject(e, INFINITE), WAIT_OBJECT_0);
  setter.join();
  EXPECT_GE(std::chrono::steady_clock::now() - start, 45ms);
  auto before = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(e, 40), WAIT_TIMEOUT);
  EXPECT_GE(std::chrono::steady_clock::now() - before, 35ms);
}

class VirtualWaits : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Virtual);
    start_ = ClockTickMs();
  }
  void TearDown() override { SetClockMode(TClockMode::Real); }
  uint64_t Elapsed() const { return ClockTickMs() - start_; }
  uint64_t start_ = 0;
};

TEST_F(VirtualWaits, ATimeOutPassesOnTheClockNotTheWall) {
  Handles h;
  HANDLE e = h.Event(true, false);
  auto real = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(e, 30000), WAIT_TIMEOUT);
  EXPECT_EQ(Elapsed(), 30000u);
  EXPECT_LT(std::chrono::steady_clock::now() - real, 5s);
}

TEST_F(VirtualWaits, AScheduledSignalEndsTheWaitAtItsTick) {
  Handles h;
  HANDLE e = h.Event(false, false);
  ScheduleVirtualEvent(start_ + 200, [e] { SetEvent(e); });
  EXPECT_EQ(WaitForSingleObject(e, 1000), WAIT_OBJECT_0);
  EXPECT_EQ(Elapsed(), 200u);
}

// The woken thread is busy from the signal on: a sleeper elsewhere cannot move the clock past it.
TEST_F(VirtualWaits, AWokenThreadHoldsTheClockUntilItWaitsAgain) {
  Handles h;
  HANDLE e = h.Event(false, false);
  ScheduleVirtualEvent(start_ + 200, [e] { SetEvent(e); });
  std::atomic<uint64_t> seenAt{0};
  VirtualWaitPrepare();  // this thread takes part before the waiter blocks, so the clock waits for its sleep
  uint64_t ticket = VirtualThreadStarting();
  std::thread waiter([&, ticket] {
    VirtualThreadStarted(ticket);
    if (WaitForSingleObject(e, INFINITE) != WAIT_OBJECT_0) return;
    std::this_thread::sleep_for(100ms);  // real work, unseen by the clock
    seenAt = ClockTickMs() - start_;
    WaitForSingleObject(e, 5000);  // blocks again: the clock may move on
  });
  ClockSleep(1000);
  EXPECT_EQ(Elapsed(), 1000u);
  {
    TVirtualIdleScope joining;
    waiter.join();
  }
  EXPECT_EQ(seenAt.load(), 200u);
}

}  // namespace

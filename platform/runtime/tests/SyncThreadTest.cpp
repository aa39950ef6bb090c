#include "platform/runtime/Sync.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

TEST(CriticalSection, ReentrantForItsOwnerExclusiveForOthers) {
  TCriticalSection section;
  EXPECT_EQ(section.OwningThread(), 0u);
  section.Enter();
  {
    TCriticalSectionGuard again(section);
    EXPECT_EQ(section.OwningThread(), CurrentThreadID());
  }
  EXPECT_TRUE(section.HeldByCurrentThread());
  bool otherGot = true;
  std::thread([&] {
    otherGot = section.TryEnter();
    section.Leave();  // not held by this thread: ignored
  }).join();
  EXPECT_FALSE(otherGot);
  section.Leave();
  EXPECT_EQ(section.OwningThread(), 0u);
  std::thread([&] {
    otherGot = section.TryEnter();
    if (otherGot) section.Leave();
  }).join();
  EXPECT_TRUE(otherGot);
}

TEST(CriticalSection, SerialisesThreads) {
  TCriticalSection section;
  long counter = 0;  // guarded by section
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&] {
      for (int i = 0; i < 20000; ++i) {
        TCriticalSectionGuard guard(section);
        TCriticalSectionGuard nested(section);
        ++counter;
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(counter, 80000);
}

TEST(WaitableEvent, ManualResetReleasesEveryWaiterAutomaticResetOne) {
  TWaitableEvent manual(true, false);
  std::atomic<int> released{0};
  std::vector<std::thread> waiters;
  for (int i = 0; i < 3; ++i)
    waiters.emplace_back([&] {
      if (manual.WaitFor() == wrSignaled) released.fetch_add(1);
    });
  manual.SetEvent();
  for (auto& w : waiters) w.join();
  EXPECT_EQ(released.load(), 3);
  EXPECT_EQ(manual.WaitFor(0), wrSignaled);  // stays set
  manual.ResetEvent();
  EXPECT_EQ(manual.WaitFor(10), wrTimeout);

  TWaitableEvent automatic(false, true);
  EXPECT_EQ(automatic.WaitFor(0), wrSignaled);
  EXPECT_EQ(automatic.WaitFor(0), wrTimeout);  // taken by the first wait
  std::atomic<int> woke{0};
  std::thread a([&] { woke += automatic.WaitFor(5000) == wrSignaled; });
  std::thread b([&] { woke += automatic.WaitFor(5000) == wrSignaled; });
  automatic.SetEvent();
  while (woke.load() == 0) std::this_thread::yield();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(woke.load(), 1);
  automatic.SetEvent();
  a.join();
  b.join();
  EXPECT_EQ(woke.load(), 2);
}

}  // namespace

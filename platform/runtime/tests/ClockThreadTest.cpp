#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/runtime/Clock.h"

namespace {

class ClockThreads : public ::testing::Test {
 protected:
  void SetUp() override {
    // The window system installs its scheduler when the library loads; these tests start without one.
    SetVirtualScheduler(nullptr);
    SetClockMode(TClockMode::Virtual);
  }
  void TearDown() override {
    SetVirtualScheduler(nullptr);
    SetClockMode(TClockMode::Real);
  }
};

TEST_F(ClockThreads, ConcurrentSleepsAddUpAndReadersSeeAMonotonicClock) {
  const uint64_t start = ClockTickMs();
  std::atomic<bool> done{false};
  std::atomic<bool> backwards{false};
  std::thread reader([&] {
    uint64_t last = ClockTickMs();
    while (!done) {
      uint64_t now = ClockTickMs();
      ClockNow();
      if (now < last) backwards = true;
      last = now;
    }
  });
  std::vector<std::thread> sleepers;
  for (int t = 0; t < 4; ++t)
    sleepers.emplace_back([] {
      for (int i = 0; i < 1000; ++i) ClockSleep(7);
    });
  for (auto& t : sleepers) t.join();
  done = true;
  reader.join();
  EXPECT_FALSE(backwards);
  EXPECT_EQ(ClockTickMs() - start, 4u * 1000 * 7);
}

// A scheduler after the contract: sleepers wait until every registered thread sleeps, then the clock
// jumps to the earliest wake-up, and the sleepers due then count as running again at once.
class TIdleJumpScheduler : public IVirtualScheduler {
 public:
  explicit TIdleJumpScheduler(int threads) : running_(threads) {}

  void Sleep(uint32_t ms) override {
    std::unique_lock<std::mutex> lock(mutex_);
    TSleeper me{ClockTickMs() + ms};
    sleepers_.push_back(&me);
    --running_;
    Jump();
    changed_.wait(lock, [&] { return me.woken; });
    sleepers_.erase(std::find(sleepers_.begin(), sleepers_.end(), &me));
  }

  void Leave() {
    std::lock_guard<std::mutex> lock(mutex_);
    --running_;
    Jump();
  }

 private:
  struct TSleeper {
    uint64_t due;
    bool woken = false;
  };

  void Jump() {
    if (running_ > 0 || sleepers_.empty()) return;
    uint64_t earliest = UINT64_MAX;
    for (TSleeper* s : sleepers_) earliest = std::min(earliest, s->due);
    if (earliest > ClockTickMs()) ClockAdvance(earliest - ClockTickMs());
    for (TSleeper* s : sleepers_)
      if (s->due <= ClockTickMs()) {
        s->woken = true;
        ++running_;
      }
    changed_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<TSleeper*> sleepers_;
  int running_;
};

TEST_F(ClockThreads, AnIdleJumpSchedulerWakesSleepersInOrderOfTheirDueTimes) {
  const uint64_t start = ClockTickMs();
  TIdleJumpScheduler scheduler(3);
  SetVirtualScheduler(&scheduler);
  std::mutex mutex;
  std::vector<std::pair<int, uint64_t>> wakes;  // (thread, offset at wake-up)
  std::vector<std::thread> threads;
  for (int t = 0; t < 3; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 3; ++i) {
        ClockSleep(100 * (t + 1));
        std::lock_guard<std::mutex> lock(mutex);
        wakes.emplace_back(t, ClockTickMs() - start);
      }
      scheduler.Leave();
    });
  for (auto& t : threads) t.join();
  SetVirtualScheduler(nullptr);
  // thread t wakes at 100(t+1), 200(t+1), 300(t+1): the clock only ever jumps to a due time
  ASSERT_EQ(wakes.size(), 9u);
  for (auto [t, at] : wakes) EXPECT_EQ(at % (100 * (t + 1)), 0u) << t << " woke at " << at;
  EXPECT_EQ(ClockTickMs() - start, 900u);
  std::vector<uint64_t> order;
  for (auto [t, at] : wakes) order.push_back(at);
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

}  // namespace

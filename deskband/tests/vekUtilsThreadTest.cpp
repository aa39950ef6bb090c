#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "deskband/vekUtils.h"

namespace {

struct Probe {
  std::atomic<bool> destroyed{false};
  std::atomic<bool> synchronized{false};
  std::atomic<int> loops{0};
};

// Works until asked to stop; optionally hands one last call to the main thread first.
class Worker : public TThread {
  VCL_CLASS(Worker, TThread)
  Worker(Probe& probe, bool suspended, bool synchronizeAtEnd, bool freeOnTerminate)
      : TThread(suspended), probe_(probe), synchronizeAtEnd_(synchronizeAtEnd) {
    SetFreeOnTerminate(freeOnTerminate);
  }
  ~Worker() override { probe_.destroyed = true; }

 protected:
  void Execute() override {
    while (!Terminated()) {
      probe_.loops++;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    if (synchronizeAtEnd_) Synchronize([this] { probe_.synchronized = true; });
  }

 private:
  Probe& probe_;
  bool synchronizeAtEnd_;
};

TEST(TerminateAndWaitThread, StopsJoinsFreesAndClears) {
  struct Case {
    bool suspended, synchronizeAtEnd, freeOnTerminate;
  } cases[] = {{false, false, false}, {false, true, false}, {false, false, true}, {true, false, false}};
  for (const auto& c : cases) {
    Probe probe;
    TThread* thread = NewObject<Worker>(probe, c.suspended, c.synchronizeAtEnd, c.freeOnTerminate);
    if (!c.suspended)
      while (probe.loops == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    TerminateAndWaitThread(thread);
    EXPECT_EQ(thread, nullptr);
    EXPECT_TRUE(probe.destroyed) << "freed once, by the caller";
    EXPECT_EQ(probe.synchronized.load(), c.synchronizeAtEnd) << "its last call to the main thread ran meanwhile";
  }
  TThread* none = nullptr;
  TerminateAndWaitThread(none);
  EXPECT_EQ(none, nullptr);
}

}  // namespace

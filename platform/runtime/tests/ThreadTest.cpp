#include "platform/runtime/Thread.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace {

// A thread whose body is a function of the thread.
class TLambdaThread : public TThread {
  VCL_CLASS(TLambdaThread, TThread)
  TLambdaThread(bool suspended, std::function<void(TLambdaThread&)> body, std::atomic<bool>* freed = nullptr)
      : TThread(suspended), body_(std::move(body)), freed_(freed) {}
  ~TLambdaThread() override {
    if (freed_) freed_->store(true);
  }
  using TThread::SetReturnValue;

 protected:
  void Execute() override { body_(*this); }

 private:
  std::function<void(TLambdaThread&)> body_;
  std::atomic<bool>* freed_;
};

// Serves Synchronize calls until the condition holds; fails the test after 10 s.
void PumpUntil(const std::function<bool()>& done) {
  for (int i = 0; i < 10000 && !done(); ++i) CheckSynchronize(1);
  ASSERT_TRUE(done()) << "timed out";
}

TEST(Thread, TerminateAndJoinReturnsTheReturnValue) {
  std::atomic<int> rounds{0};
  auto* t = NewObject<TLambdaThread>(false, [&](TLambdaThread& self) {
    while (!self.Terminated()) rounds.fetch_add(1);
    self.SetReturnValue(42);
  });
  EXPECT_NE(t->ThreadID(), 0u);
  EXPECT_NE(t->ThreadID(), MainThreadID());
  while (rounds.load() == 0) std::this_thread::yield();
  t->Terminate();
  EXPECT_EQ(t->WaitFor(), 42u);
  EXPECT_TRUE(t->Finished());
  EXPECT_FALSE(t->FatalException());
  t->Free();
}

TEST(Thread, CreatedSuspendedItRunsOnlyAfterStart) {
  std::atomic<bool> ran{false};
  auto* t = NewObject<TLambdaThread>(true, [&](TLambdaThread&) { ran = true; });
  EXPECT_TRUE(t->Suspended());
  EXPECT_THROW(t->WaitFor(), EThread);
  EXPECT_FALSE(ran);
  t->Start();
  EXPECT_THROW(t->Start(), EThread);
  t->WaitFor();
  EXPECT_TRUE(ran);
  t->Free();
  // Never started: freed without running.
  NewObject<TLambdaThread>(true, [&](TLambdaThread&) { ADD_FAILURE(); })->Free();
}

TEST(Thread, FreeTerminatesAndWaitsForARunningThread) {
  std::atomic<bool> started{false}, ended{false};
  auto* t = NewObject<TLambdaThread>(false, [&](TLambdaThread& self) {
    started = true;
    while (!self.Terminated()) std::this_thread::yield();
    ended = true;
  });
  while (!started) std::this_thread::yield();  // a thread freed before it runs skips its body
  t->Free();
  EXPECT_TRUE(ended);
}

TEST(Thread, SynchronizeRunsOnTheMainThreadWhileTheWorkerWaits) {
  std::atomic<int> wakes{0};
  SetWakeMainThread([&](TObject* sender) {
    EXPECT_TRUE(sender && sender->Is<TThread>());
    wakes.fetch_add(1);
  });
  int counter = 0;  // touched only on the main thread
  std::vector<int> seenByWorker;
  auto* t = NewObject<TLambdaThread>(false, [&](TLambdaThread& self) {
    for (int i = 0; i < 50; ++i) {
      self.Synchronize([&] {
        EXPECT_TRUE(IsMainThread());
        ++counter;
      });
      seenByWorker.push_back(counter);  // the call has run before Synchronize returns
    }
  });
  PumpUntil([&] { return t->Finished(); });
  t->Free();
  SetWakeMainThread(nullptr);
  EXPECT_EQ(counter, 50);
  ASSERT_EQ(seenByWorker.size(), 50u);
  for (int i = 0; i < 50; ++i) EXPECT_EQ(seenByWorker[i], i + 1);
  EXPECT_EQ(wakes.load(), 50);

  // On the main thread itself the call is direct.
  bool direct = false;
  TThread::Synchronize(nullptr, [&] { direct = true; });
  EXPECT_TRUE(direct);
  EXPECT_FALSE(CheckSynchronize(0));
}

TEST(Thread, AnExceptionInASynchronizedCallIsRaisedInTheWorker) {
  std::string caught;
  auto* t = NewObject<TLambdaThread>(false, [&](TLambdaThread& self) {
    try {
      self.Synchronize([] { throw EConvertError("bad value"); });
    } catch (const Exception& e) {
      caught = e.ClassName() + ": " + e.Message();
    }
  });
  PumpUntil([&] { return t->Finished(); });
  t->Free();
  EXPECT_EQ(caught, "EConvertError: bad value");
}

TEST(Thread, WaitForOnTheMainThreadServesSynchronize) {
  int onMain = 0;
  auto* t = NewObject<TLambdaThread>(false, [&](TLambdaThread& self) {
    for (int i = 0; i < 5; ++i) self.Synchronize([&] { ++onMain; });
    self.SetReturnValue(7);
  });
  EXPECT_EQ(t->WaitFor(), 7u);
  EXPECT_EQ(onMain, 5);
  t->Free();
}

TEST(Thread, AnExceptionLeavingExecuteEndsTheThreadAndIsKept) {
  auto* t = NewObject<TLambdaThread>(false, [](TLambdaThread&) { throw EAbort("stop"); });
  t->WaitFor();
  ASSERT_TRUE(t->FatalException());
  try {
    std::rethrow_exception(t->FatalException());
  } catch (const EAbort& e) {
    EXPECT_EQ(e.Message(), "stop");
  }
  t->Free();
}

TEST(Thread, FreeOnTerminateRunsOnTerminateOnTheMainThreadThenFreesItself) {
  std::atomic<bool> freed{false};
  std::vector<std::string> events;  // main thread only
  auto* t = NewObject<TLambdaThread>(
      true,
      [](TLambdaThread& self) {
        while (!self.Terminated()) std::this_thread::yield();
      },
      &freed);
  t->SetFreeOnTerminate(true);
  t->OnTerminate = [&](TObject* sender) {
    EXPECT_TRUE(IsMainThread());
    events.push_back(sender == t && !freed ? "terminate, still alive" : "wrong");
  };
  t->Start();
  // The stop of a thread that frees itself: keep its handle, ask it to end, wait on the handle.
  std::shared_ptr<TWaitableEvent> handle = t->Handle();
  t->Terminate();
  PumpUntil([&] { return handle->WaitFor(0) == wrSignaled; });
  EXPECT_TRUE(freed);
  EXPECT_EQ(events, std::vector<std::string>{"terminate, still alive"});
}

TEST(Thread, OnlyTheMainThreadMayCheckSynchronize) {
  std::string message;
  auto* t = NewObject<TLambdaThread>(false, [&](TLambdaThread& self) {
    try {
      CheckSynchronize();
    } catch (const EThread& e) {
      message = e.Message();
    }
    try {
      self.WaitFor();
    } catch (const EThread& e) {
      message += " / " + e.Message();
    }
  });
  t->WaitFor();
  char id[16];
  std::snprintf(id, sizeof id, "%X", unsigned(t->ThreadID()));
  EXPECT_EQ(message, std::string("CheckSynchronize called from thread $") + id +
                         ", which is NOT the main thread / A thread cannot wait for itself");
  t->Free();
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>

#include "platform/components/Application.h"
#include "platform/components/tests/TestForms.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Thread.h"
#include "platform/winapi/Timers.h"

using namespace formtest;

namespace {

class TWorker : public TThread {
  VCL_CLASS(TWorker, TThread)
  TWorker() : TThread(false) {}
  std::atomic<int> ranOnMain{0};
  TThreadID mainSeen = 0;

 protected:
  void Execute() override {
    for (int i = 0; i < 3; ++i)
      Synchronize([this] {
        mainSeen = CurrentThreadID();
        ++ranOnMain;
      });
  }
};

TEST(ApplicationThreads, SynchronizeWakesAMainThreadThatHasNoWindow) {
  TWorker* worker = NewObject<TWorker>();
  UINT_PTR recheck = SetTimer(nullptr, 0, 10, nullptr);  // the loop looks at Finished now and then
  while (!worker->Finished()) Application->HandleMessage();
  KillTimer(nullptr, recheck);
  EXPECT_EQ(worker->ranOnMain.load(), 3);
  EXPECT_EQ(worker->mainSeen, MainThreadID());
  worker->Free();
}

TEST(ApplicationThreads, SynchronizeRunsThroughTheMainThreadsPump) {
  auto* dialog = Application->CreateForm<TTestDialog>();
  TWorker* worker = NewObject<TWorker>();
  // The main thread only pumps messages: each Synchronize wakes it through the application window.
  dialog->tmTick->SetInterval(20);
  dialog->tmTick->OnTimer = [&](TObject*) {
    if (worker->Finished()) Application->Terminate();
  };
  dialog->tmTick->SetEnabled(true);
  Application->Run();
  EXPECT_EQ(worker->ranOnMain.load(), 3);
  EXPECT_EQ(worker->mainSeen, MainThreadID());
  worker->Free();
  dialog->Free();
}

}  // namespace

#include "platform/runtime/Thread.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <system_error>

#include "platform/runtime/Clock.h"
#include "platform/runtime/LayeredHook.h"

namespace {

const TThreadID g_mainThreadId = CurrentThreadID();

// The TThread whose Execute runs on this thread.
thread_local const TThread* t_currentThread = nullptr;

// The Synchronize calls waiting for the main thread. Threads that end also signal here, so that a main
// thread waiting for one of them while it serves the queue wakes up.
struct SyncRequest {
  const TThreadMethod* method;
  std::exception_ptr error;
  bool done = false;
};

struct SyncQueue {
  std::mutex mutex;
  std::condition_variable arrived;   // a request was queued or a thread ended
  std::condition_variable finished;  // a request has run
  std::deque<SyncRequest*> requests;
  TLayeredHook<TNotifyEvent> wakeMainThread;
};

SyncQueue& Queue() {
  static SyncQueue* queue = new SyncQueue;  // lives until the process ends
  return *queue;
}

void NotifyThreadEnded() {
  SyncQueue& q = Queue();
  std::lock_guard lock(q.mutex);
  q.arrived.notify_all();
}

// Runs every request queued now; true when there was one.
bool RunQueued() {
  SyncQueue& q = Queue();
  std::deque<SyncRequest*> batch;
  {
    std::lock_guard lock(q.mutex);
    batch.swap(q.requests);
  }
  for (SyncRequest* r : batch) {
    try {
      (*r->method)();
    } catch (...) {
      r->error = std::current_exception();
    }
    std::lock_guard lock(q.mutex);
    r->done = true;
    q.finished.notify_all();
  }
  return !batch.empty();
}

}  // namespace

TThreadID MainThreadID() { return g_mainThreadId; }
bool CurrentThreadTerminated() { return t_currentThread && t_currentThread->Terminated(); }

bool IsMainThread() { return CurrentThreadID() == g_mainThreadId; }

void SetWakeMainThread(TNotifyEvent hook) { Queue().wakeMainThread.Set(std::move(hook)); }

int InstallWakeMainThread(TNotifyEvent hook) { return Queue().wakeMainThread.Install(std::move(hook)); }

void WithdrawWakeMainThread(int installation) { Queue().wakeMainThread.Withdraw(installation); }

TNotifyEvent GetWakeMainThread() { return Queue().wakeMainThread.Current(); }

bool CheckSynchronize(uint32_t timeoutMs) {
  if (!IsMainThread()) {
    char message[96];
    std::snprintf(message, sizeof message, "CheckSynchronize called from thread $%X, which is NOT the main thread",
                  unsigned(CurrentThreadID()));
    throw EThread(message);
  }
  if (timeoutMs > 0) {
    SyncQueue& q = Queue();
    std::unique_lock lock(q.mutex);
    auto pending = [&] { return !q.requests.empty(); };
    TClockBlockingWait blocking;
    if (timeoutMs == kWaitInfinite)
      q.arrived.wait(lock, pending);
    else
      q.arrived.wait_for(lock, std::chrono::milliseconds(timeoutMs), pending);
  }
  return RunQueued();
}

void TThread::Synchronize(TThread* thread, const TThreadMethod& method) {
  if (IsMainThread()) {
    method();
    return;
  }
  SyncQueue& q = Queue();
  SyncRequest request{&method, nullptr};
  {
    std::lock_guard lock(q.mutex);
    q.requests.push_back(&request);
    q.arrived.notify_all();
  }
  TNotifyEvent wake = q.wakeMainThread.Current();
  if (wake) wake(thread);
  {
    TClockBlockingWait blocking;
    std::unique_lock lock(q.mutex);
    q.finished.wait(lock, [&] { return request.done; });
  }
  if (request.error) std::rethrow_exception(request.error);
}

// --- TThread

TThread::TThread(bool createSuspended) : createSuspended_(createSuspended) {}

TThread::~TThread() { StopAndWait(); }

void TThread::AfterConstruction() {
  inherited::AfterConstruction();
  if (!createSuspended_) Start();
}

void TThread::BeforeDestruction() {
  StopAndWait();
  inherited::BeforeDestruction();
}

void TThread::StopAndWait() {
  if (!started_ || Finished() || CurrentThreadID() == ThreadID()) return;
  Terminate();
  WaitFor();
}

void TThread::Start() {
  if (started_) throw EThread("Cannot call Start on a running or suspended thread");
  std::binary_semaphore running(0);
  started_ = true;
  uint64_t ticket = ClockThreadStarting();
  try {
    std::thread([this, &running, ticket] {
      ClockThreadStarted(ticket);
      threadId_.store(CurrentThreadID());
      running.release();
      Run();
    }).detach();
  } catch (const std::system_error& e) {
    ClockThreadStarted(ticket);
    started_ = false;
    throw EThread(std::string("Thread creation error: ") + e.what());
  }
  running.acquire();
}

void TThread::Run() {
  std::shared_ptr<State> state = state_;  // outlives the object when it frees itself
  if (!Terminated()) {
    t_currentThread = this;
    try {
      Execute();
    } catch (...) {
      fatal_ = std::current_exception();
    }
    t_currentThread = nullptr;
  }
  try {
    DoTerminate();
  } catch (...) {
    if (!fatal_) fatal_ = std::current_exception();
  }
  if (FreeOnTerminate()) Free();
  // From here on the object may be gone.
  state->ended.SetEvent();
  NotifyThreadEnded();
}

void TThread::DoTerminate() {
  if (OnTerminate) Synchronize([this] { OnTerminate(this); });
}

uint32_t TThread::WaitFor() {
  if (!started_) throw EThread("Cannot wait for a thread that was never started");
  if (CurrentThreadID() == ThreadID()) throw EThread("A thread cannot wait for itself");
  std::shared_ptr<State> state = state_;
  if (!IsMainThread()) {
    state->ended.WaitFor();
    return state->returnValue.load();
  }
  // The main thread serves Synchronize calls (the awaited thread may be blocked in one) while it waits.
  SyncQueue& q = Queue();
  while (!state->ended.IsSet()) {
    {
      TClockBlockingWait blocking;
      std::unique_lock lock(q.mutex);
      q.arrived.wait(lock, [&] { return !q.requests.empty() || state->ended.IsSet(); });
    }
    RunQueued();
  }
  return state->returnValue.load();
}

// The component library's thread class, and the hand-over of work to the main thread (Synchronize), which
// the main thread's message pump runs through CheckSynchronize.
#pragma once
#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <semaphore>
#include <thread>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Sync.h"

using TThreadMethod = std::function<void()>;

// A thread whose body is the virtual Execute. Create it with NewObject<T>(...): the construction sequence
// starts it unless it was created suspended (then Start does). Free terminates it and waits for it; with
// FreeOnTerminate the thread frees itself when its body ends. An exception that leaves Execute ends the
// thread and is kept as FatalException. OnTerminate runs on the main thread (through Synchronize) after
// Execute. A subclass that overrides AfterConstruction does its own steps before calling the inherited one,
// which starts the thread.
class TThread : public TObject {
  VCL_CLASS(TThread, TObject)
  explicit TThread(bool createSuspended);
  ~TThread() override;

  void AfterConstruction() override;
  void BeforeDestruction() override;

  // Starts a thread created suspended; raises EThread for a thread already started.
  void Start();
  void Resume() { Start(); }
  // Asks Execute to end (it tests Terminated).
  void Terminate() { terminated_.store(true, std::memory_order_release); }
  bool Terminated() const { return terminated_.load(std::memory_order_acquire); }
  // Waits until the thread has ended and returns ReturnValue. On the main thread, Synchronize calls of
  // other threads run while it waits. Raises EThread for a thread that never started or waits for itself.
  uint32_t WaitFor();

  bool FreeOnTerminate() const { return freeOnTerminate_.load(); }
  void SetFreeOnTerminate(bool value) { freeOnTerminate_.store(value); }
  uint32_t ReturnValue() const { return state_->returnValue.load(); }
  // 0 until started.
  TThreadID ThreadID() const { return threadId_.load(); }
  // Set when the thread has ended; it stays valid after the object is gone (wait on it for a thread that
  // frees itself).
  std::shared_ptr<TWaitableEvent> Handle() const { return {state_, &state_->ended}; }
  bool Suspended() const { return !started_; }
  bool Finished() const { return state_->ended.IsSet(); }
  std::exception_ptr FatalException() const { return fatal_; }

  TNotifyEvent OnTerminate;

  // Runs method on the main thread: directly when called there; otherwise queued for the main thread's
  // CheckSynchronize while the caller waits. An exception raised by method is raised again in the caller.
  void Synchronize(const TThreadMethod& method) { Synchronize(this, method); }
  static void Synchronize(TThread* thread, const TThreadMethod& method);

 protected:
  virtual void Execute() = 0;
  void SetReturnValue(uint32_t value) { state_->returnValue.store(value); }
  // Runs OnTerminate through Synchronize.
  virtual void DoTerminate();

 private:
  struct State {
    TWaitableEvent ended{true, false};
    std::atomic<uint32_t> returnValue{0};
  };
  void Run();
  void StopAndWait();

  const bool createSuspended_;
  bool started_ = false;
  std::atomic<bool> terminated_{false};
  std::atomic<bool> freeOnTerminate_{false};
  std::atomic<TThreadID> threadId_{0};
  std::exception_ptr fatal_;
  std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Whether the calling thread runs the Execute of a TThread that has been asked to terminate; false on
// threads that are no TThread. Blocking waits of the platform test it to give up early.
bool CurrentThreadTerminated();

// The thread that loaded the library (the program's main thread).
TThreadID MainThreadID();
bool IsMainThread();

// Runs the Synchronize calls queued by other threads, waiting up to timeoutMs for the first; true when any
// ran. Only the main thread may call it (others raise EThread).
bool CheckSynchronize(uint32_t timeoutMs = 0);

// Called (on the calling thread) each time a thread queues a Synchronize call, with the thread as sender,
// so that the main thread's message loop can wake up and call CheckSynchronize. Empty by default.
// Setting replaces the current hook; a library installs its hook over the current one and withdraws it
// when it unloads, whatever was installed since.
void SetWakeMainThread(TNotifyEvent hook);
int InstallWakeMainThread(TNotifyEvent hook);
void WithdrawWakeMainThread(int installation);
// The hook installed now (empty when none).
TNotifyEvent GetWakeMainThread();

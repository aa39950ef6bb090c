// Locks and events of the component library: the re-entrant critical section with its owner, a scoped
// guard, and a waitable event.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "platform/runtime/Object.h"

// Operating-system thread ids (the values GetCurrentThreadId reports).
using TThreadID = uint32_t;
TThreadID CurrentThreadID();

// Wait without a time limit.
constexpr uint32_t kWaitInfinite = 0xFFFFFFFF;

// A lock that the owning thread may enter again; each Enter needs its Leave.
class TCriticalSection : public TObject {
  VCL_CLASS(TCriticalSection, TObject)
  TCriticalSection() = default;
  static TCriticalSection* Create() { return NewObject<TCriticalSection>(); }

  void Enter();
  // Leaving a section this thread does not hold does nothing.
  void Leave();
  bool TryEnter();
  void Acquire() { Enter(); }
  void Release() { Leave(); }
  // The thread that holds the section, 0 when free.
  TThreadID OwningThread() const { return owner_.load(std::memory_order_acquire); }
  bool HeldByCurrentThread() const { return OwningThread() == CurrentThreadID(); }

 private:
  std::recursive_mutex mutex_;
  std::atomic<TThreadID> owner_{0};
  int depth_ = 0;  // touched only by the owner
};

// Holds a critical section for a scope.
class TCriticalSectionGuard {
 public:
  explicit TCriticalSectionGuard(TCriticalSection& section) : section_(section) { section_.Enter(); }
  ~TCriticalSectionGuard() { section_.Leave(); }
  TCriticalSectionGuard(const TCriticalSectionGuard&) = delete;
  TCriticalSectionGuard& operator=(const TCriticalSectionGuard&) = delete;

 private:
  TCriticalSection& section_;
};

enum TWaitResult { wrSignaled, wrTimeout, wrAbandoned, wrError };

// An event that threads wait for: manual reset (stays set until reset) or automatic (one waiter takes it).
// Waits are in real milliseconds.
class TWaitableEvent {
 public:
  explicit TWaitableEvent(bool manualReset = true, bool initialState = false)
      : manualReset_(manualReset), set_(initialState) {}

  void SetEvent();
  void ResetEvent();
  TWaitResult WaitFor(uint32_t timeoutMs = kWaitInfinite);
  bool IsSet() const;

 private:
  const bool manualReset_;
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool set_;
};

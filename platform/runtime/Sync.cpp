#include "platform/runtime/Sync.h"

#include <sys/syscall.h>
#include <unistd.h>

#include <chrono>

#include "platform/runtime/Clock.h"

TThreadID CurrentThreadID() {
  thread_local const TThreadID id = TThreadID(syscall(SYS_gettid));
  return id;
}

void TCriticalSection::Enter() {
  mutex_.lock();
  if (depth_++ == 0) owner_.store(CurrentThreadID(), std::memory_order_release);
}

bool TCriticalSection::TryEnter() {
  if (!mutex_.try_lock()) return false;
  if (depth_++ == 0) owner_.store(CurrentThreadID(), std::memory_order_release);
  return true;
}

void TCriticalSection::Leave() {
  if (!HeldByCurrentThread()) return;
  if (--depth_ == 0) owner_.store(0, std::memory_order_release);
  mutex_.unlock();
}

void TWaitableEvent::SetEvent() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  if (manualReset_)
    changed_.notify_all();
  else
    changed_.notify_one();
}

void TWaitableEvent::ResetEvent() {
  std::lock_guard lock(mutex_);
  set_ = false;
}

bool TWaitableEvent::IsSet() const {
  std::lock_guard lock(mutex_);
  return set_;
}

TWaitResult TWaitableEvent::WaitFor(uint32_t timeoutMs) {
  TClockBlockingWait blocking;
  std::unique_lock lock(mutex_);
  auto isSet = [this] { return set_; };
  if (timeoutMs == kWaitInfinite)
    changed_.wait(lock, isSet);
  else if (!changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs), isSet))
    return wrTimeout;
  if (!manualReset_) set_ = false;
  return wrSignaled;
}

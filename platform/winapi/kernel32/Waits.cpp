// Waits for kernel objects: one lock over the signal state of every waitable of the process, and the
// threads waiting on them, woken to look again whenever a state changes. Real waits sleep on a condition
// variable; virtual waits hand the time to the clock's scheduler.
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <list>
#include <vector>

#include "platform/runtime/Clock.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/VirtualTime.h"

namespace {

struct Waiter {
  DWORD threadId;
  bool onVirtualClock;
  std::condition_variable woken;
  bool signalled = false;
};

struct WaitState {
  std::mutex lock;
  std::list<Waiter*> waiters;
};

WaitState& State() {
  static WaitState* state = new WaitState;  // outlives every static that may signal at exit
  return *state;
}

// Takes the first signalled object; WAIT_TIMEOUT when none is.
DWORD TryAcquireAny(const std::vector<std::shared_ptr<KernelWaitable>>& objects) {
  for (size_t i = 0; i < objects.size(); ++i) {
    DWORD result = objects[i]->TryAcquire();
    if (result == WAIT_OBJECT_0) return WAIT_OBJECT_0 + DWORD(i);
    if (result == WAIT_ABANDONED) return WAIT_ABANDONED_0 + DWORD(i);
  }
  return WAIT_TIMEOUT;
}

DWORD WaitForObjects(const std::vector<std::shared_ptr<KernelWaitable>>& objects, DWORD milliseconds) {
  DWORD pollMs = 0;
  for (auto& object : objects)
    if (DWORD interval = object->PollIntervalMs()) pollMs = pollMs ? std::min(pollMs, interval) : interval;
  const uint64_t deadline = milliseconds == INFINITE ? UINT64_MAX : ClockTickMs() + milliseconds;
  WaitState& state = State();
  std::unique_lock<std::mutex> lock(state.lock);
  while (true) {
    DWORD result = TryAcquireAny(objects);
    if (result != WAIT_TIMEOUT) return result;
    if (ClockTickMs() >= deadline) return WAIT_TIMEOUT;
    Waiter waiter{GetCurrentThreadId(), ClockMode() == TClockMode::Virtual, {}};
    auto at = state.waiters.insert(state.waiters.end(), &waiter);
    if (waiter.onVirtualClock) {
      uint64_t seen = VirtualWaitPrepare();
      lock.unlock();
      VirtualWaitBlock(seen, deadline, pollMs);
      lock.lock();
    } else {
      auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(pollMs ? pollMs : 1000);
      if (deadline != UINT64_MAX)
        until = std::min(until, std::chrono::steady_clock::now() +
                                    std::chrono::milliseconds(deadline - std::min(deadline, ClockTickMs())));
      waiter.woken.wait_until(lock, until, [&] { return waiter.signalled; });
    }
    state.waiters.erase(at);
  }
}

}  // namespace

std::unique_lock<std::mutex> KernelWaitable::StateLock() { return std::unique_lock<std::mutex>(State().lock); }

void KernelWaitable::WakeWaiters() {
  for (Waiter* waiter : State().waiters) {
    waiter->signalled = true;
    if (waiter->onVirtualClock)
      VirtualWakeThread(waiter->threadId);
    else
      waiter->woken.notify_all();
  }
}

DWORD KernelWaitable::Wait(DWORD milliseconds) {
  return WaitForObjects({std::static_pointer_cast<KernelWaitable>(shared_from_this())}, milliseconds);
}

DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds) {
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS || !handles) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return WAIT_FAILED;
  }
  if (waitAll) {
    SetLastError(ERROR_NOT_SUPPORTED);
    return WAIT_FAILED;
  }
  std::vector<std::shared_ptr<KernelWaitable>> objects;
  objects.reserve(count);
  for (DWORD i = 0; i < count; ++i) {
    auto object = HandleObjectAs<KernelWaitable>(handles[i]);
    if (!object) return WAIT_FAILED;
    objects.push_back(std::move(object));
  }
  return WaitForObjects(objects, milliseconds);
}

// Window timers: kept per thread, turned into WM_TIMER by the retrieval of MessageQueue.cpp.
#include "platform/winapi/Timers.h"

#include <algorithm>

#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/user32/WindowSystem.h"

using namespace winsys;

namespace winsys {

bool NextTimerDeadline(Queue* q, uint64_t* due) {
  bool any = false;
  for (const Timer& t : q->timers)
    if (!any || t.due < *due) {
      *due = t.due;
      any = true;
    }
  return any;
}

void ForgetWindowTimers(HWND hwnd) {
  for (auto& [id, q] : S().queues) std::erase_if(q->timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

}  // namespace winsys

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc) {
  State& s = S();
  Guard g(s.lock);
  Queue* q = CurrentQueue(g);
  if (hwnd) {
    Window* w = FindWindow(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (w->threadId != q->threadId) {
      SetLastError(ERROR_ACCESS_DENIED);
      return 0;
    }
  } else {
    // A timer without window: a fresh identifier unless the caller names one of its own.
    bool known =
        std::any_of(q->timers.begin(), q->timers.end(), [&](const Timer& t) { return !t.hwnd && t.id == id && id; });
    if (!known) id = ++s.nextTimerId;
  }
  elapseMs = std::clamp(elapseMs, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
  uint64_t due = NowMs() + elapseMs;
  for (Timer& t : q->timers)
    if (t.hwnd == hwnd && t.id == id) {
      t.elapse = elapseMs;
      t.proc = proc;
      t.due = due;
      return hwnd ? 1 : id;
    }
  q->timers.push_back(Timer{hwnd, id, elapseMs, proc, due});
  return hwnd ? 1 : id;
}

// What KillTimer leaves as the last error for a timer that the calling thread does not have.
constexpr DWORD kNoSuchTimer = 1402;

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
  State& s = S();
  Guard g(s.lock);
  Queue* q = CurrentQueue(g);
  auto before = q->timers.size();
  std::erase_if(q->timers, [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
  if (q->timers.size() == before) {
    SetLastError(kNoSuchTimer);
    return FALSE;
  }
  return TRUE;
}

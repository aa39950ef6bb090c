// Per-thread queues: the shared state, posting, sending, retrieval and dispatch.
#include "platform/winapi/MessageQueue.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Sync.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/user32/WindowSystem.h"

namespace winsys {

State& S() {
  static State* state = new State;
  return *state;
}

namespace {

void RemoveThreadState(Queue* q);

struct QueueHolder {
  Queue* queue = nullptr;
  ~QueueHolder() {
    if (queue) RemoveThreadState(queue);
  }
};
thread_local QueueHolder t_queue;

// A dying thread: its windows vanish without messages, sends waiting on it return 0, its hooks go.
void RemoveThreadState(Queue* q) {
  State& s = S();
  Guard g(s.lock);
  std::vector<HWND> doomed;
  for (auto& [h, w] : s.windows)
    if (w->threadId == q->threadId) doomed.push_back(h);
  for (HWND h : doomed) RemoveWindowSilently(h);
  for (const std::shared_ptr<SentMessage>& m : q->incoming) {
    s.inFlight--;
    Complete(*m, 0);
  }
  q->incoming.clear();
  s.inFlight -= int64_t(q->posted.size());
  q->posted.clear();
  for (auto& hook : q->hooks) s.hookThreads.erase(hook->handle);
  RemoveParticipant(g, q);
  s.queues.erase(q->threadId);
  delete q;
}

}  // namespace

Queue* CurrentQueue(Guard&) {
  if (!t_queue.queue) {
    auto* q = new Queue;
    q->threadId = ::GetCurrentThreadId();
    S().queues[q->threadId] = q;
    t_queue.queue = q;
  }
  return t_queue.queue;
}

Queue* FindQueue(DWORD threadId) {
  auto it = S().queues.find(threadId);
  return it == S().queues.end() ? nullptr : it->second;
}

void Wake(Queue* q) {
  if (!q) return;
  q->wakeSignals++;
  if (q->activity == Activity::Waiting || q->activity == Activity::SendWait) q->activity = Activity::Busy;
  q->cv.notify_all();
}

// Lock held: the send is answered; a waiting sender wakes.
void Complete(SentMessage& m, LRESULT result) {
  m.result = result;
  m.done = true;
  Wake(m.sender);
}

LRESULT CallHookProc(Queue* q, HOOKPROC proc, int code, WPARAM wParam, LPARAM lParam) {
  struct DepthGuard {
    Queue* q;
    ~DepthGuard() {
      Guard g(S().lock);
      if (--q->hookDepth == 0) std::erase_if(q->hooks, [](const std::shared_ptr<Hook>& h) { return h->removed; });
    }
  } depth{q};
  return proc(code, wParam, lParam);
}

bool RunHooks(int type, int code, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  HOOKPROC proc = nullptr;
  Queue* q;
  {
    Guard g(S().lock);
    q = CurrentQueue(g);
    for (auto& hook : q->hooks)
      if (hook->type == type && !hook->removed) {
        proc = hook->proc;
        break;
      }
    if (!proc) return false;
    q->hookDepth++;
  }
  LRESULT r = CallHookProc(q, proc, code, wParam, lParam);
  if (result) *result = r;
  return true;
}

LRESULT DeliverSent(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool fromThisThread) {
  CWPSTRUCT cwp{lParam, wParam, msg, hwnd};
  RunHooks(WH_CALLWNDPROC, HC_ACTION, fromThisThread ? 1 : 0, reinterpret_cast<LPARAM>(&cwp), nullptr);
  WNDPROC proc;
  {
    Guard g(S().lock);
    Window* w = FindWindow(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    proc = w->proc;
  }
  return proc ? proc(hwnd, msg, wParam, lParam) : 0;
}

void HandleOneIncoming(Guard& g, Queue* q) {
  std::shared_ptr<SentMessage> m = std::move(q->incoming.front());
  q->incoming.pop_front();
  S().inFlight--;
  S().progress++;
  q->handlingSend++;
  g.unlock();
  LRESULT r = 0;
  try {
    r = DeliverSent(m->hwnd, m->msg, m->wParam, m->lParam, false);
  } catch (...) {
    g.lock();
    q->handlingSend--;
    Complete(*m, 0);
    throw;
  }
  g.lock();
  q->handlingSend--;
  Complete(*m, r);
}

}  // namespace winsys

using namespace winsys;

DWORD GetCurrentThreadId() { return CurrentThreadID(); }

DWORD GetCurrentProcessId() { return DWORD(getpid()); }

namespace {

bool PostToQueue(Queue* q, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  MSG m{hwnd, msg, wParam, lParam, DWORD(NowMs()), {}};
  q->posted.push_back(m);
  S().inFlight++;
  Wake(q);
  return true;
}

std::vector<HWND> TopLevelWindows() {
  Guard g(S().lock);
  return S().topLevel;
}

bool InFilter(Window* w, HWND filter) {
  if (!filter) return true;
  for (Window* c = w; c; c = c->parent ? FindWindow(c->parent) : nullptr)
    if (c->handle == filter) return true;
  return false;
}

bool Matches(const MSG& m, HWND filter, UINT lo, UINT hi) {
  if (lo || hi) {
    if (m.message < lo || m.message > hi) return false;
  }
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(intptr_t(-1))) return m.hwnd == nullptr;
  Window* w = FindWindow(m.hwnd);
  return w && InFilter(w, filter);
}

// One retrieval attempt under the lock; sent messages are handled first.
bool Retrieve(Guard& g, Queue* q, MSG* out, HWND filter, UINT lo, UINT hi, bool remove) {
  while (!q->incoming.empty()) HandleOneIncoming(g, q);
  State& s = S();
  for (auto it = q->posted.begin(); it != q->posted.end(); ++it) {
    if (!Matches(*it, filter, lo, hi)) continue;
    *out = *it;
    if (remove) {
      q->posted.erase(it);
      s.inFlight--;
      s.progress++;
    }
    return true;
  }
  if (q->quitPending) {
    *out = MSG{nullptr, WM_QUIT, WPARAM(q->quitCode), 0, DWORD(NowMs()), {}};
    if (remove) q->quitPending = false;
    s.progress++;
    return true;
  }
  bool paintAllowed = !(lo || hi) || (WM_PAINT >= lo && WM_PAINT <= hi);
  if (paintAllowed && filter != reinterpret_cast<HWND>(intptr_t(-1))) {
    for (auto& [h, w] : s.windows) {
      if (w->threadId != q->threadId || !w->needsPaint || !InFilter(w.get(), filter)) continue;
      bool visible = true;
      for (Window* c = w.get(); c; c = c->parent ? FindWindow(c->parent) : nullptr)
        if (!(c->style & WS_VISIBLE)) visible = false;
      if (!visible) continue;
      *out = MSG{h, WM_PAINT, 0, 0, DWORD(NowMs()), {}};
      s.progress++;
      return true;
    }
  }
  bool timerAllowed = !(lo || hi) || (WM_TIMER >= lo && WM_TIMER <= hi);
  if (timerAllowed) {
    uint64_t now = NowMs();
    Timer* best = nullptr;
    for (Timer& t : q->timers) {
      if (t.due > now) continue;
      if (filter && filter != reinterpret_cast<HWND>(intptr_t(-1))) {
        Window* w = t.hwnd ? FindWindow(t.hwnd) : nullptr;
        if (!w || !InFilter(w, filter)) continue;
      } else if (filter && t.hwnd) {
        continue;
      }
      if (!best || t.due < best->due) best = &t;
    }
    if (best) {
      *out = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), DWORD(now), {}};
      if (remove) best->due = now + best->elapse;
      s.progress++;
      return true;
    }
  }
  return false;
}

bool ValidFilter(HWND filter) {
  if (!filter || filter == reinterpret_cast<HWND>(intptr_t(-1))) return true;
  return FindWindow(filter) != nullptr;
}

// After retrieval: the WH_GETMESSAGE hooks may rewrite the message.
void AfterRetrieve(MSG* msg, bool remove) {
  RunHooks(WH_GETMESSAGE, HC_ACTION, remove ? PM_REMOVE : PM_NOREMOVE, reinterpret_cast<LPARAM>(msg), nullptr);
  Guard g(S().lock);
  CurrentQueue(g)->lastMessage = *msg;
}

}  // namespace

namespace {
std::atomic<TBroadcastForwarder> g_forwarder{nullptr};
}  // namespace

void SetBroadcastForwarder(TBroadcastForwarder forwarder) { g_forwarder.store(forwarder); }

void DeliverBroadcast(const std::string& name, WPARAM wParam, LPARAM lParam) {
  // Only a window of a process that registered the name can tell the message apart; names nobody here
  // registered are dropped, so that what other processes broadcast never fills this process's table.
  UINT msg = 0;
  {
    std::string key = name;
    for (char& c : key) c = char(cp1250::ToUpperByte(static_cast<unsigned char>(c)));
    Guard g(S().lock);
    auto it = S().atoms.find(key);
    if (it != S().atoms.end()) msg = it->second;
  }
  if (!msg) return;
  for (HWND h : TopLevelWindows()) PostMessageA(h, msg, wParam, lParam);
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : TopLevelWindows()) PostMessageA(h, msg, wParam, lParam);
    TBroadcastForwarder forward = g_forwarder.load();
    if (forward && msg >= MAXINTATOM) {
      std::string name;
      {
        Guard g(S().lock);
        if (msg - MAXINTATOM < S().atomNames.size()) name = S().atomNames[msg - MAXINTATOM];
      }
      if (!name.empty()) forward(name, wParam, lParam);
    }
    return TRUE;
  }
  Guard g(S().lock);
  if (!hwnd) return PostToQueue(CurrentQueue(g), nullptr, msg, wParam, lParam);
  Window* w = FindWindow(hwnd);
  Queue* q = w ? FindQueue(w->threadId) : nullptr;
  if (!q) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  return PostToQueue(q, hwnd, msg, wParam, lParam);
}

BOOL PostThreadMessageA(DWORD threadId, UINT msg, WPARAM wParam, LPARAM lParam) {
  Guard g(S().lock);
  Queue* q = threadId == ::GetCurrentThreadId() ? CurrentQueue(g) : FindQueue(threadId);
  if (!q) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  return PostToQueue(q, nullptr, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
  Guard g(S().lock);
  Queue* q = CurrentQueue(g);
  q->quitPending = true;
  q->quitCode = exitCode;
  Wake(q);
}

namespace {

// Queues a send for another thread. Without `wait` returns at once.
LRESULT SendAcross(Guard& g, Queue* target, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, bool wait) {
  State& s = S();
  Queue* self = CurrentQueue(g);
  auto m = std::make_shared<SentMessage>(SentMessage{hwnd, msg, wParam, lParam});
  if (wait) m->sender = self;
  target->incoming.push_back(m);
  s.inFlight++;
  Wake(target);
  if (!wait) return 0;
  // While waiting, sends addressed to this thread are handled, so two threads sending to each other
  // cannot deadlock.
  while (!m->done) {
    if (!self->incoming.empty()) {
      HandleOneIncoming(g, self);
      continue;
    }
    uint64_t seen = self->wakeSignals;
    EnterWait(g, self, Activity::SendWait);
    self->cv.wait(g, [&] { return m->done || !self->incoming.empty() || self->wakeSignals != seen; });
    LeaveWait(self);
  }
  return m->result;
}

}  // namespace

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : TopLevelWindows()) SendMessageA(h, msg, wParam, lParam);
    return 0;
  }
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  if (w->threadId != ::GetCurrentThreadId()) {
    Queue* target = FindQueue(w->threadId);
    if (!target) return 0;
    return SendAcross(g, target, hwnd, msg, wParam, lParam, true);
  }
  g.unlock();
  return DeliverSent(hwnd, msg, wParam, lParam, true);
}

BOOL SendNotifyMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (hwnd == HWND_BROADCAST) {
    for (HWND h : TopLevelWindows()) SendNotifyMessageA(h, msg, wParam, lParam);
    return TRUE;
  }
  Guard g(S().lock);
  Window* w = FindWindow(hwnd);
  if (!w) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  if (w->threadId != ::GetCurrentThreadId()) {
    Queue* target = FindQueue(w->threadId);
    if (target) SendAcross(g, target, hwnd, msg, wParam, lParam, false);
    return TRUE;
  }
  g.unlock();
  DeliverSent(hwnd, msg, wParam, lParam, true);
  return TRUE;
}

BOOL InSendMessage() {
  Guard g(S().lock);
  return CurrentQueue(g)->handlingSend > 0;
}

BOOL GetMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax) {
  {
    Guard g(S().lock);
    Queue* q = CurrentQueue(g);
    if (!ValidFilter(hwnd)) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return -1;
    }
    while (!Retrieve(g, q, msg, hwnd, filterMin, filterMax, true)) {
      uint64_t seen = q->wakeSignals;
      EnterWait(g, q, Activity::Waiting);
      uint64_t due;
      bool virt = VirtualMode();
      if (!virt && NextTimerDeadline(q, &due)) {
        uint64_t now = NowMs();
        if (due > now) q->cv.wait_for(g, std::chrono::milliseconds(due - now), [&] { return q->wakeSignals != seen; });
      } else {
        q->cv.wait(g, [&] { return q->wakeSignals != seen; });
      }
      LeaveWait(q);
    }
  }
  AfterRetrieve(msg, true);
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL PeekMessageA(MSG* msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
  bool remove = removeFlags & PM_REMOVE;
  {
    Guard g(S().lock);
    Queue* q = CurrentQueue(g);
    if (!Retrieve(g, q, msg, hwnd, filterMin, filterMax, remove)) {
      if (removeFlags & PM_NOYIELD) return FALSE;
      if (!YieldToVirtualTime(g, q) || !Retrieve(g, q, msg, hwnd, filterMin, filterMax, remove)) return FALSE;
    }
  }
  AfterRetrieve(msg, remove);
  return TRUE;
}

BOOL WaitMessage() {
  Guard g(S().lock);
  Queue* q = CurrentQueue(g);
  uint64_t seen = q->wakeSignals;
  while (true) {
    while (!q->incoming.empty()) HandleOneIncoming(g, q);
    // Anything retrievable ends the wait; nothing is removed.
    if (!q->posted.empty() || q->quitPending) return TRUE;
    uint64_t due;
    if (NextTimerDeadline(q, &due) && due <= NowMs()) return TRUE;
    for (auto& [h, w] : S().windows)
      if (w->threadId == q->threadId && w->needsPaint && (w->style & WS_VISIBLE)) return TRUE;
    if (q->wakeSignals != seen) {
      seen = q->wakeSignals;
      continue;
    }
    EnterWait(g, q, Activity::Waiting);
    if (!VirtualMode() && NextTimerDeadline(q, &due)) {
      uint64_t now = NowMs();
      if (due > now) q->cv.wait_for(g, std::chrono::milliseconds(due - now), [&] { return q->wakeSignals != seen; });
    } else {
      q->cv.wait(g, [&] { return q->wakeSignals != seen; });
    }
    LeaveWait(q);
  }
}

DWORD GetQueueStatus(UINT flags) {
  Guard g(S().lock);
  Queue* q = CurrentQueue(g);
  DWORD status = 0;
  if (!q->posted.empty()) status |= QS_POSTMESSAGE;
  if (!q->incoming.empty()) status |= QS_SENDMESSAGE;
  uint64_t due;
  if (NextTimerDeadline(q, &due) && due <= NowMs()) status |= QS_TIMER;
  for (auto& [h, w] : S().windows)
    if (w->threadId == q->threadId && w->needsPaint) status |= QS_PAINT;
  return (status & flags) << 16 | (status & flags);
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) {
    if (msg && msg->message == WM_TIMER && msg->lParam) {
      reinterpret_cast<TIMERPROC>(msg->lParam)(nullptr, WM_TIMER, msg->wParam, DWORD(NowMs()));
    }
    return 0;
  }
  WNDPROC proc;
  {
    Guard g(S().lock);
    Window* w = FindWindow(msg->hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam) {
      // The timer may have been killed since it was retrieved.
      bool alive = false;
      if (Queue* q = FindQueue(w->threadId))
        for (Timer& t : q->timers)
          if (t.hwnd == msg->hwnd && t.id == msg->wParam) alive = true;
      g.unlock();
      if (alive) reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, DWORD(NowMs()));
      return 0;
    }
    proc = w->proc;
  }
  return proc ? proc(msg->hwnd, msg->message, msg->wParam, msg->lParam) : 0;
}

DWORD GetMessageTime() {
  Guard g(S().lock);
  return CurrentQueue(g)->lastMessage.time;
}

LONG GetMessagePos() {
  Guard g(S().lock);
  const POINT& p = CurrentQueue(g)->lastMessage.pt;
  return LONG(MAKELONG(WORD(p.x), WORD(p.y)));
}

UINT RegisterWindowMessageA(LPCSTR name) {
  if (!name || !*name) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  State& s = S();
  Guard g(s.lock);
  std::string key = name;
  for (char& c : key) c = char(cp1250::ToUpperByte(static_cast<unsigned char>(c)));
  auto it = s.atoms.find(key);
  if (it != s.atoms.end()) return it->second;
  if (s.atomNames.size() >= 0x4000) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return 0;
  }
  UINT id = MAXINTATOM + UINT(s.atomNames.size());
  s.atomNames.push_back(name);
  s.atoms[key] = id;
  return id;
}

// The virtual-time scheduler: decides, under the window system's lock, when the virtual clock moves.
#include "platform/winapi/VirtualTime.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <sstream>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/winapi/user32/WindowSystem.h"

using namespace winsys;

namespace {

struct Event {
  uint64_t id;
  std::function<void()> run;
};

struct Scheduler final : IVirtualScheduler {
  void Sleep(uint32_t ms) override;
  void BeginBlockingWait() override;
  void EndBlockingWait() override;
  uint64_t ThreadStarting() override { return VirtualThreadStarting(); }
  void ThreadStarted(uint64_t ticket) override { VirtualThreadStarted(ticket); }
};

// Guarded by the window system's lock.
struct VirtualState {
  std::multimap<uint64_t, Event> events;
  uint64_t nextEventId = 0;
  uint32_t watchdogMs = 10000;
  TVirtualStallHandler stallHandler;
  bool watchdogStarted = false;
  bool runningEvents = false;
  std::map<uint64_t, bool> starting;  // tickets of threads about to start
  uint64_t nextTicket = 0;
  std::map<uint64_t, std::chrono::steady_clock::time_point> holds;  // outside work, by when it began
};

VirtualState& V() {
  static VirtualState* state = new VirtualState;
  return *state;
}

Scheduler g_scheduler;

const char* ActivityName(Activity a) {
  switch (a) {
    case Activity::Busy: return "busy";
    case Activity::Waiting: return "waiting for messages";
    case Activity::SendWait: return "waiting for a send";
    case Activity::Sleeping: return "sleeping";
    case Activity::Blocked: return "blocked";
  }
  return "?";
}

// Whether a participant (or any queue) keeps the clock still.
bool HoldsClock(const Queue* q) {
  bool pending = !q->posted.empty() || !q->incoming.empty() || q->quitPending;
  if (!q->participant) return pending;
  switch (q->activity) {
    case Activity::Busy: return true;
    case Activity::Waiting: return pending;
    case Activity::SendWait: return !q->incoming.empty();
    case Activity::Sleeping:
    case Activity::Blocked: return false;
  }
  return true;
}

std::string Report(Guard&) {
  std::ostringstream out;
  out << "virtual time made no progress at tick " << ClockTickMs() << "\n";
  for (auto& [id, q] : S().queues) {
    if (!q->participant) continue;
    out << "  thread " << id << ": " << ActivityName(q->activity) << ", " << q->posted.size() << " posted, "
        << q->incoming.size() << " sent, " << q->timers.size() << " timers";
    if (q->activity == Activity::Sleeping) out << ", sleeping until " << q->sleepUntil;
    out << "\n";
  }
  out << "  " << V().events.size() << " scheduled events\n";
  return out.str();
}

void AdvanceWhileIdle(Guard& g);

// Ends the holds older than the watchdog's time-out; true when one lapsed (which counts as progress).
bool LapseHolds(Guard& g, std::chrono::steady_clock::time_point now) {
  VirtualState& v = V();
  bool lapsed = false;
  for (auto it = v.holds.begin(); it != v.holds.end();)
    if (now - it->second >= std::chrono::milliseconds(v.watchdogMs)) {
      it = v.holds.erase(it);
      lapsed = true;
    } else {
      ++it;
    }
  if (!lapsed) return false;
  S().progress++;
  if (VirtualMode()) AdvanceWhileIdle(g);
  return true;
}

void WatchdogLoop() {
  uint64_t lastProgress = ~uint64_t(0);
  auto lastChange = std::chrono::steady_clock::now();
  while (true) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    TVirtualStallHandler handler;
    std::string report;
    {
      Guard g(S().lock);
      auto now = std::chrono::steady_clock::now();
      if (LapseHolds(g, now)) continue;
      bool waiting = false;
      for (auto& [id, q] : S().queues)
        if (q->participant && q->activity != Activity::Busy) waiting = true;
      if (S().progress != lastProgress || !waiting || ClockMode() != TClockMode::Virtual) {
        lastProgress = S().progress;
        lastChange = now;
        continue;
      }
      if (now - lastChange < std::chrono::milliseconds(V().watchdogMs)) continue;
      lastChange = now;
      report = Report(g);
      handler = V().stallHandler;
    }
    if (handler) {
      handler(report);
    } else {
      std::fputs(report.c_str(), stderr);
      std::fflush(stderr);
      std::abort();
    }
  }
}

void StartWatchdog(Guard&) {
  if (V().watchdogStarted) return;
  V().watchdogStarted = true;
  std::thread(WatchdogLoop).detach();
}

void BecomeParticipant(Guard& g, Queue* q) {
  if (!q->participant) {
    q->participant = true;
    StartWatchdog(g);
  }
}

// One step: when nothing holds the clock, wake what is due, or move the clock to the next deadline and
// wake that. Due events run with the lock released. True when something happened.
bool AdvanceOnce(Guard& g) {
  State& s = S();
  VirtualState& v = V();
  if (v.runningEvents || !v.starting.empty() || !v.holds.empty()) return false;
  for (auto& [id, q] : s.queues)
    if (HoldsClock(q)) return false;
  uint64_t now = ClockTickMs();
  bool any = false;
  uint64_t next = 0;
  auto consider = [&](uint64_t t) {
    if (!any || t < next) next = t;
    any = true;
  };
  for (auto& [id, q] : s.queues) {
    if (!q->participant) continue;
    if (q->activity == Activity::Waiting) {
      uint64_t due;
      if (NextTimerDeadline(q, &due)) consider(due);
    }
    if (q->activity == Activity::Sleeping) consider(q->sleepUntil);
  }
  if (!v.events.empty()) consider(v.events.begin()->first);
  if (!any) return false;
  if (next > now) {
    ClockAdvance(next - now);
    now = ClockTickMs();
  }
  s.progress++;
  for (auto& [id, q] : s.queues) {
    if (!q->participant) continue;
    uint64_t due;
    if (q->activity == Activity::Waiting && NextTimerDeadline(q, &due) && due <= now) Wake(q);
    if (q->activity == Activity::Sleeping && q->sleepUntil <= now) {
      q->activity = Activity::Busy;
      q->wakeSignals++;
      q->cv.notify_all();
    }
  }
  std::vector<std::function<void()>> due;
  while (!v.events.empty() && v.events.begin()->first <= now) {
    due.push_back(std::move(v.events.begin()->second.run));
    v.events.erase(v.events.begin());
  }
  if (!due.empty()) {
    v.runningEvents = true;
    g.unlock();
    for (auto& run : due) {
      try {
        run();
      } catch (...) {
      }
    }
    g.lock();
    v.runningEvents = false;
  }
  return true;
}

void AdvanceWhileIdle(Guard& g) {
  while (AdvanceOnce(g)) {
  }
}

void Scheduler::Sleep(uint32_t ms) {
  Guard g(S().lock);
  Queue* q = CurrentQueue(g);
  BecomeParticipant(g, q);
  uint64_t until = ClockTickMs() + ms;
  q->sleepUntil = until;
  while (ClockTickMs() < until) {
    q->activity = Activity::Sleeping;
    uint64_t seen = q->wakeSignals;
    AdvanceWhileIdle(g);
    if (ClockTickMs() >= until) break;
    q->cv.wait(g, [&] { return q->wakeSignals != seen || ClockTickMs() >= until; });
  }
  q->activity = Activity::Busy;
  q->sleepUntil = 0;
  S().progress++;
}

void Scheduler::BeginBlockingWait() {
  Guard g(S().lock);
  winsys::BeginBlockingWait(g, CurrentQueue(g));
}

void Scheduler::EndBlockingWait() {
  Guard g(S().lock);
  winsys::EndBlockingWait(CurrentQueue(g));
}

}  // namespace

namespace winsys {

void BeginBlockingWait(Guard& g, Queue* q) {
  if (q->blockDepth++ > 0 || !q->participant || q->activity != Activity::Busy) return;
  q->activity = Activity::Blocked;
  if (VirtualMode()) AdvanceWhileIdle(g);
}

void EndBlockingWait(Queue* q) {
  if (q->blockDepth > 0 && --q->blockDepth == 0 && q->activity == Activity::Blocked) q->activity = Activity::Busy;
}

uint64_t NowMs() { return ClockTickMs(); }

bool VirtualMode() { return ClockMode() == TClockMode::Virtual; }

void EnterWait(Guard& g, Queue* q, Activity activity) {
  q->activity = activity;
  if (!VirtualMode()) return;
  BecomeParticipant(g, q);
  AdvanceWhileIdle(g);
}

void LeaveWait(Queue* q) { q->activity = Activity::Busy; }

void JoinVirtualTime(Guard& g, Queue* q) {
  if (VirtualMode()) BecomeParticipant(g, q);
}

bool YieldToVirtualTime(Guard& g, Queue* q) {
  if (!VirtualMode()) return false;
  BecomeParticipant(g, q);
  uint64_t before = S().progress;
  q->activity = Activity::Waiting;
  AdvanceWhileIdle(g);
  q->activity = Activity::Busy;
  return S().progress != before;
}

void RemoveParticipant(Guard& g, Queue* q) {
  if (!q->participant) return;
  q->participant = false;
  q->activity = Activity::Busy;
  if (VirtualMode()) AdvanceWhileIdle(g);
}

}  // namespace winsys

void InstallVirtualTime() { SetVirtualScheduler(&g_scheduler); }

namespace {
struct AutoInstall {
  AutoInstall() { InstallVirtualTime(); }
} g_autoInstall;
}  // namespace

uint64_t ScheduleVirtualEvent(uint64_t atTick, std::function<void()> event) {
  Guard g(S().lock);
  uint64_t id = ++V().nextEventId;
  V().events.emplace(atTick, Event{id, std::move(event)});
  return id;
}

bool CancelVirtualEvent(uint64_t id) {
  Guard g(S().lock);
  for (auto it = V().events.begin(); it != V().events.end(); ++it)
    if (it->second.id == id) {
      V().events.erase(it);
      return true;
    }
  return false;
}

uint64_t VirtualThreadStarting() {
  Guard g(S().lock);
  uint64_t ticket = ++V().nextTicket;
  V().starting[ticket] = true;
  return ticket;
}

void VirtualThreadStarted(uint64_t ticket) {
  Guard g(S().lock);
  if (!V().starting.erase(ticket)) return;
  Queue* q = CurrentQueue(g);
  JoinVirtualTime(g, q);
  if (VirtualMode()) AdvanceWhileIdle(g);
}

uint64_t VirtualHoldBegin() {
  Guard g(S().lock);
  uint64_t ticket = ++V().nextTicket;
  V().holds[ticket] = std::chrono::steady_clock::now();
  S().progress++;  // the watchdog's time-out runs from here
  return ticket;
}

void VirtualHoldEnd(uint64_t ticket) {
  Guard g(S().lock);
  if (!V().holds.erase(ticket)) return;
  S().progress++;
  if (VirtualMode()) AdvanceWhileIdle(g);
}

void VirtualTimeDetachThread() {
  Guard g(S().lock);
  RemoveParticipant(g, CurrentQueue(g));
}

TVirtualIdleScope::TVirtualIdleScope() : active_(true) {
  Guard g(S().lock);
  winsys::BeginBlockingWait(g, CurrentQueue(g));
}

TVirtualIdleScope::~TVirtualIdleScope() {
  if (!active_) return;
  Guard g(S().lock);
  winsys::EndBlockingWait(CurrentQueue(g));
}

uint64_t VirtualWaitPrepare() {
  Guard g(S().lock);
  Queue* q = CurrentQueue(g);
  JoinVirtualTime(g, q);
  return q->wakeSignals;
}

void VirtualWaitBlock(uint64_t seenWakes, uint64_t deadline, uint32_t realSliceMs) {
  auto sliceEnd = std::chrono::steady_clock::now() + std::chrono::milliseconds(realSliceMs);
  Guard g(S().lock);
  Queue* q = CurrentQueue(g);
  Activity before = q->activity;
  auto done = [&] { return q->wakeSignals != seenWakes || ClockTickMs() >= deadline; };
  while (!done()) {
    if (deadline == UINT64_MAX) {
      q->activity = Activity::Blocked;
    } else {
      q->activity = Activity::Sleeping;
      q->sleepUntil = deadline;
    }
    if (VirtualMode()) AdvanceWhileIdle(g);
    if (done()) break;
    if (!realSliceMs) {
      q->cv.wait(g, done);
    } else if (!q->cv.wait_until(g, sliceEnd, done)) {
      break;
    }
  }
  q->activity = before == Activity::Blocked ? before : Activity::Busy;
  q->sleepUntil = 0;
  S().progress++;
}

void VirtualWakeThread(DWORD threadId) {
  Guard g(S().lock);
  Queue* q = FindQueue(threadId);
  if (!q) return;
  q->wakeSignals++;
  if (q->activity == Activity::Sleeping || q->activity == Activity::Blocked) q->activity = Activity::Busy;
  q->cv.notify_all();
  S().progress++;
}

void SetVirtualWatchdog(uint32_t timeoutMs, TVirtualStallHandler handler) {
  Guard g(S().lock);
  V().watchdogMs = timeoutMs ? timeoutMs : 10000;
  V().stallHandler = std::move(handler);
}

// Virtual time for the window system: the scheduler behind the clock's virtual mode.
//
// Participants are the threads that created a window, pumped messages or slept while the clock was virtual; a thread
// stops being one when it ends or calls VirtualTimeDetachThread. The clock moves only when every participant is blocked
// (waiting in GetMessage or WaitMessage with nothing to take, waiting for the answer to a cross-thread send, sleeping,
// or inside a TVirtualIdleScope) and no posted or sent message waits for a thread that could take it. It then jumps to
// the earliest of: a due timer of a thread waiting for messages, the end of a sleep, a scheduled event. An empty
// PeekMessage counts as a blocked moment, so loops that pump with PeekMessage see time move too.
//
// The watchdog: when the clock is virtual and nothing happens (no message taken, no time moved, no sleeper
// woken) for the watchdog's time-out of real time while a participant waits, the stall handler runs with a
// report of every participant; the default handler prints it and aborts the process.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/winapi/WinTypes.h"

// Installs the scheduler in the clock (done once, when the window system loads).
void InstallVirtualTime();

// Runs `event` on the thread that moves the clock, once the clock reaches `atTick`. Returns its id.
uint64_t ScheduleVirtualEvent(uint64_t atTick, std::function<void()> event);
bool CancelVirtualEvent(uint64_t id);

// A thread about to start counts as a busy participant from the creator's call on, so that virtual time
// waits for it; the new thread calls VirtualThreadStarted with the ticket first (or the creator, when the
// start failed). Without this a new thread joins only at its first window, pump or sleep.
uint64_t VirtualThreadStarting();
void VirtualThreadStarted(uint64_t ticket);

// Work outside the process that virtual time waits for (a child that the launcher started): the clock
// stays still from VirtualHoldBegin until VirtualHoldEnd with its ticket (later calls do nothing), or until
// the watchdog's time-out of real time has passed, when the hold lapses and the clock moves on.
uint64_t VirtualHoldBegin();
void VirtualHoldEnd(uint64_t ticket);

// The calling thread is no longer a participant.
void VirtualTimeDetachThread();

// Marks the calling thread as blocked on something outside the window system (a join, an event) for the
// scope's life, so that virtual time can move meanwhile. The runtime's blocking waits (TThread::WaitFor,
// Synchronize, TWaitableEvent) do the same through the clock's TClockBlockingWait, and TThread announces
// its threads through ClockThreadStarting.
class TVirtualIdleScope {
 public:
  TVirtualIdleScope();
  ~TVirtualIdleScope();
  TVirtualIdleScope(const TVirtualIdleScope&) = delete;
  TVirtualIdleScope& operator=(const TVirtualIdleScope&) = delete;

 private:
  bool active_;
};

// Waits for kernel objects on the virtual clock. VirtualWaitPrepare, called by the waiting thread (which
// becomes a participant) while it holds the state it checked, returns the count of wakes it has seen;
// VirtualWaitBlock then blocks until VirtualWakeThread names the thread, the clock reaches `deadline`
// (UINT64_MAX: never) or `realSliceMs` of real time have passed (0: no slice). A woken thread is busy from
// the wake on.
uint64_t VirtualWaitPrepare();
void VirtualWaitBlock(uint64_t seenWakes, uint64_t deadline, uint32_t realSliceMs);
void VirtualWakeThread(DWORD threadId);

using TVirtualStallHandler = std::function<void(const std::string& report)>;
// Real milliseconds without progress before the handler runs (default 10000); none restores the default
// handler. The handler runs on the watchdog's own thread.
void SetVirtualWatchdog(uint32_t timeoutMs, TVirtualStallHandler handler);

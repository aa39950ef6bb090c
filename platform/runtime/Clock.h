// The one clock of the process: every time read (tick counts, timers, Now, sleeps) goes through it.
// Real mode follows the host's clocks. Virtual mode, for tests, stands still until it is advanced: by
// ClockAdvance, or by sleeps, which hand the wait to the installed scheduler. All calls are thread-safe
// and reads are lock-free.
#pragma once
#include <cstdint>

#include "platform/runtime/DateTime.h"

enum class TClockMode { Real, Virtual };

// Switching to virtual time starts it at the current real tick count and date-time; switching back
// follows the host's clocks again (the tick count may then step back).
void SetClockMode(TClockMode mode);
TClockMode ClockMode();

// Monotonic milliseconds: the base of GetTickCount and of every timer.
uint64_t ClockTickMs();
// The local date-time.
TDateTime ClockNow();

// Virtual mode only (EInvalidOperation otherwise): sets the date-time that ClockNow reads from now on
// (the tick count does not move), or moves the clock forward by `ms`, tick count and date-time together.
void SetVirtualDateTime(TDateTime value);
void ClockAdvance(uint64_t ms);

// Waits `ms` milliseconds. Real mode sleeps. Virtual mode calls the installed scheduler's Sleep, or, with
// none installed, only advances the clock by `ms`.
void ClockSleep(uint32_t ms);

// Decides when virtual time moves while threads sleep. The message-pump layer installs one that advances
// the clock only when every thread that pumps is idle and no posted work is in flight, and then jumps
// straight to the earliest due wake-up (a sleep's end or a timer).
// Contract of Sleep: called on the sleeping thread, in virtual mode, with the clock's tick count T at the
// call; it returns once ClockTickMs() >= T + ms, the clock having been moved by ClockAdvance (by this
// thread or another). It must not call ClockSleep.
class IVirtualScheduler {
 public:
  virtual void Sleep(uint32_t ms) = 0;
  // The calling thread waits for something outside the scheduler (a join, an event) until the matching
  // EndBlockingWait; virtual time may move meanwhile. Pairs nest.
  virtual void BeginBlockingWait() {}
  virtual void EndBlockingWait() {}
  // A thread is about to start: it counts as running from this call on; the new thread calls
  // ThreadStarted with the ticket first thing (or the creator, when the start failed).
  virtual uint64_t ThreadStarting() { return 0; }
  virtual void ThreadStarted(uint64_t ticket) { (void)ticket; }
  // Another thread ends a blocking wait of the thread `threadId` (it handed over what the thread waits for):
  // the thread counts as running from this call on, before it has woken up.
  virtual void WakeThread(uint32_t threadId) { (void)threadId; }

 protected:
  ~IVirtualScheduler() = default;
};

// Installs the scheduler (nullptr removes it). The caller keeps it alive until it is removed and no
// thread is inside its Sleep any more.
void SetVirtualScheduler(IVirtualScheduler* scheduler);
IVirtualScheduler* VirtualScheduler();

// Marks a blocking wait of the calling thread for the installed scheduler, in virtual mode (else nothing).
class TClockBlockingWait {
 public:
  TClockBlockingWait();
  ~TClockBlockingWait();
  TClockBlockingWait(const TClockBlockingWait&) = delete;
  TClockBlockingWait& operator=(const TClockBlockingWait&) = delete;

 private:
  IVirtualScheduler* scheduler_;
};

// Tells the installed scheduler, in virtual mode, that a blocked thread is being woken (else nothing).
void ClockWakeThread(uint32_t threadId);

// A thread start announced to the installed scheduler (0 without one, or in real mode).
uint64_t ClockThreadStarting();
void ClockThreadStarted(uint64_t ticket);

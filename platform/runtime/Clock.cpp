#include "platform/runtime/Clock.h"

#include <atomic>
#include <ctime>
#include <mutex>
#include <thread>

#include "platform/runtime/Exceptions.h"

namespace {

constexpr int64_t kUnixEpochDays = 25569;  // 1 January 1970 as a day count

std::atomic<TClockMode> mode{TClockMode::Real};
std::atomic<uint64_t> virtualTick{0};
// Virtual local time in milliseconds since 30 December 1899 = virtualTick + virtualOffset.
std::atomic<int64_t> virtualOffset{0};
std::atomic<IVirtualScheduler*> scheduler{nullptr};
std::mutex switching;  // serialises mode changes

uint64_t RealTickMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
}

// Local time in milliseconds since 30 December 1899.
int64_t RealLocalMSecs() {
  timespec ts;
  clock_gettime(CLOCK_REALTIME, &ts);
  tm local;
  localtime_r(&ts.tv_sec, &local);
  const int64_t seconds = int64_t(ts.tv_sec) + local.tm_gmtoff;
  return (seconds + kUnixEpochDays * 86400) * 1000 + ts.tv_nsec / 1000000;
}

void RequireVirtual(const char* what) {
  if (mode.load() != TClockMode::Virtual) throw EInvalidOperation(std::string(what) + " needs virtual time");
}

}  // namespace

void SetClockMode(TClockMode newMode) {
  std::lock_guard<std::mutex> lock(switching);
  if (newMode == mode.load()) return;
  if (newMode == TClockMode::Virtual) {
    const uint64_t tick = RealTickMs();
    virtualTick.store(tick);
    virtualOffset.store(RealLocalMSecs() - int64_t(tick));
  }
  mode.store(newMode);
}

TClockMode ClockMode() { return mode.load(std::memory_order_relaxed); }

uint64_t ClockTickMs() {
  return mode.load(std::memory_order_acquire) == TClockMode::Virtual ? virtualTick.load() : RealTickMs();
}

TDateTime ClockNow() {
  if (mode.load(std::memory_order_acquire) == TClockMode::Virtual)
    return MSecsToDateTime(int64_t(virtualTick.load()) + virtualOffset.load());
  return MSecsToDateTime(RealLocalMSecs());
}

void SetVirtualDateTime(TDateTime value) {
  RequireVirtual("SetVirtualDateTime");
  virtualOffset.store(DateTimeToMSecs(value) - int64_t(virtualTick.load()));
}

void ClockAdvance(uint64_t ms) {
  RequireVirtual("ClockAdvance");
  virtualTick.fetch_add(ms);
}

void ClockSleep(uint32_t ms) {
  if (mode.load(std::memory_order_acquire) != TClockMode::Virtual) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    return;
  }
  if (IVirtualScheduler* s = scheduler.load()) {
    s->Sleep(ms);
  } else if (ms > 0) {
    virtualTick.fetch_add(ms);
  } else {
    std::this_thread::yield();
  }
}

void SetVirtualScheduler(IVirtualScheduler* newScheduler) { scheduler.store(newScheduler); }

IVirtualScheduler* VirtualScheduler() { return scheduler.load(); }

TClockBlockingWait::TClockBlockingWait()
    : scheduler_(mode.load(std::memory_order_acquire) == TClockMode::Virtual ? scheduler.load() : nullptr) {
  if (scheduler_) scheduler_->BeginBlockingWait();
}

TClockBlockingWait::~TClockBlockingWait() {
  if (scheduler_) scheduler_->EndBlockingWait();
}

void ClockWakeThread(uint32_t threadId) {
  if (mode.load(std::memory_order_acquire) != TClockMode::Virtual) return;
  if (IVirtualScheduler* s = scheduler.load()) s->WakeThread(threadId);
}

uint64_t ClockThreadStarting() {
  if (mode.load(std::memory_order_acquire) != TClockMode::Virtual) return 0;
  IVirtualScheduler* s = scheduler.load();
  return s ? s->ThreadStarting() : 0;
}

void ClockThreadStarted(uint64_t ticket) {
  if (!ticket) return;
  if (IVirtualScheduler* s = scheduler.load()) s->ThreadStarted(ticket);
}

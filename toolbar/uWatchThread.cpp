// The watch thread, its process-wide reference and the band forms' count.
#include "toolbar/uWatchThread.h"

#include <mutex>

#include "deskband/vekUtils.h"
#include "platform/runtime/Clock.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Synchronization.h"
#include "toolbar/uSignals.h"
#include "toolbar/uWorkerThread.h"

namespace {

constexpr uint32_t kStepMs = 100;

TThread* g_watch = nullptr;
int g_formCount = 0;

// Serialises the form count and every start and stop of the watch thread (recursive: the count's calls
// start and stop under it).
std::recursive_mutex& WatchLock() {
  static std::recursive_mutex lock;
  return lock;
}

}  // namespace

std::string WatchThreadMutexName() { return MakeSignalName("WATCHTHREADMUTEX_"); }

void TWatchThread::Execute() {
  HANDLE mutex = CreateMutexA(nullptr, TRUE, WatchThreadMutexName().c_str());
  if (!mutex) RaiseLastOSError();
  bool owning = GetLastError() != ERROR_ALREADY_EXISTS;
  try {
    while (!Terminated()) {
      if (owning) {
        if (!WorkerExists()) StartWorker();
        ClockSleep(kStepMs);
      } else {
        // A mutex whose owner died is as good as released.
        DWORD waited = WaitForSingleObject(mutex, kStepMs);
        owning = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
      }
    }
    StopWorker();
  } catch (...) {
    StopWorker();
    if (owning) ReleaseMutex(mutex);
    CloseHandle(mutex);
    throw;
  }
  if (owning) ReleaseMutex(mutex);
  CloseHandle(mutex);
}

void StartWatchThread() {
  std::lock_guard<std::recursive_mutex> guard(WatchLock());
  if (!g_watch) g_watch = NewObject<TWatchThread>();
}

void StopWatchThread() {
  std::lock_guard<std::recursive_mutex> guard(WatchLock());
  if (!g_watch) return;
  AskWorkerToTerminate();
  TerminateAndWaitThread(g_watch);
}

bool WatchThreadExists() {
  std::lock_guard<std::recursive_mutex> guard(WatchLock());
  return g_watch != nullptr;
}

void BandFormCreated() {
  std::lock_guard<std::recursive_mutex> guard(WatchLock());
  if (++g_formCount == 1) StartWatchThread();
}

void BandFormDestroyed() {
  std::lock_guard<std::recursive_mutex> guard(WatchLock());
  if (g_formCount > 0 && --g_formCount == 0) StopWatchThread();
}

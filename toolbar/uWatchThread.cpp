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

std::mutex& FormLock() {
  static std::mutex lock;
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
  if (!g_watch) g_watch = NewObject<TWatchThread>();
}

void StopWatchThread() {
  if (!g_watch) return;
  AskWorkerToTerminate();
  TerminateAndWaitThread(g_watch);
}

bool WatchThreadExists() { return g_watch != nullptr; }

void BandFormCreated() {
  std::lock_guard<std::mutex> guard(FormLock());
  if (++g_formCount == 1) StartWatchThread();
}

void BandFormDestroyed() {
  std::lock_guard<std::mutex> guard(FormLock());
  if (g_formCount > 0 && --g_formCount == 0) StopWatchThread();
}

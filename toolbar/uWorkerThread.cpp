// The worker thread's body and the process's worker reference.
#include "toolbar/uWorkerThread.h"

#include <mutex>

#include "platform/com/ClassTable.h"
#include "platform/com/OleError.h"
#include "platform/runtime/Clock.h"
#include "toolbar/uWorkerCycle.h"

namespace {

constexpr uint32_t kStartDelayMs = 1000;
constexpr uint32_t kIdleMs = 100;

// Set and freed by the watch thread only; the lock lets another thread ask it to terminate meanwhile.
TThread* g_worker = nullptr;
std::mutex g_workerLock;

}  // namespace

void TWorkerThread::Execute() {
  TTessalineDeskBandModule* module = TessalineDeskBandModule();
  try {
    if (!module) throw Exception("No band module");
    OleCheck(CoInitialize(nullptr));
    TTessalineConfiguration* configuration = nullptr;
    try {
      // The start delay, in steps, so that a stop meanwhile is not held up by it.
      for (uint32_t waited = 0; waited < kStartDelayMs && !Terminated(); waited += kIdleMs) ClockSleep(kIdleMs);
      // No owner: the module's component list belongs to the user-interface threads.
      configuration = TTessalineConfiguration::CreateUnowned(*module);
      TWorkerCycle cycle(*module, *configuration, this);
      while (!Terminated()) {
        cycle.Run();
        if (!Terminated()) ClockSleep(kIdleMs);
      }
    } catch (...) {
      if (configuration) configuration->Free();
      CoUninitialize();
      throw;
    }
    configuration->Free();
    CoUninitialize();
  } catch (const std::exception& e) {
    if (module)
      module->LogFmt("Workerthread exited with exception (%s): %s", {ExceptionClassName(e), std::string(e.what())}, 2);
  }
}

bool WorkerExists() {
  std::lock_guard<std::mutex> guard(g_workerLock);
  return g_worker != nullptr;
}

void StartWorker() {
  std::lock_guard<std::mutex> guard(g_workerLock);
  if (!g_worker) g_worker = NewObject<TWorkerThread>();
}

void StopWorker() {
  std::lock_guard<std::mutex> guard(g_workerLock);
  TerminateAndWaitThread(g_worker);
}

void AskWorkerToTerminate() {
  std::lock_guard<std::mutex> guard(g_workerLock);
  if (g_worker) g_worker->Terminate();
}

// The worker thread of the logon session (run by the process whose watch thread owns the watch mutex), and
// the process's reference to it, which only the watch thread touches.
#pragma once
#include "platform/runtime/Thread.h"
#include "toolbar/uBandModule.h"

class TWorkerThread : public TThread {
  VCL_CLASS(TWorkerThread, TThread)
  TWorkerThread() : TThread(false) {}

 protected:
  // Waits a second, then runs a cycle every 100 ms until terminated, with its own configuration object.
  // An exception that ends it is logged at level 2.
  void Execute() override;
};

// Whether the process has a worker (also one whose Execute has ended); start one when it has none; stop
// and free it; ask it to terminate without waiting (any thread, so that a stop of the watch thread and of
// the worker overlap).
bool WorkerExists();
void StartWorker();
void StopWorker();
void AskWorkerToTerminate();

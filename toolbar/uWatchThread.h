// The watch thread of a process with bands: across the logon session, the one that owns the watch mutex
// keeps the session's single worker thread running. The band forms of the process start it with the
// first form and stop it with the last.
#pragma once
#include <string>

#include "platform/runtime/Thread.h"

class TWatchThread : public TThread {
  VCL_CLASS(TWatchThread, TThread)
  TWatchThread() : TThread(false) {}

 protected:
  // Contends for the mutex every 100 ms; while owning it, keeps a worker. At its end stops the worker and
  // releases the mutex. Failing to create the mutex ends the thread.
  void Execute() override;
};

// "WATCHTHREADMUTEX__" and the library's path with every character but digits, ASCII letters and "_"
// replaced by "_".
std::string WatchThreadMutexName();

// Create the process's watch thread unless it has one; stop and free it when it has one.
void StartWatchThread();
void StopWatchThread();
// Whether the process has a watch thread.
bool WatchThreadExists();

// What the band forms call: a form was made (the first starts the watch thread), a form goes (the last
// stops it). The count and the start and stop run under one lock, whichever threads call.
void BandFormCreated();
void BandFormDestroyed();

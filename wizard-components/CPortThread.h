// The event thread of an open TSerialPort: waits for the port's events and delivers each mask by the
// port's SyncMethod.
#pragma once
#include "platform/runtime/Thread.h"
#include "wizard-components/CPort.h"

class TComThread : public TThread {
  VCL_CLASS(TComThread, TThread)
  // Made suspended, the port's event mask set, then started.
  static TComThread* Create(TSerialPort* port);
  explicit TComThread(TSerialPort* port);
  ~TComThread() override;
  // Signals the stop event, then waits for the thread as TThread does.
  void BeforeDestruction() override;
  // Signals the stop event.
  void Stop();

 protected:
  void Execute() override;

 private:
  void Deliver(DWORD mask);
  TSerialPort* port_;
  HANDLE stopEvent_;
};

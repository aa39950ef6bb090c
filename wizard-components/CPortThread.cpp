// TComThread and the delivery of port events: through the main thread's synchronisation, as messages to
// the port's hidden window, or on the thread itself.
#include "wizard-components/CPortThread.h"

#include "platform/components/Application.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/UtilityWindow.h"
#include "platform/winapi/Windows.h"

namespace {

// The events of a mask in the order of dispatch.
constexpr DWORD kDispatchOrder[] = {EV_RXCHAR, EV_TXEMPTY, EV_BREAK, EV_RING, EV_CTS,
                                    EV_DSR,    EV_RXFLAG,  EV_RLSD,  EV_ERR,  EV_RX80FULL};

DWORD CommMaskOf(TEvents events) {
  static const DWORD bits[] = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                               EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD, EV_RX80FULL};
  DWORD mask = 0;
  for (int e = evRxChar; e <= evRx80Full; ++e)
    if (events & SetOf(e)) mask |= bits[e];
  return mask;
}

}  // namespace

TComThread* TComThread::Create(TSerialPort* port) {
  TComThread* thread = NewObject<TComThread>(port);
  thread->Start();
  return thread;
}

TComThread::TComThread(TSerialPort* port)
    : TThread(true), port_(port), stopEvent_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  SetCommMask(port->handle_, CommMaskOf(port->events_));
}

TComThread::~TComThread() {
  if (stopEvent_) CloseHandle(stopEvent_);
}

void TComThread::Stop() { SetEvent(stopEvent_); }

void TComThread::BeforeDestruction() {
  Stop();
  inherited::BeforeDestruction();
}

void TComThread::Execute() {
  const HANDLE port = port_->handle_;
  OVERLAPPED overlapped{};
  overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
  const HANDLE events[2] = {stopEvent_, overlapped.hEvent};
  DWORD mask = 0;
  bool pending = false;
  while (true) {
    mask = 0;
    pending = false;
    if (!WaitCommEvent(port, &mask, &overlapped)) {
      if (GetLastError() != ERROR_IO_PENDING) {
        // The port fails at once (a dead device, a peer that hung up): nothing more will come.
        WaitForSingleObject(stopEvent_, INFINITE);
        break;
      }
      pending = true;
    }
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
    pending = false;
    DWORD ignored = 0;
    if (GetOverlappedResult(port, &overlapped, &ignored, FALSE)) Deliver(mask);
  }
  if (pending) {
    // A wait still writes into this record: end it before the record goes.
    SetCommMask(port, 0);
    DWORD ignored = 0;
    GetOverlappedResult(port, &overlapped, &ignored, TRUE);
  }
  PurgeComm(port, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  CloseHandle(overlapped.hEvent);
}

void TComThread::Deliver(DWORD mask) {
  switch (port_->syncMethod_) {
    case smThreadSync: Synchronize([this, mask] { port_->Dispatch(mask); }); break;
    case smWindowSync:
      for (DWORD bit : kDispatchOrder)
        if (mask & bit) SendMessageA(port_->window_, CM_COMPORT_EVENT, bit, 0);
      break;
    case smNone: port_->Dispatch(mask); break;
  }
}

// ---- on the port

void TSerialPort::StopThread() {
  if (!threadCreated_) return;
  if (syncMethod_ == smWindowSync) {
    // The thread may be blocked sending to the window: serve those sends until it ends.
    eventThread_->Stop();
    while (!eventThread_->Finished()) {
      MSG msg;
      PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE);
      eventThread_->Handle()->WaitFor(10);
    }
  }
  eventThread_->Free();
  eventThread_ = nullptr;
  threadCreated_ = false;
  if (window_) DeallocateHWnd(window_);
  window_ = nullptr;
}

void TSerialPort::Dispatch(DWORD mask) {
  for (DWORD bit : kDispatchOrder) {
    if (!(mask & bit)) continue;
    try {
      switch (bit) {
        case EV_RXCHAR: DoRxChar(); break;
        case EV_TXEMPTY: DoTxEmpty(); break;
        case EV_BREAK: DoBreak(); break;
        case EV_RING: DoRing(); break;
        case EV_CTS: DoCTSChange(); break;
        case EV_DSR: DoDSRChange(); break;
        case EV_RXFLAG: DoRxFlag(); break;
        case EV_RLSD: DoRLSDChange(); break;
        case EV_ERR: DoError(); break;
        case EV_RX80FULL: DoRx80Full(); break;
      }
    } catch (...) {
      Application->HandleException(this);
    }
  }
}

void TSerialPort::WindowMethod(TMessage& message) {
  if (message.Msg == CM_COMPORT_EVENT) {
    Dispatch(DWORD(message.WParam));
    message.Result = 0;
  } else {
    message.Result = DefWindowProcA(window_, message.Msg, message.WParam, message.LParam);
  }
}

void TSerialPort::DoRxChar() {
  if (OnRxChar) OnRxChar(this, InputCount());
}
void TSerialPort::DoTxEmpty() {
  if (OnTxEmpty) OnTxEmpty(this);
}
void TSerialPort::DoBreak() {
  if (OnBreak) OnBreak(this);
}
void TSerialPort::DoRing() {
  if (OnRing) OnRing(this);
}
void TSerialPort::DoCTSChange() {
  if (OnCTSChange) OnCTSChange(this, Signals() & SetOf(csCTS));
}
void TSerialPort::DoDSRChange() {
  if (OnDSRChange) OnDSRChange(this, Signals() & SetOf(csDSR));
}
void TSerialPort::DoRLSDChange() {
  if (OnRLSDChange) OnRLSDChange(this, Signals() & SetOf(csRLSD));
}
void TSerialPort::DoRxFlag() {
  if (OnRxFlag) OnRxFlag(this);
}
void TSerialPort::DoError() {
  if (OnError) OnError(this, LastErrors());
}
void TSerialPort::DoRx80Full() {
  if (OnRx80Full) OnRx80Full(this);
}

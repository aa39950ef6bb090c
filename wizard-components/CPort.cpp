// TSerialPort: settings, opening and closing, reads and writes.
#include "wizard-components/CPort.h"

#include "platform/runtime/Format.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/UtilityWindow.h"
#include "wizard-components/CPortThread.h"

namespace {

const char* const kTexts[] = {"Unable to open com port",
                              "WriteFile function failed",
                              "ReadFile function failed",
                              "Invalid Async parameter",
                              "PurgeComm function failed",
                              "Unable to get async status",
                              "SetCommState function failed",
                              "SetCommTimeouts failed",
                              "SetupComm function failed",
                              "ClearCommError function failed",
                              "GetCommModemStatus function failed",
                              "EscapeCommFunction function failed",
                              "TransmitCommChar function failed",
                              "Cannot set SyncMethod while connected",
                              "EnumPorts function failed"};

constexpr DWORD kBaudRates[] = {110,   300,   600,   1200,  2400,   4800,   9600,  14400,
                                19200, 38400, 56000, 57600, 115200, 128000, 256000};

int LastErrorCode() { return int(GetLastError()); }

// Releases an asynchronous record when the scope ends, also on failure.
struct AsyncScope {
  PAsync async = nullptr;
  AsyncScope() { InitAsync(async); }
  ~AsyncScope() { DoneAsync(async); }
};

}  // namespace

// ---- ESerialPort

ESerialPort::ESerialPort(int code) : Exception(Text(code)), code_(code) {}

ESerialPort::ESerialPort(int code, int winCode)
    : Exception(Text(code) + Format(" (win error code: %d)", {winCode})), code_(code), winCode_(winCode) {}

std::string ESerialPort::Text(int code) { return code >= 1 && code <= 15 ? kTexts[code - 1] : ""; }

// ---- asynchronous records

void InitAsync(PAsync& async) {
  async = new TAsync{};
  async->Overlapped.hEvent = CreateEventA(nullptr, TRUE, TRUE, nullptr);
}

void DoneAsync(PAsync& async) {
  if (!async) return;
  if (async->Overlapped.hEvent) CloseHandle(async->Overlapped.hEvent);
  delete async;
  async = nullptr;
}

// ---- the port

TSerialPort::TSerialPort(TComponent* owner)
    : TComponent(owner),
      parity_(NewObject<TComParity>()),
      buffer_(NewObject<TComBuffer>()),
      flowControl_(NewObject<TComFlowControl>()),
      timeouts_(NewObject<TComTimeouts>()) {
  parity_->ComPort = this;
  buffer_->ComPort = this;
  flowControl_->ComPort = this;
  timeouts_->ComPort = this;
  PublishSerialPort();
}

TSerialPort::~TSerialPort() {
  try {
    Close();
  } catch (const Exception&) {
    // Close refused (the abort of pending operations failed): the thread and the handle go all the same.
    StopThread();
    DestroyHandle();
    connected_ = false;
  }
  for (TPersistent* option : {static_cast<TPersistent*>(buffer_), static_cast<TPersistent*>(flowControl_),
                              static_cast<TPersistent*>(timeouts_), static_cast<TPersistent*>(parity_)})
    option->Free();
}

std::string TSerialPort::NormalizePortName(const std::string& name) {
  std::string number = name;
  if (UpperCase(name.substr(0, 3)) == "COM") number = name.substr(3);
  int port = StrToIntDef(number, 1);
  if (port < 1 || port > 16) port = 1;
  return Format("COM%d", {port});
}

void TSerialPort::CreateHandle() {
  handle_ = CreateFileA(portNum_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                        nullptr);
  if (handle_ == INVALID_HANDLE_VALUE) throw ESerialPort(1, LastErrorCode());
}

void TSerialPort::DestroyHandle() {
  if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  handle_ = INVALID_HANDLE_VALUE;
}

void TSerialPort::Open() {
  if (connected_) return;
  CreateHandle();
  connected_ = true;
  try {
    ApplySettings();
  } catch (...) {
    DestroyHandle();
    connected_ = false;
    throw;
  }
  if (events_) {
    if (syncMethod_ == smWindowSync) window_ = AllocateHWnd([this](TMessage& message) { WindowMethod(message); });
    eventThread_ = TComThread::Create(this);
    threadCreated_ = true;
  }
  if (OnOpen) OnOpen(this);
}

void TSerialPort::Close() {
  if (!connected_) return;
  AbortAllAsync();
  StopThread();
  DestroyHandle();
  connected_ = false;
  if (OnClose) OnClose(this);
}

void TSerialPort::ApplySettings() {
  ApplyDCB();
  ApplyTimeouts();
  ApplyBuffer();
}

DCB TSerialPort::BuildDCB() const {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = kBaudRates[baudRate_];
  dcb.ByteSize = BYTE(5 + dataBits_);
  dcb.Parity = BYTE(parity_->Bits());
  dcb.StopBits = BYTE(stopBits_);
  dcb.XonLim = WORD(buffer_->InputSize() / 4);
  dcb.XoffLim = dcb.XonLim;
  dcb.XonChar = flowControl_->XonChar();
  dcb.XoffChar = flowControl_->XoffChar();
  dcb.EvtChar = eventChar_;
  DWORD flags = DCB_BINARY;
  if (discardNull_) flags |= DCB_NULL;
  if (flowControl_->OutCTSFlow()) flags |= DCB_OUTX_CTS_FLOW;
  if (flowControl_->OutDSRFlow()) flags |= DCB_OUTX_DSR_FLOW;
  flags |= DWORD(flowControl_->ControlDTR()) << 4;
  flags |= DWORD(flowControl_->ControlRTS()) << 12;
  if (flowControl_->XonXoffOut()) flags |= DCB_OUTX;
  if (flowControl_->XonXoffIn()) flags |= DCB_INX;
  if (flowControl_->DSRSensitivity()) flags |= DCB_DSR_SENSITIVITY;
  if (flowControl_->TxContinueOnXoff()) flags |= DCB_TX_CONTINUE_ON_XOFF;
  if (parity_->Check()) {
    flags |= DCB_PARITY;
    if (parity_->Replace()) {
      flags |= DCB_ERROR_CHAR;
      dcb.ErrorChar = parity_->ReplaceChar();
    }
  }
  dcb.Flags = flags;
  return dcb;
}

void TSerialPort::ApplyDCB() {
  if (!connected_) return;
  DCB dcb = BuildDCB();
  if (!SetCommState(handle_, &dcb)) throw ESerialPort(7, LastErrorCode());
}

void TSerialPort::ApplyTimeouts() {
  if (!connected_) return;
  COMMTIMEOUTS t{DWORD(timeouts_->ReadInterval()), DWORD(timeouts_->ReadTotalMultiplier()),
                 DWORD(timeouts_->ReadTotalConstant()), DWORD(timeouts_->WriteTotalMultiplier()),
                 DWORD(timeouts_->WriteTotalConstant())};
  if (!SetCommTimeouts(handle_, &t)) throw ESerialPort(8, LastErrorCode());
}

void TSerialPort::ApplyBuffer() {
  if (!connected_) return;
  if (!SetupComm(handle_, DWORD(buffer_->InputSize()), DWORD(buffer_->OutputSize())))
    throw ESerialPort(9, LastErrorCode());
}

// ---- reading and writing

int TSerialPort::WriteStrAsync(const std::string& text, PAsync async) {
  async->Kind = okWrite;
  DWORD written = 0;
  if (!WriteFile(handle_, text.data(), DWORD(text.size()), &written, &async->Overlapped) &&
      GetLastError() != ERROR_IO_PENDING)
    throw ESerialPort(2, LastErrorCode());
  return int(written);
}

int TSerialPort::WriteStr(const std::string& text) {
  AsyncScope scope;
  WriteStrAsync(text, scope.async);
  return WaitForAsync(scope.async);
}

int TSerialPort::ReadStrAsync(std::string& text, int count, PAsync async) {
  async->Kind = okRead;
  text.resize(size_t(std::max(count, 0)));
  DWORD read = 0;
  if (!ReadFile(handle_, text.data(), DWORD(text.size()), &read, &async->Overlapped) &&
      GetLastError() != ERROR_IO_PENDING)
    throw ESerialPort(3, LastErrorCode());
  return int(read);
}

int TSerialPort::ReadStr(std::string& text, int count) {
  AsyncScope scope;
  ReadStrAsync(text, count, scope.async);
  int read = WaitForAsync(scope.async);
  text.resize(size_t(read));
  return read;
}

int TSerialPort::WaitForAsync(PAsync& async) {
  if (!async) throw ESerialPort(4);
  WaitForSingleObject(async->Overlapped.hEvent, INFINITE);
  DWORD transferred = 0;
  if (!GetOverlappedResult(handle_, &async->Overlapped, &transferred, FALSE))
    throw ESerialPort(AsyncErrorCode(async), LastErrorCode());
  return int(transferred);
}

void TSerialPort::AbortAllAsync() {
  if (!PurgeComm(handle_, PURGE_TXABORT | PURGE_RXABORT)) throw ESerialPort(5, LastErrorCode());
}

int TSerialPort::InputCount() {
  COMSTAT status{};
  DWORD errors = 0;
  if (!ClearCommError(handle_, &errors, &status)) throw ESerialPort(10, LastErrorCode());
  return int(status.cbInQue);
}

TComSignals TSerialPort::Signals() {
  DWORD lines = 0;
  if (!GetCommModemStatus(handle_, &lines)) throw ESerialPort(11, LastErrorCode());
  TComSignals signals = 0;
  if (lines & MS_CTS_ON) signals |= SetOf(csCTS);
  if (lines & MS_DSR_ON) signals |= SetOf(csDSR);
  if (lines & MS_RING_ON) signals |= SetOf(csRing);
  if (lines & MS_RLSD_ON) signals |= SetOf(csRLSD);
  return signals;
}

TComErrors TSerialPort::LastErrors() {
  COMSTAT status{};
  DWORD errors = 0;
  if (!ClearCommError(handle_, &errors, &status)) throw ESerialPort(10, LastErrorCode());
  TComErrors result = 0;
  if (errors & CE_FRAME) result |= SetOf(ceFrame);
  if ((errors & CE_RXPARITY) && parity_->Check()) result |= SetOf(ceRxParity);
  if (errors & CE_OVERRUN) result |= SetOf(ceOverrun);
  if (errors & CE_BREAK) result |= SetOf(ceBreak);
  if (errors & CE_IOE) result |= SetOf(ceIO);
  if (errors & CE_MODE) result |= SetOf(ceMode);
  if (errors & CE_RXOVER) result |= SetOf(ceRxOver);
  if (errors & CE_TXFULL) result |= SetOf(ceTxFull);
  return result;
}

// ---- setters

void TSerialPort::SetBaudRate(TBaudRate value) {
  if (value == baudRate_) return;
  baudRate_ = value;
  ApplyDCB();
}

void TSerialPort::SetPortNum(const std::string& value) {
  if (value == portNum_) return;
  portNum_ = NormalizePortName(value);
  if (connected_) {
    Close();
    Open();
  }
}

void TSerialPort::SetParity(TComParity* value) {
  parity_->Assign(value);
  ApplyDCB();
}

void TSerialPort::SetStopBits(TStopBits value) {
  if (value == stopBits_) return;
  stopBits_ = value;
  ApplyDCB();
}

void TSerialPort::SetDataBits(TDataBits value) {
  if (value == dataBits_) return;
  dataBits_ = value;
  ApplyDCB();
}

void TSerialPort::SetDiscardNull(bool value) {
  if (value == discardNull_) return;
  discardNull_ = value;
  ApplyDCB();
}

void TSerialPort::SetEventChar(char value) {
  if (value == eventChar_) return;
  eventChar_ = value;
  ApplyDCB();
}

void TSerialPort::SetBuffer(TComBuffer* value) {
  buffer_->Assign(value);
  ApplyBuffer();
}

void TSerialPort::SetFlowControl(TComFlowControl* value) {
  flowControl_->Assign(value);
  ApplyDCB();
}

void TSerialPort::SetTimeouts(TComTimeouts* value) {
  timeouts_->Assign(value);
  ApplyTimeouts();
}

void TSerialPort::SetSyncMethod(TSyncMethod value) {
  if (value == syncMethod_) return;
  if (connected_) throw ESerialPort(14);
  syncMethod_ = value;
}

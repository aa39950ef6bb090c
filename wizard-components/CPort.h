// TSerialPort: a serial port opened in overlapped mode, with line settings, time-outs, reads and writes
// of strings, and port events reported by an event thread (TComThread) to the main thread, to a hidden
// window or on the thread itself.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Exceptions.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/Messages.h"

enum TBaudRate {
  br110,
  br300,
  br600,
  br1200,
  br2400,
  br4800,
  br9600,
  br14400,
  br19200,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000
};
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TSyncMethod { smThreadSync, smWindowSync, smNone };

// Sets are bit masks with bit n for the member of ordinal n.
enum TEvent { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full };
using TEvents = uint32_t;
constexpr TEvents kAllEvents = 0x3FF;
enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
using TComErrors = uint32_t;
enum TComSignal { csCTS, csDSR, csRing, csRLSD };
using TComSignals = uint32_t;
constexpr uint32_t SetOf(int member) { return 1u << member; }

using TRxCharEvent = std::function<void(TObject* sender, int count)>;
using TSignalEvent = std::function<void(TObject* sender, bool onOff)>;
using TErrorEvent = std::function<void(TObject* sender, TComErrors errors)>;

// The port's errors: a code of the table (1..15) and the Windows error code (-1 when none).
class ESerialPort : public Exception {
 public:
  static constexpr TClassInfo ClassInfo_{"ESerialPort", &Exception::ClassInfo_};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }
  const TClassInfo* ClassType() const override { return &ClassInfo_; }

  explicit ESerialPort(int code);
  ESerialPort(int code, int winCode);
  int Code() const { return code_; }
  int WinCode() const { return winCode_; }
  // The table's text of a code.
  static std::string Text(int code);

 private:
  int code_;
  int winCode_ = -1;
};

class TSerialPort;

// The option groups. Each holds its owning port (may be null), stores a changed value and then re-applies
// its group on the port, which does nothing while the port is closed.
class TComOptionGroup : public TPersistent {
  VCL_CLASS(TComOptionGroup, TPersistent)
  TSerialPort* ComPort = nullptr;

 protected:
  template <class V>
  void Set(V& field, V value) {
    if (field == value) return;
    field = value;
    if (ComPort) ApplyTo(*ComPort);
  }
  virtual void ApplyTo(TSerialPort& port) = 0;
};

class TComTimeouts : public TComOptionGroup {
  VCL_CLASS(TComTimeouts, TComOptionGroup)
  int32_t ReadInterval() const { return v_.readInterval; }
  int32_t ReadTotalMultiplier() const { return v_.readTotalMultiplier; }
  int32_t ReadTotalConstant() const { return v_.readTotalConstant; }
  int32_t WriteTotalMultiplier() const { return v_.writeTotalMultiplier; }
  int32_t WriteTotalConstant() const { return v_.writeTotalConstant; }
  void SetReadInterval(int32_t value) { Set(v_.readInterval, value); }
  void SetReadTotalMultiplier(int32_t value) { Set(v_.readTotalMultiplier, value); }
  void SetReadTotalConstant(int32_t value) { Set(v_.readTotalConstant, value); }
  void SetWriteTotalMultiplier(int32_t value) { Set(v_.writeTotalMultiplier, value); }
  void SetWriteTotalConstant(int32_t value) { Set(v_.writeTotalConstant, value); }

 protected:
  void AssignTo(TPersistent* dest) override;
  void ApplyTo(TSerialPort& port) override;

 private:
  struct {
    int32_t readInterval = -1, readTotalMultiplier = 0, readTotalConstant = 0;
    int32_t writeTotalMultiplier = 100, writeTotalConstant = 1000;
  } v_;
};

class TComFlowControl : public TComOptionGroup {
  VCL_CLASS(TComFlowControl, TComOptionGroup)
  bool OutCTSFlow() const { return v_.outCTSFlow; }
  bool OutDSRFlow() const { return v_.outDSRFlow; }
  TDTRFlowControl ControlDTR() const { return v_.controlDTR; }
  TRTSFlowControl ControlRTS() const { return v_.controlRTS; }
  bool XonXoffOut() const { return v_.xonXoffOut; }
  bool XonXoffIn() const { return v_.xonXoffIn; }
  bool DSRSensitivity() const { return v_.dsrSensitivity; }
  bool TxContinueOnXoff() const { return v_.txContinueOnXoff; }
  char XonChar() const { return v_.xonChar; }
  char XoffChar() const { return v_.xoffChar; }
  void SetOutCTSFlow(bool value) { Set(v_.outCTSFlow, value); }
  void SetOutDSRFlow(bool value) { Set(v_.outDSRFlow, value); }
  void SetControlDTR(TDTRFlowControl value) { Set(v_.controlDTR, value); }
  void SetControlRTS(TRTSFlowControl value) { Set(v_.controlRTS, value); }
  void SetXonXoffOut(bool value) { Set(v_.xonXoffOut, value); }
  void SetXonXoffIn(bool value) { Set(v_.xonXoffIn, value); }
  void SetDSRSensitivity(bool value) { Set(v_.dsrSensitivity, value); }
  void SetTxContinueOnXoff(bool value) { Set(v_.txContinueOnXoff, value); }
  void SetXonChar(char value) { Set(v_.xonChar, value); }
  void SetXoffChar(char value) { Set(v_.xoffChar, value); }

 protected:
  void AssignTo(TPersistent* dest) override;
  void ApplyTo(TSerialPort& port) override;

 private:
  struct {
    bool outCTSFlow = false, outDSRFlow = false;
    TDTRFlowControl controlDTR = dtrDisable;
    TRTSFlowControl controlRTS = rtsDisable;
    bool xonXoffOut = false, xonXoffIn = false, dsrSensitivity = false, txContinueOnXoff = false;
    char xonChar = 17, xoffChar = 19;
  } v_;
};

class TComParity : public TComOptionGroup {
  VCL_CLASS(TComParity, TComOptionGroup)
  TParityBits Bits() const { return v_.bits; }
  bool Check() const { return v_.check; }
  bool Replace() const { return v_.replace; }
  char ReplaceChar() const { return v_.replaceChar; }
  void SetBits(TParityBits value) { Set(v_.bits, value); }
  void SetCheck(bool value) { Set(v_.check, value); }
  void SetReplace(bool value) { Set(v_.replace, value); }
  void SetReplaceChar(char value) { Set(v_.replaceChar, value); }

 protected:
  void AssignTo(TPersistent* dest) override;
  void ApplyTo(TSerialPort& port) override;

 private:
  struct {
    TParityBits bits = prNone;
    bool check = false, replace = false;
    char replaceChar = 0;
  } v_;
};

class TComBuffer : public TComOptionGroup {
  VCL_CLASS(TComBuffer, TComOptionGroup)
  int32_t InputSize() const { return v_.inputSize; }
  int32_t OutputSize() const { return v_.outputSize; }
  void SetInputSize(int32_t value) { Set(v_.inputSize, value); }
  void SetOutputSize(int32_t value) { Set(v_.outputSize, value); }

 protected:
  void AssignTo(TPersistent* dest) override;
  void ApplyTo(TSerialPort& port) override;

 private:
  struct {
    int32_t inputSize = 1024, outputSize = 1024;
  } v_;
};

// One overlapped read or write: its record, with a manual-reset event made signalled.
enum TOperationKind { okWrite, okRead };
struct TAsync {
  OVERLAPPED Overlapped;
  TOperationKind Kind;
};
using PAsync = TAsync*;
void InitAsync(PAsync& async);
void DoneAsync(PAsync& async);

class TComThread;

class TSerialPort : public TComponent {
  VCL_CLASS(TSerialPort, TComponent)
  explicit TSerialPort(TComponent* owner);
  ~TSerialPort() override;
  static TSerialPort* Create(TComponent* owner) { return NewObject<TSerialPort>(owner); }

  // Opens the port, applies the settings and starts the event thread (none while Events is empty).
  void Open();
  // Aborts pending reads and writes, ends the event thread (serving its synchronised calls meanwhile)
  // and closes the port.
  void Close();
  bool Connected() const { return connected_; }
  HANDLE Handle() const { return handle_; }

  // Writes the whole text and returns the bytes written, once the write has completed.
  int WriteStr(const std::string& text);
  int WriteStrAsync(const std::string& text, PAsync async);
  // Reads up to `count` bytes (none for a negative count) into `text` and returns their number.
  int ReadStr(std::string& text, int count);
  int ReadStrAsync(std::string& text, int count, PAsync async);
  int WaitForAsync(PAsync& async);
  static int AsyncErrorCode(PAsync async) { return async->Kind == okWrite ? 2 : 3; }
  void AbortAllAsync();
  int InputCount();
  TComSignals Signals();
  TComErrors LastErrors();

  // "COM" and the number of the name (a name without "COM" in any case is the number itself); a text that
  // is no number from 1 to 16 gives "COM1".
  static std::string NormalizePortName(const std::string& name);

  // ---- published
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value);
  const std::string& PortNum() const { return portNum_; }
  void SetPortNum(const std::string& value);
  TComParity* Parity() const { return parity_; }
  void SetParity(TComParity* value);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value);
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value);
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool value);
  char EventChar() const { return eventChar_; }
  void SetEventChar(char value);
  TEvents Events() const { return events_; }
  void SetEvents(TEvents value) { events_ = value & kAllEvents; }
  TComBuffer* Buffer() const { return buffer_; }
  void SetBuffer(TComBuffer* value);
  TComFlowControl* FlowControl() const { return flowControl_; }
  void SetFlowControl(TComFlowControl* value);
  TComTimeouts* Timeouts() const { return timeouts_; }
  void SetTimeouts(TComTimeouts* value);
  TSyncMethod SyncMethod() const { return syncMethod_; }
  void SetSyncMethod(TSyncMethod value);

  TRxCharEvent OnRxChar;
  TNotifyEvent OnTxEmpty, OnBreak, OnRing;
  TSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
  TNotifyEvent OnRxFlag;
  TErrorEvent OnError;
  TNotifyEvent OnOpen, OnClose, OnRx80Full;

  // The block that ApplyDCB sets, built from the settings alone.
  DCB BuildDCB() const;

 protected:
  virtual void CreateHandle();
  virtual void DestroyHandle();
  virtual void ApplySettings();
  void ApplyDCB();
  void ApplyTimeouts();
  void ApplyBuffer();

  // The events, each doing nothing without its handler.
  void DoRxChar();
  void DoTxEmpty();
  void DoBreak();
  void DoRing();
  void DoCTSChange();
  void DoDSRChange();
  void DoRLSDChange();
  void DoRxFlag();
  void DoError();
  void DoRx80Full();
  // Fires the events of an EV_ mask in the fixed order; a handler's exception goes to the application's
  // exception handler.
  void Dispatch(DWORD mask);
  void WindowMethod(TMessage& message);

 private:
  friend class TComThread;
  friend class TComTimeouts;
  friend class TComFlowControl;
  friend class TComParity;
  friend class TComBuffer;
  // Ends the event thread and the hidden window, if made.
  void StopThread();

  TComThread* eventThread_ = nullptr;
  bool threadCreated_ = false;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  HWND window_ = nullptr;
  bool connected_ = false;
  TBaudRate baudRate_ = br9600;
  std::string portNum_ = "COM1";
  TComParity* parity_;
  TStopBits stopBits_ = sbOneStopBit;
  TDataBits dataBits_ = dbEight;
  bool discardNull_ = false;
  char eventChar_ = 0;
  TEvents events_ = kAllEvents;
  TComBuffer* buffer_;
  TComFlowControl* flowControl_;
  TComTimeouts* timeouts_;
  TSyncMethod syncMethod_ = smThreadSync;
};

// Registers the class and its published properties with the form-resource reader (once; the constructor
// calls it, so that a program that uses the class reads its resources).
void PublishSerialPort();

// The message of window delivery: the EV_ bit in wParam.
constexpr UINT CM_COMPORT_EVENT = WM_USER + 1;

// Serial ports: the Win32 comm calls over the machine's ports, opened by CreateFileA("COMn") or
// CreateFileA("\\.\COMn"). Which device a port is: a test's in-process scripted port of that name; else
// devices/COMn in the machine folder, a link to a host terminal device (a pseudo-terminal, an adapter);
// else devices/COMn.script, the replies of a scripted device; else there is none (ERROR_FILE_NOT_FOUND).
// A port is opened by one handle at a time across the machine's processes.
//
// Reads, writes and event waits are overlapped: they complete through the caller's OVERLAPPED and its
// event (GetOverlappedResult in Files.h). Replies of scripted devices are scheduled on the clock, so in
// virtual time they arrive at their virtual moment.
//
// Script of a device (one directive a line; "#" starts a comment line):
//   line TEXT           a line that the device receives (written bytes up to CR or LF, without them);
//                       "line *" answers every line no other directive names
//   reply MS TEXT       one chunk of the answer to the line above, sent MS milliseconds after the line
//                       (or after the previous chunk); TEXT runs to the end of the line, with \r, \n, \t,
//                       \\ and \xHH escapes
#pragma once
#include <string>

#include "platform/winapi/Files.h"
#include "platform/winapi/WinTypes.h"

// Device-control block. Flags holds the bit fields of the Windows structure.
struct DCB {
  DWORD DCBlength;
  DWORD BaudRate;
  DWORD Flags;
  WORD wReserved;
  WORD XonLim;
  WORD XoffLim;
  BYTE ByteSize;
  BYTE Parity;
  BYTE StopBits;
  char XonChar;
  char XoffChar;
  char ErrorChar;
  char EofChar;
  char EvtChar;
  WORD wReserved1;
};

// Bits of DCB::Flags.
constexpr DWORD DCB_BINARY = 0x1;
constexpr DWORD DCB_PARITY = 0x2;
constexpr DWORD DCB_OUTX_CTS_FLOW = 0x4;
constexpr DWORD DCB_OUTX_DSR_FLOW = 0x8;
constexpr DWORD DCB_DTR_CONTROL_MASK = 0x30;  // DTR_CONTROL_* << 4
constexpr DWORD DCB_DSR_SENSITIVITY = 0x40;
constexpr DWORD DCB_TX_CONTINUE_ON_XOFF = 0x80;
constexpr DWORD DCB_OUTX = 0x100;
constexpr DWORD DCB_INX = 0x200;
constexpr DWORD DCB_ERROR_CHAR = 0x400;
constexpr DWORD DCB_NULL = 0x800;
constexpr DWORD DCB_RTS_CONTROL_MASK = 0x3000;  // RTS_CONTROL_* << 12
constexpr DWORD DCB_ABORT_ON_ERROR = 0x4000;

constexpr DWORD DTR_CONTROL_DISABLE = 0, DTR_CONTROL_ENABLE = 1, DTR_CONTROL_HANDSHAKE = 2;
constexpr DWORD RTS_CONTROL_DISABLE = 0, RTS_CONTROL_ENABLE = 1, RTS_CONTROL_HANDSHAKE = 2, RTS_CONTROL_TOGGLE = 3;
constexpr BYTE NOPARITY = 0, ODDPARITY = 1, EVENPARITY = 2, MARKPARITY = 3, SPACEPARITY = 4;
constexpr BYTE ONESTOPBIT = 0, ONE5STOPBITS = 1, TWOSTOPBITS = 2;

struct COMMTIMEOUTS {
  DWORD ReadIntervalTimeout;
  DWORD ReadTotalTimeoutMultiplier;
  DWORD ReadTotalTimeoutConstant;
  DWORD WriteTotalTimeoutMultiplier;
  DWORD WriteTotalTimeoutConstant;
};

struct COMSTAT {
  DWORD Flags;
  DWORD cbInQue;
  DWORD cbOutQue;
};

// Events of SetCommMask and WaitCommEvent.
constexpr DWORD EV_RXCHAR = 0x1;
constexpr DWORD EV_RXFLAG = 0x2;
constexpr DWORD EV_TXEMPTY = 0x4;
constexpr DWORD EV_CTS = 0x8;
constexpr DWORD EV_DSR = 0x10;
constexpr DWORD EV_RLSD = 0x20;
constexpr DWORD EV_BREAK = 0x40;
constexpr DWORD EV_ERR = 0x80;
constexpr DWORD EV_RING = 0x100;
constexpr DWORD EV_RX80FULL = 0x400;

constexpr DWORD PURGE_TXABORT = 0x1;
constexpr DWORD PURGE_RXABORT = 0x2;
constexpr DWORD PURGE_TXCLEAR = 0x4;
constexpr DWORD PURGE_RXCLEAR = 0x8;

// Line errors of ClearCommError.
constexpr DWORD CE_RXOVER = 0x1;
constexpr DWORD CE_OVERRUN = 0x2;
constexpr DWORD CE_RXPARITY = 0x4;
constexpr DWORD CE_FRAME = 0x8;
constexpr DWORD CE_BREAK = 0x10;
constexpr DWORD CE_TXFULL = 0x100;
constexpr DWORD CE_IOE = 0x400;
constexpr DWORD CE_MODE = 0x8000;

// Modem lines of GetCommModemStatus.
constexpr DWORD MS_CTS_ON = 0x10;
constexpr DWORD MS_DSR_ON = 0x20;
constexpr DWORD MS_RING_ON = 0x40;
constexpr DWORD MS_RLSD_ON = 0x80;

// Checks the block as Windows does (ERROR_INVALID_PARAMETER for a data size, parity, stop bits or baud
// rate it refuses) and sets the line. A rate the host has no setting for runs at the nearest one below.
BOOL SetCommState(HANDLE port, DCB* dcb);
BOOL GetCommState(HANDLE port, DCB* dcb);
// An all-ones read interval with zero totals makes a read return at once with what is queued; the write
// total time-out (multiplier per byte plus constant; both 0: none) bounds a write, which then completes
// with the bytes sent so far.
BOOL SetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
BOOL GetCommTimeouts(HANDLE port, COMMTIMEOUTS* timeouts);
// Sizes of the driver's queues: the input queue holds at most `inSize` bytes.
BOOL SetupComm(HANDLE port, DWORD inSize, DWORD outSize);
// Setting the mask completes a pending wait with no events.
BOOL SetCommMask(HANDLE port, DWORD mask);
BOOL GetCommMask(HANDLE port, LPDWORD mask);
// Waits for one of the masked events: EV_RXCHAR once per arrival of new bytes, EV_TXEMPTY when a write
// has drained; an event that came while no wait was pending completes the next wait at once. One wait at
// a time. After the device hung up, the pending (or next) wait completes once with an error, and later
// waits fail at once without touching the event.
BOOL WaitCommEvent(HANDLE port, LPDWORD eventMask, OVERLAPPED* overlapped);
// Aborts pending reads (PURGE_RXABORT) or writes (PURGE_TXABORT) with ERROR_OPERATION_ABORTED; empties
// the input (PURGE_RXCLEAR) or output (PURGE_TXCLEAR) queue.
BOOL PurgeComm(HANDLE port, DWORD flags);
// The line errors since the last call (then cleared), and the queue lengths.
BOOL ClearCommError(HANDLE port, LPDWORD errors, COMSTAT* status);
// The modem lines that are up; a device without modem lines (a pseudo-terminal) has none.
BOOL GetCommModemStatus(HANDLE port, LPDWORD modemStatus);

namespace vandrel {

// The last block that SetCommState applied to a port ("COM3"), also after the port was closed; false when
// none was.
bool LastCommState(const std::string& port, DCB* dcb);
// A scripted device of this process under a port name, with a script as above; it takes precedence over
// the machine folder's devices until it is removed. A malformed script raises std::invalid_argument.
void RegisterScriptedPort(const std::string& port, const std::string& script);
void RemoveScriptedPort(const std::string& port);

}  // namespace vandrel

// The Win32 comm calls: each finds the port of its handle and hands the call to it.
#include "platform/winapi/LastError.h"
#include "platform/winapi/kernel32/CommPort.h"

namespace {

std::shared_ptr<CommPort> PortOf(HANDLE handle) { return HandleObjectAs<CommPort>(handle); }

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

BOOL SetCommState(HANDLE handle, DCB* dcb) {
  auto port = PortOf(handle);
  if (!port) return FALSE;
  if (!dcb) return Fail(ERROR_INVALID_PARAMETER);
  return port->SetState(*dcb);
}

BOOL GetCommState(HANDLE handle, DCB* dcb) {
  auto port = PortOf(handle);
  if (!port) return FALSE;
  if (!dcb) return Fail(ERROR_INVALID_PARAMETER);
  port->GetState(dcb);
  return TRUE;
}

BOOL SetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
  auto port = PortOf(handle);
  if (!port) return FALSE;
  if (!timeouts) return Fail(ERROR_INVALID_PARAMETER);
  port->SetTimeouts(*timeouts);
  return TRUE;
}

BOOL GetCommTimeouts(HANDLE handle, COMMTIMEOUTS* timeouts) {
  auto port = PortOf(handle);
  if (!port) return FALSE;
  if (!timeouts) return Fail(ERROR_INVALID_PARAMETER);
  port->GetTimeouts(timeouts);
  return TRUE;
}

BOOL SetupComm(HANDLE handle, DWORD inSize, DWORD outSize) {
  auto port = PortOf(handle);
  return port ? port->Setup(inSize, outSize) : FALSE;
}

BOOL SetCommMask(HANDLE handle, DWORD mask) {
  auto port = PortOf(handle);
  return port ? port->SetMask(mask) : FALSE;
}

BOOL GetCommMask(HANDLE handle, LPDWORD mask) {
  auto port = PortOf(handle);
  if (!port) return FALSE;
  if (!mask) return Fail(ERROR_INVALID_PARAMETER);
  *mask = port->Mask();
  return TRUE;
}

BOOL WaitCommEvent(HANDLE handle, LPDWORD eventMask, OVERLAPPED* overlapped) {
  auto port = PortOf(handle);
  return port ? port->WaitEvent(eventMask, overlapped) : FALSE;
}

BOOL PurgeComm(HANDLE handle, DWORD flags) {
  auto port = PortOf(handle);
  return port ? port->Purge(flags) : FALSE;
}

BOOL ClearCommError(HANDLE handle, LPDWORD errors, COMSTAT* status) {
  auto port = PortOf(handle);
  if (!port) return FALSE;
  port->ClearError(errors, status);
  return TRUE;
}

BOOL GetCommModemStatus(HANDLE handle, LPDWORD modemStatus) {
  auto port = PortOf(handle);
  if (!port) return FALSE;
  if (!modemStatus) return Fail(ERROR_INVALID_PARAMETER);
  return port->ModemStatus(modemStatus);
}

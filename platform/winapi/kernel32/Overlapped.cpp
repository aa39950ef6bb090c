// Overlapped operations of devices: their outcome in the caller's OVERLAPPED (Internal holds the state,
// InternalHigh the bytes transferred), written and read under the waitables' state lock.
#include "platform/winapi/LastError.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/kernel32/Device.h"

namespace {

constexpr ULONG_PTR kPending = 0x103;
constexpr ULONG_PTR kFailed = 0xC0000000;

}  // namespace

void OverlappedOp::Begin() {
  overlapped_->Internal = kPending;
  overlapped_->InternalHigh = 0;
  if (event_) SetEventLocked(*event_, false);
}

void OverlappedOp::Finish(DWORD error, DWORD bytes) {
  overlapped_->Internal = error == ERROR_SUCCESS ? 0 : kFailed | error;
  overlapped_->InternalHigh = bytes;
  if (event_) SetEventLocked(*event_, true);
}

BOOL GetOverlappedResult(HANDLE, OVERLAPPED* overlapped, LPDWORD transferred, BOOL wait) {
  if (!overlapped) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  ULONG_PTR state, bytes;
  while (true) {
    {
      auto lock = KernelWaitable::StateLock();
      state = overlapped->Internal;
      bytes = overlapped->InternalHigh;
    }
    if (state != kPending) break;
    if (!wait) {
      SetLastError(ERROR_IO_INCOMPLETE);
      return FALSE;
    }
    if (WaitForSingleObject(overlapped->hEvent, INFINITE) == WAIT_FAILED) return FALSE;
  }
  if (transferred) *transferred = DWORD(bytes);
  if (state & kFailed) {
    SetLastError(DWORD(state & ~kFailed));
    return FALSE;
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

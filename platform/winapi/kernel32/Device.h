// Devices behind handles (serial ports): ReadFile and WriteFile hand their calls to the device, whose
// overlapped operations complete through the caller's OVERLAPPED and its event, under the waitables' state
// lock (Handles.h).
#pragma once
#include <memory>

#include "platform/winapi/Files.h"
#include "platform/winapi/Handles.h"

class DeviceObject : public KernelObject {
 public:
  virtual BOOL Read(void* buffer, DWORD toRead, DWORD* read, OVERLAPPED* overlapped) = 0;
  virtual BOOL Write(const void* buffer, DWORD toWrite, DWORD* written, OVERLAPPED* overlapped) = 0;
};

// An event of the kernel as a waitable, or null (last error ERROR_INVALID_HANDLE) when the handle is none.
std::shared_ptr<KernelWaitable> EventObjectOf(HANDLE event);
// Sets or resets an event with the state lock held.
void SetEventLocked(KernelWaitable& event, bool set);

// One overlapped operation of a device. Begin and Finish run with the state lock held; Finish writes the
// outcome into the caller's OVERLAPPED, which GetOverlappedResult reads under the same lock.
class OverlappedOp {
 public:
  OverlappedOp() = default;
  OverlappedOp(OVERLAPPED* overlapped, std::shared_ptr<KernelWaitable> event)
      : overlapped_(overlapped), event_(std::move(event)) {}
  // Marks the operation as running and resets its event.
  void Begin();
  // Stores the outcome (ERROR_SUCCESS or an error, and the bytes transferred) and sets the event.
  void Finish(DWORD error, DWORD bytes);
  OVERLAPPED* overlapped() const { return overlapped_; }

 private:
  OVERLAPPED* overlapped_ = nullptr;
  std::shared_ptr<KernelWaitable> event_;
};

// Kernel handles: one table of the process's handles (files, find searches, and whatever other stand-ins
// register), closed by CloseHandle and waited on by WaitForSingleObject.
#pragma once
#include <memory>

#include "platform/winapi/WinTypes.h"

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;

// What a handle refers to. Subclasses close their host resources in their destructor, which runs when the
// last user lets go (CloseHandle may run while another thread still uses the object).
class KernelObject {
 public:
  virtual ~KernelObject() = default;
  // Waits up to `milliseconds` (INFINITE: without limit) for the object to be signalled: WAIT_OBJECT_0,
  // WAIT_TIMEOUT or WAIT_FAILED with the last error set. Objects that cannot be waited on fail.
  virtual DWORD Wait(DWORD milliseconds);
};

// Registers an object and returns its new handle (never 0 nor INVALID_HANDLE_VALUE).
HANDLE NewHandle(std::shared_ptr<KernelObject> object);
// The object of a handle, or null (last error ERROR_INVALID_HANDLE) when the handle is not open.
std::shared_ptr<KernelObject> HandleObject(HANDLE handle);
// The object of a handle when it is of type T, else null with ERROR_INVALID_HANDLE.
template <class T>
std::shared_ptr<T> HandleObjectAs(HANDLE handle);
// The number of open handles (for tests that look for leaks).
size_t OpenHandleCount();

BOOL CloseHandle(HANDLE handle);
DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds);

void SetLastErrorInvalidHandle();

template <class T>
std::shared_ptr<T> HandleObjectAs(HANDLE handle) {
  auto object = std::dynamic_pointer_cast<T>(HandleObject(handle));
  if (!object) SetLastErrorInvalidHandle();
  return object;
}

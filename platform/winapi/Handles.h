// Kernel handles: one table of the process's handles (files, find searches, and whatever other stand-ins
// register), closed by CloseHandle and waited on by WaitForSingleObject and WaitForMultipleObjects.
#pragma once
#include <memory>
#include <mutex>

#include "platform/winapi/WinTypes.h"

constexpr DWORD WAIT_OBJECT_0 = 0;
constexpr DWORD WAIT_ABANDONED = 0x80;
constexpr DWORD WAIT_ABANDONED_0 = 0x80;
constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
constexpr DWORD MAXIMUM_WAIT_OBJECTS = 64;

// What a handle refers to. Subclasses close their host resources in their destructor, which runs when the
// last user lets go (CloseHandle may run while another thread still uses the object).
class KernelObject : public std::enable_shared_from_this<KernelObject> {
 public:
  virtual ~KernelObject() = default;
  // Waits up to `milliseconds` (INFINITE: without limit) for the object to be signalled: WAIT_OBJECT_0,
  // WAIT_TIMEOUT or WAIT_FAILED with the last error set. Objects that cannot be waited on fail.
  virtual DWORD Wait(DWORD milliseconds);
  // Its handle has been closed (another thread may still be inside a call on the object): an object that
  // holds a device releases it here.
  virtual void HandleClosed() {}
};

// An object that threads wait for until it is signalled (events, mutexes, processes, threads). Its signal
// state is guarded by one lock shared by every waitable of the process (`StateLock`); a change that may
// satisfy a wait calls `WakeWaiters` with that lock held. Waits go through the clock: on the virtual clock a
// waiting thread lets time move up to its time-out, and a thread woken by a signal counts as busy from the
// signal on, so the clock never passes an answer that has already arrived. Lock order: the state lock, then
// the window system's; nothing may wait for the state lock while holding the window system's.
class KernelWaitable : public KernelObject {
 public:
  DWORD Wait(DWORD milliseconds) override;
  // With the state lock held: takes the object when it is signalled (an auto-reset event resets, a mutex
  // becomes the caller's) and answers WAIT_OBJECT_0, or WAIT_ABANDONED for a mutex whose owner died;
  // WAIT_TIMEOUT when it is not signalled.
  virtual DWORD TryAcquire() = 0;
  // Real milliseconds between two looks at an object whose state changes where this process hears
  // nothing of it (a lock file held by another process); 0 for objects that call WakeWaiters.
  virtual DWORD PollIntervalMs() const { return 0; }

  static std::unique_lock<std::mutex> StateLock();
  // Wakes every waiting thread to look again; the state lock is held.
  static void WakeWaiters();
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
// Waits for any of `count` (1 to MAXIMUM_WAIT_OBJECTS) waitable objects: WAIT_OBJECT_0 + i (or
// WAIT_ABANDONED_0 + i) for the first signalled one in the order given, WAIT_TIMEOUT, or WAIT_FAILED. Waiting
// for all of them at once is not supported (ERROR_NOT_SUPPORTED).
DWORD WaitForMultipleObjects(DWORD count, const HANDLE* handles, BOOL waitAll, DWORD milliseconds);

void SetLastErrorInvalidHandle();

template <class T>
std::shared_ptr<T> HandleObjectAs(HANDLE handle) {
  auto object = std::dynamic_pointer_cast<T>(HandleObject(handle));
  if (!object) SetLastErrorInvalidHandle();
  return object;
}

// Event objects and mutexes of the kernel: waited on with WaitForSingleObject and WaitForMultipleObjects
// (platform/winapi/Handles.h), closed by CloseHandle.
#pragma once
#include <string>

#include "platform/winapi/Handles.h"
#include "platform/winapi/WinTypes.h"

// A manual-reset event stays set until reset; an automatic one lets one waiter through and resets. Events
// are unnamed here: a name fails with ERROR_NOT_SUPPORTED.
HANDLE CreateEventA(SECURITY_ATTRIBUTES* security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

// Mutexes. A named one is a lock file in the session folder (platform/winapi/Session.h), locked with flock,
// so that every process of the session contends for it; each CreateMutexA opens the file afresh, so two
// handles of one process contend too. Creating with `initialOwner` makes the calling thread the owner, unless
// another handle holds the mutex: then the handle does not own it and the last error is ERROR_ALREADY_EXISTS
// (also without `initialOwner` when it is held). A wait makes the waiting thread the owner; the owner may wait
// again through the same handle and releases as often (through a second handle it contends like any other
// thread). A lock whose owner died is free: the next wait simply acquires it. Without a name the mutex
// belongs to its handle alone.
HANDLE CreateMutexA(SECURITY_ATTRIBUTES* security, BOOL initialOwner, LPCSTR name);
// Fails with ERROR_NOT_OWNER unless the calling thread owns the mutex.
BOOL ReleaseMutex(HANDLE mutex);

namespace vandrel {
// Host path of the lock file of the mutex `name` in the session folder (a hash of the name, any length).
std::string MutexLockFilePath(const std::string& name);
}  // namespace vandrel

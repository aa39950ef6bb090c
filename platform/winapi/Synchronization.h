// Event objects of the kernel: set and reset by any thread of the process, waited on with
// WaitForSingleObject and WaitForMultipleObjects (platform/winapi/Handles.h), closed by CloseHandle.
#pragma once
#include "platform/winapi/Handles.h"
#include "platform/winapi/WinTypes.h"

// A manual-reset event stays set until reset; an automatic one lets one waiter through and resets. Events
// are unnamed here: a name fails with ERROR_NOT_SUPPORTED.
HANDLE CreateEventA(SECURITY_ATTRIBUTES* security, BOOL manualReset, BOOL initialState, LPCSTR name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);

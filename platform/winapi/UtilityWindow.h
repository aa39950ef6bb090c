// Hidden utility windows bound to an object's method, and window procedures bound to a method (for
// subclassing a window the caller did not create).
#pragma once
#include <functional>

#include "platform/winapi/Messages.h"

using TWndMethod = std::function<void(TMessage&)>;

// A hidden top-level window of the calling thread whose messages go to `method`; it also receives
// broadcasts. What the method leaves in Result is the answer.
HWND AllocateHWnd(TWndMethod method);
void DeallocateHWnd(HWND hwnd);

// A window procedure that calls `method`; none when all 256 slots are taken. Free it when done.
WNDPROC MakeObjectInstance(TWndMethod method);
void FreeObjectInstance(WNDPROC proc);

// Window timers. A timer belongs to the thread that owns its window (or that set it, for a timer without
// window) and fires only while that thread retrieves messages: when nothing else is queued, the earliest
// due timer yields one WM_TIMER and is rescheduled one period after that moment, so ticks missed while the
// thread was busy coalesce into one. Destroying the window kills its timers.
#pragma once
#include "platform/winapi/Messages.h"

constexpr UINT USER_TIMER_MINIMUM = 10;
constexpr UINT USER_TIMER_MAXIMUM = 0x7FFFFFFF;

// Starts or restarts the timer (hwnd, id); without a window, returns a new identifier. 0 on failure.
UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapseMs, TIMERPROC proc);
BOOL KillTimer(HWND hwnd, UINT_PTR id);

// Window animation: AnimateWindow, an export of the "user32.dll" stand-in module (bound at run time; the
// test switches of DynamicLibrary.h hide it). It shows or hides the window without activating it and takes
// its time on the clock.
#pragma once
#include <vector>

#include "platform/winapi/WinTypes.h"

constexpr DWORD AW_HOR_POSITIVE = 0x00000001;
constexpr DWORD AW_HOR_NEGATIVE = 0x00000002;
constexpr DWORD AW_VER_POSITIVE = 0x00000004;
constexpr DWORD AW_VER_NEGATIVE = 0x00000008;
constexpr DWORD AW_CENTER = 0x00000010;
constexpr DWORD AW_HIDE = 0x00010000;
constexpr DWORD AW_ACTIVATE = 0x00020000;
constexpr DWORD AW_SLIDE = 0x00040000;
constexpr DWORD AW_BLEND = 0x00080000;

using TAnimateWindow = BOOL (*)(HWND hwnd, DWORD time, DWORD flags);

// AW_HIDE hides the window, anything else shows it (AW_ACTIVATE also activates it); the call returns
// after `time` milliseconds. An invalid window fails with ERROR_INVALID_WINDOW_HANDLE; showing a visible
// or hiding a hidden window fails without an error, as on Windows.
BOOL AnimateWindow(HWND hwnd, DWORD time, DWORD flags);

// Test record: every call of the process, in order.
namespace vandrel::animation_testing {

struct TAnimateCall {
  HWND Window;
  DWORD Time;
  DWORD Flags;
  uint64_t StartTick;  // the clock when the call began
};
std::vector<TAnimateCall> Calls();
void ClearCalls();

}  // namespace vandrel::animation_testing

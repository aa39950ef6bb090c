// AnimateWindow and its export from "user32.dll".
#include "platform/winapi/Animation.h"

#include <mutex>

#include "platform/runtime/Clock.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Windows.h"

namespace {

std::mutex g_lock;
std::vector<vandrel::animation_testing::TAnimateCall> g_calls;

const bool g_exported = [] {
  vandrel::RegisterStandInExports("user32.dll", {{"AnimateWindow", reinterpret_cast<FARPROC>(&AnimateWindow)}});
  return true;
}();

}  // namespace

BOOL AnimateWindow(HWND hwnd, DWORD time, DWORD flags) {
  {
    std::lock_guard<std::mutex> guard(g_lock);
    g_calls.push_back({hwnd, time, flags, ClockTickMs()});
  }
  if (!IsWindow(hwnd)) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  const bool hide = (flags & AW_HIDE) != 0;
  if (bool(IsWindowVisible(hwnd)) != hide) return FALSE;
  ClockSleep(time);
  ShowWindow(hwnd, hide ? SW_HIDE : (flags & AW_ACTIVATE) ? SW_SHOW : SW_SHOWNOACTIVATE);
  return TRUE;
}

namespace vandrel::animation_testing {

std::vector<TAnimateCall> Calls() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_calls;
}

void ClearCalls() {
  std::lock_guard<std::mutex> guard(g_lock);
  g_calls.clear();
}

}  // namespace vandrel::animation_testing

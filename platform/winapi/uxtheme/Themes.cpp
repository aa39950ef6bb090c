#include "platform/winapi/Themes.h"

#include <mutex>
#include <string>

#include "platform/com/ComTypes.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Windows.h"

namespace {

struct Calls {
  std::mutex lock;
  std::vector<vandrel::themes_testing::ParentBackgroundCall> calls;
};

Calls& C() {
  static Calls* c = new Calls;
  return *c;
}

}  // namespace

BOOL IsThemeActive() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", 0, KEY_READ,
                    &key) != ERROR_SUCCESS)
    return FALSE;
  char value[8]{};
  DWORD type = 0, size = sizeof value - 1;
  LONG status = RegQueryValueExA(key, "ThemeActive", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
  RegCloseKey(key);
  return status == ERROR_SUCCESS && type == REG_SZ && std::string(value) == "1";
}

BOOL IsAppThemed() { return IsThemeActive(); }

HRESULT DrawThemeParentBackground(HWND hwnd, HDC dc, const RECT* rect) {
  if (!IsWindow(hwnd)) return E_INVALIDARG;
  RECT r{};
  if (rect)
    r = *rect;
  else
    GetClientRect(hwnd, &r);
  std::lock_guard g(C().lock);
  C().calls.push_back({hwnd, dc, r});
  return 0;  // S_OK
}

namespace vandrel::themes_testing {

std::vector<ParentBackgroundCall> ParentBackgroundCalls() {
  std::lock_guard g(C().lock);
  return C().calls;
}

void ClearParentBackgroundCalls() {
  std::lock_guard g(C().lock);
  C().calls.clear();
}

}  // namespace vandrel::themes_testing

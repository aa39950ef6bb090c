// Window regions: the shape a window keeps, held by the window system.
#include "platform/winapi/GdiObjects.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Regions.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/user32/WindowSystem.h"

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  if (DWORD error = vandrel::gdi_testing::CallHookAnswer("SetWindowRgn")) {
    SetLastError(error);
    return 0;
  }
  HRGN old;
  {
    winsys::Guard g(winsys::S().lock);
    winsys::Window* w = winsys::FindWindow(hwnd);
    if (!w) {
      SetLastError(ERROR_INVALID_WINDOW_HANDLE);
      return 0;
    }
    if (region && GetObjectType(reinterpret_cast<HGDIOBJ>(region)) != OBJ_REGION) {
      SetLastError(ERROR_INVALID_HANDLE);
      return 0;
    }
    old = w->region;
    w->region = region;
  }
  if (old && old != region) DeleteObject(old);
  if (redraw) InvalidateRect(hwnd, nullptr, TRUE);
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN dest) {
  HRGN own;
  {
    winsys::Guard g(winsys::S().lock);
    winsys::Window* w = winsys::FindWindow(hwnd);
    own = w ? w->region : nullptr;
  }
  if (!own || GetObjectType(reinterpret_cast<HGDIOBJ>(dest)) != OBJ_REGION) return ERROR;
  return CombineRgn(dest, own, nullptr, RGN_COPY);
}

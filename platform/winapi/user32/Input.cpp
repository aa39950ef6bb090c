// The session's keyboard and mouse state, key-to-character translation and keybd_event.
#include "platform/winapi/Input.h"

#include <cstring>

#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/user32/WindowSystem.h"

namespace {

struct InputState {
  BYTE keys[256]{};
  POINT cursor{0, 0};
};

InputState& I() {
  static InputState* state = new InputState;
  return *state;
}

bool Down(BYTE vk) { return I().keys[vk] & 0x80; }

// The character a key gives with the current modifiers, or 0.
char KeyChar(UINT vk, bool shift, bool ctrl) {
  if (vk >= 'A' && vk <= 'Z') {
    if (ctrl) return char(vk - 'A' + 1);
    bool upper = shift != bool(I().keys[VK_CAPITAL] & 1);
    return char(upper ? vk : vk + 32);
  }
  if (ctrl) return 0;
  if ((vk >= '0' && vk <= '9') || vk == VK_SPACE) return char(vk);
  switch (vk) {
    case VK_BACK: return 8;
    case VK_TAB: return 9;
    case VK_RETURN: return 13;
    case VK_ESCAPE: return 27;
    default: return 0;
  }
}

}  // namespace

SHORT GetKeyState(int vk) {
  winsys::Guard g(winsys::S().lock);
  BYTE k = I().keys[vk & 0xFF];
  return SHORT((k & 0x80 ? 0x8000 : 0) | (k & 1));
}

SHORT GetAsyncKeyState(int vk) { return SHORT(GetKeyState(vk) & 0x8000); }

BOOL GetKeyboardState(BYTE* state) {
  if (!state) return FALSE;
  winsys::Guard g(winsys::S().lock);
  std::memcpy(state, I().keys, 256);
  return TRUE;
}

BOOL SetKeyboardState(const BYTE* state) {
  if (!state) return FALSE;
  winsys::Guard g(winsys::S().lock);
  std::memcpy(I().keys, state, 256);
  return TRUE;
}

void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR) {
  bool up = flags & KEYEVENTF_KEYUP;
  bool alt;
  HWND target = nullptr;
  {
    winsys::Guard g(winsys::S().lock);
    BYTE& k = I().keys[vk];
    if (up) {
      k &= ~0x80;
    } else {
      if (!(k & 0x80)) k ^= 1;
      k |= 0x80;
    }
    alt = Down(VK_MENU) || (vk == VK_MENU);
    if (winsys::Window* active = winsys::FindWindow(winsys::S().active))
      if (winsys::Queue* q = winsys::FindQueue(active->threadId)) target = q->focus ? q->focus : active->handle;
  }
  if (!target) return;
  bool ctrl = GetKeyState(VK_CONTROL) & 0x8000;
  UINT msg = up ? (alt && !ctrl ? WM_SYSKEYUP : WM_KEYUP) : (alt && !ctrl ? WM_SYSKEYDOWN : WM_KEYDOWN);
  LPARAM lParam =
      LPARAM(1) | (LPARAM(scan) << 16) | (alt ? LPARAM(1) << 29 : 0) | (up ? (LPARAM(1) << 30) | (LPARAM(1) << 31) : 0);
  PostMessageA(target, msg, vk, lParam);
}

UINT MapVirtualKeyA(UINT code, UINT mapType) {
  switch (mapType) {
    case MAPVK_VK_TO_VSC: return code & 0xFF;
    case MAPVK_VSC_TO_VK: return code & 0xFF;
    case MAPVK_VK_TO_CHAR: {
      if (code >= 'A' && code <= 'Z') return code;
      return UINT(static_cast<unsigned char>(KeyChar(code, false, false)));
    }
    default: return 0;
  }
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) return FALSE;
  bool shift = GetKeyState(VK_SHIFT) & 0x8000;
  bool ctrl = GetKeyState(VK_CONTROL) & 0x8000;
  char c = KeyChar(UINT(msg->wParam), shift, ctrl);
  if (!c) return FALSE;
  PostMessageA(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, WPARAM(static_cast<unsigned char>(c)),
               msg->lParam);
  return TRUE;
}

BOOL GetCursorPos(POINT* point) {
  if (!point) return FALSE;
  winsys::Guard g(winsys::S().lock);
  *point = I().cursor;
  return TRUE;
}

BOOL SetCursorPos(int x, int y) {
  winsys::Guard g(winsys::S().lock);
  I().cursor = POINT{x, y};
  return TRUE;
}

void SimulateMouseClick(HWND hwnd, POINT client, TMouseButtonKind button) {
  UINT down = button == TMouseButtonKind::Left ? WM_LBUTTONDOWN : WM_RBUTTONDOWN;
  UINT up = button == TMouseButtonKind::Left ? WM_LBUTTONUP : WM_RBUTTONUP;
  POINT screen = client;
  ClientToScreen(hwnd, &screen);
  SetCursorPos(screen.x, screen.y);
  HWND top = GetAncestor(hwnd, GA_ROOT);
  LRESULT activate =
      SendMessageA(hwnd, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), MAKELPARAM(HTCLIENT, WORD(down)));
  bool noActivate = activate == MA_NOACTIVATE || activate == MA_NOACTIVATEANDEAT ||
                    (GetWindowLongPtrA(top, GWL_EXSTYLE) & WS_EX_NOACTIVATE);
  if (!noActivate && top && GetActiveWindow() != top) SetActiveWindow(top);
  bool eat = activate == MA_ACTIVATEANDEAT || activate == MA_NOACTIVATEANDEAT;
  HWND child = hwnd;
  while ((GetWindowLongPtrA(child, GWL_STYLE) & WS_CHILD) &&
         !(GetWindowLongPtrA(child, GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY)) {
    HWND parent = GetParent(child);
    if (!parent) break;
    POINT p = screen;
    ScreenToClient(parent, &p);
    SendMessageA(parent, WM_PARENTNOTIFY, MAKEWPARAM(WORD(down), 0), MAKELPARAM(WORD(p.x), WORD(p.y)));
    child = parent;
  }
  LPARAM at = MAKELPARAM(WORD(client.x), WORD(client.y));
  if (!eat) PostMessageA(hwnd, down, button == TMouseButtonKind::Left ? MK_LBUTTON : MK_RBUTTON, at);
  PostMessageA(hwnd, up, 0, at);
}

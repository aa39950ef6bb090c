// Keyboard and mouse input: virtual keys, the key state, character translation and the cursor position.
// One keyboard and one mouse for the session. keybd_event and the mouse helper post their messages to the
// thread of the window that takes them (the focus window of the active window's thread for keys).
//
// Character translation (TranslateMessage, MapVirtualKeyA with MAPVK_VK_TO_CHAR): letters give lower case,
// upper case with Shift; digits and the space give themselves; Ctrl with a letter gives its control code
// (Ctrl+C = 3); Backspace 8, Tab 9, Enter 13, Esc 27. Other characters are typed as WM_CHAR directly.
#pragma once
#include "platform/winapi/Messages.h"

constexpr BYTE VK_LBUTTON = 0x01;
constexpr BYTE VK_RBUTTON = 0x02;
constexpr BYTE VK_BACK = 0x08;
constexpr BYTE VK_TAB = 0x09;
constexpr BYTE VK_RETURN = 0x0D;
constexpr BYTE VK_SHIFT = 0x10;
constexpr BYTE VK_CONTROL = 0x11;
constexpr BYTE VK_MENU = 0x12;
constexpr BYTE VK_CAPITAL = 0x14;
constexpr BYTE VK_ESCAPE = 0x1B;
constexpr BYTE VK_SPACE = 0x20;
constexpr BYTE VK_PRIOR = 0x21;
constexpr BYTE VK_NEXT = 0x22;
constexpr BYTE VK_END = 0x23;
constexpr BYTE VK_HOME = 0x24;
constexpr BYTE VK_LEFT = 0x25;
constexpr BYTE VK_UP = 0x26;
constexpr BYTE VK_RIGHT = 0x27;
constexpr BYTE VK_DOWN = 0x28;
constexpr BYTE VK_INSERT = 0x2D;
constexpr BYTE VK_DELETE = 0x2E;
constexpr BYTE VK_F1 = 0x70;
constexpr BYTE VK_F4 = 0x73;
constexpr BYTE VK_F5 = 0x74;
constexpr BYTE VK_F10 = 0x79;

// High bit set while the key is down; low bit toggles with each press.
SHORT GetKeyState(int vk);
SHORT GetAsyncKeyState(int vk);
BOOL GetKeyboardState(BYTE* state);
BOOL SetKeyboardState(const BYTE* state);

constexpr DWORD KEYEVENTF_KEYUP = 0x0002;
// Presses or releases a key: updates the key state and posts WM_KEYDOWN/WM_KEYUP (WM_SYSKEYDOWN/UP while
// Alt is down, or for Alt itself) to the focus window of the active window's thread.
void keybd_event(BYTE vk, BYTE scan, DWORD flags, ULONG_PTR extra);

constexpr UINT MAPVK_VK_TO_VSC = 0;
constexpr UINT MAPVK_VSC_TO_VK = 1;
constexpr UINT MAPVK_VK_TO_CHAR = 2;
UINT MapVirtualKeyA(UINT code, UINT mapType);

BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);

// A click as the mouse makes it on a point of the window's client area: the window's top-level window is
// activated unless WM_MOUSEACTIVATE refuses (MA_NOACTIVATE, MA_NOACTIVATEANDEAT) or it has
// WS_EX_NOACTIVATE; each ancestor without WS_EX_NOPARENTNOTIFY is sent WM_PARENTNOTIFY; then the button's
// down and up messages are posted (the down one is eaten with MA_ACTIVATEANDEAT/MA_NOACTIVATEANDEAT).
enum class TMouseButtonKind { Left, Right };
void SimulateMouseClick(HWND hwnd, POINT client, TMouseButtonKind button = TMouseButtonKind::Left);

#include "platform/winapi/Windows.h"

#include <gtest/gtest.h>

#include "platform/winapi/Input.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/tests/WindowTestSupport.h"

using namespace wintest;

namespace {

const std::vector<std::pair<UINT, std::string>> kLifeMessages = {{WM_NCCREATE, "nccreate"},
                                                                 {WM_CREATE, "create"},
                                                                 {WM_DESTROY, "destroy"},
                                                                 {WM_NCDESTROY, "ncdestroy"},
                                                                 {WM_PARENTNOTIFY, "parentnotify"}};

TEST(Windows, CreationAndDestructionSendTheLifeMessagesInOrder) {
  Recorder& r = Recorder::Get();
  HWND top = MakeWindow("top");
  HWND child = MakeWindow("child", WS_CHILD, top);
  HWND grandchild = MakeWindow("grandchild", WS_CHILD, child);
  ASSERT_TRUE(grandchild);
  EXPECT_EQ(r.Trace(kLifeMessages), (std::vector<std::string>{"nccreate:top", "create:top", "nccreate:child",
                                                              "create:child", "parentnotify:top", "nccreate:grandchild",
                                                              "create:grandchild", "parentnotify:child"}));
  r.Clear();
  ASSERT_TRUE(DestroyWindow(top));
  // WM_DESTROY runs from the top down, WM_NCDESTROY from the bottom up; the child tells its parent first.
  EXPECT_EQ(r.Trace(kLifeMessages),
            (std::vector<std::string>{"destroy:top", "destroy:child", "destroy:grandchild", "ncdestroy:grandchild",
                                      "ncdestroy:child", "ncdestroy:top"}));
  EXPECT_FALSE(IsWindow(top));
  EXPECT_FALSE(IsWindow(grandchild));
  EXPECT_FALSE(DestroyWindow(top));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST(Windows, CreationFailsForUnknownClassesAndRefusingProcedures) {
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  Recorder::Get().SetHandler([](HWND, UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg != WM_CREATE) return false;
    *result = -1;
    return true;
  });
  EXPECT_EQ(MakeWindow("refused"), nullptr);
  // A child without a parent is refused too.
  EXPECT_EQ(MakeWindow("orphan", WS_CHILD, nullptr), nullptr);
}

TEST(Windows, GeometryFollowsTheFrameOfTheStyle) {
  struct Case {
    DWORD style;
    LONG clientWidth, clientHeight;
  } cases[] = {
      {WS_POPUP, 534, 386},
      {WS_POPUP | WS_BORDER, 532, 384},
      {WS_POPUP | WS_CAPTION, 526, 359},  // WS_CAPTION includes the dialog frame
      {WS_OVERLAPPEDWINDOW, 526, 359},
  };
  for (const Case& c : cases) {
    HWND w = MakeWindow("w", c.style, nullptr, 10, 20, 534, 386);
    RECT rc;
    ASSERT_TRUE(GetClientRect(w, &rc));
    EXPECT_EQ(rc.right, c.clientWidth) << std::hex << c.style;
    EXPECT_EQ(rc.bottom, c.clientHeight) << std::hex << c.style;
    RECT adjusted{0, 0, rc.right, rc.bottom};
    AdjustWindowRectEx(&adjusted, c.style, FALSE, 0);
    EXPECT_EQ(adjusted.right - adjusted.left, 534);
    EXPECT_EQ(adjusted.bottom - adjusted.top, 386);
    DestroyWindow(w);
  }
  HWND top = MakeWindow("top", WS_POPUP | WS_CAPTION, nullptr, 100, 200, 300, 200);
  HWND child = MakeWindow("child", WS_CHILD | WS_BORDER, top, 10, 5, 50, 30);
  HWND inner = MakeWindow("inner", WS_CHILD, child, 2, 3, 10, 10);
  POINT p{0, 0};
  ClientToScreen(inner, &p);
  // 100 + 4 (frame) + 10 + 1 (border) + 2, 200 + 4 + 19 (caption) + 5 + 1 + 3
  EXPECT_EQ(p.x, 117);
  EXPECT_EQ(p.y, 232);
  RECT wr;
  GetWindowRect(child, &wr);
  EXPECT_EQ(wr.left, 114);
  EXPECT_EQ(wr.top, 228);
  EXPECT_EQ(wr.right - wr.left, 50);
  POINT back{117, 232};
  ScreenToClient(inner, &back);
  EXPECT_EQ(back.x, 0);
  EXPECT_EQ(back.y, 0);
  POINT q{0, 0};
  MapWindowPoints(inner, top, &q, 1);
  EXPECT_EQ(q.x, 13);
  EXPECT_EQ(q.y, 9);
  EXPECT_EQ(WindowFromPoint(POINT{117, 232}), GetDesktopWindow());  // nothing is visible yet
  for (HWND h : {top, child, inner}) ShowWindow(h, SW_SHOWNOACTIVATE);
  EXPECT_EQ(WindowFromPoint(POINT{117, 232}), inner);
  EXPECT_EQ(WindowFromPoint(POINT{114, 228}), child);
  EXPECT_EQ(ChildWindowFromPoint(top, POINT{10, 5}), child);
}

TEST(Windows, SetWindowPosSendsSizeAndMoveOnlyForWhatChanged) {
  HWND w = MakeWindow("w", WS_POPUP, nullptr, 0, 0, 100, 50);
  Recorder& r = Recorder::Get();
  const std::vector<std::pair<UINT, std::string>> names = {
      {WM_WINDOWPOSCHANGING, "changing"}, {WM_WINDOWPOSCHANGED, "changed"}, {WM_SIZE, "size"}, {WM_MOVE, "move"}};
  r.Clear();
  SetWindowPos(w, nullptr, 5, 5, 100, 50, SWP_NOZORDER);
  EXPECT_EQ(r.Trace(names), (std::vector<std::string>{"changing:w", "changed:w", "move:w"}));
  r.Clear();
  MoveWindow(w, 5, 5, 120, 60, TRUE);
  EXPECT_EQ(r.Trace(names), (std::vector<std::string>{"changing:w", "changed:w", "size:w"}));
  r.Clear();
  MoveWindow(w, 5, 5, 120, 60, TRUE);
  EXPECT_EQ(r.Trace(names), (std::vector<std::string>{"changing:w"}));
  RECT rc;
  GetClientRect(w, &rc);
  EXPECT_EQ(rc.right, 120);
  EXPECT_EQ(rc.bottom, 60);
}

TEST(Windows, ParentOwnerAndAncestors) {
  HWND top = MakeWindow("top", WS_OVERLAPPEDWINDOW);
  HWND child = MakeWindow("child", WS_CHILD, top);
  HWND popup = MakeWindow("popup", WS_POPUP, child);  // owned by the child's top-level window
  HWND plain = MakeWindow("plain", WS_OVERLAPPED, top);
  EXPECT_EQ(GetParent(child), top);
  EXPECT_EQ(GetParent(popup), top);
  EXPECT_EQ(GetParent(plain), nullptr);  // an owned overlapped window has no parent
  EXPECT_EQ(GetWindow(plain, GW_OWNER), top);
  EXPECT_EQ(GetAncestor(child, GA_PARENT), top);
  EXPECT_EQ(GetAncestor(top, GA_PARENT), GetDesktopWindow());
  EXPECT_EQ(GetAncestor(popup, GA_ROOTOWNER), top);
  EXPECT_TRUE(IsChild(top, child));
  EXPECT_FALSE(IsChild(top, popup));
  EXPECT_EQ(WindowClassName(child), "Recorder");
  char name[4];
  EXPECT_EQ(GetClassNameA(child, name, sizeof name), 3);
  EXPECT_STREQ(name, "Rec");
  // Destroying the owner takes its owned windows along.
  DestroyWindow(top);
  EXPECT_FALSE(IsWindow(popup));
  EXPECT_FALSE(IsWindow(plain));
}

TEST(Windows, SetParentMovesTheWindowAndRefusesCycles) {
  HWND a = MakeWindow("a");
  HWND b = MakeWindow("b");
  HWND child = MakeWindow("child", WS_CHILD, a);
  EXPECT_EQ(SetParent(child, b), a);
  EXPECT_EQ(GetParent(child), b);
  EXPECT_EQ(GetWindow(a, GW_CHILD), nullptr);
  EXPECT_EQ(GetWindow(b, GW_CHILD), child);
  EXPECT_EQ(SetParent(b, child), nullptr);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Windows, SubclassedProcedureSeesMessagesFirstAndChains) {
  static WNDPROC original;
  static std::vector<UINT> seenBySubclass;
  HWND w = MakeWindow("w");
  original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC));
  WNDPROC sub = [](HWND h, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
    seenBySubclass.push_back(m);
    if (m == WM_USER + 1) return 42;
    return CallWindowProcA(original, h, m, wp, lp);
  };
  EXPECT_EQ(SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sub)), reinterpret_cast<LONG_PTR>(original));
  Recorder::Get().Clear();
  EXPECT_EQ(SendMessageA(w, WM_USER + 1, 0, 0), 42);
  SendMessageA(w, WM_USER + 2, 0, 0);
  EXPECT_EQ(seenBySubclass, (std::vector<UINT>{WM_USER + 1, WM_USER + 2}));
  ASSERT_EQ(Recorder::Get().All().size(), 1u);
  EXPECT_EQ(Recorder::Get().All()[0].msg, WM_USER + 2);
}

TEST(Windows, VisibilityDependsOnAncestors) {
  HWND top = MakeWindow("top", WS_POPUP);
  HWND child = MakeWindow("child", WS_CHILD | WS_VISIBLE, top);
  EXPECT_FALSE(IsWindowVisible(child));
  EXPECT_EQ(GetWindowLongPtrA(child, GWL_STYLE) & WS_VISIBLE, LONG_PTR(WS_VISIBLE));
  EXPECT_FALSE(ShowWindow(top, SW_SHOW));
  EXPECT_TRUE(IsWindowVisible(child));
  EXPECT_TRUE(ShowWindow(top, SW_SHOWNOACTIVATE));
  EXPECT_TRUE(ShowWindow(top, SW_HIDE));
  EXPECT_FALSE(IsWindowVisible(child));
}

const std::vector<std::pair<UINT, std::string>> kFocusMessages = {
    {WM_SETFOCUS, "set"}, {WM_KILLFOCUS, "kill"}, {WM_ACTIVATE, "activate"}};

TEST(Windows, FocusMovesWithKillAndSetAndActivatesTheTopLevelWindow) {
  Recorder& r = Recorder::Get();
  HWND top = MakeWindow("top", WS_POPUP | WS_VISIBLE);
  HWND a = MakeWindow("a", WS_CHILD | WS_VISIBLE, top);
  HWND b = MakeWindow("b", WS_CHILD | WS_VISIBLE, top);
  HWND other = MakeWindow("other", WS_POPUP);
  ShowWindow(other, SW_SHOWNOACTIVATE);
  EXPECT_EQ(GetActiveWindow(), top);
  EXPECT_EQ(GetFocus(), top);  // the default activation focuses the window itself
  r.Clear();
  EXPECT_EQ(SetFocus(a), top);
  EXPECT_EQ(SetFocus(b), a);
  EXPECT_EQ(r.Trace(kFocusMessages), (std::vector<std::string>{"kill:top", "set:a", "kill:a", "set:b"}));
  for (const Seen& s : r.All())
    if (s.msg == WM_SETFOCUS && s.hwnd == b) {
      EXPECT_EQ(reinterpret_cast<HWND>(s.wParam), a);
    }
  r.Clear();
  HWND inOther = MakeWindow("inOther", WS_CHILD | WS_VISIBLE, other);
  SetFocus(inOther);
  EXPECT_EQ(GetActiveWindow(), other);
  EXPECT_EQ(r.Trace(kFocusMessages), (std::vector<std::string>{"activate:top", "activate:other", "kill:b", "set:other",
                                                               "kill:other", "set:inOther"}));
  // Disabling or hiding the focus window takes the focus away.
  EnableWindow(inOther, FALSE);
  EXPECT_EQ(GetFocus(), nullptr);
  SetFocus(a);
  ShowWindow(top, SW_HIDE);
  EXPECT_EQ(GetFocus(), nullptr);
  SetFocus(b);
  DestroyWindow(b);
  EXPECT_EQ(GetFocus(), nullptr);
}

TEST(Windows, MouseActivationAsksTheParentChain) {
  HWND top = MakeWindow("top", WS_POPUP | WS_VISIBLE);
  HWND child = MakeWindow("child", WS_CHILD | WS_VISIBLE, top);
  Recorder::Get().SetHandler([top](HWND h, UINT msg, WPARAM, LPARAM, LRESULT* result) {
    if (msg != WM_MOUSEACTIVATE || h != top) return false;
    *result = MA_NOACTIVATE;
    return true;
  });
  EXPECT_EQ(SendMessageA(child, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), 0), MA_NOACTIVATE);
  Recorder::Get().SetHandler(nullptr);
  EXPECT_EQ(SendMessageA(child, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top), 0), MA_ACTIVATE);
}

TEST(Windows, TextAndPropertiesGoThroughTheWindow) {
  HWND w = MakeWindow("initial");
  EXPECT_EQ(WindowText(w), "initial");
  EXPECT_TRUE(SetWindowTextA(w, "\xC1rv\xEDz"));
  EXPECT_EQ(WindowText(w), "\xC1rv\xEDz");
  char small[3];
  EXPECT_EQ(GetWindowTextA(w, small, 3), 2);
  EXPECT_STREQ(small, "\xC1r");
  EXPECT_EQ(FindWindowA("recorder", "\xC1rv\xEDz"), w);
  int value = 7;
  EXPECT_TRUE(SetPropA(w, "Obj", &value));
  EXPECT_EQ(GetPropA(w, "OBJ"), &value);
  EXPECT_EQ(RemovePropA(w, "obj"), &value);
  EXPECT_EQ(GetPropA(w, "obj"), nullptr);
}

TEST(Windows, WindowLongsAndExtraBytes) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.cbWndExtra = 2 * int(sizeof(LONG_PTR));
  wc.lpszClassName = "WithExtra";
  ASSERT_TRUE(RegisterClassA(&wc));
  EXPECT_FALSE(RegisterClassA(&wc));
  HWND w = CreateWindowExA(0, "WITHEXTRA", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(w);
  EXPECT_EQ(SetWindowLongPtrA(w, sizeof(LONG_PTR), 99), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, sizeof(LONG_PTR)), 99);
  EXPECT_EQ(GetWindowLongPtrA(w, 2 * sizeof(LONG_PTR)), 0);
  EXPECT_EQ(SetWindowLongPtrA(w, GWLP_USERDATA, 5), 0);
  EXPECT_EQ(GetWindowLongPtrA(w, GWLP_USERDATA), 5);
  EXPECT_FALSE(UnregisterClassA("WithExtra", nullptr));  // a window still uses it
  DestroyWindow(w);
  EXPECT_TRUE(UnregisterClassA("WithExtra", nullptr));
}

TEST(Windows, ClassesBelongToTheirModuleInstance) {
  static int calls[2];
  auto one = reinterpret_cast<HINSTANCE>(intptr_t(0x1000));
  auto two = reinterpret_cast<HINSTANCE>(intptr_t(0x2000));
  WNDCLASSA wc{};
  wc.lpszClassName = "TButton";
  wc.hInstance = one;
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) ++calls[0];
    return DefWindowProcA(h, m, w, l);
  };
  ASSERT_TRUE(RegisterClassA(&wc));
  wc.hInstance = two;
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER) ++calls[1];
    return DefWindowProcA(h, m, w, l);
  };
  ASSERT_TRUE(RegisterClassA(&wc));
  EXPECT_FALSE(RegisterClassA(&wc));  // twice for one instance
  HWND a = CreateWindowExA(0, "TButton", "", 0, 0, 0, 1, 1, nullptr, nullptr, one, nullptr);
  HWND b = CreateWindowExA(0, "TButton", "", 0, 0, 0, 1, 1, nullptr, nullptr, two, nullptr);
  SendMessageA(a, WM_USER, 0, 0);
  SendMessageA(b, WM_USER, 0, 0);
  SendMessageA(b, WM_USER, 0, 0);
  EXPECT_EQ(calls[0], 1);
  EXPECT_EQ(calls[1], 2);
  // Another instance finds neither: they are not global.
  EXPECT_EQ(CreateWindowExA(0, "TButton", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr), nullptr);
  DestroyWindow(a);
  EXPECT_TRUE(UnregisterClassA("TButton", one));
  EXPECT_FALSE(UnregisterClassA("TButton", one));
  WNDCLASSA info;
  EXPECT_TRUE(GetClassInfoA(two, "tbutton", &info));
  EXPECT_EQ(info.hInstance, two);
}

TEST(Windows, PaintingFollowsInvalidation) {
  HWND w = MakeWindow("w", WS_POPUP);
  PumpPending();
  Recorder& r = Recorder::Get();
  r.Clear();
  InvalidateRect(w, nullptr, TRUE);
  EXPECT_EQ(PumpPending(), 0);  // hidden windows are not painted
  ShowWindow(w, SW_SHOWNOACTIVATE);
  EXPECT_EQ(PumpPending(), 1);  // one WM_PAINT; the default procedure validates
  EXPECT_EQ(r.Trace({{WM_PAINT, "paint"}, {WM_ERASEBKGND, "erase"}}), (std::vector<std::string>{"paint:w", "erase:w"}));
  SendMessageA(w, WM_SETREDRAW, FALSE, 0);
  EXPECT_TRUE(IsRedrawSuspended(w));
  RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  EXPECT_EQ(PumpPending(), 0);  // painted at once by RDW_UPDATENOW
}

TEST(Windows, ScreenMetricsAndParameters) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  SetScreenSize(800, 600);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 600);
  RECT desk;
  GetWindowRect(GetDesktopWindow(), &desk);
  EXPECT_EQ(desk.right, 800);
  BOOL running = TRUE;
  ASSERT_TRUE(SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0));
  EXPECT_FALSE(running);
  SetScreenSaverRunning(true);
  SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
  EXPECT_TRUE(running);
  SetScreenSaverQueryFails(true);
  running = 7;
  SetLastError(0xdeadbeef);
  EXPECT_FALSE(SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(running, 7) << "untouched";
  RECT work{};
  EXPECT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0)) << "only the screen saver's query fails";
}

TEST(Windows, KeysPostToTheFocusWindowAndTranslateToCharacters) {
  HWND top = MakeWindow("top", WS_POPUP | WS_VISIBLE);
  HWND edit = MakeWindow("edit", WS_CHILD | WS_VISIBLE, top);
  SetFocus(edit);
  PumpPending();
  Recorder& r = Recorder::Get();
  r.Clear();
  keybd_event(VK_SHIFT, 0, 0, 0);
  keybd_event('A', 0, 0, 0);
  keybd_event('A', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, 0, 0, 0);
  keybd_event('V', 0, 0, 0);
  keybd_event('V', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_MENU, 0, 0, 0);
  keybd_event('T', 0, 0, 0);
  keybd_event('T', 0, KEYEVENTF_KEYUP, 0);
  keybd_event(VK_MENU, 0, KEYEVENTF_KEYUP, 0);
  // Key state is the session's: translation reads it when the message is translated, so translate as the
  // keys arrive.
  std::string chars;
  std::vector<UINT> kinds;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
    kinds.push_back(m.message);
    if (m.message == WM_CHAR || m.message == WM_SYSCHAR) chars += char(m.wParam);
    DispatchMessageA(&m);
  }
  EXPECT_EQ(kinds.front(), WM_KEYDOWN);
  EXPECT_NE(std::find(kinds.begin(), kinds.end(), WM_SYSKEYUP), kinds.end());
  EXPECT_EQ(GetKeyState(VK_SHIFT) & 0x8000, 0);
  EXPECT_EQ(MapVirtualKeyA('T', MAPVK_VK_TO_CHAR), UINT('T'));
  MSG key{edit, WM_KEYDOWN, 'Q', 0, 0, {}};
  EXPECT_TRUE(TranslateMessage(&key));
  keybd_event(VK_CONTROL, 0, 0, 0);
  MSG ctrlC{edit, WM_KEYDOWN, 'C', 0, 0, {}};
  EXPECT_TRUE(TranslateMessage(&ctrlC));
  keybd_event(VK_CONTROL, 0, KEYEVENTF_KEYUP, 0);
  MSG f5{edit, WM_KEYDOWN, VK_F5, 0, 0, {}};
  EXPECT_FALSE(TranslateMessage(&f5));
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD))
    if (m.message == WM_CHAR) chars += char(m.wParam);
  EXPECT_EQ(chars, std::string("q\x03"));
}

}  // namespace

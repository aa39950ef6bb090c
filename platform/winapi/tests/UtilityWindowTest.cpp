#include "platform/winapi/UtilityWindow.h"

#include <gtest/gtest.h>

#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/tests/WindowTestSupport.h"

namespace {

TEST(UtilityWindows, HiddenWindowsRouteMessagesToTheMethodAndHearBroadcasts) {
  UINT signal = RegisterWindowMessageA("DEFCHANGED__lib");
  int flags = 0;
  HWND h = AllocateHWnd([&](TMessage& m) {
    if (m.Msg == signal) {
      flags++;
      m.Result = 7;
    }
  });
  ASSERT_TRUE(h);
  EXPECT_FALSE(IsWindowVisible(h));
  EXPECT_EQ(SendMessageA(h, signal, 0, 0), 7);
  PostMessageA(HWND_BROADCAST, signal, 0, 0);
  PostMessageA(HWND_BROADCAST, signal, 0, 0);
  wintest::PumpPending();
  EXPECT_EQ(flags, 3);
  DeallocateHWnd(h);
  EXPECT_FALSE(IsWindow(h));
  PostMessageA(HWND_BROADCAST, signal, 0, 0);
  wintest::PumpPending();
  EXPECT_EQ(flags, 3);
}

TEST(UtilityWindows, ObjectInstancesSubclassForeignWindows) {
  HWND w = wintest::MakeWindow("WorkerW");
  WNDPROC old = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(w, GWLP_WNDPROC));
  int swallowed = 0;
  WNDPROC stub = MakeObjectInstance([&](TMessage& m) {
    if (m.Msg == WM_USER) {
      swallowed++;
      return;
    }
    m.Result = CallWindowProcA(old, w, m.Msg, m.WParam, m.LParam);
  });
  ASSERT_TRUE(stub);
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(stub));
  wintest::Recorder::Get().Clear();
  SendMessageA(w, WM_USER, 0, 0);
  SendMessageA(w, WM_USER + 1, 0, 0);
  EXPECT_EQ(swallowed, 1);
  EXPECT_EQ(wintest::Recorder::Get().All().size(), 1u);
  SetWindowLongPtrA(w, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
  FreeObjectInstance(stub);
  // Slots run out after 256 instances and come back when freed.
  std::vector<WNDPROC> taken;
  while (WNDPROC p = MakeObjectInstance([](TMessage&) {})) taken.push_back(p);
  EXPECT_EQ(taken.size(), 256u);
  FreeObjectInstance(taken.back());
  EXPECT_EQ(MakeObjectInstance([](TMessage&) {}), taken.back());
}

}  // namespace

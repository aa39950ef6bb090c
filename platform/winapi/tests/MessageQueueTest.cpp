#include "platform/winapi/MessageQueue.h"

#include <gtest/gtest.h>

#include "platform/runtime/Clock.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Timers.h"
#include "platform/winapi/tests/WindowTestSupport.h"

using namespace wintest;

namespace {

class Queues : public ::testing::Test {
 protected:
  void SetUp() override { SetClockMode(TClockMode::Virtual); }
  void TearDown() override { SetClockMode(TClockMode::Real); }
};

std::vector<UINT> TakeAll(UINT flags = PM_REMOVE | PM_NOYIELD) {
  std::vector<UINT> out;
  MSG m;
  while (PeekMessageA(&m, nullptr, 0, 0, flags)) {
    out.push_back(m.message);
    DispatchMessageA(&m);
    if (m.message == WM_QUIT) break;
  }
  return out;
}

TEST_F(Queues, RetrievalOrderIsPostedThenQuitThenPaintThenTimer) {
  HWND w = MakeWindow("w", WS_POPUP | WS_VISIBLE);
  TakeAll();
  SetTimer(w, 1, 100, nullptr);
  ClockAdvance(150);
  InvalidateRect(w, nullptr, FALSE);
  PostQuitMessage(3);
  PostMessageA(w, WM_USER, 0, 0);
  PostMessageA(w, WM_USER + 1, 0, 0);
  MSG m;
  std::vector<UINT> order;
  while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD)) {
    order.push_back(m.message);
    if (m.message == WM_QUIT) {
      EXPECT_EQ(m.wParam, 3u);
    }
    DispatchMessageA(&m);
  }
  EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_USER + 1, WM_QUIT, WM_PAINT, WM_TIMER}));
}

TEST_F(Queues, FiltersSelectByWindowAndRange) {
  HWND a = MakeWindow("a");
  HWND child = MakeWindow("child", WS_CHILD, a);
  HWND b = MakeWindow("b");
  TakeAll();
  PostMessageA(b, WM_USER, 0, 0);
  PostMessageA(child, WM_USER + 5, 0, 0);
  PostThreadMessageA(GetCurrentThreadId(), WM_APP, 0, 0);
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, a, 0, 0, PM_REMOVE | PM_NOYIELD));  // a's child counts as a
  EXPECT_EQ(m.hwnd, child);
  ASSERT_TRUE(PeekMessageA(&m, reinterpret_cast<HWND>(intptr_t(-1)), 0, 0, PM_REMOVE | PM_NOYIELD));
  EXPECT_EQ(m.message, WM_APP);
  EXPECT_FALSE(PeekMessageA(&m, nullptr, WM_USER + 1, WM_USER + 9, PM_NOREMOVE | PM_NOYIELD));
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_USER, WM_USER, PM_NOREMOVE | PM_NOYIELD));
  EXPECT_EQ(m.hwnd, b);
  EXPECT_EQ(TakeAll(), std::vector<UINT>{WM_USER});
  EXPECT_EQ(GetMessageA(&m, reinterpret_cast<HWND>(intptr_t(0x1234)), 0, 0), -1);
}

TEST_F(Queues, TimersCoalesceAndRescheduleFromTheTick) {
  HWND w = MakeWindow("w");
  TakeAll();
  uint64_t start = ClockTickMs();
  SetTimer(w, 7, 100, nullptr);
  ClockAdvance(1000);  // ten periods pass while the thread does not pump
  EXPECT_EQ(TakeAll(), std::vector<UINT>{WM_TIMER});
  // An empty PeekMessage yields: virtual time jumps to the next tick, one period later.
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(m.message, WM_TIMER);
  EXPECT_EQ(m.wParam, 7u);
  EXPECT_EQ(ClockTickMs() - start, 1100u);
  // Restarting replaces the period; killing stops it; a window's timers die with it.
  SetTimer(w, 7, 500, nullptr);
  ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
  EXPECT_EQ(ClockTickMs() - start, 1600u);
  EXPECT_TRUE(KillTimer(w, 7));
  EXPECT_FALSE(KillTimer(w, 7));
  SetTimer(w, 8, 10, nullptr);
  DestroyWindow(w);
  EXPECT_FALSE(KillTimer(w, 8));
  EXPECT_FALSE(PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Queues, TimerProceduresRunFromDispatch) {
  static std::vector<UINT_PTR> fired;
  TIMERPROC proc = [](HWND, UINT msg, UINT_PTR id, DWORD) {
    EXPECT_EQ(msg, WM_TIMER);
    fired.push_back(id);
  };
  UINT_PTR id1 = SetTimer(nullptr, 0, 50, proc);
  UINT_PTR id2 = SetTimer(nullptr, 0, 70, proc);
  EXPECT_NE(id1, id2);
  MSG m;
  for (int i = 0; i < 3; ++i) {
    ASSERT_TRUE(GetMessageA(&m, nullptr, 0, 0));
    DispatchMessageA(&m);
  }
  EXPECT_EQ(fired, (std::vector<UINT_PTR>{id1, id2, id1}));  // at 50, 70, 100
  KillTimer(nullptr, id1);
  KillTimer(nullptr, id2);
}

TEST_F(Queues, NestedPumpsHandleLaterMessagesAndTheOuterLoopGoesOn) {
  HWND w = MakeWindow("w");
  TakeAll();
  std::vector<std::string> trace;
  Recorder::Get().SetHandler([&](HWND h, UINT msg, WPARAM wp, LPARAM, LRESULT*) {
    if (msg < WM_USER) return false;
    trace.push_back("begin " + std::to_string(wp));
    if (wp == 1) {
      PostMessageA(h, WM_USER, 2, 0);
      PostMessageA(h, WM_USER, 3, 0);
      // A long operation pumping inside the handler, until message 3 was handled.
      MSG m;
      while (std::find(trace.begin(), trace.end(), "end 3") == trace.end() &&
             PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE | PM_NOYIELD))
        DispatchMessageA(&m);
    }
    trace.push_back("end " + std::to_string(wp));
    return true;
  });
  PostMessageA(w, WM_USER, 1, 0);
  PostMessageA(w, WM_USER, 4, 0);  // posted before 2 and 3, so the nested loop takes it first
  TakeAll();
  EXPECT_EQ(trace,
            (std::vector<std::string>{"begin 1", "begin 4", "end 4", "begin 2", "end 2", "begin 3", "end 3", "end 1"}));
}

// Hooks record what they see as "name:message" and pass on.
std::vector<std::string> g_hookTrace;
HHOOK g_hooks[3];

template <int I>
LRESULT CALLBACK TracingGetMessageHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* m = reinterpret_cast<MSG*>(lParam);
  g_hookTrace.push_back("get" + std::to_string(I) + ":" + std::to_string(m->message - WM_USER) +
                        (wParam == PM_REMOVE ? "" : "?"));
  if (I == 2 && m->message == WM_USER + 9) {
    m->message = WM_NULL;  // swallowed: the next hook is not called
    return 1;
  }
  return CallNextHookEx(g_hooks[I], code, wParam, lParam);
}

TEST_F(Queues, GetMessageHooksRunNewestFirstAndMayRewrite) {
  HWND w = MakeWindow("w");
  TakeAll();
  g_hooks[1] = SetWindowsHookExA(WH_GETMESSAGE, TracingGetMessageHook<1>, nullptr, GetCurrentThreadId());
  g_hooks[2] = SetWindowsHookExA(WH_GETMESSAGE, TracingGetMessageHook<2>, nullptr, GetCurrentThreadId());
  EXPECT_EQ(vandrel::ThreadHookCount(GetCurrentThreadId()), 2);
  PostMessageA(w, WM_USER + 1, 0, 0);
  PostMessageA(w, WM_USER + 9, 0, 0);
  MSG m;
  PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE | PM_NOYIELD);
  Recorder::Get().Clear();
  EXPECT_EQ(TakeAll(), (std::vector<UINT>{WM_USER + 1, WM_NULL}));
  EXPECT_EQ(g_hookTrace, (std::vector<std::string>{"get2:1?", "get1:1?", "get2:1", "get1:1", "get2:9"}));
  ASSERT_EQ(Recorder::Get().All().size(), 2u);
  EXPECT_EQ(Recorder::Get().All()[1].msg, WM_NULL);
  EXPECT_TRUE(UnhookWindowsHookEx(g_hooks[2]));
  EXPECT_FALSE(UnhookWindowsHookEx(g_hooks[2]));
  EXPECT_EQ(vandrel::ThreadHookCount(GetCurrentThreadId()), 1);
  g_hookTrace.clear();
  PostMessageA(w, WM_USER + 9, 0, 0);
  EXPECT_EQ(TakeAll(), (std::vector<UINT>{WM_USER + 9}));
  EXPECT_EQ(g_hookTrace, (std::vector<std::string>{"get1:9"}));
  UnhookWindowsHookEx(g_hooks[1]);
  EXPECT_FALSE(SetWindowsHookExA(WH_GETMESSAGE, TracingGetMessageHook<1>, nullptr, 0));
  EXPECT_FALSE(SetWindowsHookExA(99, TracingGetMessageHook<1>, nullptr, GetCurrentThreadId()));
}

// WH_CALLWNDPROC: the hook runs before the procedure is read, so it can subclass the target.
HWND g_target;
WNDPROC g_targetOriginal;
std::vector<std::string> g_procTrace;

LRESULT CALLBACK Replacement(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_USER + 1) {
    g_procTrace.push_back("replacement swallowed");
    return 0;
  }
  return CallWindowProcA(g_targetOriginal, h, msg, wp, lp);
}

LRESULT CALLBACK SubclassingCallWndProcHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
  g_procTrace.push_back("hook " + std::to_string(cwp->message) + (wParam ? " from this thread" : ""));
  if (cwp->message == WM_USER + 1 && cwp->hwnd == g_target) {
    g_targetOriginal =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(g_target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Replacement)));
    // Re-entrant: a send from inside the hook runs the chain again.
    SendMessageA(g_target, WM_USER + 2, 0, 0);
  }
  return CallNextHookEx(g_hooks[0], code, wParam, lParam);
}

TEST_F(Queues, CallWndProcHooksRunBeforeTheProcedureIsRead) {
  g_target = MakeWindow("target");
  HWND other = MakeWindow("other", WS_POPUP | WS_VISIBLE);
  g_hooks[0] = SetWindowsHookExA(WH_CALLWNDPROC, SubclassingCallWndProcHook, nullptr, GetCurrentThreadId());
  Recorder::Get().Clear();
  SendMessageA(g_target, WM_USER + 1, 0, 0);
  EXPECT_EQ(g_procTrace, (std::vector<std::string>{"hook 1025 from this thread", "hook 1026 from this thread",
                                                   "replacement swallowed"}));
  ASSERT_EQ(Recorder::Get().All().size(), 1u);
  EXPECT_EQ(Recorder::Get().All()[0].msg, WM_USER + 2u);
  // The window system's own sends go through the hook too.
  g_procTrace.clear();
  SetFocus(g_target);
  EXPECT_NE(std::find(g_procTrace.begin(), g_procTrace.end(), "hook 7 from this thread"), g_procTrace.end());
  // Posted messages do not.
  PostMessageA(other, WM_USER + 3, 0, 0);
  TakeAll();
  EXPECT_EQ(std::find(g_procTrace.begin(), g_procTrace.end(), "hook 1027 from this thread"), g_procTrace.end());
  UnhookWindowsHookEx(g_hooks[0]);
}

TEST_F(Queues, RegisteredMessagesAndBroadcasts) {
  UINT a = RegisterWindowMessageA("DEFCHANGED__x");
  EXPECT_GE(a, 0xC000u);
  EXPECT_EQ(RegisterWindowMessageA("defchanged__X"), a);
  EXPECT_NE(RegisterWindowMessageA("FEEDCHANGED__x"), a);
  EXPECT_EQ(RegisterWindowMessageA(""), 0u);
  HWND visible = MakeWindow("visible", WS_POPUP | WS_VISIBLE);
  HWND hidden = MakeWindow("hidden", WS_POPUP);
  HWND child = MakeWindow("child", WS_CHILD, visible);
  TakeAll();
  Recorder::Get().Clear();
  EXPECT_TRUE(PostMessageA(HWND_BROADCAST, a, 1, 2));
  TakeAll();
  std::vector<HWND> receivers;
  for (const Seen& s : Recorder::Get().All())
    if (s.msg == a) receivers.push_back(s.hwnd);
  std::sort(receivers.begin(), receivers.end());
  std::vector<HWND> expected{visible, hidden};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(receivers, expected);
  (void)child;
}

std::vector<std::string> g_forwarded;

TEST_F(Queues, BroadcastsOfRegisteredMessagesReachTheForwarderByName) {
  SetBroadcastForwarder([](const std::string& name, WPARAM w, LPARAM l) {
    g_forwarded.push_back(name + " " + std::to_string(w) + " " + std::to_string(l));
  });
  UINT signal = RegisterWindowMessageA("FEEDCHANGED__lib");
  HWND w = MakeWindow("w");
  TakeAll();
  PostMessageA(HWND_BROADCAST, signal, 1, 2);
  PostMessageA(HWND_BROADCAST, WM_USER, 3, 4);  // not a registered message: stays in the process
  EXPECT_EQ(g_forwarded, std::vector<std::string>{"FEEDCHANGED__lib 1 2"});
  Recorder::Get().Clear();
  TakeAll();
  DeliverBroadcast("feedchanged__LIB", 5, 6);  // from another process
  TakeAll();
  std::vector<Seen> seen = Recorder::Get().All();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[2].msg, signal);
  EXPECT_EQ(seen[2].wParam, 5u);
  EXPECT_EQ(seen[2].hwnd, w);
  // A name nobody here registered reaches no window and takes no number of the table.
  UINT before = RegisterWindowMessageA("Probe before");
  DeliverBroadcast("Registered elsewhere only", 7, 8);
  TakeAll();
  EXPECT_EQ(Recorder::Get().All().size(), 3u);
  EXPECT_EQ(RegisterWindowMessageA("Probe after"), before + 1);
  SetBroadcastForwarder(nullptr);
}

TEST_F(Queues, PostingToADeadWindowFails) {
  HWND w = MakeWindow("w");
  DestroyWindow(w);
  EXPECT_FALSE(PostMessageA(w, WM_USER, 0, 0));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
  EXPECT_EQ(SendMessageA(w, WM_USER, 0, 0), 0);
  MSG m{w, WM_USER, 0, 0, 0, {}};
  EXPECT_EQ(DispatchMessageA(&m), 0);
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Windows.h"

namespace {

using namespace std::chrono_literals;

// A thread that owns one window and runs a message loop until WM_QUIT. The window's procedure is `proc`.
class UiThread {
 public:
  explicit UiThread(std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> proc,
                    std::chrono::milliseconds delayBeforePumping = 0ms)
      : proc_(std::move(proc)) {
    std::promise<HWND> ready;
    auto future = ready.get_future();
    thread_ = std::thread([this, &ready, delayBeforePumping] {
      static std::once_flag once;
      std::call_once(once, [] {
        WNDCLASSA wc{};
        wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
          auto* self = reinterpret_cast<UiThread*>(GetWindowLongPtrA(h, GWLP_USERDATA));
          if (!self || m < WM_USER) return DefWindowProcA(h, m, w, l);
          return self->proc_(h, m, w, l);
        };
        wc.lpszClassName = "ThreadWindow";
        RegisterClassA(&wc);
      });
      HWND h = CreateWindowExA(0, "ThreadWindow", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
      SetWindowLongPtrA(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
      threadId_ = GetCurrentThreadId();
      ready.set_value(h);
      std::this_thread::sleep_for(delayBeforePumping);
      pumping_ = true;
      MSG m;
      while (GetMessageA(&m, nullptr, 0, 0) > 0) DispatchMessageA(&m);
    });
    hwnd_ = future.get();
  }
  ~UiThread() {
    PostThreadMessageA(threadId_, WM_QUIT, 0, 0);
    thread_.join();
  }
  HWND hwnd() const { return hwnd_; }
  DWORD threadId() const { return threadId_; }
  bool pumping() const { return pumping_; }

 private:
  std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)> proc_;
  std::thread thread_;
  HWND hwnd_ = nullptr;
  DWORD threadId_ = 0;
  std::atomic<bool> pumping_{false};
};

TEST(CrossThread, SendBlocksUntilTheTargetThreadDispatches) {
  std::atomic<DWORD> ranOn{0};
  auto before = std::chrono::steady_clock::now();  // the target's delay starts after this
  UiThread target(
      [&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
        ranOn = GetCurrentThreadId();
        return msg == WM_USER ? LRESULT(w * 2) : 0;
      },
      150ms);
  EXPECT_EQ(SendMessageA(target.hwnd(), WM_USER, 21, 0), 42);
  EXPECT_TRUE(target.pumping());
  EXPECT_GE(std::chrono::steady_clock::now() - before, 100ms);
  EXPECT_EQ(ranOn.load(), target.threadId());
  EXPECT_NE(ranOn.load(), GetCurrentThreadId());
}

TEST(CrossThread, TwoThreadsSendingToEachOtherDoNotDeadlock) {
  // This thread's window answers sends from the other thread while this thread waits in its own send.
  WNDCLASSA wc{};
  wc.lpfnWndProc = [](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
    if (m == WM_USER + 1) return LRESULT(w + 1000);
    return DefWindowProcA(h, m, w, l);
  };
  wc.lpszClassName = "Answering";
  RegisterClassA(&wc);
  HWND mine = CreateWindowExA(0, "Answering", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  std::atomic<LRESULT> inner{0};
  UiThread other([&](HWND, UINT msg, WPARAM w, LPARAM) -> LRESULT {
    if (msg != WM_USER) return 0;
    inner = SendMessageA(mine, WM_USER + 1, w, 0);  // back to the thread that is waiting for us
    return inner + 1;
  });
  EXPECT_EQ(SendMessageA(other.hwnd(), WM_USER, 5, 0), 1006);
  EXPECT_EQ(inner.load(), 1005);
}

TEST(CrossThread, ASendToAThreadThatEndsReturnsZero) {
  std::promise<void> entered;
  std::atomic<HWND> hwnd{nullptr};
  std::atomic<bool> release{false};
  std::thread t([&] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "Leaving";
    RegisterClassA(&wc);
    hwnd = CreateWindowExA(0, "Leaving", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    entered.set_value();
    while (!release) std::this_thread::sleep_for(5ms);
    // Ends without pumping: its window goes and the waiting sender is answered with 0.
  });
  entered.get_future().wait();
  std::thread releaser([&] {
    std::this_thread::sleep_for(50ms);
    release = true;
  });
  EXPECT_EQ(SendMessageA(hwnd, WM_USER, 0, 0), 0);
  t.join();
  releaser.join();
  EXPECT_FALSE(IsWindow(hwnd));
}

TEST(CrossThread, PostsFromOtherThreadsWakeAWaitingGetMessage) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "Plain";
  RegisterClassA(&wc);
  HWND w = CreateWindowExA(0, "Plain", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  std::thread poster([w] {
    for (int i = 0; i < 100; ++i) PostMessageA(w, WM_USER, WPARAM(i), 0);
  });
  MSG m;
  for (int i = 0; i < 100; ++i) {
    ASSERT_GT(GetMessageA(&m, nullptr, 0, 0), 0);
    EXPECT_EQ(m.wParam, WPARAM(i));
  }
  poster.join();
}

TEST(CrossThread, NotifySendsDoNotWaitAndWaitMessageWakesForThem) {
  std::promise<void> handled;
  std::atomic<bool> release{false};
  UiThread target([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == WM_USER) {
      while (!release) std::this_thread::yield();  // the sender must not be waiting for this
      handled.set_value();
    }
    return 0;
  });
  EXPECT_TRUE(SendNotifyMessageA(target.hwnd(), WM_USER, 0, 0));
  release = true;
  handled.get_future().wait();
  // This thread's queue: WaitMessage returns once something arrives, and the status tells what.
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "Waiting";
  RegisterClassA(&wc);
  HWND mine = CreateWindowExA(0, "Waiting", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(GetQueueStatus(QS_ALLINPUT), 0u);
  std::thread poster([mine] {
    std::this_thread::sleep_for(30ms);
    PostMessageA(mine, WM_USER + 1, 0, 0);
  });
  EXPECT_TRUE(WaitMessage());
  EXPECT_EQ(GetQueueStatus(QS_POSTMESSAGE) & 0xFFFF, QS_POSTMESSAGE);
  poster.join();
}

// WH_CALLWNDPROC of the receiving thread sees sends from other threads, with wParam 0.
std::atomic<int> g_foreignSends{0};
HHOOK g_hook;
LRESULT CALLBACK CountingHook(int code, WPARAM wParam, LPARAM lParam) {
  auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (cwp->message == WM_USER + 7 && wParam == 0) g_foreignSends++;
  return CallNextHookEx(g_hook, code, wParam, lParam);
}

TEST(CrossThread, HooksOfTheReceivingThreadSeeForeignSends) {
  std::promise<void> hooked;
  UiThread target([&](HWND, UINT msg, WPARAM, LPARAM) -> LRESULT {
    if (msg == WM_USER) {
      g_hook = SetWindowsHookExA(WH_CALLWNDPROC, CountingHook, nullptr, GetCurrentThreadId());
      hooked.set_value();
    }
    return 0;
  });
  PostMessageA(target.hwnd(), WM_USER, 0, 0);
  hooked.get_future().wait();
  SendMessageA(target.hwnd(), WM_USER + 7, 0, 0);
  SendMessageA(target.hwnd(), WM_USER + 7, 0, 0);
  EXPECT_EQ(g_foreignSends.load(), 2);
}

}  // namespace

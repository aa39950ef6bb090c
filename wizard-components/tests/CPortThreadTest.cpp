// TSerialPort with its event thread: over a pseudo-terminal whose peer the test holds (real clock), and
// over a scripted device on the virtual clock.
#include <sys/resource.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "platform/components/Application.h"
#include "platform/components/ExtCtrls.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Thread.h"
#include "platform/testing/PseudoTerminal.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Timers.h"
#include "wizard-components/CPort.h"

namespace {

using namespace std::chrono_literals;

struct PortDeleter {
  void operator()(TSerialPort* port) const { port->Free(); }
};
using PortPtr = std::unique_ptr<TSerialPort, PortDeleter>;

size_t ThreadCount() {
  size_t count = 0;
  for (auto& entry : std::filesystem::directory_iterator("/proc/self/task")) (void)entry, ++count;
  return count;
}

// The thread count once it has settled at `expected` (a thread that has ended may linger a moment), else
// the count after two seconds.
size_t ThreadCountSettling(size_t expected) {
  auto end = std::chrono::steady_clock::now() + 2s;
  size_t count;
  while ((count = ThreadCount()) != expected && std::chrono::steady_clock::now() < end)
    std::this_thread::sleep_for(5ms);
  return count;
}

long long CpuMicroseconds() {
  rusage u;
  getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000LL + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
}

// A machine whose COM3 is a pseudo-terminal; the test holds the peer side and pumps the main thread's
// messages (a 20 ms thread timer keeps the pump from waiting longer than that).
class PtyPort : public ::testing::Test {
 protected:
  void SetUp() override {
    tick_ = SetTimer(nullptr, 0, 20, nullptr);
    std::thread([] {}).join();  // a sanitizer's own thread starts with the first thread: before counting
    port_.reset(TSerialPort::Create(nullptr));
    port_->SetPortNum("COM3");
  }
  void TearDown() override {
    port_.reset();
    KillTimer(nullptr, tick_);
    Application->OnException = nullptr;
  }
  // Handles messages until the condition holds, for at most two seconds.
  bool PumpUntil(const std::function<bool()>& done) {
    auto end = std::chrono::steady_clock::now() + 2s;
    while (!done()) {
      if (std::chrono::steady_clock::now() > end) return false;
      Application->HandleMessage();
    }
    return true;
  }

  testing_support::TestMachine machine_;
  testing_support::PseudoTerminal pty_{machine_.Root(), "COM3"};
  UINT_PTR tick_ = 0;
  PortPtr port_;
};

TEST_F(PtyPort, OpensClosesAndMakesAThreadOnlyForEvents) {
  int opens = 0, closes = 0;
  port_->OnOpen = [&](TObject*) { ++opens; };
  port_->OnClose = [&](TObject*) { ++closes; };
  const size_t idle = ThreadCount();
  port_->SetEvents(0);
  port_->Open();
  const size_t withoutEvents = ThreadCount();
  port_->Open();
  EXPECT_EQ(opens, 1) << "open on an open port does nothing";
  port_->Close();
  EXPECT_EQ(ThreadCountSettling(idle), idle);
  port_->SetEvents(kAllEvents);
  port_->Open();
  EXPECT_EQ(ThreadCount(), withoutEvents + 1) << "the event thread";
  EXPECT_EQ(port_->Signals(), 0u) << "a pseudo-terminal has no modem lines";
  port_->Close();
  port_->Close();
  EXPECT_EQ(closes, 2);
  EXPECT_EQ(ThreadCountSettling(idle), idle);
}

TEST_F(PtyPort, ASecondOpenOfThePortFailsWithAccessDenied) {
  port_->Open();
  PortPtr second(TSerialPort::Create(nullptr));
  second->SetPortNum("COM3");
  try {
    second->Open();
    ADD_FAILURE() << "no exception";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.Code(), 1);
    EXPECT_EQ(e.WinCode(), 5);
    EXPECT_EQ(e.Message(), "Unable to open com port (win error code: 5)");
  }
  EXPECT_FALSE(second->Connected());
}

TEST_F(PtyPort, WritesCountAndReadsReturnAtOnceWithWhatIsQueued) {
  port_->SetEvents(0);
  port_->Open();
  EXPECT_EQ(port_->WriteStr("AT&F\r"), 5);
  EXPECT_EQ(pty_.Read(5), "AT&F\r");
  std::string text;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(port_->ReadStr(text, 10), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 500ms) << "nothing queued: at once";
  pty_.Write("\r\nOK\r\n");
  while (port_->InputCount() < 6 && std::chrono::steady_clock::now() - start < 2s) std::this_thread::sleep_for(5ms);
  EXPECT_EQ(port_->ReadStr(text, 4), 4);
  EXPECT_EQ(text, "\r\nOK");
  EXPECT_EQ(port_->ReadStr(text, 10), 2);
  EXPECT_EQ(text, "\r\n");
}

TEST_F(PtyPort, RxCharRunsOnTheMainThreadWithTheQueuedCountAndSurvivesItsExceptions) {
  struct Call {
    bool mainThread;
    int count;
    std::string text;
  };
  std::vector<Call> calls;
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
  port_->OnRxChar = [&](TObject*, int count) {
    std::string text;
    port_->ReadStr(text, count);
    calls.push_back({IsMainThread(), count, text});
    if (calls.size() == 1) throw Exception("handler failed");
  };
  port_->Open();
  pty_.Write("OK\r\n");
  ASSERT_TRUE(PumpUntil([&] { return calls.size() == 1; }));
  pty_.Write("ATI");
  ASSERT_TRUE(PumpUntil([&] { return calls.size() == 2; })) << "the event thread lives on";
  EXPECT_TRUE(calls[0].mainThread);
  EXPECT_EQ(calls[0].count, 4);
  EXPECT_EQ(calls[0].text, "OK\r\n");
  EXPECT_EQ(calls[1].text, "ATI");
  EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
}

std::vector<WPARAM>* g_portMessages = nullptr;

LRESULT CALLBACK CountPortMessages(int code, WPARAM wParam, LPARAM lParam) {
  auto* sent = reinterpret_cast<CWPSTRUCT*>(lParam);
  if (code == HC_ACTION && sent->message == CM_COMPORT_EVENT && g_portMessages) g_portMessages->push_back(sent->wParam);
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(PtyPort, WindowSyncSendsOneMessagePerEventBit) {
  std::vector<WPARAM> messages;
  g_portMessages = &messages;
  HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountPortMessages, nullptr, GetCurrentThreadId());
  std::vector<std::string> order;
  bool offMain = false;
  port_->SetSyncMethod(smWindowSync);
  port_->OnRxChar = [&](TObject*, int count) {
    offMain |= !IsMainThread();
    std::string text;
    port_->ReadStr(text, count);
    order.push_back("rx " + text);
    if (order.size() == 1) {
      // While the thread waits for this delivery, a write drains and a byte arrives: one mask of both.
      port_->WriteStr("w");
      pty_.Write("y");
      std::this_thread::sleep_for(100ms);
    }
  };
  port_->OnTxEmpty = [&](TObject*) { order.push_back("tx"); };
  port_->Open();
  pty_.Write("x");
  EXPECT_TRUE(PumpUntil([&] { return order.size() == 3; }));
  port_->Close();
  UnhookWindowsHookEx(hook);
  g_portMessages = nullptr;
  EXPECT_FALSE(offMain);
  EXPECT_EQ(order, (std::vector<std::string>{"rx x", "rx y", "tx"}));
  EXPECT_EQ(messages, (std::vector<WPARAM>{EV_RXCHAR, EV_RXCHAR, EV_TXEMPTY}));
}

TEST_F(PtyPort, WithoutSynchronisationHandlersRunOnTheThread) {
  std::atomic<int> calls{0};
  std::atomic<bool> onMain{false};
  port_->SetSyncMethod(smNone);
  port_->OnRxChar = [&](TObject*, int) {
    onMain = IsMainThread();
    ++calls;
  };
  port_->Open();
  pty_.Write("x");
  auto end = std::chrono::steady_clock::now() + 2s;
  while (!calls && std::chrono::steady_clock::now() < end) std::this_thread::sleep_for(5ms);
  port_->Close();
  EXPECT_EQ(calls.load(), 1);
  EXPECT_FALSE(onMain.load());
}

TEST_F(PtyPort, CloseReturnsWhileTheThreadWaitsInADelivery) {
  for (TSyncMethod method : {smThreadSync, smWindowSync}) {
    int calls = 0;
    port_->SetSyncMethod(method);
    port_->OnRxChar = [&](TObject*, int) { ++calls; };
    port_->Open();
    pty_.Write("x");
    std::this_thread::sleep_for(200ms);  // the thread is now blocked handing the event to this thread
    auto start = std::chrono::steady_clock::now();
    port_->Close();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s) << method;
    EXPECT_LE(calls, 1) << method;
    EXPECT_FALSE(port_->Connected()) << method;
  }
}

TEST_F(PtyPort, AfterThePeerHasGoneTheThreadWaitsQuietly) {
  int calls = 0;
  port_->OnRxChar = [&](TObject*, int) { ++calls; };
  port_->Open();
  pty_.ClosePeer();
  std::this_thread::sleep_for(100ms);
  Application->ProcessMessages();
  const long long before = CpuMicroseconds();
  std::this_thread::sleep_for(1s);
  EXPECT_LT(CpuMicroseconds() - before, 50000);
  Application->ProcessMessages();
  EXPECT_EQ(calls, 0);
  port_->Close();
  EXPECT_FALSE(port_->Connected());
}

TEST_F(PtyPort, ACloseThatCannotAbortRaisesAndTheDestructorStillReleasesAll) {
  const size_t idle = ThreadCount();
  port_->Open();
  CloseHandle(port_->Handle());  // behind the port's back: its calls now fail
  try {
    port_->Close();
    ADD_FAILURE() << "no exception";
  } catch (const ESerialPort& e) {
    EXPECT_EQ(e.Code(), 5);
    EXPECT_EQ(e.WinCode(), 6);
  }
  EXPECT_TRUE(port_->Connected()) << "a failed Close leaves the port open";
  port_.reset();  // the destructor's Close fails the same way
  EXPECT_EQ(ThreadCountSettling(idle), idle);
}

// On the virtual clock a scripted answer 200 ms after the write comes before a 1000 ms timer's first tick,
// however the threads are scheduled.
TEST(ScriptedSerialPort, AnAnswerComesAtItsVirtualMomentBeforeTheTimer) {
  testing_support::TestMachine machine;
  vandrel::RegisterScriptedPort("COM4", "line AT&F\nreply 200 OK\\r\\n\n");
  SetClockMode(TClockMode::Virtual);
  Application->ProcessMessages();  // the application hands synchronised calls to this thread's pump
  for (int run = 0; run < 200; ++run) {
    PortPtr port(TSerialPort::Create(nullptr));
    port->SetPortNum("COM4");
    std::unique_ptr<TTimer, void (*)(TTimer*)> timer(NewObject<TTimer>(nullptr), [](TTimer* t) { t->Free(); });
    timer->SetEnabled(false);
    timer->SetInterval(1000);
    bool ticked = false;
    std::string answer;
    uint64_t answeredAfter = 0;
    const uint64_t start = ClockTickMs();
    timer->OnTimer = [&](TObject*) { ticked = true; };
    port->OnRxChar = [&](TObject*, int count) {
      std::string text;
      port->ReadStr(text, count);
      answer += text;
      answeredAfter = ClockTickMs() - start;
    };
    port->Open();
    port->WriteStr("AT&F\r");
    timer->SetEnabled(true);
    while (answer.empty() && !ticked) Application->HandleMessage();
    timer->SetEnabled(false);
    port->Close();
    ASSERT_EQ(answer, "OK\r\n") << "run " << run;
    ASSERT_FALSE(ticked) << "run " << run << " answered after " << answeredAfter << " now " << ClockTickMs() - start;
    ASSERT_EQ(answeredAfter, 200u) << "run " << run;
  }
  SetClockMode(TClockMode::Real);
  vandrel::RemoveScriptedPort("COM4");
}

}  // namespace

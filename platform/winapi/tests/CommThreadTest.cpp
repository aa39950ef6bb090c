// The comm calls over a pseudo-terminal (on the real clock, the test holding the peer side) and over
// scripted devices (on the virtual clock).
#include <fcntl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/PseudoTerminal.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Comm.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Synchronization.h"
#include "platform/winapi/kernel32/CommScript.h"

namespace {

using namespace std::chrono_literals;
constexpr DWORD kSentinel = 0xdeadbeef;
const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/winapi_helper";

void WriteHostFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

// An overlapped record with its own manual-reset event.
struct Async {
  OVERLAPPED ov{};
  Async() { ov.hEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr); }
  ~Async() { CloseHandle(ov.hEvent); }
  bool Signalled(DWORD ms = 0) { return WaitForSingleObject(ov.hEvent, ms) == WAIT_OBJECT_0; }
};

// A machine whose COM3 is a pseudo-terminal; the test holds the peer (master) side.
class PtyPort : public ::testing::Test {
 protected:
  void TearDown() override {
    if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
  }
  HANDLE Open(const char* name = "COM3") {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  }
  void OpenPort(DWORD mask = EV_RXCHAR | EV_TXEMPTY) {
    port_ = Open();
    ASSERT_NE(port_, INVALID_HANDLE_VALUE) << GetLastError();
    COMMTIMEOUTS atOnce{0xFFFFFFFF, 0, 0, 100, 1000};
    ASSERT_TRUE(SetCommTimeouts(port_, &atOnce));
    ASSERT_TRUE(SetCommMask(port_, mask));
  }
  // Waits for the next event of the port.
  DWORD NextEvent(DWORD ms = 2000) {
    Async wait;
    DWORD events = 0;
    if (!WaitCommEvent(port_, &events, &wait.ov)) {
      EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
      if (!wait.Signalled(ms)) {
        SetCommMask(port_, EV_RXCHAR | EV_TXEMPTY);  // ends the wait before its record goes
        ADD_FAILURE() << "no event";
      }
      DWORD ignored;
      EXPECT_TRUE(GetOverlappedResult(port_, &wait.ov, &ignored, FALSE));
    }
    return events;
  }
  std::string ReadQueued(DWORD count = 256) {
    std::string buffer(count, '\0');
    Async read;
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(port_, buffer.data(), count, &got, &read.ov));
    EXPECT_TRUE(read.Signalled());
    buffer.resize(got);
    return buffer;
  }

  testing_support::TestMachine machine_;
  testing_support::PseudoTerminal pty_{machine_.Root(), "COM3"};
  HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(PtyPort, OpensByBothNamesOneHandleAtATime) {
  HANDLE first = Open("COM3");
  ASSERT_NE(first, INVALID_HANDLE_VALUE);
  SetLastError(kSentinel);
  EXPECT_EQ(Open("\\\\.\\COM3"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(first);
  HANDLE again = Open("\\\\.\\com3");
  EXPECT_NE(again, INVALID_HANDLE_VALUE);
  CloseHandle(again);
  SetLastError(kSentinel);
  EXPECT_EQ(Open("COM4"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  std::filesystem::create_symlink("/nonexistent/tty", machine_.Root() + "/devices/COM6");
  EXPECT_EQ(Open("COM6"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

// A second process of the machine holds the port (a host device, a script file), then this one does.
TEST_F(PtyPort, APortIsOpenInOneProcessAtATime) {
  WriteHostFile(machine_.Root() + "/devices/COM5.script", "line AT\nreply 10 OK\\r\\n\n");
  for (const char* name : {"COM3", "COM5"}) {
    {
      testing_support::ChildProcess holder(kHelper, {"hold", name, "c0000000", "0"});
      ASSERT_EQ(holder.ReadLine(), "held") << name;
      SetLastError(kSentinel);
      EXPECT_EQ(Open(name), INVALID_HANDLE_VALUE) << name;
      EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED) << name;
      holder.Release();
      EXPECT_EQ(holder.Wait(), 0) << name;
    }
    HANDLE mine = Open(name);
    ASSERT_NE(mine, INVALID_HANDLE_VALUE) << name;
    testing_support::ChildProcess other(kHelper, {"hold", name, "c0000000", "0"});
    EXPECT_EQ(other.ReadLine(), "error 5") << name;
    other.Release();
    other.Wait();
    CloseHandle(mine);
  }
}

TEST_F(PtyPort, SetCommStateChecksTheBlockAndSetsTheLine) {
  OpenPort();
  struct Case {
    const char* name;
    DWORD rate;
    BYTE size, parity, stop;
    DWORD flags;
    DWORD error;
    tcflag_t cflags;  // expected among the line's c_cflag (a pseudo-terminal drops PARENB)
    speed_t speed;
  } cases[] = {
      {"8N1 at 9600", 9600, 8, NOPARITY, ONESTOPBIT, DCB_BINARY | 0x10 | 0x1000, 0, CS8, B9600},
      {"7E2 at 19200", 19200, 7, EVENPARITY, TWOSTOPBITS, DCB_BINARY, 0, CS7 | CSTOPB, B19200},
      {"odd parity with CTS flow", 57600, 8, ODDPARITY, ONESTOPBIT, DCB_BINARY | DCB_OUTX_CTS_FLOW, 0,
       CS8 | PARODD | CRTSCTS, B57600},
      {"5 data bits, 1.5 stop", 1200, 5, MARKPARITY, ONE5STOPBITS, DCB_BINARY, 0, CS5 | PARODD | CMSPAR | CSTOPB,
       B1200},
      {"a rate without a host setting", 14400, 8, NOPARITY, ONESTOPBIT, DCB_BINARY, 0, CS8, B9600},
      {"no rate", 0, 8, NOPARITY, ONESTOPBIT, DCB_BINARY, ERROR_INVALID_PARAMETER, 0, 0},
      {"9 data bits", 9600, 9, NOPARITY, ONESTOPBIT, DCB_BINARY, ERROR_INVALID_PARAMETER, 0, 0},
      {"parity 5", 9600, 8, 5, ONESTOPBIT, DCB_BINARY, ERROR_INVALID_PARAMETER, 0, 0},
      {"1.5 stop bits with 8 data bits", 9600, 8, NOPARITY, ONE5STOPBITS, DCB_BINARY, ERROR_INVALID_PARAMETER, 0, 0},
      {"2 stop bits with 5 data bits", 9600, 5, NOPARITY, TWOSTOPBITS, DCB_BINARY, ERROR_INVALID_PARAMETER, 0, 0},
      {"the same XON and XOFF", 9600, 8, NOPARITY, ONESTOPBIT, DCB_BINARY | DCB_OUTX, ERROR_INVALID_PARAMETER, 0, 0},
  };
  int peer = open(pty_.TerminalPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);  // a look at the line's settings
  ASSERT_GE(peer, 0);
  DCB applied{};
  for (const Case& c : cases) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = c.rate;
    dcb.ByteSize = c.size;
    dcb.Parity = c.parity;
    dcb.StopBits = c.stop;
    dcb.Flags = c.flags;
    dcb.XonChar = 17;
    dcb.XoffChar = c.flags & DCB_OUTX ? 17 : 19;
    SetLastError(kSentinel);
    EXPECT_EQ(SetCommState(port_, &dcb), c.error ? FALSE : TRUE) << c.name;
    DCB recorded{};
    ASSERT_TRUE(vandrel::LastCommState("com3", &recorded)) << c.name;
    if (c.error) {
      EXPECT_EQ(GetLastError(), c.error) << c.name;
      EXPECT_EQ(recorded.BaudRate, applied.BaudRate) << c.name << ": the refused block is not recorded";
      continue;
    }
    applied = dcb;
    EXPECT_EQ(recorded.BaudRate, c.rate) << c.name;
    EXPECT_EQ(recorded.Flags, c.flags) << c.name;
    struct termios t;
    ASSERT_EQ(tcgetattr(peer, &t), 0);
    EXPECT_EQ(t.c_cflag & c.cflags, c.cflags) << c.name;
    EXPECT_EQ(cfgetospeed(&t), c.speed) << c.name;
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO), 0u) << c.name << ": raw";
  }
  close(peer);
  DWORD lines = kSentinel;
  EXPECT_TRUE(GetCommModemStatus(port_, &lines));
  EXPECT_EQ(lines, 0u) << "a pseudo-terminal has no modem lines";
}

TEST_F(PtyPort, BytesPassRawAndReadsReturnAtOnceWithWhatIsQueued) {
  OpenPort();
  EXPECT_EQ(ReadQueued(), "") << "nothing queued: at once, empty";
  Async write;
  DWORD written = 0;
  const std::string command = "AT&F\r\n";
  BOOL ok = WriteFile(port_, command.data(), DWORD(command.size()), &written, &write.ov);
  EXPECT_TRUE(ok || GetLastError() == ERROR_IO_PENDING);
  EXPECT_TRUE(GetOverlappedResult(port_, &write.ov, &written, TRUE));
  EXPECT_EQ(written, command.size());
  EXPECT_EQ(pty_.Read(command.size()), command) << "no line-end translation";
  EXPECT_EQ(NextEvent(), EV_TXEMPTY);

  pty_.Write("\r\nOK\r\n");
  EXPECT_EQ(NextEvent(), EV_RXCHAR);
  std::this_thread::sleep_for(50ms);
  COMSTAT status{};
  DWORD errors = kSentinel;
  ASSERT_TRUE(ClearCommError(port_, &errors, &status));
  EXPECT_EQ(errors, 0u);
  EXPECT_EQ(status.cbInQue, 6u);
  EXPECT_EQ(ReadQueued(4), "\r\nOK");
  EXPECT_EQ(ReadQueued(), "\r\n");

  Async empty;
  EXPECT_TRUE(WriteFile(port_, "", 0, &written, &empty.ov)) << "a 0-byte write completes at once";
  EXPECT_EQ(written, 0u);
  EXPECT_TRUE(empty.Signalled());
}

TEST_F(PtyPort, AFullInputQueueLeavesTheRestWithTheDevice) {
  OpenPort();
  ASSERT_TRUE(SetupComm(port_, 16, 16));
  std::string sent;
  for (int i = 0; i < 100; ++i) sent += char('A' + i % 26);
  pty_.Write(sent);
  std::string received;
  auto end = std::chrono::steady_clock::now() + 2s;
  while (received.size() < sent.size() && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(20ms);
    COMSTAT status{};
    DWORD errors = 0;
    ASSERT_TRUE(ClearCommError(port_, &errors, &status));
    EXPECT_LE(status.cbInQue, 16u);
    EXPECT_EQ(errors, 0u) << "nothing overflows";
    received += ReadQueued();
  }
  EXPECT_EQ(received, sent);
}

TEST_F(PtyPort, RxCharFiresOncePerArrivalAndIsKeptForTheNextWait) {
  OpenPort(EV_RXCHAR);
  pty_.Write("x");
  EXPECT_EQ(NextEvent(), EV_RXCHAR);
  // The byte stays unread: no event for it again.
  Async wait;
  DWORD events = 0;
  EXPECT_FALSE(WaitCommEvent(port_, &events, &wait.ov));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(wait.Signalled(150));
  SetLastError(kSentinel);
  DWORD second = 0;
  Async other;
  EXPECT_FALSE(WaitCommEvent(port_, &second, &other.ov)) << "one wait at a time";
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
  pty_.Write("y");
  EXPECT_TRUE(wait.Signalled(2000));
  EXPECT_EQ(events, EV_RXCHAR);
  // An arrival while no wait is pending completes the next wait at once.
  pty_.Write("z");
  std::this_thread::sleep_for(100ms);
  Async next;
  events = 0;
  EXPECT_TRUE(WaitCommEvent(port_, &events, &next.ov));
  EXPECT_EQ(events, EV_RXCHAR);
  EXPECT_EQ(ReadQueued(), "xyz");
  // Setting the mask ends a pending wait with no events.
  Async ended;
  events = kSentinel;
  EXPECT_FALSE(WaitCommEvent(port_, &events, &ended.ov));
  EXPECT_TRUE(SetCommMask(port_, EV_RXCHAR));
  EXPECT_TRUE(ended.Signalled());
  EXPECT_EQ(events, 0u);
}

TEST_F(PtyPort, TimeOutsBoundReadsAndWritesAndPurgeAborts) {
  OpenPort();
  COMMTIMEOUTS t{0, 0, 150, 0, 300};
  ASSERT_TRUE(SetCommTimeouts(port_, &t));
  // A read of 10 bytes with a total time-out gets what came meanwhile.
  char buffer[10];
  Async read;
  DWORD got = kSentinel;
  EXPECT_FALSE(ReadFile(port_, buffer, sizeof buffer, &got, &read.ov));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  pty_.Write("abc");
  auto start = std::chrono::steady_clock::now();
  EXPECT_TRUE(GetOverlappedResult(port_, &read.ov, &got, TRUE));
  EXPECT_EQ(std::string(buffer, got), "abc");
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);

  // The peer reads nothing: the write total time-out ends a long write with what was sent.
  std::string big(8 << 20, 'w');
  Async write;
  DWORD written = 0;
  start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WriteFile(port_, big.data(), DWORD(big.size()), &written, &write.ov));
  EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
  EXPECT_TRUE(GetOverlappedResult(port_, &write.ov, &written, TRUE));
  auto took = std::chrono::steady_clock::now() - start;
  EXPECT_GT(written, 0u);
  EXPECT_LT(written, big.size());
  EXPECT_GE(took, 250ms);
  EXPECT_LT(took, 2s);

  // Purging aborts a pending read.
  COMMTIMEOUTS none{0, 0, 0, 0, 0};
  ASSERT_TRUE(SetCommTimeouts(port_, &none));
  Async aborted;
  EXPECT_FALSE(ReadFile(port_, buffer, sizeof buffer, &got, &aborted.ov));
  EXPECT_TRUE(PurgeComm(port_, PURGE_RXABORT | PURGE_RXCLEAR));
  EXPECT_FALSE(GetOverlappedResult(port_, &aborted.ov, &got, TRUE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
  SetLastError(kSentinel);
  EXPECT_FALSE(PurgeComm(port_, 0x10));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PtyPort, AfterAHangUpOneWaitFailsAndLaterOnesFailQuietly) {
  OpenPort(EV_RXCHAR);
  Async wait;
  DWORD events = kSentinel;
  EXPECT_FALSE(WaitCommEvent(port_, &events, &wait.ov));
  pty_.ClosePeer();
  ASSERT_TRUE(wait.Signalled(2000));
  DWORD ignored;
  EXPECT_FALSE(GetOverlappedResult(port_, &wait.ov, &ignored, FALSE));
  EXPECT_NE(GetLastError(), ERROR_SUCCESS);
  ResetEvent(wait.ov.hEvent);
  EXPECT_FALSE(WaitCommEvent(port_, &events, &wait.ov));
  EXPECT_NE(GetLastError(), ERROR_IO_PENDING);
  EXPECT_FALSE(wait.Signalled(0)) << "a later wait does not signal";

  // Nothing spins on the dead line.
  rusage before, after;
  getrusage(RUSAGE_SELF, &before);
  std::this_thread::sleep_for(1s);
  getrusage(RUSAGE_SELF, &after);
  auto cpu = [](const rusage& u) {
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000000LL + u.ru_utime.tv_usec + u.ru_stime.tv_usec;
  };
  EXPECT_LT(cpu(after) - cpu(before), 50000);
}

TEST_F(PtyPort, ClosingThePortEndsAPendingWait) {
  OpenPort(EV_RXCHAR);
  Async wait;
  DWORD events = kSentinel;
  EXPECT_FALSE(WaitCommEvent(port_, &events, &wait.ov));
  CloseHandle(port_);
  port_ = INVALID_HANDLE_VALUE;
  ASSERT_TRUE(wait.Signalled(2000));
  DWORD ignored;
  EXPECT_FALSE(GetOverlappedResult(nullptr, &wait.ov, &ignored, FALSE));
  EXPECT_EQ(GetLastError(), ERROR_OPERATION_ABORTED);
}

// ---- scripted devices

TEST(CommScript, ParsesLinesChunksAndEscapes) {
  CommScript script = ParseCommScript(
      "# a modem\n"
      "line AT&F\r\n"
      "reply 200 AT&F\\r\\r\\nOK\\r\\n\n"
      "  line ATI\n"
      "reply 10 \\x41\n"
      "reply 0\n"
      "line *\n"
      "reply 5 ERROR\\r\\n\n");
  ASSERT_EQ(script.rules.size(), 3u);
  EXPECT_EQ(script.rules[0].line, "AT&F");
  ASSERT_EQ(script.rules[0].chunks.size(), 1u);
  EXPECT_EQ(script.rules[0].chunks[0].delayMs, 200u);
  EXPECT_EQ(script.rules[0].chunks[0].bytes, "AT&F\r\r\nOK\r\n");
  ASSERT_EQ(script.rules[1].chunks.size(), 2u);
  EXPECT_EQ(script.rules[1].chunks[0].bytes, "A");
  EXPECT_EQ(script.rules[1].chunks[1].bytes, "");
  EXPECT_EQ(script.Find("ATI"), &script.rules[1]);
  EXPECT_EQ(script.Find("ATZ"), &script.rules[2]);
  EXPECT_EQ(ParseCommScript("line AT\n").Find("ATZ"), nullptr);

  struct Bad {
    const char* text;
    const char* error;
  } bad[] = {
      {"reply 10 OK\n", "line 1: reply before any line"},
      {"line AT\nreply x OK\n", "line 2: reply needs a delay in milliseconds"},
      {"line AT\nreply -1 OK\n", "line 2: reply needs a delay in milliseconds"},
      {"line AT\nreply 1 \\q\n", "line 2: unknown escape \\q"},
      {"line AT\nreply 1 \\x4\n", "line 2: \\x needs two hexadecimal digits"},
      {"line AT\\r\n", "line 1: a line cannot hold CR or LF"},
      {"\nsend 1 OK\n", "line 2: unknown directive 'send'"},
  };
  for (const Bad& b : bad) {
    try {
      ParseCommScript(b.text);
      ADD_FAILURE() << b.text;
    } catch (const std::invalid_argument& e) {
      EXPECT_STREQ(e.what(), b.error);
    }
  }
}

class ScriptedPort : public ::testing::Test {
 protected:
  void SetUp() override {
    SetClockMode(TClockMode::Virtual);
    std::filesystem::create_directories(machine_.Root() + "/devices");
  }
  void TearDown() override {
    if (port_ != INVALID_HANDLE_VALUE) CloseHandle(port_);
    vandrel::RemoveScriptedPort("COM2");
    SetClockMode(TClockMode::Real);
  }
  HANDLE Open(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  }
  void Send(const std::string& text) {
    Async write;
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(port_, text.data(), DWORD(text.size()), &written, &write.ov));
    EXPECT_EQ(written, text.size());
  }
  // The tick at which the next bytes arrive (virtual time moves meanwhile) and what has been queued then.
  std::pair<uint64_t, std::string> NextArrival() {
    const uint64_t start = ClockTickMs();
    Async wait;
    DWORD events = 0;
    for (;;) {
      if (!WaitCommEvent(port_, &events, &wait.ov)) {
        EXPECT_EQ(GetLastError(), ERROR_IO_PENDING);
        if (WaitForSingleObject(wait.ov.hEvent, 60000) != WAIT_OBJECT_0) return {UINT64_MAX, ""};
      }
      if (events & EV_RXCHAR) break;
    }
    char buffer[64];
    Async read;
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(port_, buffer, sizeof buffer, &got, &read.ov));
    return {ClockTickMs() - start, std::string(buffer, got)};
  }
  void Prepare() {
    ASSERT_NE(port_, INVALID_HANDLE_VALUE) << GetLastError();
    COMMTIMEOUTS atOnce{0xFFFFFFFF, 0, 0, 100, 1000};
    ASSERT_TRUE(SetCommTimeouts(port_, &atOnce));
    ASSERT_TRUE(SetCommMask(port_, EV_RXCHAR | EV_TXEMPTY));
  }

  testing_support::TestMachine machine_;
  HANDLE port_ = INVALID_HANDLE_VALUE;
};

TEST_F(ScriptedPort, RepliesArriveInChunksAtTheirVirtualMoments) {
  vandrel::RegisterScriptedPort("com2", "line AT&F\nreply 200 AT&F\\r\\r\\n\nreply 50 OK\\r\\n\n");
  port_ = Open("COM2");
  Prepare();
  EXPECT_EQ(Open("\\\\.\\COM2"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  Send("AT&F\r");
  auto first = NextArrival();
  EXPECT_EQ(first.first, 200u);
  EXPECT_EQ(first.second, "AT&F\r\r\n");
  auto second = NextArrival();
  EXPECT_EQ(second.first, 50u);
  EXPECT_EQ(second.second, "OK\r\n");
  // A line the script does not name gets no answer.
  Send("ATZ\r");
  Async wait;
  DWORD events = 0;
  if (!WaitCommEvent(port_, &events, &wait.ov)) {
    EXPECT_EQ(WaitForSingleObject(wait.ov.hEvent, 5000), WAIT_TIMEOUT);
    SetCommMask(port_, EV_RXCHAR);
  }
  EXPECT_EQ(events & EV_RXCHAR, 0u);
}

TEST_F(ScriptedPort, AScriptFileOfTheMachineIsADevice) {
  const std::string script = machine_.Root() + "/devices/COM5.script";
  WriteHostFile(script, "line *\nreply 30 OK\\r\\n\n");
  port_ = Open("COM5");
  Prepare();
  SetLastError(kSentinel);
  EXPECT_EQ(Open("COM5"), INVALID_HANDLE_VALUE) << "the script is locked while its port is open";
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  Send("ATI3\r\n");
  auto reply = NextArrival();
  EXPECT_EQ(reply.first, 30u);
  EXPECT_EQ(reply.second, "OK\r\n");
  DWORD lines = kSentinel;
  EXPECT_TRUE(GetCommModemStatus(port_, &lines));
  EXPECT_EQ(lines, 0u);

  WriteHostFile(machine_.Root() + "/devices/COM6.script", "reply 10 OK\n");
  SetLastError(kSentinel);
  EXPECT_EQ(Open("COM6"), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_INVALID_DATA);
}

}  // namespace

// WaitForInputIdle on a program with a form: the sample program (tests/sample) started by CreateProcessA
// tells the launcher through its application object when its message loop is first idle.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "platform/runtime/Clock.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Processes.h"

namespace {

using namespace std::chrono_literals;

const std::string kSample = VANDREL_BINARY_DIR "/tests/desktop_sample";

TEST(InputIdle, WaitForInputIdleReturnsOnceTheFormShowsAlsoAfterASleep) {
  testing_support::TestMachine machine;
  struct Case {
    int sleepMs;
    TClockMode parentClock;
  } cases[] = {{0, TClockMode::Real}, {400, TClockMode::Real}, {400, TClockMode::Virtual}};
  for (const Case& c : cases) {
    SetClockMode(c.parentClock);
    std::string line = "\"" + vandrel::WindowsPathOf(std::filesystem::canonical(kSample)) + "\" linger " +
                       std::to_string(c.sleepMs) + " 1000";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // Timed from before the start: the child's sleep begins inside CreateProcessA.
    auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    uint64_t tick = ClockTickMs();
    EXPECT_EQ(WaitForInputIdle(pi.hProcess, 10000), 0u) << c.sleepMs;
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(c.sleepMs)) << c.sleepMs;
    // Idle, not ended: the form stays a second.
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_TIMEOUT) << c.sleepMs;
    // On the virtual clock the child was busy work until then: no time passed.
    if (c.parentClock == TClockMode::Virtual) {
      EXPECT_EQ(ClockTickMs(), tick);
    }
    EXPECT_EQ(WaitForInputIdle(pi.hProcess, 0), 0u);
    SetClockMode(TClockMode::Real);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
  }
}

}  // namespace

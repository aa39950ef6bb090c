// CreateProcessA and the launcher behind it, with real child processes on a machine of the test's own: the
// helper program (tests/helper) copied onto drive C: by the file layer, and shell scripts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/Processes.h"
#include "platform/winapi/VirtualTime.h"
#include "platform/winapi/tests/HelperMachine.h"

namespace {

using namespace std::chrono_literals;
const std::string& kHelper = testing_support::kWinapiHelper;

class Processes : public testing_support::HelperMachineTest {
 protected:
  // Starts a command line: TRUE with the handles in `pi`, else FALSE with the error in `error`.
  BOOL Start(const std::string& commandLine, DWORD& error, const char* folder = nullptr, const char* app = nullptr) {
    STARTUPINFOA si{};
    si.cb = sizeof si;
    std::string line = commandLine;
    pi = {};
    SetLastError(kSentinel);
    BOOL ok = CreateProcessA(app, line.empty() ? nullptr : line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder,
                             &si, &pi);
    error = GetLastError();
    return ok;
  }
  // Waits for the child started last and closes its handles: its exit code.
  DWORD Finish() {
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = kSentinel;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    return code;
  }
  std::string Read(const std::string& windowsPath) {
    std::ifstream in(Host(windowsPath), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void WriteScript(const std::string& windowsPath, const std::string& text) {
    std::ofstream(Host(windowsPath), std::ios::binary) << text;
  }

  PROCESS_INFORMATION pi{};
};

TEST_F(Processes, TheCommandLineNamesTheProgramAsWindowsReadsIt) {
  InstallHelper("C:\\Program Files\\Vandrel\\Segito.exe");
  InstallHelper("C:\\Munka\\Helyi.exe");
  struct Case {
    const char* name;
    std::string line;
    bool decoy;           // "C:\Program.exe" is there too
    std::string program;  // the one that runs
    std::string args;     // its host arguments after "report"
  } cases[] = {
      {"quoted", "\"C:\\Program Files\\Vandrel\\Segito.exe\" report C:\\out.txt \"a b\"", true,
       "C:\\Program Files\\Vandrel\\Segito.exe", "C:\\out.txt|a b|"},
      {"unquoted with blanks", "C:\\Program Files\\Vandrel\\Segito.exe report C:\\out.txt", false,
       "C:\\Program Files\\Vandrel\\Segito.exe", "C:\\out.txt|"},
      {"unquoted, the decoy first", "C:\\Program Files\\Vandrel\\Segito.exe report C:\\out.txt", true,
       "C:\\Program.exe", ""},
      {"without its extension", "\"C:\\Program Files\\Vandrel\\Segito\" report C:\\out.txt", false,
       "C:\\Program Files\\Vandrel\\Segito.exe", "C:\\out.txt|"},
      {"relative, in the current folder", "Helyi report C:\\out.txt", false, "C:\\Munka\\Helyi.exe", "C:\\out.txt|"},
      {"relative, in the caller's program folder", "winapi_helper.exe report C:\\out.txt", false,
       vandrel::WindowsPathOf(std::filesystem::canonical(kHelper)), "C:\\out.txt|"},
  };
  ASSERT_TRUE(SetCurrentDirectoryA("C:\\Munka"));
  for (const Case& c : cases) {
    std::filesystem::remove(Host("C:\\out.txt"));
    if (c.decoy)
      InstallHelper("C:\\Program.exe");
    else
      std::filesystem::remove(Host("C:\\Program.exe"));
    DWORD error;
    ASSERT_TRUE(Start(c.line, error)) << c.name << ": " << error;
    EXPECT_EQ(Finish(), c.decoy && c.program == "C:\\Program.exe" ? 2u : 0u) << c.name;
    if (c.program == "C:\\Program.exe") continue;  // the decoy saw "Files\Vandrel\Segito.exe" as its command
    EXPECT_EQ(Read("C:\\out.txt"),
              "program=" + c.program + "\nline=" + c.line + "\nargs=" + c.args + "\ncwd=C:\\Munka\n")
        << c.name;
  }
  // The current folder given to the child.
  DWORD error;
  ASSERT_TRUE(Start("Helyi report C:\\out.txt", error, "C:\\Program Files"));
  EXPECT_EQ(Finish(), 0u);
  EXPECT_NE(Read("C:\\out.txt").find("\ncwd=C:\\Program Files\n"), std::string::npos);
  // The program named apart from its command line.
  ASSERT_TRUE(Start("Segito report C:\\out.txt", error, nullptr, "C:\\Program Files\\Vandrel\\Segito.exe"));
  EXPECT_EQ(Finish(), 0u);
  EXPECT_NE(Read("C:\\out.txt").find("\nline=Segito report C:\\out.txt\nargs=C:\\out.txt|\n"), std::string::npos);
}

TEST_F(Processes, FilesThatAreNoProgramsOrNotThereFailWithTheirErrors) {
  WriteScript("C:\\Szoveg.exe", "just text\n");
  std::filesystem::create_directories(Host("C:\\Mappa.exe"));
  struct Case {
    std::string line;
    const char* folder;
    DWORD error;
  } cases[] = {
      {"C:\\Szoveg.exe", nullptr, ERROR_BAD_EXE_FORMAT},
      {"\"C:\\Szoveg\" /x", nullptr, ERROR_BAD_EXE_FORMAT},
      {"C:\\Nincs.exe", nullptr, ERROR_FILE_NOT_FOUND},
      {"\"C:\\Program Files\\Nincs.exe\"", nullptr, ERROR_FILE_NOT_FOUND},
      {"D:\\Minta.exe", nullptr, ERROR_FILE_NOT_FOUND},
      {"", nullptr, ERROR_INVALID_PARAMETER},
      {"C:\\Mappa.exe", nullptr, ERROR_FILE_NOT_FOUND},
      {"C:\\Szoveg.exe", "C:\\Nincs", ERROR_DIRECTORY},
  };
  for (const Case& c : cases) {
    DWORD error;
    EXPECT_FALSE(Start(c.line, error, c.folder)) << c.line;
    EXPECT_EQ(error, c.error) << c.line;
    EXPECT_EQ(pi.hProcess, nullptr) << c.line;
  }
}

TEST_F(Processes, ProgramsWithoutTheExecuteBitStart) {
  InstallHelper("C:\\Segito.exe");
  WriteScript("C:\\telepito.bat", "#!/bin/sh\necho \"$1\" > \"$2\"\nexit 4\n");
  for (const char* file : {"C:\\Segito.exe", "C:\\telepito.bat"}) {
    struct stat st;
    ASSERT_EQ(stat(Host(file).c_str(), &st), 0);
    ASSERT_EQ(st.st_mode & 0111, 0u) << file;
  }
  DWORD error;
  ASSERT_TRUE(Start("C:\\Segito.exe exit 9", error)) << error;
  EXPECT_EQ(Finish(), 9u);
  ASSERT_TRUE(Start("C:\\telepito.bat " + "kész"_cp + " " + Host("C:\\out.txt"), error)) << error;
  EXPECT_EQ(Finish(), 4u);
  EXPECT_EQ(Read("C:\\out.txt"), "kész\n");  // the host arguments are UTF-8
}

TEST_F(Processes, AProcessHandleIsWaitedOnAndGivesItsExitCode) {
  InstallHelper("C:\\Segito.exe");
  size_t before = OpenHandleCount();
  DWORD error;
  ASSERT_TRUE(Start("C:\\Segito.exe sleep 300", error));
  EXPECT_EQ(OpenHandleCount(), before + 2);
  EXPECT_NE(pi.dwProcessId, 0u);
  DWORD code = 0;
  ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, STILL_ACTIVE);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_TIMEOUT);
  EXPECT_EQ(WaitForSingleObject(pi.hThread, 0), WAIT_TIMEOUT);
  // Closing the thread handle lets the child run on; the process handle still sees its end.
  EXPECT_TRUE(CloseHandle(pi.hThread));
  EXPECT_EQ(OpenHandleCount(), before + 1);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, INFINITE), WAIT_OBJECT_0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
  ASSERT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(code, 0u);
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_EQ(OpenHandleCount(), before);

  // A thread handle left open is a leak the count shows.
  ASSERT_TRUE(Start("C:\\Segito.exe exit 3", error));
  EXPECT_EQ(WaitForMultipleObjects(2, &pi.hProcess, FALSE, INFINITE), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(pi.hThread, 0), WAIT_OBJECT_0);
  EXPECT_TRUE(CloseHandle(pi.hProcess));
  EXPECT_EQ(OpenHandleCount(), before + 1);
  // A thread handle is no process handle.
  SetLastError(kSentinel);
  EXPECT_FALSE(GetExitCodeProcess(pi.hThread, &code));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(WaitForInputIdle(pi.hThread, 0), WAIT_FAILED);
  EXPECT_TRUE(CloseHandle(pi.hThread));
  EXPECT_EQ(OpenHandleCount(), before);
  EXPECT_FALSE(GetExitCodeProcess(pi.hProcess, &code));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(Processes, WaitForInputIdleReturnsAtOnceForAScriptAndAtTheEndOfAProgramThatNeverIdles) {
  WriteScript("C:\\lassu.sh", "#!/bin/sh\nsleep 1\n");
  InstallHelper("C:\\Segito.exe");
  DWORD error;
  ASSERT_TRUE(Start("C:\\lassu.sh", error));
  EXPECT_EQ(WaitForInputIdle(pi.hProcess, 0), 0u);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_TIMEOUT);
  EXPECT_EQ(Finish(), 0u);
  // The helper links the platform but has no message loop: it is idle only once it has ended.
  ASSERT_TRUE(Start("C:\\Segito.exe sleep 300", error));
  EXPECT_EQ(WaitForInputIdle(pi.hProcess, 0), WAIT_TIMEOUT);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(WaitForInputIdle(pi.hProcess, INFINITE), 0u);
  EXPECT_GE(std::chrono::steady_clock::now() - start, 200ms);
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0);
  EXPECT_EQ(Finish(), 0u);
}

class VirtualProcesses : public Processes {
 protected:
  void SetUp() override {
    Processes::SetUp();
    SetClockMode(TClockMode::Virtual);
  }
  void TearDown() override {
    SetClockMode(TClockMode::Real);
    SetVirtualWatchdog(0, nullptr);
  }
};

TEST_F(VirtualProcesses, AChildIsBusyWorkUntilItEnds) {
  WriteScript("C:\\ir.sh", "#!/bin/sh\nsleep 0.2\necho kesz > \"$1\"\n");
  struct Case {
    const char* name;
    bool sleep;  // wait by sleeping, else by waiting on the process handle
  } cases[] = {{"sleep", true}, {"process wait", false}};
  for (const Case& c : cases) {
    std::filesystem::remove(Host("C:\\out.txt"));
    DWORD error;
    uint64_t tick = ClockTickMs();
    ASSERT_TRUE(Start("C:\\ir.sh " + Host("C:\\out.txt"), error)) << error;
    if (c.sleep)
      ClockSleep(1000);
    else
      EXPECT_EQ(WaitForSingleObject(pi.hProcess, 1000), WAIT_OBJECT_0) << c.name;
    EXPECT_EQ(Read("C:\\out.txt"), "kesz\n") << c.name;
    if (!c.sleep) {
      EXPECT_LT(ClockTickMs() - tick, 1000u) << c.name;
    }
    EXPECT_EQ(Finish(), 0u);
  }
}

TEST_F(VirtualProcesses, AChildThatRunsOnIsBusyOnlyForTheWatchdogsTimeOut) {
  std::string report;
  SetVirtualWatchdog(400, [&report](const std::string& r) { report = r; });
  WriteScript("C:\\hosszu.sh", "#!/bin/sh\nsleep 2\n");
  DWORD error;
  auto start = std::chrono::steady_clock::now();  // the hold begins inside Start
  ASSERT_TRUE(Start("C:\\hosszu.sh", error));
  uint64_t tick = ClockTickMs();
  EXPECT_EQ(WaitForSingleObject(pi.hProcess, 1000), WAIT_TIMEOUT);
  EXPECT_EQ(ClockTickMs() - tick, 1000u);
  auto real = std::chrono::steady_clock::now() - start;
  EXPECT_GE(real, 300ms);
  EXPECT_LT(real, 1800ms);
  EXPECT_EQ(report, "");  // the hold lapsed: no stall
  SetClockMode(TClockMode::Real);
  EXPECT_EQ(Finish(), 0u);
}

}  // namespace

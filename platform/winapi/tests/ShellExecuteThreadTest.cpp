// ShellExecuteA "open": web addresses go to the machine's record, programs of the machine start through the
// launcher (real child processes: the helper program copied onto drive C:), anything else fails.
#include "platform/winapi/ShellExecute.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "platform/winapi/Files.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/Windows.h"
#include "platform/winapi/tests/HelperMachine.h"

namespace {

using namespace std::chrono_literals;
using vandrel::MachineRecord;

class ShellExecute : public testing_support::HelperMachineTest {
 protected:
  // The text of a file that a child writes, once it is there (empty after ten seconds).
  std::string AwaitFile(const std::string& windowsPath) {
    for (int i = 0; i < 1000; ++i) {
      std::ifstream in(Host(windowsPath), std::ios::binary);
      std::stringstream text;
      text << in.rdbuf();
      if (in && text.str().find("\ncwd=") != std::string::npos) return text.str();
      std::this_thread::sleep_for(10ms);
    }
    return "";
  }
  // The result as an integer, with the last error.
  intptr_t Open(const char* verb, const std::string& file, const char* parameters, const char* directory, int show,
                DWORD& error) {
    SetLastError(kSentinel);
    HINSTANCE result = ShellExecuteA(nullptr, verb, file.c_str(), parameters, directory, show);
    error = GetLastError();
    return reinterpret_cast<intptr_t>(result);
  }
};

TEST_F(ShellExecute, WebAddressesAreRecordedWithTheirShowCommandAndNothingStarts) {
  struct Case {
    std::string address;
    int show;
  } cases[] = {
      {"http://www.vandrel.hu/aktivalas?ugyfel=12&nev=Nagy%20Anna", SW_SHOWNORMAL},
      {"HTTPS://www.vandrel.hu/elofizetes", SW_SHOWMAXIMIZED},
      {"ftp://ftp.vandrel.hu/", SW_SHOW},
      {"mailto:ugyfel@vandrel.hu", 99},
  };
  size_t handles = OpenHandleCount();
  for (const Case& c : cases) {
    DWORD error;
    EXPECT_GT(Open(nullptr, c.address, "ignored", nullptr, c.show, error), 32) << c.address;
  }
  EXPECT_EQ(OpenHandleCount(), handles);
  std::vector<std::string> expected = {"SW_SHOWNORMAL http://www.vandrel.hu/aktivalas?ugyfel=12&nev=Nagy%20Anna",
                                       "SW_SHOWMAXIMIZED HTTPS://www.vandrel.hu/elofizetes",
                                       "SW_SHOW ftp://ftp.vandrel.hu/", "99 mailto:ugyfel@vandrel.hu"};
  EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, 0), expected);
}

TEST_F(ShellExecute, WhatIsNeitherAnAddressNorAProgramFailsAndIsNotRecorded) {
  std::ofstream(Host("C:\\olvass.txt")) << "text\n";
  std::ofstream(Host("C:\\Szoveg.exe")) << "text\n";
  std::filesystem::create_directories(Host("C:\\Mappa"));
  struct Case {
    const char* verb;
    std::string file;
    const char* directory;
    intptr_t result;
    DWORD error;
  } cases[] = {
      {"print", "http://www.vandrel.hu/", nullptr, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
      {"open", "http://www.vandrel.hu/\r\nSW_SHOW http://mas.hu/", nullptr, SE_ERR_FNF, ERROR_INVALID_NAME},
      {"open", "http:", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
      {"open", "javascript:alert(1)", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
      {"open", "file:///etc/passwd", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
      {"open", "C:\\olvass.txt", nullptr, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
      {"open", "C:\\Szoveg.exe", nullptr, ERROR_BAD_FORMAT, ERROR_BAD_EXE_FORMAT},
      {"open", "C:\\Mappa", nullptr, SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION},
      {"open", "C:\\Nincs.exe", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
      {"open", "C:\\Nincs\\Segito.exe", nullptr, SE_ERR_PNF, ERROR_PATH_NOT_FOUND},
      {"open", "Segito.exe", "C:\\Nincs", SE_ERR_PNF, ERROR_PATH_NOT_FOUND},
      {"open", "", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
      {"open", "\"\"", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
      {"open", "\"C:\\Nincs.exe\"", nullptr, SE_ERR_FNF, ERROR_FILE_NOT_FOUND},
  };
  for (const Case& c : cases) {
    DWORD error;
    EXPECT_EQ(Open(c.verb, c.file, nullptr, c.directory, SW_SHOWNORMAL, error), c.result) << c.file;
    EXPECT_EQ(error, c.error) << c.file;
  }
  EXPECT_EQ(vandrel::MachineRecordSize(MachineRecord::OpenedAddresses), 0u);
}

TEST_F(ShellExecute, AProgramOfTheMachineStartsWithItsParametersInTheFolderGiven) {
  InstallHelper("C:\\Program Files\\Vandrel\\Segito.exe");
  std::filesystem::create_directories(Host("C:\\Munka"));
  struct Case {
    std::string file;
    const char* directory;
    std::string program, line, cwd;
  } cases[] = {
      {"C:\\Program Files\\Vandrel\\Segito.exe", nullptr, "C:\\Program Files\\Vandrel\\Segito.exe",
       "\"C:\\Program Files\\Vandrel\\Segito.exe\" report C:\\out.txt \"a b\"", "C:\\"},
      {"Segito", "C:\\Program Files\\Vandrel", "C:\\Program Files\\Vandrel\\Segito.exe",
       "\"C:\\Program Files\\Vandrel\\Segito.exe\" report C:\\out.txt \"a b\"", "C:\\Program Files\\Vandrel"},
      // A name in double quotes names the program between them.
      {"\"C:\\Program Files\\Vandrel\\Segito.exe\"", nullptr, "C:\\Program Files\\Vandrel\\Segito.exe",
       "\"C:\\Program Files\\Vandrel\\Segito.exe\" report C:\\out.txt \"a b\"", "C:\\"},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(Host("C:\\out.txt"));
    DWORD error;
    ASSERT_GT(Open("open", c.file, "report C:\\out.txt \"a b\"", c.directory, SW_SHOWNORMAL, error), 32) << error;
    EXPECT_EQ(AwaitFile("C:\\out.txt"),
              "program=" + c.program + "\nline=" + c.line + "\nargs=C:\\out.txt|a b|\ncwd=" + c.cwd + "\n")
        << c.file;
  }
  EXPECT_EQ(vandrel::MachineRecordSize(MachineRecord::OpenedAddresses), 0u);
}

TEST_F(ShellExecute, AHookSeesEveryCallAndItsAnswerStandsForTheCall) {
  InstallHelper("C:\\Segito.exe");
  std::vector<std::string> calls;
  intptr_t answer = 42;
  vandrel::shell_testing::SetExecuteHook([&](const vandrel::shell_testing::TShellExecuteCall& call) {
    calls.push_back(call.operation + "|" + call.file + "|" + call.parameters + "|" + call.directory + "|" +
                    std::to_string(call.showCommand));
    return answer;
  });
  DWORD error;
  EXPECT_EQ(Open("open", "\"C:\\Segito.exe\"", "report C:\\out.txt", "C:\\", SW_HIDE, error), 42);
  answer = SE_ERR_ACCESSDENIED;
  EXPECT_EQ(Open(nullptr, "http://www.vandrel.hu/", nullptr, nullptr, SW_SHOWNORMAL, error), SE_ERR_ACCESSDENIED);
  // An answer of 0 lets the call go on.
  answer = 0;
  EXPECT_GT(Open("open", "http://www.vandrel.hu/", nullptr, nullptr, SW_SHOWNORMAL, error), 32);
  vandrel::shell_testing::SetExecuteHook(nullptr);
  EXPECT_EQ(calls, (std::vector<std::string>{"open|\"C:\\Segito.exe\"|report C:\\out.txt|C:\\|0",
                                             "|http://www.vandrel.hu/|||1", "open|http://www.vandrel.hu/|||1"}));
  std::this_thread::sleep_for(100ms);
  EXPECT_FALSE(std::filesystem::exists(Host("C:\\out.txt")));  // the hooked start started nothing
  EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, 0),
            std::vector<std::string>{"SW_SHOWNORMAL http://www.vandrel.hu/"});
}

}  // namespace

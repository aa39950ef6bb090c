// The download with real processes: VERSION probes of real copies and scripts, a run against Python's
// http.server, and the relaunched copy as a second process under the desktop host.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/components/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/Registry.h"
#include "wizard/tests/DownloadTestSupport.h"

namespace {

using namespace wizard_test;
namespace fs = std::filesystem;

// A program file without any execute bit, as the file layer writes files.
void Unexecutable(const std::string& path) {
  fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                  fs::perm_options::remove);
}

TEST_F(DownloadPage, ARealCopyAnswersTheProbeAndALateOneAnswersNothing) {
  const std::string copy = Host(temp + "Selvaring.exe");
  fs::copy_file(SELVARING_PATH, copy);
  Unexecutable(copy);
  vandrel::shell_testing::SetExecuteHook(nullptr);
  EXPECT_EQ(form->GetExeVersion(temp + "Selvaring.exe"), "1");
  EXPECT_FALSE(fs::exists(Host(temp + "Selvaring.ini")));  // read and deleted
  EXPECT_EQ(form->GetExeVersion(temp + "Nincs.exe"), "");
  EXPECT_EQ(form->GetExeVersion(""), "");

  // On the real clock a copy has one second to answer: one that answers later reports nothing.
  SetClockMode(TClockMode::Real);
  fs::remove(copy);
  WriteHostFile(copy, "#!/bin/sh\nsleep 1.6\nprintf 'EXEVersion=3\\r\\n' > \"$(dirname \"$0\")/Selvaring.ini\"\n");
  Unexecutable(copy);
  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(form->GetExeVersion(temp + "Selvaring.exe"), "");
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(1000));
  // It did answer, after the second.
  for (int i = 0; i < 1000 && ReadTemp("Selvaring.ini").empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  EXPECT_EQ(ReadTemp("Selvaring.ini"), "EXEVersion=3\r\n");
}

// The same page over Python's http.server serving a folder.
class PythonDownload : public DownloadPage {
 protected:
  PythonDownload() {
    WriteHostFile(site + "/selvaring/kep.gif", "GIF89a pictures");
    WriteHostFile(site + "/selvaring/ikon.gif", "GIF89a icons");
    WriteHostFile(site + "/selvaring/Selvaring.exe", std::string(50000, 'x'));
    WriteHostFile(site + "/selvaring/nyilatkozat.txt", "statement of the server");
  }
  ~PythonDownload() override { fs::remove_all(site); }
  std::string BaseUrl() override { return python.Url("/selvaring"); }

  std::string site = testing::TempDir() + "site-" + std::to_string(getpid());
  testing_support::PythonHttpServer python{(fs::create_directories(site), site)};
};

TEST_F(PythonDownload, TheUpdateComesFromTheFolderAndTheCopyIsStarted) {
  WriteHostFile(site + "/selvaring/Selvaring.kzf",
                Encipher(Configuration(DownloadSettings(BaseUrl(), "2"), DownloadTexts())));
  probeVersion = "1";
  WriteTemp("Selvaring.exe", "temporary program");
  Next();
  for (const char* name : {"kep.gif", "ikon.gif", "Selvaring.kzf", "Selvaring.exe", "nyilatkozat.txt"})
    EXPECT_EQ(ReadTemp(name), ReadHostFile(site + "/selvaring/" + name)) << name;
  EXPECT_EQ(calls, (std::vector<std::string>{"\"" + temp + "Selvaring.exe\"|VERSION|0", RelaunchCall()}));
  EXPECT_TRUE(form->Closing());
}

TEST_F(DownloadPage, TheRelaunchedCopyResumesWithTheFreshConfiguration) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\Devices\\0]\n"
      "\"Type\"=\"MODEM\"\n\"Name\"=\"Hayes Optima 56K\"\n",
      error))
      << error;
  // The program beside the local configuration is this build's; the fresh configuration names no version,
  // so the program's own copy goes to the temporary folder.
  fs::remove(machine.Folder() + "Selvaring.exe");
  fs::copy_file(SELVARING_PATH, machine.Folder() + "Selvaring.exe");
  form->cbModemElohivoKell->SetItemIndex(0);
  form->edModemElohivoszam->SetText("9");
  form->SetLeft(120);
  form->SetTop(80);
  Next();
  ASSERT_EQ(calls,
            std::vector<std::string>{"\"" + temp + "Selvaring.exe\"|CONTINUE 120 80 9 \"" + kDownloadModem + "\"|1"});
  ASSERT_TRUE(form->Closing());

  // The recorded command line, run by the desktop host as the shell would start it.
  const std::string parameters = calls[0].substr(calls[0].find('|') + 1, calls[0].rfind('|') - calls[0].find('|') - 1);
  std::vector<std::string> arguments = {"--script", machine.Machine().Root() + "/back.txt",
                                        cp1250::ToUtf8(temp + "Selvaring.exe")};
  for (const std::string& a : vandrel::SplitCommandLine(parameters)) arguments.push_back(cp1250::ToUtf8(a));
  WriteHostFile(arguments[1], "click bnElozo\nclick bnElozo\nclick bnElozo\nclick bnElozo\nclick bnElozo\n");
  std::string output;
  EXPECT_EQ(testing_support::RunProgram(DESKTOP_PATH, arguments, &output), 0) << output;
  const auto step = [&](const std::string& heading) {
    const size_t at = output.find(heading);
    return at == std::string::npos ? std::string() : output.substr(at, output.find("\n==", at + 1) - at);
  };
  const std::string start = step("== start"), choice = step("== line 3:"), road = step("== line 5:");
  EXPECT_NE(start.find("page=7 \"ModemSzolgaltatas\""), std::string::npos) << output;
  EXPECT_NE(start.find("\"Friss aktiválás\""), std::string::npos) << output;  // only the fresh file holds it
  EXPECT_NE(choice.find("TComboBox cbModem \"Hayes Optima 56K\""), std::string::npos) << output;
  EXPECT_NE(choice.find("TComboBox cbModemElohivoKell \"igen\""), std::string::npos) << output;
  EXPECT_NE(choice.find("\"9\""), std::string::npos) << output;
  const size_t modemRoad = road.find("TRadioButton rbModemKapcsolat");
  ASSERT_NE(modemRoad, std::string::npos) << output;
  EXPECT_NE(road.substr(modemRoad, road.find('\n', modemRoad) - modemRoad).find("[checked]"), std::string::npos)
      << output;
}

}  // namespace

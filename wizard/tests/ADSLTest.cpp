// The ADSL road over the machine's stand-ins: the system table, the network components of the three layouts,
// the adapters and the computer check, the log verdicts, the installers as real child programs, the restart,
// and the finish (its failures by scripted steps, its roads through the real ones).
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/components/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/LinkReaders.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/MessageBox.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Messages.h"
#include "platform/winapi/Registry.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using vandrel::MachineRecord;

const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/winapi_helper";
const char* const kUninstaller = "C:\\Program Files\\Trelvin\\Uninstall.exe";
const char* const kInstaller = "C:\\Vandrel\\Trelvin\\Setup.exe";
const char* const kToolbarInstaller = "C:\\Vandrel\\Pellandra\\Setup.exe";
const char* const kEntry = "Vandrel ADSL";
const std::string kVirtualModem = "Trelvin virtuális modem"_cp;
const std::string kDesktop = "C:\\Documents and Settings\\Felhasználó\\Asztal\\"_cp;

std::string ADSLConfiguration() {
  std::vector<std::pair<int, std::string>> texts;
  for (int id : UsedTextIds()) texts.push_back({id, "T" + std::to_string(id)});
  return Configuration({{"adslkapcsolatneve", kEntry},
                        {"adslikonneve", "Vandrel ADSL internet"},
                        {"trelvinvirtualismodemnev", kVirtualModem},
                        {"kapcsolatikonfajlneve", "kapcsolat.ico"},
                        {"kezdolapurl", "http://www.vandrel.hu/"},
                        {"kedvencekfajlai", "Vandrel.url"},
                        {"levelid", "1"},
                        {"levelfioknev", "Vandrel"},
                        {"levelsmtpszerver", "smtp.vandrel.hu"},
                        {"levelpop3szerver", "pop3.vandrel.hu"},
                        {"trelvintelepito", kInstaller},
                        {"trelvinletelepito", kUninstaller},
                        {"trelvinnematelepitesikapcsolo", "/s"},
                        {"trelvinfejlesztointlog", "Trelvin\\Install.log"},
                        {"trelvinfejlesztoi98log", "Trelvin\\Install98.log"},
                        {"trelvintelepitesilog", "Trelvin\\Setup.log"},
                        {"trelvinletelepitesilog", "Trelvin\\Uninstall.log"},
                        {"toolbartelepito", kToolbarInstaller}},
                       texts);
}

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n\n" + text, error)) << error;
}

// The Windows version of the machine: an NT "major.minor", or a 95-family "major.minor.build".
void SetVersion(bool nt, const std::string& version) {
  if (nt)
    Import("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n\"CurrentVersion\"=\"" + version +
           "\"\n");
  else
    Import(
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n\"CurrentVersion\"=-\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"VersionNumber\"=\"" +
        version + "\"\n");
}
void Set98() { SetVersion(false, "4.10.2222"); }

std::string Host(const std::string& windowsPath) { return vandrel::MapWindowsPath(windowsPath).path; }
bool Exists(const std::string& windowsPath) { return std::filesystem::exists(Host(windowsPath)); }
void Write(const std::string& windowsPath, const std::string& bytes) { WriteHostFile(Host(windowsPath), bytes); }
std::string Read(const std::string& windowsPath) { return ReadHostFile(Host(windowsPath)); }

// A fake installer: a shell script that runs `first`, writes its arguments to "C:\<name>.args" and each log (a
// path under drive C: with "/") as given, through the machine folder it inherits.
std::string FakeProgram(const std::string& name, const std::vector<std::pair<std::string, std::string>>& logs = {},
                        const std::string& first = "") {
  std::string script = "#!/bin/sh\n" + first + "printf '%s' \"$*\" > \"$VANDREL_ROOT/drive_c/" + name + ".args\"\n";
  for (const auto& [log, text] : logs) script += "printf '%s' '" + text + "' > \"$VANDREL_ROOT/drive_c/" + log + "\"\n";
  return script;
}

class ADSL : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.WriteConfiguration(ADSLConfiguration());
    std::filesystem::create_directories(Host("C:\\Trelvin"));
  }
  void TearDown() override { ScriptMessageBoxAnswers({}); }
  template <class T = TFMain>
  T* Open() {
    T* opened = machine.Start<T>();
    opened->Show();
    form = opened;
    return opened;
  }
  std::string ErrorPage() const { return form->lbKozosHibaCim->Caption() + "/" + form->lbKozosHibaTorzs->Caption(); }

  WizardMachine machine;
  TFMain* form = nullptr;
};

TEST_F(ADSL, TheSystemTableWithTheLastMatchWinning) {
  Open();
  struct Case {
    bool nt;
    const char* version;
    DWORD major, minor;
    const char* code;
    bool builtIn;
  } cases[] = {
      {true, "3.51", 3, 51, "WNT", false},
      {true, "4.0", 4, 0, "WNT", false},
      {true, "5.0", 5, 0, "W2K", false},
      {true, "5.1", 5, 1, "WXP", true},
      {true, "5.2", 5, 2, ".NET", true},
      {true, "5.3", 5, 3, "W2K", false},
      {true, "6.0", 6, 0, "", false},
      {false, "4.00.950", 4, 0, "W95", false},
      {false, "4.10.2222", 4, 10, "W98", false},
      {false, "4.90.3000", 4, 90, "WME", false},
      {false, "4.20.1", 4, 20, "", false},
  };
  for (const Case& c : cases) {
    SetVersion(c.nt, c.version);
    const TOSVersion version = form->GetOSVersion();
    EXPECT_EQ(version.platformId, c.nt ? 2u : 1u) << c.version;
    EXPECT_EQ(version.major, c.major) << c.version;
    EXPECT_EQ(version.minor, c.minor) << c.version;
    EXPECT_EQ(version.code, c.code) << c.version;
    EXPECT_EQ(form->HasBuiltInPPPoE(), c.builtIn) << c.version;
  }
}

TEST_F(ADSL, TheNetworkComponentsOfTheThreeLayouts) {
  Open();
  Import(
      // The 95 family: the protocols' descriptions, their ids in "Ndi".
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0000]\n"
      "\"DriverDesc\"=\"TCP/IP\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0000\\Ndi]\n"
      "\"DeviceID\"=\"MSTCP\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0001]\n"
      "\"DriverDesc\"=\"Nincs Ndi\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0002\\Ndi]\n"
      "\"DeviceID\"=\"NODESC\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0003]\n"
      "\"DriverDesc\"=\"Trelvin PPPoE protokoll\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0003\\Ndi]\n"
      "\"DeviceID\"=\"TRELVINP\"\n"
      // NT 4: the services with a display name, by their key names.
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip]\n"
      "\"DisplayName\"=\"TCP/IP Service\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\NoName]\n"
      "\"Start\"=dword:00000002\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\trelvinP]\n"
      "\"DisplayName\"=\"Trelvin\"\n"
      // The later NT systems: the network class's components.
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}\\{A1}]"
      "\n"
      "\"ComponentId\"=\"ms_tcpip\"\n\"Description\"=\"Internet Protocol (TCP/IP)\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}\\{A2}]"
      "\n"
      "\"Description\"=\"Nincs azonosító\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}\\{A3}]"
      "\n"
      "\"ComponentId\"=\"Trelvinp\"\n\"Description\"=\"\"\n"_cp);
  struct Case {
    bool nt;
    const char* version;
    std::string list;
    bool installed;
  } cases[] = {
      {false, "4.10.2222", "MSTCP=TCP/IP\r\nTRELVINP=Trelvin PPPoE protokoll\r\n", true},
      {true, "4.0", "Tcpip=TCP/IP Service\r\ntrelvinP=Trelvin\r\n", true},
      // An empty description does not count as installed.
      {true, "5.1", "ms_tcpip=Internet Protocol (TCP/IP)\r\nTrelvinp=\r\n", false},
      {true, "6.0", "ms_tcpip=Internet Protocol (TCP/IP)\r\nTrelvinp=\r\n", false},
  };
  for (const Case& c : cases) {
    SetVersion(c.nt, c.version);
    EXPECT_EQ(form->ListNetComponents(), c.list) << c.version;
    EXPECT_EQ(form->IsPPPoEClientInstalled(), c.installed) << c.version;
  }
  Import(
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}\\{A3}]"
      "\n"
      "\"Description\"=\"Trelvin\"\n");
  SetVersion(true, "5.1");
  EXPECT_TRUE(form->IsPPPoEClientInstalled());
}

// Adapters 0 to count-1 in the machine's list of network cards.
void AddAdapters(int count) {
  std::string text;
  for (int i = 0; i < count; ++i)
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\NetworkCards\\" +
            std::to_string(i + 1) + "]\n\"Description\"=\"Kártya " + std::to_string(i) + "\"\n\"ServiceName\"=\"{" +
            std::to_string(i) + "}\"\n";
  Import(cp1250::FromUtf8(text));
}

TEST_F(ADSL, AdaptersNoneOneAndMoreThanTheFirstBufferHolds) {
  Open();
  for (int count : {0, 1, 20}) {
    AddAdapters(count);
    std::string expected;
    for (int i = 0; i < count; ++i) expected += "Kártya "_cp + std::to_string(i) + "\r\n";
    EXPECT_EQ(form->ListAdapters(), expected) << count;
    EXPECT_EQ(form->CountAdapters(), count);
    form->Notebook->SetPageIndex(TFMain::pgADSLVizsgalat);
    EXPECT_EQ(form->TestComputer(), count > 0) << count;
  }
}

TEST_F(ADSL, TheComputerCheckMovesTheBarThroughTheClockWithTheButtonsOff) {
  Open();
  AddAdapters(1);
  form->Notebook->SetPageIndex(TFMain::pgADSLVizsgalat);
  std::vector<std::string> seen;
  TTimer* probe = NewObject<TTimer>(form);
  probe->SetInterval(100);
  probe->OnTimer = [&](TObject*) {
    seen.push_back(std::to_string(form->pbADSLVizsgalat->Position()) + " " + form->lbADSLVizsgalat->Caption() + " " +
                   (form->lbADSLVizsgalatVaras->Visible() ? "waiting" : "-") + " " +
                   (form->bnKovetkezo->Enabled() || form->bnElozo->Enabled() ? "buttons" : "locked"));
  };
  probe->SetEnabled(true);
  const uint64_t start = ClockTickMs();
  EXPECT_TRUE(form->TestComputer());
  probe->SetEnabled(false);
  EXPECT_EQ(ClockTickMs() - start, 300u);
  // Step n shows n and handles messages at (n - 1) * 10 ms.
  EXPECT_EQ(seen, (std::vector<std::string>{"11 T123 waiting locked", "21 T123 waiting locked"}));
  EXPECT_EQ(form->pbADSLVizsgalat->Position(), 0);
  EXPECT_EQ(form->lbADSLVizsgalat->Caption(), "T165");
  EXPECT_FALSE(form->lbADSLVizsgalatVaras->Visible());
  EXPECT_FALSE(form->AdslTestRunning());
}

std::string g_htmlHelp;
HWND FakeHtmlHelp(HWND, LPCSTR file, UINT command, DWORD_PTR) {
  g_htmlHelp = std::string(file) + " " + std::to_string(command);
  return nullptr;
}

TEST_F(ADSL, WithoutAnAdapterTheCheckEndsOnTheErrorPageWithTheAdapterHelp) {
  vandrel::RegisterStandInExports("HHCTRL.OCX", {{"HtmlHelpA", reinterpret_cast<FARPROC>(&FakeHtmlHelp)}});
  Open();
  form->Notebook->SetPageIndex(TFMain::pgADSLVizsgalat);
  form->GoNext();
  EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgKozosHiba);
  EXPECT_EQ(ErrorPage(), "T167/T168");
  EXPECT_EQ(g_htmlHelp, "tshoot.chm::/hdw_netadapter_result.htm>Main 1");
}

TEST_F(ADSL, WithAnAdapterTheCheckLeadsOnByTheClientAndTheSystem) {
  AddAdapters(1);
  Import(
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}\\{A}]\n"
      "\"ComponentId\"=\"trelvinp\"\n\"Description\"=\"Trelvin\"\n");
  Open();
  struct Case {
    const char* version;
    int page;
  } cases[] = {{"5.1", TFMain::pgADSLTrelvinTorlese}, {"5.0", TFMain::pgADSLTrelvinTorlese}};
  for (const Case& c : cases) {
    SetVersion(true, c.version);
    form->Notebook->SetPageIndex(TFMain::pgADSLVizsgalat);
    form->GoNext();
    EXPECT_EQ(form->Notebook->PageIndex(), c.page) << c.version;
  }
  // Without the client: the user data on built-in PPPoE, else the installation page.
  Import(
      "[-HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}\\{A}]"
      "\n");
  for (const Case& c : {Case{"5.1", TFMain::pgADSLFelhAdatok}, Case{"5.0", TFMain::pgADSLTrelvinTelepitese}}) {
    SetVersion(true, c.version);
    form->Notebook->SetPageIndex(TFMain::pgADSLVizsgalat);
    form->GoNext();
    EXPECT_EQ(form->Notebook->PageIndex(), c.page) << c.version;
  }
}

TEST_F(ADSL, BackFromTheInstallationPageOn98WithTheClientListedLeadsToItsRemoval) {
  Set98();
  Import(
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0000]\n"
      "\"DriverDesc\"=\"Trelvin PPPoE\"\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans\\0000\\Ndi]\n"
      "\"DeviceID\"=\"Trelvinp\"\n");
  Open();
  form->Notebook->SetPageIndex(TFMain::pgADSLTrelvinTelepitese);
  form->GoBack();
  EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgADSLTrelvinTorlese);
}

// ---- the log verdicts

// A log's contents; nullopt: no file; kHeld: a file that another process holds open for writing.
using Log = std::optional<std::string>;
const std::string kHeld = "\x01held";

class Verdicts : public ADSL {
 protected:
  // Writes the logs, holding those asked for open in a second process while `check` runs.
  template <class Check>
  void WithLogs(const std::vector<std::pair<const char*, Log>>& logs, Check check) {
    std::vector<std::unique_ptr<testing_support::ChildProcess>> holders;
    for (const auto& [path, text] : logs) {
      if (Exists(path)) {
        ASSERT_TRUE(DeleteFileA(path));
      }
      if (!text) continue;
      Write(path, *text == kHeld ? "LOG:InstallEnds(0) UninstallEnds(0) :Success RebootNeeded" : *text);
      if (*text != kHeld) continue;
      holders.push_back(std::make_unique<testing_support::ChildProcess>(
          kHelper, std::vector<std::string>{"hold", path, "40000000", "1"}));
      ASSERT_EQ(holders.back()->ReadLine(), "held");
    }
    check();
    for (auto& holder : holders) holder->Release(), holder->Wait();
  }
};

TEST_F(Verdicts, TheLogsOfBothChecksOnBothFamilies) {
  Open();
  const std::string nul("\0", 1);
  enum Check { Install, Uninstall };
  struct Case {
    const char* what;
    Check check;
    bool nt;
    Log main, second;  // the second: the installation or the uninstallation log
    int verdict;
    bool restart;
  } cases[] = {
      {"no log", Install, true, std::nullopt, "LOG:RebootNeeded", 2, false},
      {"success", Install, true, "LOG:InstallEnds(0)\r\n", std::nullopt, 0, false},
      {"failure", Install, true, "LOG:InstallEnds(80070490)", "LOG:RebootNeeded", 3, false},
      {"both markers", Install, true, "LOG:InstallEnds(0)\r\nInstallEnds(80070490)\r\n", "LOG:RebootNeeded", 3, false},
      {"neither", Install, true, "LOG:Started\r\n", std::nullopt, 1, false},
      {"lower case with blanks", Install, true, "LOG:  install ends ( 0 )", std::nullopt, 0, false},
      {"the first 4 characters dropped", Install, true, "InstallEnds(0)", std::nullopt, 1, false},
      {"a header with NULs", Install, true, std::string(4, '\0') + "InstallEnds(0)", std::nullopt, 0, false},
      {"3 characters", Install, true, "ab)", std::nullopt, 1, false},
      {"text after a NUL", Install, true, "LOG:Started" + nul + "InstallEnds(0)", std::nullopt, 1, false},
      {"a marker split over lines", Install, true, "LOG:Install\r\nEnds(0)", std::nullopt, 1, false},
      {"REBOOTNEEDED in the second log", Install, true, "LOG:InstallEnds(0)", "LOG:\r\nreboot needed\r\n", 0, true},
      {"REBOOTNEEDED in the main log", Install, true, "LOG:InstallEnds(0) RebootNeeded", "LOG:done", 0, false},
      {"95 success", Install, false, "LOG:Result : Success\n", "LOG:RebootNeeded", 0, true},
      {"95 failure", Install, false, "LOG:Result : Failure (137)", std::nullopt, 4, false},
      {"95 reads its own log", Install, false, std::nullopt, std::nullopt, 2, false},
      {"main log held", Install, true, kHeld, std::nullopt, 1, false},
      {"second log held", Install, true, "LOG:InstallEnds(0)", kHeld, 0, false},
      {"no log is success", Uninstall, true, std::nullopt, "LOG:RebootNeeded", 0, false},
      {"success", Uninstall, true, "LOG:UninstallEnds(0)", std::nullopt, 0, false},
      {"success asking for a restart", Uninstall, true, "LOG:Uninstall Ends (0)", "LOG:REBOOT NEEDED", 0, true},
      {"the install marker only", Uninstall, true, "LOG:InstallEnds(0)", "LOG:RebootNeeded", 2, false},
      {"3 characters", Uninstall, true, "abc", std::nullopt, 2, false},
      {"95 success", Uninstall, false, "LOG::success", "LOG:RebootNeeded", 0, true},
      {"95 without the marker", Uninstall, false, "LOG:UninstallEnds(0)", std::nullopt, 2, false},
      {"main log held", Uninstall, true, kHeld, std::nullopt, 1, false},
      {"uninstall log held", Uninstall, true, "LOG:UninstallEnds(0)", kHeld, 0, false},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.check == Install ? "install: " : "uninstall: ") + c.what;
    if (c.nt)
      SetVersion(true, "5.1");
    else
      Set98();
    const char* main = c.nt ? "C:\\Trelvin\\Install.log" : "C:\\Trelvin\\Install98.log";
    const char* second = c.check == Install ? "C:\\Trelvin\\Setup.log" : "C:\\Trelvin\\Uninstall.log";
    // The other family's main log holds a success that must not count.
    Write(c.nt ? "C:\\Trelvin\\Install98.log" : "C:\\Trelvin\\Install.log", "LOG:InstallEnds(0):Success");
    WithLogs({{main, c.main}, {second, c.second}}, [&] {
      bool restart = !c.restart;
      EXPECT_EQ(c.check == Install ? form->CheckInstallLog(restart) : form->CheckUninstallLog(restart), c.verdict)
          << what;
      EXPECT_EQ(restart, c.restart) << what;
    });
  }
}

TEST_F(ADSL, TheLogsAreOnTheWindowsFoldersDriveAndDeletedBeforeARun) {
  Open();
  EXPECT_EQ(form->GetWindowsDir(), "C:\\WINDOWS\\");
  EXPECT_EQ(form->GetSystemDriveRoot(), "C:\\");
  for (const char* log : {"Install.log", "Install98.log", "Setup.log", "Uninstall.log"})
    Write(std::string("C:\\Trelvin\\") + log, "LOG:old");
  Write("C:\\Trelvin\\Other.log", "LOG:kept");
  form->DeleteInstallLogs();
  for (const char* log : {"Install.log", "Install98.log", "Setup.log", "Uninstall.log"})
    EXPECT_FALSE(Exists(std::string("C:\\Trelvin\\") + log)) << log;
  EXPECT_TRUE(Exists("C:\\Trelvin\\Other.log"));
  form->DeleteInstallLogs();  // none there: nothing to do
}

// ---- the installers as real programs

TEST_F(ADSL, InstallersRunAsProgramsAndAreWaitedForWithoutHandlingMessages) {
  Open();
  struct Case {
    const char* what;
    std::optional<std::string> file;
    int code;
    const char* arguments;  // what the program was given; null: it did not run
  } cases[] = {
      // Each program sleeps first: what it wrote is there when the run returns.
      {"with markers", FakeProgram("Setup", {{"Trelvin/Install.log", "LOG:InstallEnds(0)"}}, "sleep 0.2\n"), 0, "/s"},
      {"without markers", FakeProgram("Setup", {}, "sleep 0.2\n") + "exit 5\n", 0, "/s"},
      {"no file", std::nullopt, 1, nullptr},
      {"no program", std::string("MZ\x90\0", 4), 3, nullptr},
  };
  for (const Case& c : cases) {
    for (const char* old : {"C:\\Setup.args", "C:\\Trelvin\\Install.log", kInstaller})
      if (Exists(old)) DeleteFileA(old);
    if (c.file) Write(kInstaller, *c.file);
    const size_t handles = OpenHandleCount();
    ASSERT_TRUE(PostMessageA(form->Handle(), WM_APP + 1, 0, 0));
    EXPECT_EQ(form->RunInstaller(kInstaller), c.code) << c.what;
    MSG message;
    EXPECT_TRUE(PeekMessageA(&message, form->Handle(), WM_APP + 1, WM_APP + 1, PM_REMOVE)) << "not handled: " << c.what;
    EXPECT_EQ(OpenHandleCount(), handles) << "both handles closed: " << c.what;
    EXPECT_EQ(Exists("C:\\Setup.args") ? Read("C:\\Setup.args") : "(did not run)",
              c.arguments ? c.arguments : "(did not run)")
        << c.what;
  }
}

TEST_F(ADSL, TheUninstallersUnquotedPathNeverStartsADecoy) {
  Open();
  Write("C:\\Program.exe", FakeProgram("Program"));
  Write(kUninstaller, FakeProgram("Uninstall", {{"Trelvin/Install.log", "LOG:UninstallEnds(0)"}}));
  EXPECT_EQ(form->RunUninstaller(form->GetSetting("trelvinletelepito")), 0);
  EXPECT_EQ(Read("C:\\Uninstall.args"), "/s");
  EXPECT_FALSE(Exists("C:\\Program.args")) << "the decoy ran";
  bool restart = true;
  EXPECT_EQ(form->CheckUninstallLog(restart), 0);
  EXPECT_FALSE(restart);
}

TEST_F(ADSL, TheToolbarInstallerRunsWithoutASwitch) {
  Open();
  EXPECT_EQ(form->RunToolbarInstaller(), 1);
  Write(kToolbarInstaller, FakeProgram("Toolbar") + "printf '%s' \"$#\" > \"$VANDREL_ROOT/drive_c/Toolbar.count\"\n");
  EXPECT_EQ(form->RunToolbarInstaller(), 0);
  EXPECT_EQ(Read("C:\\Toolbar.count"), "0");
}

TEST_F(ADSL, TheRestartIsAskedForOnBothFamilies) {
  Open();
  for (bool nt : {true, false}) {
    if (nt)
      SetVersion(true, "5.1");
    else
      Set98();
    const uint64_t before = vandrel::MachineRecordSize(MachineRecord::Restarts);
    form->Reboot();
    EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::Restarts, before),
              (std::vector<std::string>{"EWX_REBOOT"}))
        << (nt ? "NT" : "95");
  }
}

// ---- the finish

// What the scripted steps of the finish answer, and the steps run.
struct TFinishScript {
  bool builtIn = false;
  int uninstallRun = 0, uninstallCheck = 0, installRun = 0, installCheck = 0, toolbarRun = 0;
  std::string entryError;
  bool startPage = true, favorites = true, mail = true;
  std::vector<std::string> steps;
};
TFinishScript g_finish;

class TFinishingMain : public TFMain {
  VCL_CLASS(TFinishingMain, TFMain)
  using TFMain::TFMain;
  int Step(const char* name, int code) {
    g_finish.steps.push_back(name);
    return code;
  }
  bool HasBuiltInPPPoE() override { return g_finish.builtIn; }
  bool IsPPPoEClientInstalled() override { return true; }
  int RunUninstaller(const std::string&) override { return Step("uninstall", g_finish.uninstallRun); }
  int CheckUninstallLog(bool& restart) override {
    restart = false;
    return Step("uninstall log", g_finish.uninstallCheck);
  }
  int RunInstaller(const std::string&) override { return Step("install", g_finish.installRun); }
  int CheckInstallLog(bool& restart) override {
    restart = false;
    return Step("install log", g_finish.installCheck);
  }
  std::string CreateDialEntry(const std::string&, bool pppoe, const std::string&, const std::string&,
                              const std::string&, const std::string&) override {
    Step(pppoe ? "PPPoE entry" : "modem entry", 0);
    return g_finish.entryError;
  }
  std::string DeleteDialEntry(const std::string&) override {
    Step("delete entry", 0);
    return {};
  }
  bool DialEntryExists(const std::string&) override { return false; }
  void CreateConnectionShortcut(const std::string&, const std::string&) override { Step("shortcut", 0); }
  bool SetStartPage() override { return Step("start page", g_finish.startPage); }
  bool SetFavorites() override { return Step("favourites", g_finish.favorites); }
  int RunToolbarInstaller() override { return Step("toolbar", g_finish.toolbarRun); }
  bool SetupMailAccount(int, const std::string&, const std::string&, const std::string&, const std::string&,
                        const std::string&, const std::string&) override {
    return Step("mail", g_finish.mail);
  }
};

TEST_F(ADSL, EachFailureOfTheFinishStopsItWithItsTexts) {
  struct Case {
    std::function<void(TFinishScript&)> fail;
    std::string error;
    std::string lastStep;
  } cases[] = {
      {[](TFinishScript& s) { s.uninstallRun = 1; }, "T172/T173", "uninstall"},
      {[](TFinishScript& s) { s.uninstallRun = 2; }, "T172/T174", "uninstall"},
      {[](TFinishScript& s) { s.uninstallRun = 3; }, "T172/T175", "uninstall"},
      {[](TFinishScript& s) { s.uninstallCheck = 1; }, "T176/T177", "uninstall log"},
      {[](TFinishScript& s) { s.uninstallCheck = 2; }, "T176/T178", "uninstall log"},
      {[](TFinishScript& s) { s.installRun = 1; }, "T179/T180", "install"},
      {[](TFinishScript& s) { s.installRun = 2; }, "T179/T181", "install"},
      {[](TFinishScript& s) { s.installRun = 3; }, "T179/T182", "install"},
      {[](TFinishScript& s) { s.installCheck = 1; }, "T183/T184", "install log"},
      {[](TFinishScript& s) { s.installCheck = 2; }, "T183/T185", "install log"},
      {[](TFinishScript& s) { s.installCheck = 3; }, "T183/T186", "install log"},
      {[](TFinishScript& s) { s.installCheck = 4; }, "T183/T187", "install log"},
      {[](TFinishScript& s) { s.entryError = "ERROR_INVALID_PARAMETER"; }, "T169/T170", "modem entry"},
      {[](TFinishScript& s) { s.builtIn = true, s.entryError = "ERROR_INVALID_PARAMETER"; }, "T190/T191",
       "PPPoE entry"},
      {[](TFinishScript& s) { s.startPage = false; }, "T65/T66", "start page"},
      {[](TFinishScript& s) { s.favorites = false; }, "T67/T68", "favourites"},
      {[](TFinishScript& s) { s.toolbarRun = 2; }, "T188/T189", "toolbar"},
      {[](TFinishScript& s) { s.mail = false; }, "T69/T70", "mail"},
  };
  auto* finishing = Open<TFinishingMain>();
  for (const Case& c : cases) {
    g_finish = TFinishScript();
    c.fail(g_finish);
    finishing->Notebook->SetPageIndex(TFMain::pgADSLSikeroldal);
    finishing->GoNext();
    EXPECT_EQ(finishing->Notebook->PageIndex(), TFMain::pgKozosHiba) << c.error;
    EXPECT_EQ(ErrorPage(), c.error);
    ASSERT_FALSE(g_finish.steps.empty());
    EXPECT_EQ(g_finish.steps.back(), c.lastStep) << c.error;
    EXPECT_FALSE(finishing->Closing()) << c.error;
    EXPECT_EQ(Screen->Cursor(), crDefault) << c.error;
  }
}

TEST_F(ADSL, TheFinishRunsItsStepsInOrderAndCloses) {
  g_finish = TFinishScript();
  auto* finishing = Open<TFinishingMain>();
  finishing->Notebook->SetPageIndex(TFMain::pgADSLSikeroldal);
  finishing->GoNext();
  EXPECT_EQ(g_finish.steps,
            (std::vector<std::string>{"uninstall", "uninstall log", "install", "install log", "modem entry", "shortcut",
                                      "start page", "favourites", "toolbar", "mail", "delete entry"}))
      << "the close deletes the temporary entry";
  EXPECT_TRUE(finishing->Closing());
  EXPECT_TRUE(finishing->Finishing());
  EXPECT_EQ(Screen->Cursor(), crDefault);
  // Declined steps do not run; on built-in PPPoE neither does the installation.
  g_finish = TFinishScript();
  g_finish.builtIn = true;
  finishing->SetClosing(false);
  for (TRadioButton* no :
       {finishing->rbADSLTrelvinTorlesNem, finishing->rbADSLToolbarNem, finishing->rbADSLLevelezesNem})
    no->SetChecked(true);
  finishing->Notebook->SetPageIndex(TFMain::pgADSLSikeroldal);
  finishing->GoNext();
  EXPECT_EQ(g_finish.steps, (std::vector<std::string>{"delete entry", "PPPoE entry", "shortcut", "start page",
                                                      "favourites", "delete entry"}));
}

// The real steps of the finish: the user's choices of pages 15 to 20.
class RealFinish : public ADSL {
 protected:
  void SetUp() override {
    ADSL::SetUp();
    Open();
    form->edADSLTarcsazasiNev->SetText("kovacs@adsl");
    form->edADSLTarcsazasiJelszo->SetText("titok");
    form->rbADSLToolbarNem->SetChecked(true);
    form->rbADSLLevelezesNem->SetChecked(true);
    Write(kInstaller, FakeProgram("Setup", {{"Trelvin/Install.log", "LOG:InstallEnds(0)"}}));
  }
  void Finish() {
    form->Notebook->SetPageIndex(TFMain::pgADSLSikeroldal);
    form->GoNext();
    EXPECT_NE(form->Notebook->PageIndex(), TFMain::pgKozosHiba) << ErrorPage();
  }
  RASENTRYA Entry() {
    RASENTRYA entry{};
    entry.dwSize = sizeof entry;
    DWORD size = sizeof entry;
    EXPECT_EQ(RasGetEntryPropertiesA(nullptr, kEntry, &entry, &size, nullptr, nullptr), 0u);
    return entry;
  }
  std::string DialUser() {
    RASDIALPARAMSA params{};
    params.dwSize = sizeof params;
    std::strcpy(params.szEntryName, kEntry);
    BOOL password = FALSE;
    EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &password), 0u);
    return std::string(params.szUserName) + "/" + params.szPassword;
  }
  void InstallClient() {
    Import(
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}\\{B}]"
        "\n\"ComponentId\"=\"Trelvinp\"\n\"Description\"=\"Trelvin PPPoE\"\n");
  }
};

TEST_F(RealFinish, OnXPTheClientIsRemovedAndAPPPoEEntryReplacesTheOldOne) {
  InstallClient();
  ASSERT_EQ(form->CreateDialEntry(kEntry, false, "Hayes Optima 56K", "0612345678", "regi", "regi"), "");
  Write("C:\\Trelvin\\Uninstall.log", "LOG:RebootNeeded");  // of an earlier run: deleted before this one
  Write(kUninstaller, FakeProgram("Uninstall", {{"Trelvin/Install.log", "LOG:UninstallEnds(0)"}}));
  Finish();
  EXPECT_EQ(Read("C:\\Uninstall.args"), "/s");
  EXPECT_FALSE(Exists("C:\\Setup.args")) << "no installation on built-in PPPoE";
  const RASENTRYA entry = Entry();
  EXPECT_STREQ(entry.szDeviceType, "PPPoE");
  EXPECT_STREQ(entry.szDeviceName, "");
  EXPECT_STREQ(entry.szLocalPhoneNumber, "");
  EXPECT_EQ(DialUser(), "kovacs@adsl/titok");
  EXPECT_TRUE(Exists(kDesktop + "Vandrel ADSL internet.lnk"));
  EXPECT_TRUE(MessageBoxRecords().empty()) << "no restart asked";
  EXPECT_TRUE(form->Closing());
}

TEST_F(RealFinish, On98TheClientIsInstalledWithAVirtualModemEntry) {
  Set98();
  WriteHostFile(Host("C:\\WINDOWS\\rundll32.exe"), "MZ");
  Write(kInstaller, FakeProgram("Setup", {{"Trelvin/Install98.log", "LOG:Result: Success"}}));
  Finish();
  EXPECT_EQ(Read("C:\\Setup.args"), "/s");
  const RASENTRYA entry = Entry();
  EXPECT_STREQ(entry.szDeviceType, "modem");
  EXPECT_EQ(std::string(entry.szDeviceName), kVirtualModem);
  EXPECT_EQ(DialUser(), "kovacs@adsl/titok");
  const std::string link = Host(kDesktop + "Vandrel ADSL internet.lnk");
  auto tags = testing_support::ExifToolTags(link, {"LocalBasePath", "CommandLineArguments"});
  EXPECT_EQ(tags["LocalBasePath"], "C:\\WINDOWS\\rundll32.exe");
  EXPECT_EQ(tags["CommandLineArguments"], "rnaui.dll,RnaDial Vandrel ADSL");
  EXPECT_TRUE(form->Closing());
}

TEST_F(RealFinish, OnAnOlderSystemAnExistingEntryKeepsItsDeviceAndGetsTheNewCredentials) {
  SetVersion(true, "5.0");
  ASSERT_EQ(form->CreateDialEntry(kEntry, false, kVirtualModem, "", "regi", "regi"), "");
  Finish();
  EXPECT_EQ(DialUser(), "kovacs@adsl/titok");
  EXPECT_STREQ(Entry().szDeviceType, "modem");
}

TEST_F(RealFinish, TheUninstallLogsRestartFlagAloneAsksTheQuestion) {
  InstallClient();
  for (int answer : {IDYES, IDNO}) {
    Write(kUninstaller, FakeProgram("Uninstall", {{"Trelvin/Install.log", "LOG:UninstallEnds(0)"},
                                                  {"Trelvin/Uninstall.log", "LOG:RebootNeeded"}}));
    ClearMessageBoxRecords();
    ScriptMessageBoxAnswers({answer});
    const uint64_t before = vandrel::MachineRecordSize(MachineRecord::Restarts);
    form->SetClosing(false);
    Finish();
    auto boxes = MessageBoxRecords();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "T171");
    EXPECT_EQ(boxes[0].flags, UINT(MB_YESNO | MB_ICONQUESTION));
    EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::Restarts, before),
              answer == IDYES ? std::vector<std::string>{"EWX_REBOOT"} : std::vector<std::string>{});
    EXPECT_TRUE(form->Closing());
  }
}

}  // namespace

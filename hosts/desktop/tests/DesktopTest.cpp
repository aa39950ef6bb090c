// The desktop host as a person runs it: `desktop` started as a real process, running the sample program
// (tests/sample) as its child on a machine of the test's own.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Machine.h"

using testing_support::ChildOutput;
using testing_support::RunProgram;
using testing_support::TestMachine;

namespace {

const std::string kDesktop = VANDREL_BINARY_DIR "/bin/desktop";
const std::string kSample = VANDREL_BINARY_DIR "/tests/desktop_sample";

class Desktop : public ::testing::Test {
 protected:
  // Runs the desktop with the arguments: its exit code; its standard output and error in `output`.
  int Run(const std::vector<std::string>& arguments, std::string& output) {
    output.clear();
    return RunProgram(kDesktop, arguments, &output, ChildOutput::StdoutAndStderr);
  }
  std::string WriteScript(const std::string& text) {
    std::string path = machine.Root() + "/script.txt";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  // The Z: form of a host path, spelled out independently of the file layer.
  static std::string ZForm(const std::string& hostPath) {
    std::string path = "Z:" + std::filesystem::absolute(hostPath).lexically_normal().string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
  }

  TestMachine machine;
};

// The first page of the sample, as the snapshot shows it.
const std::string kFirstPage =
    "form SampleForm \"Próba űrlap\"\n"
    "  TNotebook Notebook page=0 \"Adatok\"\n"
    "    TPage \"Adatok\"\n"
    "      TLabel lbWelcome \"Üdvözöljük!\"\n"
    "      TEdit edName \"\" [focused]\n"
    "      TComboBox cbColour \"\" index=-1\n"
    "      TCheckBox chkAgree \"&Elfogadom\"\n"
    "  TPanel Buttons\n"
    "    TButton bnBack \"< &Vissza\" [disabled]\n"
    "    TButton bnNext \"&Tovább >\" [disabled] [default]\n"
    "    TButton bnExit \"&Kilépés\"\n";

TEST_F(Desktop, ASnapshotShowsTheFirstPageAndClosesTheProgramAsAPersonWould) {
  std::string out;
  EXPECT_EQ(Run({"--snapshot", kSample}, out), 0);
  EXPECT_EQ(out, kFirstPage + "closed\n");
  // An empty script plays no step: the start, then the close.
  EXPECT_EQ(Run({"--script", WriteScript(""), kSample}, out), 0);
  EXPECT_EQ(out, "== start\n" + kFirstPage + "closed\n");
}

// What the steps of the script below show.
const std::string kSteps = R"(== line 2: type edName Éva
form SampleForm "Próba űrlap"
  TNotebook Notebook page=0 "Adatok"
    TPage "Adatok"
      TLabel lbWelcome "Üdvözöljük!"
      TEdit edName "Éva" [focused]
      TComboBox cbColour "" index=-1
      TCheckBox chkAgree "&Elfogadom"
  TPanel Buttons
    TButton bnBack "< &Vissza" [disabled]
    TButton bnNext "&Tovább >" [disabled] [default]
    TButton bnExit "&Kilépés"
== line 3: select cbColour zöld
form SampleForm "Próba űrlap"
  TNotebook Notebook page=0 "Adatok"
    TPage "Adatok"
      TLabel lbWelcome "Üdvözöljük!"
      TEdit edName "Éva"
      TComboBox cbColour "zöld" [focused] index=2
      TCheckBox chkAgree "&Elfogadom"
  TPanel Buttons
    TButton bnBack "< &Vissza" [disabled]
    TButton bnNext "&Tovább >" [disabled] [default]
    TButton bnExit "&Kilépés"
== line 5: check chkAgree
form SampleForm "Próba űrlap"
  TNotebook Notebook page=0 "Adatok"
    TPage "Adatok"
      TLabel lbWelcome "Üdvözöljük!"
      TEdit edName "Éva"
      TComboBox cbColour "zöld" index=2
      TCheckBox chkAgree "&Elfogadom" [focused] [checked]
  TPanel Buttons
    TButton bnBack "< &Vissza" [disabled]
    TButton bnNext "&Tovább >" [default]
    TButton bnExit "&Kilépés"
== line 6: key Enter
form SampleForm "Próba űrlap"
  TNotebook Notebook page=1 "Időzítő"
    TPage "Időzítő"
      TLabel lbSummary "Éva / zöld"
      TButton bnStart "&Indít"
      TLabel lbTicks "0 tick"
      TButton bnAsk "&Kérdés"
      TLabel lbAnswer
  TPanel Buttons
    TButton bnBack "< &Vissza"
    TButton bnNext "&Tovább >" [default]
    TButton bnExit "&Kilépés"
== line 7: click bnAsk
form SampleForm "Próba űrlap"
  TNotebook Notebook page=1 "Időzítő"
    TPage "Időzítő"
      TLabel lbSummary "Éva / zöld"
      TButton bnStart "&Indít"
      TLabel lbTicks "0 tick"
      TButton bnAsk "&Kérdés" [focused]
      TLabel lbAnswer "igen"
  TPanel Buttons
    TButton bnBack "< &Vissza"
    TButton bnNext "&Tovább >" [default]
    TButton bnExit "&Kilépés"
message box "Kérdés" "Folytatja?" answered Yes
== line 8: key Alt+V
form SampleForm "Próba űrlap"
  TNotebook Notebook page=0 "Adatok"
    TPage "Adatok"
      TLabel lbWelcome "Üdvözöljük!"
      TEdit edName "Éva"
      TComboBox cbColour "zöld" index=2
      TCheckBox chkAgree "&Elfogadom" [checked]
  TPanel Buttons
    TButton bnBack "< &Vissza" [disabled]
    TButton bnNext "&Tovább >" [default]
    TButton bnExit "&Kilépés"
== line 9: uncheck chkAgree
form SampleForm "Próba űrlap"
  TNotebook Notebook page=0 "Adatok"
    TPage "Adatok"
      TLabel lbWelcome "Üdvözöljük!"
      TEdit edName "Éva"
      TComboBox cbColour "zöld" index=2
      TCheckBox chkAgree "&Elfogadom" [focused]
  TPanel Buttons
    TButton bnBack "< &Vissza" [disabled]
    TButton bnNext "&Tovább >" [disabled] [default]
    TButton bnExit "&Kilépés"
closed
)";

TEST_F(Desktop, AScriptPlaysStepByStepWithASnapshotAfterEachStep) {
  std::string script = WriteScript(
      "# the first page\n"
      "type edName Éva\n"
      "select cbColour zöld\n"
      "\n"
      "check chkAgree\r\n"
      "key Enter\n"
      "click bnAsk\n"
      "key Alt+V\n"
      "uncheck chkAgree\n");
  std::string out;
  // A path relative to the desktop's folder reaches the program, which works in another one, as a full one.
  std::filesystem::current_path(machine.Root());
  EXPECT_EQ(Run({"--script", "script.txt", kSample}, out), 0);
  EXPECT_EQ(out, "== start\n" + kFirstPage + kSteps);
}

TEST_F(Desktop, WaitLetsTheProgramsTimersRun) {
  struct Case {
    bool virtualTime;
    int ms;
    const char* ticks;
  } cases[] = {{true, 60000, "120 tick"}, {false, 1250, "2 tick"}};
  for (const Case& c : cases) {
    std::string script =
        WriteScript("type edName x\nselect cbColour kék\ncheck chkAgree\nclick bnNext\nclick bnStart\nwait " +
                    std::to_string(c.ms) + "\n");
    std::vector<std::string> args;
    if (c.virtualTime) args.push_back("--virtual-time");
    args.insert(args.end(), {"--script", script, kSample});
    auto start = std::chrono::steady_clock::now();
    std::string out;
    EXPECT_EQ(Run(args, out), 0);
    auto elapsed = std::chrono::steady_clock::now() - start;
    size_t wait = out.find("== line 6: wait");
    ASSERT_NE(wait, std::string::npos) << out;
    EXPECT_NE(out.find(std::string("      TLabel lbTicks \"") + c.ticks + "\"\n", wait), std::string::npos) << out;
    if (c.virtualTime)
      EXPECT_LT(elapsed, std::chrono::seconds(30));
    else
      EXPECT_GE(elapsed, std::chrono::milliseconds(c.ms));
  }
}

TEST_F(Desktop, AScriptErrorNamesItsLineAndEndsWithExitCode3) {
  struct Case {
    std::string script;
    std::string tail;     // how the output ends, the machine folder left out of paths
    bool programStarted;  // the program ran, and was closed
  } cases[] = {
      {"type edName Éva\nclick bnMissing\nclick bnExit\n", "script.txt: line 2: No control named bnMissing\nclosed\n",
       true},
      {"# starts disabled\nclick bnNext\n", "script.txt: line 2: Control bnNext is disabled\nclosed\n", true},
      {"key Esc\nclick bnExit\n",
       "closed\n== line 1: key Esc\nprogram ended\nscript.txt: line 2: the program has ended\n", true},
      {"click bnExit\nwiggle bnNext\n", "script.txt: line 2: unknown action \"wiggle\"\n", false},
  };
  for (const Case& c : cases) {
    std::string script = WriteScript(c.script);
    std::string out;
    EXPECT_EQ(Run({"--script", script, kSample}, out), 3) << c.script;
    for (size_t at; (at = out.find(machine.Root() + "/")) != std::string::npos;)
      out.erase(at, machine.Root().size() + 1);
    EXPECT_TRUE(out.size() >= c.tail.size() && out.compare(out.size() - c.tail.size(), c.tail.size(), c.tail) == 0)
        << c.script << "\n"
        << out;
    EXPECT_EQ(out.find("== start\n" + kFirstPage) == 0, c.programStarted) << c.script << "\n" << out;
    if (!c.programStarted) {
      EXPECT_EQ(out, c.tail);
    }
  }
  std::string out;
  EXPECT_EQ(Run({"--script", machine.Root() + "/missing.txt", kSample}, out), 3);
  EXPECT_EQ(out.rfind("desktop: cannot read " + machine.Root() + "/missing.txt", 0), 0u) << out;
  // The program ends before its main form is shown: there is nothing to snapshot.
  EXPECT_EQ(Run({"--snapshot", kSample, "exit", "0"}, out), 3);
  EXPECT_EQ(out, "snapshot: the program ended before its main form was shown\n");
}

TEST_F(Desktop, TheProgramSeesItsArgumentsThroughParamStr) {
  std::vector<std::string> args = {"write", "C:\\out.txt", "a b", "", "x\ty", "Árvíz", "--snapshot", "\\\\"};
  std::vector<std::string> command = {"--virtual-time", kSample};
  command.insert(command.end(), args.begin(), args.end());
  auto expected = [&](const std::string& program) {
    std::string text = "count=" + std::to_string(args.size()) + "\r\n0=" + cp1250::FromUtf8(ZForm(program)) + "\r\n";
    for (size_t i = 0; i < args.size(); ++i) text += std::to_string(i + 1) + "=" + cp1250::FromUtf8(args[i]) + "\r\n";
    return text + "module=" + cp1250::FromUtf8(ZForm(std::filesystem::canonical(kSample))) + "\r\nlauncher=\r\n";
  };
  std::string out;
  ASSERT_EQ(Run(command, out), 0) << out;
  EXPECT_EQ(ReadFile(machine.DriveC() + "/out.txt"), expected(kSample));
  // Started without the desktop, the program knows itself by its module's path and sees the same arguments.
  std::filesystem::remove(machine.DriveC() + "/out.txt");
  ASSERT_EQ(RunProgram(kSample, args, &out, ChildOutput::StdoutAndStderr), 0) << out;
  EXPECT_EQ(ReadFile(machine.DriveC() + "/out.txt"), expected(std::filesystem::canonical(kSample)));
  // A double quote cannot travel in a command line.
  EXPECT_EQ(Run({kSample, "write", "C:\\out.txt", "say \"hi\""}, out), 2);
  EXPECT_NE(out.find("usage: desktop"), std::string::npos) << out;
}

TEST_F(Desktop, AWindowsPathFindsTheProgramOnTheMachine) {
  std::string folder = machine.DriveC() + "/Program Files/Vandrel";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(kSample, folder + "/Minta");
  struct Case {
    std::string program;
    std::string paramStr0;
  } cases[] = {
      {"C:\\Program Files\\Vandrel\\Minta.exe", "C:\\Program Files\\Vandrel\\Minta.exe"},
      {"c:/PROGRAM FILES/vandrel/minta", "C:\\PROGRAM FILES\\vandrel\\minta"},
  };
  for (const Case& c : cases) {
    std::string out;
    ASSERT_EQ(Run({c.program, "write", "C:\\out.txt"}, out), 0) << c.program << "\n" << out;
    std::string written = ReadFile(machine.DriveC() + "/out.txt");
    EXPECT_NE(written.find("\r\n0=" + c.paramStr0 + "\r\n"), std::string::npos) << written;
    EXPECT_NE(written.find("\r\nmodule=C:\\Program Files\\Vandrel\\Minta\r\n"), std::string::npos) << written;
  }
  std::string out;
  EXPECT_EQ(Run({"C:\\Program Files\\Vandrel\\Nincs.exe"}, out), 127);
  EXPECT_EQ(out, "desktop: cannot find C:\\Program Files\\Vandrel\\Nincs.exe\n");
  EXPECT_EQ(Run({"D:\\Minta.exe"}, out), 127);
  // A file that is there but is no program.
  std::ofstream(machine.DriveC() + "/Szoveg.exe") << "text";
  EXPECT_EQ(Run({"C:\\Szoveg.exe"}, out), 126);
  EXPECT_EQ(out.rfind("desktop: cannot start C:\\Szoveg.exe: ", 0), 0u) << out;
}

TEST_F(Desktop, TheProgramStartsInItsOwnFolder) {
  std::string folder = machine.DriveC() + "/Program Files/Vandrel";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(kSample, folder + "/Minta");
  std::filesystem::current_path(machine.Root());
  std::string out;
  ASSERT_EQ(Run({"C:\\Program Files\\Vandrel\\Minta.exe", "folder", "C:\\out.txt"}, out), 0) << out;
  EXPECT_EQ(ReadFile(machine.DriveC() + "/out.txt"), "C:\\Program Files\\Vandrel");
}

TEST_F(Desktop, TheAddressesTheProgramOpenedAndTheRestartsItAskedForArePrintedWhenItEnds) {
  std::string out;
  ASSERT_EQ(Run({kSample, "open", "http://www.vandrel.hu/aktivalas?nev=Árvíz"}, out), 0) << out;
  EXPECT_EQ(out, "opened SW_SHOWNORMAL http://www.vandrel.hu/aktivalas?nev=Árvíz\n");
  // Each run prints what it added.
  ASSERT_EQ(Run({kSample, "restart"}, out), 0) << out;
  EXPECT_EQ(out, "restart EWX_REBOOT\n");
  // A 95-family machine asks for no privilege.
  std::ofstream(machine.Root() + "/win98.reg", std::ios::binary)
      << "REGEDIT4\n[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT]\n"
         "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"VersionNumber\"=\"4.10.2222\"\n";
  ASSERT_EQ(RunProgram(VANDREL_BINARY_DIR "/bin/regtool", {"import", machine.Root() + "/win98.reg"}), 0);
  ASSERT_EQ(Run({kSample, "restart"}, out), 0) << out;
  EXPECT_EQ(out, "restart EWX_REBOOT\n");
  EXPECT_EQ(ReadFile(machine.Root() + "/restarts.txt"), "EWX_REBOOT\nEWX_REBOOT\n");
  ASSERT_EQ(Run({kSample, "exit", "0"}, out), 0) << out;
  EXPECT_EQ(out, "");
}

TEST_F(Desktop, ASecondScriptGoesToTheNextProgramShownAndTheDesktopWaitsForIt) {
  const std::string first = machine.Root() + "/first.txt", second = machine.Root() + "/second.txt";
  std::ofstream(first, std::ios::binary) << "type edName Éva\n";
  std::ofstream(second, std::ios::binary) << "type edName Ádám\nwait 200\n";
  std::string out;
  ASSERT_EQ(Run({"--script", first, "--then-script", second, "--virtual-time", kSample, "handover"}, out), 0) << out;
  // The copy shown plays the second script after the first program has ended, and is not killed when it tells
  // its ended launcher that it is idle.
  const size_t handed = out.find("== start", 1);
  ASSERT_NE(handed, std::string::npos) << out;
  EXPECT_NE(out.find("== line 1: type edName Éva\n"), std::string::npos);
  EXPECT_LT(out.find("closed\n"), handed);
  const std::string rest = out.substr(handed);
  EXPECT_NE(rest.find("== line 1: type edName Ádám\n"), std::string::npos) << rest;
  EXPECT_NE(rest.find("== line 2: wait 200\n"), std::string::npos) << rest;
  EXPECT_EQ(rest.substr(rest.size() - 7), "closed\n");
  // The hidden copy got no script and no clock.
  const std::string hidden = ReadFile(machine.DriveC() + "/hidden.txt");
  EXPECT_NE(hidden.find("1=write\r\n"), std::string::npos) << hidden;
  EXPECT_NE(hidden.find("launcher=\r\n"), std::string::npos) << hidden;
}

TEST_F(Desktop, TheProgramsExitCodeIsTheDesktops) {
  struct Case {
    std::vector<std::string> args;
    int code;
  } cases[] = {{{"exit", "0"}, 0}, {{"exit", "7"}, 7}, {{"EXIT", "200"}, 200}, {{"abort"}, 128 + 6}};
  for (const Case& c : cases) {
    std::vector<std::string> command = {kSample};
    command.insert(command.end(), c.args.begin(), c.args.end());
    std::string out;
    EXPECT_EQ(Run(command, out), c.code) << c.args[0];
  }
}

TEST_F(Desktop, UsageErrorsPrintTheUsageLine) {
  std::vector<std::string> cases[] = {
      {},
      {"--script"},
      {"--script", "", kSample},
      {"--snapshot", "--script", "s.txt", kSample},
      {"--snapshot", "--snapshot", kSample},
      {"--bogus", kSample},
      {"--snapshot"},
      {"--", ""},
      {"--then-script", "s.txt", kSample},
      {"--script", "s.txt", "--then-script", kSample},
  };
  for (const auto& args : cases) {
    std::string out;
    EXPECT_EQ(Run(args, out), 2);
    EXPECT_EQ(out,
              "usage: desktop [--script FILE [--then-script FILE2] | --snapshot] [--virtual-time] PROGRAM "
              "[ARGS...]\n");
  }
}

TEST(DesktopMachine, AnEmptyMachineFolderGetsTheDefaultMachine) {
  TestMachine machine(TestMachine::Contents::Empty);
  ASSERT_FALSE(vandrel::MachineExists());
  std::string out;
  EXPECT_EQ(RunProgram(kDesktop, {kSample, "exit", "5"}, &out), 5);
  EXPECT_TRUE(vandrel::MachineExists());
}

}  // namespace

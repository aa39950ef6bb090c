// Start-up by command line: the VERSION hand-shake (also as a real process) and the CONTINUE resume.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/components/Application.h"
#include "platform/testing/ChildProcess.h"
#include "platform/winapi/MessageBox.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;

const std::string kHandshake = "EXEVersion=1\r\n";

TEST(Startup, AVersionProbeWritesTheHandshakeWhateverTheConfigurationHolds) {
  WizardMachine machine;
  const std::string ini = machine.Folder() + "Selvaring.ini";
  struct Case {
    const char* arguments;
    const char* configuration;  // nullptr: no file
    bool probe;
  } cases[] = {
      {"VERSION", "<k><t/><m><a/><b/><c/></m><b/></k>", true},
      {"version", nullptr, true},
      {"VeRsIoN", "not even XML", true},
      {"VERSION", "<k><t/></k>", true},  // the tables cannot be filled
      {"VERSION extra", "<k><t/><m><a/><b/><c/></m><b/></k>", false},
  };
  for (const Case& c : cases) {
    std::filesystem::remove(ini);
    std::filesystem::remove(machine.Folder() + "Selvaring.kzf");
    if (c.configuration) machine.WriteConfiguration(c.configuration);
    ClearMessageBoxRecords();
    machine.SetArguments(c.arguments);
    auto* form = NewObject<TScriptedMain>(Application);
    EXPECT_EQ(ReadHostFile(ini), c.probe ? kHandshake : "") << c.arguments;
    if (c.probe) {
      // Nobody sees a probe's message boxes.
      EXPECT_TRUE(MessageBoxRecords().empty()) << c.arguments;
      EXPECT_TRUE(Application->Terminated());
      // The probe stops before it looks at the modems.
      EXPECT_TRUE(Script().calls.empty());
    }
    form->Free();
  }
}

TEST(Startup, AVersionProbeRunsAsAProgramOfItsOwn) {
  WizardMachine machine;
  // The program copied into the machine knows its folder as C:\Program Files\Selvaring.
  const std::string program = machine.Folder() + "Selvaring";
  std::filesystem::copy_file(SELVARING_PATH, program);
  for (const char* configuration : {static_cast<const char*>(nullptr), "damaged\r\nlines\r\n"}) {
    std::filesystem::remove(machine.Folder() + "Selvaring.ini");
    if (configuration) WriteHostFile(machine.Folder() + "Selvaring.kzf", configuration);
    std::string output;
    EXPECT_EQ(testing_support::RunProgram(program, {"Version"}, &output), 0) << output;
    EXPECT_EQ(ReadHostFile(machine.Folder() + "Selvaring.ini"), kHandshake);
    // The same through the desktop host, which starts the program by its Windows path.
    std::filesystem::remove(machine.Folder() + "Selvaring.ini");
    EXPECT_EQ(
        testing_support::RunProgram(DESKTOP_PATH, {"C:\\Program Files\\Selvaring\\Selvaring.exe", "vERSION"}, &output),
        0)
        << output;
    EXPECT_EQ(ReadHostFile(machine.Folder() + "Selvaring.ini"), kHandshake);
  }
}

class Resume : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.WriteConfiguration(Configuration({}, {{27, "Online aktiválás"}}));
    Script().modems = "USR Sportster\r\nHayes Accura\r\n";
  }
  WizardMachine machine;
};

TEST_F(Resume, ARelaunchedCopyResumesOnTheServicePageOnTheModemRoad) {
  struct Case {
    const char* arguments;
    const char* prefixNeeded;
    const char* prefix;
  } cases[] = {
      {"CONTINUE 120 80 9 \"USR Sportster\"", "igen", "9"},
      {"continue 120 80 - \"Hayes Accura\"", "nem", ""},
  };
  for (const Case& c : cases) {
    machine.SetArguments(c.arguments);
    auto* form = NewObject<TScriptedMain>(Application);
    EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemSzolgaltatas) << c.arguments;
    EXPECT_EQ(form->cbModem->Items()->Text(), "Hayes Accura\r\nUSR Sportster\r\n");
    EXPECT_EQ(form->cbModem->Text(), Application->ParamStr(5));
    EXPECT_EQ(form->cbModemElohivoKell->Text(), c.prefixNeeded);
    EXPECT_EQ(form->edModemElohivoszam->Text(), c.prefix);
    EXPECT_TRUE(form->rbModemKapcsolat->Checked());
    EXPECT_EQ(form->Position(), poDesigned);
    EXPECT_EQ(form->Left(), 120);
    EXPECT_EQ(form->Top(), 80);
    // Shown, the page takes its enabling rules.
    form->Show();
    EXPECT_TRUE(form->bnElozo->Enabled());
    EXPECT_TRUE(form->bnKovetkezo->Enabled());
    // The page-change handler, held back while resuming, is back: a later page takes its focus.
    form->Notebook->SetPageIndex(TFMain::pgModemKorzetszam);
    EXPECT_EQ(form->ActiveControl(), form->cbModemKorzetszam);
    form->Free();
  }
}

TEST_F(Resume, ArgumentsThatDoNotFitAreIgnored) {
  const char* arguments[] = {
      "CONTINUE 120 80 - \"Zoom Modem\"",     // no such modem
      "CONTINUE 12x 80 - \"USR Sportster\"",  // not a number
      "CONTINUE 120 \"\" - \"USR Sportster\"",
      "CONTINUE 120 80 \"USR Sportster\"",  // four arguments
      "CONTINUE 120 80 - \"USR Sportster\" x",
  };
  for (const char* line : arguments) {
    machine.SetArguments(line);
    auto* form = NewObject<TScriptedMain>(Application);
    EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgKozosKezdolap) << line;
    EXPECT_TRUE(form->rbADSLKapcsolat->Checked()) << line;
    EXPECT_EQ(form->cbModemElohivoKell->Text(), "nem") << line;
    EXPECT_EQ(form->Position(), poScreenCenter) << line;
    form->Free();
  }
}

}  // namespace

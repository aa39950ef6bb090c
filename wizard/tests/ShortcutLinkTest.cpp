// The shortcut component over the shell's link object: its hot key and show command as stored and as saved,
// every property read back by two independent readers, empty texts left out, failing saves, and the
// special folders.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/com/ShellLink.h"
#include "platform/components/Forms.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/LinkReaders.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/ShellFolders.h"
#include "wizard/ShortcutLink.h"

namespace {

using testing_support::ExifToolTags;
using testing_support::LnkInfoFields;

const std::string kDesktop = "C:\\Documents and Settings\\Felhasználó\\Asztal"_cp;

std::string HostPath(const std::string& windowsPath) { return vandrel::MapWindowsPath(windowsPath).path; }

class ShortcutLink : public ::testing::Test {
 protected:
  void SetUp() override {
    InitShortcutLink();
    form = TForm::CreateNew<TForm>(nullptr);
    link = TShortcutLink::Create(form);
    link->SetShortcutFile(kDesktop + "\\Teszt.lnk");
    link->SetTarget("C:\\WINDOWS\\notepad.exe");
  }
  void TearDown() override {
    vandrel::shell_link_testing::SetSaveFailure(S_OK);
    form->Free();
  }
  std::map<std::string, std::string> Saved(const std::vector<std::string>& tags) {
    link->CreateLink();
    return ExifToolTags(HostPath(link->ShortcutFile()), tags);
  }

  testing_support::TestMachine machine;
  TForm* form = nullptr;
  TShortcutLink* link = nullptr;
};

TEST_F(ShortcutLink, TheHotKeyIsOneUpperCaseCharacterSavedWithCtrlAndAlt) {
  struct Case {
    std::string assigned, stored;
    const char* saved;  // exiftool's reading; null: no hot key
  } cases[] = {
      {"a", "A", "Control-Alt-A"}, {"q7", "Q", "Control-Alt-Q"}, {"5", "5", "Control-Alt-5"}, {"", " ", nullptr},
      {"\x01", " ", nullptr},      {"\t", " ", nullptr},         {" x", " ", nullptr},        {"ő"_cp, "Ő"_cp, nullptr},
  };
  EXPECT_EQ(link->HotKey(), " ");  // a new link has none
  for (const Case& c : cases) {
    link->SetHotKey(c.assigned);
    EXPECT_EQ(link->HotKey(), c.stored) << c.assigned;
    if (c.saved) {
      EXPECT_EQ(Saved({"HotKey"})["HotKey"], c.saved) << c.assigned;
    } else if (c.stored == " ") {
      EXPECT_EQ(Saved({"HotKey"})["HotKey"], "(none)") << c.assigned;
    }
  }
}

TEST_F(ShortcutLink, TheShowCommandIsStoredAsThreeSevenOrNine) {
  struct Case {
    TShowCmd assigned, read;
    const char* saved;  // exiftool's reading of the stored command
  } cases[] = {
      {scShowMaximized, scShowMaximized, "Show Maximized"},
      {scShowMinimized, scShowMinimized, "Show Minimized No Activate"},
      {scShowNormal, scShowNormal, "Restore"},
      // A value outside the three leaves the stored command (5 is none of them), which reads as normal.
      {TShowCmd(5), scShowNormal, "Restore"},
  };
  EXPECT_EQ(link->ShowCmd(), scShowNormal);
  EXPECT_EQ(Saved({"RunWindow"})["RunWindow"], "Restore");
  for (const Case& c : cases) {
    link->SetShowCmd(c.assigned);
    EXPECT_EQ(link->ShowCmd(), c.read) << c.saved;
    EXPECT_EQ(Saved({"RunWindow"})["RunWindow"], c.saved) << int(c.assigned);
  }
}

TEST_F(ShortcutLink, EveryPropertyReadsBackThroughTwoReaders) {
  link->SetTarget("C:\\Program Files\\Vándor\\vőfély.exe"_cp);
  link->SetWorkingDir("C:\\Program Files\\Vándor"_cp);
  link->SetArguments("-d \"Vandrel kapcsolat\"");
  link->SetDescription("Kapcsolódás a Vandrelhez"_cp);
  link->SetIconLocation("C:\\Program Files\\Vándor\\ikon.ico"_cp);
  link->SetIconNumber(3);
  link->SetHotKey("v");
  link->SetShowCmd(scShowMaximized);
  link->SetShortcutFile(kDesktop + "\\Vándor.lnk"_cp);
  auto tags = Saved({"LocalBasePath", "CommandLineArguments", "Description", "WorkingDirectory", "IconFileName",
                     "IconIndex", "RunWindow", "HotKey"});
  EXPECT_EQ(tags["LocalBasePath"], "C:\\Program Files\\Vándor\\vőfély.exe"_cp);  // in the ANSI code page
  EXPECT_EQ(tags["CommandLineArguments"], "-d \"Vandrel kapcsolat\"");
  EXPECT_EQ(tags["Description"], "Kapcsolódás a Vandrelhez");
  EXPECT_EQ(tags["WorkingDirectory"], "C:\\Program Files\\Vándor");
  EXPECT_EQ(tags["IconFileName"], "C:\\Program Files\\Vándor\\ikon.ico");
  EXPECT_EQ(tags["IconIndex"], "3");
  EXPECT_EQ(tags["RunWindow"], "Show Maximized");
  EXPECT_EQ(tags["HotKey"], "Control-Alt-V");

  auto fields = LnkInfoFields(HostPath(kDesktop + "\\Vándor.lnk"_cp));
  ASSERT_EQ(fields.count("error"), 0u) << fields["error"];
  EXPECT_EQ(fields["Local path"], "C:\\Program Files\\Vándor\\vőfély.exe");
  EXPECT_EQ(fields["Command line arguments"], "-d \"Vandrel kapcsolat\"");
  EXPECT_EQ(fields["Description"], "Kapcsolódás a Vandrelhez");
  EXPECT_EQ(fields["Working directory"], "C:\\Program Files\\Vándor");
  EXPECT_EQ(fields["Icon location"], "C:\\Program Files\\Vándor\\ikon.ico");
}

TEST_F(ShortcutLink, EmptyTextsAreLeftOutOfTheFile) {
  // Only the target: the readers take the file and find no other text.
  auto tags = Saved({"LocalBasePath", "CommandLineArguments", "Description", "WorkingDirectory", "IconFileName"});
  EXPECT_EQ(tags, (std::map<std::string, std::string>{{"LocalBasePath", "C:\\WINDOWS\\notepad.exe"}}));
  auto fields = LnkInfoFields(HostPath(link->ShortcutFile()));
  ASSERT_EQ(fields.count("error"), 0u) << fields["error"];
  EXPECT_EQ(fields.count("Description"), 0u);
  EXPECT_EQ(fields.count("Command line arguments"), 0u);
  EXPECT_EQ(fields.count("Icon location"), 0u);
}

TEST_F(ShortcutLink, AFailingSaveRaisesAndWritesNothing) {
  struct Case {
    const char* what;
    HRESULT scripted;
    std::string file;
  } cases[] = {
      {"scripted", E_ACCESSDENIED, kDesktop + "\\Teszt.lnk"},
      {"no such folder", S_OK, kDesktop + "\\Nincs\\Teszt.lnk"},
      {"a name Windows refuses", S_OK, kDesktop + "\\Te?szt.lnk"},
  };
  for (const Case& c : cases) {
    vandrel::shell_link_testing::SetSaveFailure(c.scripted);
    link->SetShortcutFile(c.file);
    try {
      link->CreateLink();
      ADD_FAILURE() << c.what << ": no exception";
    } catch (const EShortcutError& e) {
      EXPECT_EQ(e.Message(), "Unable to create .lnk file") << c.what;
      EXPECT_EQ(e.ClassName(), "EShortcutError");
    }
    EXPECT_TRUE(std::filesystem::is_empty(HostPath(kDesktop))) << c.what;
  }
  // Once saves work again the same link is written.
  vandrel::shell_link_testing::SetSaveFailure(S_OK);
  link->SetShortcutFile(kDesktop + "\\Teszt.lnk");
  link->CreateLink();
  EXPECT_TRUE(std::filesystem::exists(HostPath(kDesktop + "\\Teszt.lnk")));
}

TEST_F(ShortcutLink, SpecialFoldersComeFromTheMachine) {
  EXPECT_EQ(link->GetDesktopFolder(), kDesktop);
  EXPECT_EQ(link->GetSpecialFolder(CSIDL_FAVORITES), "C:\\Documents and Settings\\Felhasználó\\Kedvencek"_cp);
  EXPECT_EQ(link->GetSpecialFolder(0x7777), "");  // a folder the shell does not know
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                          KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  RegDeleteValueA(key, "Desktop");
  RegCloseKey(key);
  EXPECT_EQ(link->GetDesktopFolder(), "");  // one the machine does not name
}

}  // namespace

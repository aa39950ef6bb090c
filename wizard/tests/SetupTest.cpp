// The finishing steps over the machine's stand-ins: the dial-up shortcut of both Windows families read back
// by two readers, the start page, the favourite links and the toolbar layout, the mail account as the
// registry tool exports it, and the modem finish through all of them.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "platform/com/ShellLink.h"
#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/LinkReaders.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using testing_support::ExifToolTags;
using testing_support::LnkInfoFields;

const std::string kProfile = "C:\\Documents and Settings\\Felhasználó"_cp;
const std::string kLinks = kProfile + "\\Kedvencek\\Hivatkozások"_cp;
const char* const kProgramFolder = "C:\\Program Files\\Selvaring";
const char* const kLayoutKey = "Software\\Microsoft\\Internet Explorer\\Toolbar\\WebBrowser";

std::string HostPath(const std::string& windowsPath) { return vandrel::MapWindowsPath(windowsPath).path; }
bool Exists(const std::string& windowsPath) { return std::filesystem::exists(HostPath(windowsPath)); }

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n\n" + text, error)) << error;
}

// A value of the current user's registry: its bytes, or nullopt when the key or the value is missing.
std::optional<std::string> UserValue(const std::string& key, const std::string& name) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return std::nullopt;
  DWORD type = 0, size = 0;
  std::optional<std::string> value;
  if (RegQueryValueExA(h, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    std::string bytes(size, '\0');
    RegQueryValueExA(h, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
    value = bytes;
  }
  RegCloseKey(h);
  return value;
}

bool UserKeyExists(const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
  RegCloseKey(h);
  return true;
}

std::string SetupConfiguration(const std::string& favourites = "Vandrel.url|Segítség.url|Hiányzó.url"_cp) {
  return Configuration({{"modemkapcsolatneve", "Vandrel"},
                        {"modemikonneve", "Vandrel kapcsolat"},
                        {"modemideigleneskapcsolatneve", "Vandrel ideiglenes"},
                        {"kapcsolatikonfajlneve", "vandrel.ico"},
                        {"kezdolapurl", "http://www.vandrel.hu/"},
                        {"kedvencekfajlai", favourites},
                        {"levelid", "42"},
                        {"levelfioknev", "Vandrel levelezés"_cp},
                        {"levelsmtpszerver", "mail.vandrel.hu"},
                        {"levelpop3szerver", "pop3.vandrel.hu"}},
                       {{64, "T64"}, {63, "T63"}, {65, "T65"}, {66, "T66"}, {67, "T67"}, {68, "T68"}});
}

class Setup : public ::testing::Test {
 protected:
  void SetUp() override { Open(SetupConfiguration()); }
  void TearDown() override { vandrel::shell_link_testing::SetSaveFailure(S_OK); }
  void Open(const std::string& configuration) {
    machine.WriteConfiguration(configuration);
    form = machine.Start<TFMain>();
    form->Show();
  }
  // The favourite files in the program's folder, which is the current folder.
  void WriteFavourites() {
    for (const char* name : {"Vandrel.url", "Segítség.url"}) WriteHostFile(machine.Folder() + name, name);
    ASSERT_TRUE(SetCurrentDirectoryA(kProgramFolder));
  }
  std::string Shortcut() const { return kProfile + "\\Asztal\\Vandrel kapcsolat.lnk"; }

  WizardMachine machine;
  TFMain* form = nullptr;
};

// The shortcut of one Windows family as both readers see it: the target, its arguments, and the same
// caption, icon, window and hot key.
void ExpectShortcut(const std::string& hostPath, const std::string& target, const std::string& arguments) {
  auto tags = ExifToolTags(hostPath, {"LocalBasePath", "CommandLineArguments", "Description", "IconFileName",
                                      "IconIndex", "RunWindow", "HotKey"});
  EXPECT_EQ(tags, (std::map<std::string, std::string>{
                      {"LocalBasePath", target},
                      {"CommandLineArguments", arguments},
                      {"Description", "Vandrel kapcsolat"},
                      {"IconFileName", "C:\\Program Files\\Selvaring\\vandrel.ico"},
                      {"IconIndex", "(none)"},  // exiftool's reading of index 0
                      {"RunWindow", "Restore"},
                      {"HotKey", "(none)"},
                  }));
  auto fields = LnkInfoFields(hostPath);
  ASSERT_EQ(fields.count("error"), 0u) << fields["error"];
  EXPECT_EQ(fields["Local path"], target);
  EXPECT_EQ(fields["Command line arguments"], arguments);
  EXPECT_EQ(fields["Description"], "Vandrel kapcsolat");
  EXPECT_EQ(fields["Icon location"], "C:\\Program Files\\Selvaring\\vandrel.ico");
}

TEST_F(Setup, TheNTShortcutDialsTheEntryWithRasphone) {
  form->CreateConnectionShortcut("Vandrel", "Vandrel kapcsolat");
  ASSERT_TRUE(Exists(Shortcut()));
  // The default machine has no such program to resolve the name by.
  ExpectShortcut(HostPath(Shortcut()), "rasphone.exe", "-d \"Vandrel\"");
}

TEST_F(Setup, TheNinetyFiveFamilyShortcutDialsTheEntryWithRunDll) {
  Import(
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT]\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"VersionNumber\"=\"4.10.2222\"\n");
  WriteHostFile(HostPath("C:\\WINDOWS\\rundll32.exe"), "MZ");
  form->CreateConnectionShortcut("Vandrel", "Vandrel kapcsolat");
  // Found in the Windows folder, with the target's size.
  ExpectShortcut(HostPath(Shortcut()), "C:\\WINDOWS\\rundll32.exe", "rnaui.dll,RnaDial Vandrel");
  EXPECT_EQ(LnkInfoFields(HostPath(Shortcut()))["File size"], "2 bytes");
}

TEST_F(Setup, AShortcutThatCannotBeMadeIsPassedOverSilently) {
  vandrel::shell_link_testing::SetSaveFailure(E_ACCESSDENIED);
  form->CreateConnectionShortcut("Vandrel", "Vandrel kapcsolat");
  vandrel::shell_link_testing::SetSaveFailure(S_OK);
  EXPECT_FALSE(Exists(Shortcut()));
  form->CreateConnectionShortcut("Vandrel", "Vandrel\\kapcsolat");  // a folder that does not exist
  EXPECT_TRUE(std::filesystem::is_empty(HostPath(kProfile + "\\Asztal")));
}

TEST_F(Setup, TheStartPageIsWrittenOnlyIntoAnExistingKey) {
  const char* const key = "Software\\Microsoft\\Internet Explorer\\Main";
  ASSERT_EQ(UserValue(key, "Start Page"), std::string("about:blank", 12));
  EXPECT_TRUE(form->SetStartPage());
  EXPECT_EQ(UserValue(key, "Start Page"), std::string("http://www.vandrel.hu/", 23));
  Import("[-HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Main]\n");
  EXPECT_FALSE(form->SetStartPage());
  EXPECT_FALSE(UserKeyExists(key));
}

TEST_F(Setup, TheFavouritesGoIntoTheLinksFolderWhichIsMadeWhenMissing) {
  WriteFavourites();
  std::filesystem::remove_all(HostPath(kLinks));
  WriteHostFile(HostPath(kProfile + "\\Kedvencek\\Vandrel.url"), "outside");
  EXPECT_TRUE(form->SetFavorites());  // the missing third file does not fail the step
  EXPECT_EQ(ReadHostFile(HostPath(kLinks + "\\Vandrel.url")), "Vandrel.url");
  EXPECT_EQ(ReadHostFile(HostPath(kLinks + "\\Segítség.url"_cp)), "Segítség.url");
  EXPECT_FALSE(Exists(kLinks + "\\Hiányzó.url"_cp));
  // The host folder carries the name in UTF-8.
  EXPECT_TRUE(std::filesystem::is_directory(HostPath(kProfile) + "/Kedvencek/Hivatkozások"));
  EXPECT_EQ(ReadHostFile(HostPath(kProfile + "\\Kedvencek\\Vandrel.url")), "outside");
  // Again: existing files are overwritten.
  WriteHostFile(machine.Folder() + "Vandrel.url", "new");
  EXPECT_TRUE(form->SetFavorites());
  EXPECT_EQ(ReadHostFile(HostPath(kLinks + "\\Vandrel.url")), "new");
}

TEST_F(Setup, TheLinksFolderIsMadeOneLevelOnly) {
  WriteFavourites();
  Import(
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
      "\"Favorites\"=\"C:\\\\Nincs\\\\Kedvencek\"\n");
  EXPECT_TRUE(form->SetFavorites());  // failed copies are ignored
  EXPECT_FALSE(Exists("C:\\Nincs"));
}

TEST_F(Setup, TheLinksBarBitIsSetInALayoutLongEnough) {
  WriteFavourites();
  struct Case {
    const char* what;
    std::optional<std::string> before, after;
    DWORD type = REG_BINARY;
  } cases[] = {
      {"absent", std::nullopt, std::nullopt},
      {"16 bytes", std::string(16, '\x01'), std::string(16, '\x01')},
      {"bit already set", std::string(16, '\0') + "\x0D\x11\x22", std::string(16, '\0') + "\x0D\x11\x22"},
      {"bit set", std::string(16, '\x07') + "\x0B\x11\x22\x33", std::string(16, '\x07') + "\x0F\x11\x22\x33"},
      {"17 bytes", std::string(17, '\0'), std::string(16, '\0') + "\x04"},
      {"not binary", std::string(20, 'a'), std::string(20, 'a'), REG_SZ},
  };
  for (const Case& c : cases) {
    RegDeleteKeyA(HKEY_CURRENT_USER, kLayoutKey);
    if (c.before) {
      HKEY h = nullptr;
      ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kLayoutKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
                ERROR_SUCCESS);
      RegSetValueExA(h, "ITBarLayout", 0, c.type, reinterpret_cast<const BYTE*>(c.before->data()),
                     DWORD(c.before->size()));
      RegCloseKey(h);
    }
    EXPECT_TRUE(form->SetFavorites()) << c.what;
    EXPECT_EQ(UserValue(kLayoutKey, "ITBarLayout"), c.after) << c.what;
  }
  // Without the key nothing is made.
  RegDeleteKeyA(HKEY_CURRENT_USER, kLayoutKey);
  EXPECT_TRUE(form->SetFavorites());
  EXPECT_FALSE(UserKeyExists(kLayoutKey));
}

TEST_F(Setup, WithoutTheFavouritesFolderOrTheLinksNameNothingIsCopied) {
  WriteFavourites();
  std::filesystem::remove_all(HostPath(kLinks));
  struct Case {
    const char* what;
    const char* fixture;
  } cases[] = {
      {"favourites folder",
       "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
       "\"Favorites\"=-\n"},
      {"links folder name",
       "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Explorer\\Toolbar]\n\"LinksFolderName\"=-\n"},
  };
  for (const Case& c : cases) {
    Import(c.fixture);
    EXPECT_FALSE(form->SetFavorites()) << c.what;
    EXPECT_FALSE(Exists(kLinks)) << c.what;
    EXPECT_FALSE(Exists("C:\\Vandrel.url")) << c.what;
    EXPECT_FALSE(Exists("C:\\Hivatkozások\\Vandrel.url"_cp)) << c.what;
    EXPECT_FALSE(Exists(kProfile + "\\Kedvencek\\Vandrel.url")) << c.what;
  }
}

// The account's key as the registry tool exports it.
std::string ExportedAccount(const std::string& number) {
  std::string output;
  EXPECT_EQ(testing_support::RunProgram(REGTOOL_PATH,
                                        {"export",
                                         "HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account "
                                         "Manager\\Accounts\\" +
                                             number},
                                        &output),
            0);
  return output;
}

TEST_F(Setup, TheMailAccountHoldsTheValuesInOrder) {
  ASSERT_TRUE(form->SetupMailAccount(42, "Vandrel levelezés"_cp, "mail.vandrel.hu", "pop3.vandrel.hu",
                                     "anna@vandrel.hu", "kanna", "Kovács Anna"_cp));
  const std::string expected =
      "REGEDIT4\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000042]\r\n"
      "\"Account Name\"=\"Vandrel levelezés\"\r\n"
      "\"Connection Type\"=dword:00000003\r\n"
      "\"Make Available Offline\"=dword:00000001\r\n"
      "\"IMAP Port\"=dword:0000008f\r\n"
      "\"IMAP Timeout\"=dword:0000003c\r\n"
      "\"IMAP Use LSUB\"=dword:00000001\r\n"
      "\"IMAP Polling\"=dword:00000001\r\n"
      "\"IMAP Svr-side Special Folders\"=dword:00000001\r\n"
      "\"IMAP Sent Items Folder\"=\"Sent Items\"\r\n"
      "\"IMAP Drafts Folder\"=\"Drafts\"\r\n"
      "\"IMAP Prompt for Password\"=dword:00000000\r\n"
      "\"IMAP Dirty\"=dword:00000000\r\n"
      "\"IMAP Poll All Folders\"=dword:00000001\r\n"
      "\"HTTPMail Prompt for Password\"=dword:00000000\r\n"
      "\"HTTPMail Polling\"=dword:00000001\r\n"
      "\"ShowAdBar\"=dword:00000000\r\n"
      "\"POP3 Server\"=\"pop3.vandrel.hu\"\r\n"
      "\"POP3 User Name\"=\"kanna\"\r\n"
      "\"POP3 Port\"=dword:0000006e\r\n"
      "\"POP3 Timeout\"=dword:0000003c\r\n"
      "\"POP3 Skip Account\"=dword:00000000\r\n"
      "\"POP3 Prompt for Password\"=dword:00000000\r\n"
      "\"SMTP Server\"=\"mail.vandrel.hu\"\r\n"
      "\"SMTP Port\"=dword:00000019\r\n"
      "\"SMTP Timeout\"=dword:0000003c\r\n"
      "\"SMTP Display Name\"=\"Kovács Anna\"\r\n"
      "\"SMTP Email Address\"=\"anna@vandrel.hu\"\r\n"
      "\"SMTP Split Messages\"=dword:00000000\r\n"
      "\"SMTP Split Message Size\"=dword:00000040\r\n"
      "\"SMTP Prompt for Password\"=dword:00000000\r\n"
      "\"POP3 Secure Connection\"=dword:00000000\r\n"
      "\"Leave Mail On Server\"=dword:00000000\r\n"
      "\"Remove When Deleted\"=dword:00000000\r\n"
      "\"Remove When Expired\"=dword:00000000\r\n"
      "\"SMTP Secure Connection\"=dword:00000000\r\n"
      "\"POP3 Password2\"=hex:20\r\n"
      "\r\n"_cp;
  EXPECT_EQ(ExportedAccount("00000042"), expected);
}

TEST_F(Setup, TheAccountKeyIsPaddedNeverCutAndReplacedWhole) {
  Import(
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000042]\n"
      "\"Old Value\"=\"x\"\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Internet Account Manager\\Accounts\\00000042\\Sub\\Deeper]\n"
      "\"y\"=dword:00000001\n");
  const std::string accounts = "Software\\Microsoft\\Internet Account Manager\\Accounts\\";
  struct Case {
    int number;
    const char* key;
  } cases[] = {{42, "00000042"}, {5, "00000005"}, {12345678, "12345678"}, {123456789, "123456789"}};
  for (const Case& c : cases) {
    ASSERT_TRUE(form->SetupMailAccount(c.number, "a", "s", "p", "e", "l", "d")) << c.number;
    EXPECT_EQ(UserValue(accounts + c.key, "POP3 Password2"), std::string("\x20", 1)) << c.number;
  }
  EXPECT_FALSE(UserValue(accounts + "00000042", "Old Value"));
  EXPECT_FALSE(UserKeyExists(accounts + "00000042\\Sub"));
}

TEST_F(Setup, TheModemFinishRunsTheRealStepsAndCloses) {
  WriteFavourites();
  form->rbModemKapcsolat->SetChecked(true);
  form->cbModem->SetText("Hayes Optima 56K");
  form->edModemTarcsazasiNev->SetText("kovacs");
  form->edModemTarcsazasiJelszo->SetText("titok");
  form->rbModemLevelezesIgen->SetChecked(true);
  form->edKozosSzemelyNev->SetText("Kovács Anna"_cp);
  form->edKozosEMailCim->SetText("anna");
  form->edKozosLevelezesiNev->SetText("kanna");
  form->Notebook->SetPageIndex(TFMain::pgModemSikeroldal);
  form->GoNext();

  EXPECT_NE(form->Notebook->PageIndex(), TFMain::pgKozosHiba) << form->lbKozosHibaCim->Caption();
  EXPECT_TRUE(form->DialEntryExists("Vandrel"));
  EXPECT_EQ(ExifToolTags(HostPath(Shortcut()), {"CommandLineArguments"})["CommandLineArguments"], "-d \"Vandrel\"");
  EXPECT_EQ(UserValue("Software\\Microsoft\\Internet Explorer\\Main", "Start Page"),
            std::string("http://www.vandrel.hu/", 23));
  EXPECT_TRUE(Exists(kLinks + "\\Vandrel.url"));
  EXPECT_EQ(UserValue("Software\\Microsoft\\Internet Account Manager\\Accounts\\00000042", "SMTP Email Address"),
            std::string("anna@vandrel.hu", 16));
  EXPECT_TRUE(form->Closing());
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(Screen->Cursor(), crDefault);
}

}  // namespace

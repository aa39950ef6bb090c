// Opening addresses outside a host browser: the registered program of ".htm", the browsers that take
// addresses over DDE, and the open verb for web addresses only.
#include "toolbar/uOpenURL.h"

#include <gtest/gtest.h>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/Dde.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/LibraryTestSupport.h"

namespace {

using vandrel::MachineRecord;

const std::string kUrl = "http://www.vandrel.hu/kereso?q=a%20b";

class OpenURL : public ::testing::Test {
 protected:
  void SetUp() override { vandrel::ResetDde(); }
  void TearDown() override { vandrel::ResetDde(); }
  static void Import(const std::string& text) {
    std::string error;
    ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n" + text, error)) << error;
  }
  // ".htm" opened by this command, the way most browsers register it.
  static void RegisterHtm(const std::string& command) {
    Import("[HKEY_CLASSES_ROOT\\.htm]\n@=\"htmlfile\"\n[HKEY_CLASSES_ROOT\\htmlfile\\shell\\open\\command]\n@=\"" +
           command + "\"\n");
  }
  static std::vector<std::string> Requests() {
    std::vector<std::string> lines;
    for (const vandrel::TDdeRequestRecord& r : vandrel::DdeRequests())
      lines.push_back(r.Service + "|" + r.Topic + "|" + r.Item);
    return lines;
  }
  static std::vector<std::string> Opened() {
    return vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, 0);
  }

  testing_support::TestMachine machine_;
};

TEST_F(OpenURL, TheRegisteredProgramIsItsBarePath) {
  // Each row registers its own extension; a string "\"" in the REGEDIT4 text is a double quote.
  struct Row {
    const char* ext;
    std::string registry;
    std::string path;
  } rows[] = {
      {"a",
       "[HKEY_CLASSES_ROOT\\.a\\shell\\open\\command]\n@=\"\\\"C:\\\\Program Files\\\\Opera\\\\Opera.exe\\\" "
       "\\\"%1\\\"\"\n",
       "C:\\Program Files\\Opera\\Opera.exe"},
      {"b",
       "[HKEY_CLASSES_ROOT\\.b]\n@=\"bfile\"\n[HKEY_CLASSES_ROOT\\bfile\\shell\\open\\command]\n"
       "@=\"C:\\\\PROGRA~1\\\\Netscape\\\\netscape.exe -url %1\"\n",
       "C:\\PROGRA~1\\Netscape\\netscape.exe -url"},
      {"c", "[HKEY_CLASSES_ROOT\\.c\\shell\\open\\command]\n@=\"\\\"C:\\\\x y\\\\iexplore.exe\\\" -nohome\"\n",
       "C:\\x y\\iexplore.exe"},
      {"d",
       "[HKEY_CLASSES_ROOT\\.d\\shell\\open\\command]\n@=\"C:\\\\b.exe   \"\n"
       "[HKEY_CLASSES_ROOT\\.d]\n@=\"dfile\"\n[HKEY_CLASSES_ROOT\\dfile\\shell\\open\\command]\n@=\"C:\\\\other."
       "exe\"\n",
       "C:\\b.exe"},
      {"e", "[HKEY_CLASSES_ROOT\\.e]\n@=\"\"\n", ""},
      {"f", "[HKEY_CLASSES_ROOT\\.f]\n@=\"nofile\"\n", ""},
      {"g", "[HKEY_CLASSES_ROOT\\.g]\n", ""},
      {"none", "", ""},
  };
  for (const Row& row : rows) {
    if (!row.registry.empty()) Import(row.registry);
    EXPECT_EQ(GetRegisteredAppPath(row.ext), row.path) << row.ext;
  }
}

TEST_F(OpenURL, KnownBrowsersTakeTheAddressOverDde) {
  const std::string minusTwo("\xFE\xFF\xFF\xFF", 4);
  struct Row {
    std::string program;  // the registered command's program
    bool skipIE;
    std::optional<std::string> reply;  // the WWW_OpenURL reply; none: the server gives none
    std::vector<std::string> requests;
    bool handed;  // the browser took it (else it goes to the open verb)
  } rows[] = {
      {"C:\\Program Files\\Netscape\\Program\\Netscape.exe",
       true,
       "1",
       {"NETSCAPE|WWW_OpenURL|" + kUrl + ",,0x0,0x0", "NETSCAPE|WWW_Activate|0xFFFFFFFF,0x0"},
       true},
      {"C:\\Program Files\\mozilla.org\\Mozilla\\mozilla.exe",
       true,
       "",
       {"MOZILLA|WWW_OpenURL|" + kUrl + ",,0x0,0x0", "MOZILLA|WWW_Activate|0xFFFFFFFF,0x0"},
       true},
      {"C:\\Program Files\\Opera\\OPERA.EXE",
       false,
       "1",
       {"OPERA|WWW_OpenURL|" + kUrl + ",,0x0,0x0", "OPERA|WWW_Activate|0xFFFFFFFF,0x0"},
       true},
      {"C:\\Program Files\\Opera\\OPERA.EXE",
       false,
       std::nullopt,
       {"OPERA|WWW_OpenURL|" + kUrl + ",,0x0,0x0", "OPERA|WWW_Activate|0xFFFFFFFF,0x0"},
       false},
      {"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE",
       false,
       minusTwo + "rest",
       {"iexplore|WWW_OpenURL|" + kUrl + ",,0", "iexplore|WWW_Activate|0,0"},
       true},
      {"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE",
       false,
       std::string("\x01\0\0\0", 4),
       {"iexplore|WWW_OpenURL|" + kUrl + ",,0", "iexplore|WWW_Activate|0,0"},
       false},
      {"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE",
       false,
       std::string("\xFE\xFF", 2),
       {"iexplore|WWW_OpenURL|" + kUrl + ",,0", "iexplore|WWW_Activate|0,0"},
       false},
      {"C:\\Program Files\\Internet Explorer\\IEXPLORE.EXE", true, minusTwo, {}, false},
      {"C:\\Apps\\Lynx\\lynx.exe", false, "1", {}, false},
  };
  for (const Row& row : rows) {
    vandrel::ResetDde();
    uint64_t before = vandrel::MachineRecordSize(MachineRecord::OpenedAddresses);
    RegisterHtm(row.program);
    std::optional<std::string> reply = row.reply;
    for (const char* service : {"NETSCAPE", "MOZILLA", "OPERA", "iexplore"})
      vandrel::RegisterDdeServer(service, {"WWW_OpenURL", "WWW_Activate"},
                                 [reply](const std::string& topic, const std::string&) -> std::optional<std::string> {
                                   return topic == "WWW_Activate" ? std::optional<std::string>("0") : reply;
                                 });
    EXPECT_TRUE(OpenURLInBrowser(kUrl, row.skipIE)) << row.program;
    EXPECT_EQ(Requests(), row.requests) << row.program;
    EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, before),
              row.handed ? std::vector<std::string>{} : std::vector<std::string>{"SW_SHOWNORMAL " + kUrl})
        << row.program;
    EXPECT_TRUE(vandrel::DdeStarts().empty()) << "every server answered its link";
  }
}

TEST_F(OpenURL, ABrowserThatAnswersOnlyOnceItsProgramWasStarted) {
  RegisterHtm("\\\"C:\\\\Program Files\\\\Opera\\\\Opera.exe\\\" %1");
  vandrel::SetDdeStartHandler([](const std::string&) {
    vandrel::RegisterDdeServer("OPERA", {"WWW_OpenURL", "WWW_Activate"},
                               [](const std::string&, const std::string&) { return std::optional<std::string>("1"); });
  });
  EXPECT_TRUE(OpenURLInBrowser(kUrl, true));
  EXPECT_EQ(vandrel::DdeStarts(), std::vector<std::string>{"C:\\Program Files\\Opera\\Opera"})
      << "the program path without its .exe, started once";
  EXPECT_EQ(Requests().size(), 2u);
  EXPECT_TRUE(Opened().empty());

  vandrel::ResetDde();
  EXPECT_TRUE(OpenURLInBrowser(kUrl, true)) << "no server comes up: the open verb takes the address";
  EXPECT_EQ(vandrel::DdeStarts().size(), 2u) << "one start for each topic's link";
  EXPECT_TRUE(Requests().empty());
  EXPECT_EQ(Opened(), std::vector<std::string>{"SW_SHOWNORMAL " + kUrl});
}

TEST_F(OpenURL, WithoutABrowserOnlyWebAddressesOpenAndNothingStartsAsACommand) {
  // A program that leaves a mark when something starts it.
  ASSERT_TRUE(CreateDirectoryA("C:\\Apps", nullptr));
  for (const char* program : {"C:\\Apps\\mark.exe", "C:\\Apps\\mark"})
    library_test::WriteWholeFile(program, "#!/bin/sh\necho started > \"$(dirname \"$0\")/started.txt\"\n");
  for (const bool registered : {false, true}) {
    vandrel::ResetDde();
    if (registered) RegisterHtm("C:\\\\Apps\\\\mark.exe %1");
    uint64_t before = vandrel::MachineRecordSize(MachineRecord::OpenedAddresses);
    for (const std::string url : {"http://a.hu/", "HTTPS://a.hu/x", "ftp://ftp.a.hu/", "mailto:ugyfel@a.hu"})
      EXPECT_TRUE(OpenURLInBrowser(url, true)) << url;
    for (const std::string url : {"mark", "C:\\Apps\\mark.exe", "C:/Apps/mark.exe", "\\\\server\\share\\mark.exe",
                                  "file:///C:/Apps/mark.exe", "mark.exe http://a.hu/", "", "http:"})
      EXPECT_FALSE(OpenURLInBrowser(url, false)) << url;
    EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, before),
              (std::vector<std::string>{"SW_SHOWNORMAL http://a.hu/", "SW_SHOWNORMAL HTTPS://a.hu/x",
                                        "SW_SHOWNORMAL ftp://ftp.a.hu/", "SW_SHOWNORMAL mailto:ugyfel@a.hu"}));
  }
  EXPECT_EQ(GetFileAttributesA("C:\\Apps\\started.txt"), INVALID_FILE_ATTRIBUTES) << "the program never ran";
  EXPECT_TRUE(vandrel::DdeStarts().empty());
}

}  // namespace

// The toolbar library as the shell meets it: installed on drive C: with its shipped definition, registered,
// hosted in a taskbar and unregistered by the shell host as a child process; and loaded and unloaded here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/com/ClassTable.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Files.h"
#include "platform/xmldom/XMLDoc.h"
#include "toolbar/tests/LibraryTestSupport.h"

namespace {

using namespace library_test;
using testing_support::RunProgram;
using testing_support::TestMachine;

const std::string kBin = std::string(VANDREL_BINARY_DIR) + "/bin";
const std::string kClassKey = "HKEY_CLASSES_ROOT\\CLSID\\" + kGuid;
const std::string kToolbarsKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar";

// The shell host's exit code and its output (in place of what `out` held).
int Host(const std::vector<std::string>& args, std::string* out) {
  out->clear();
  return RunProgram(kBin + "/shellhost", args, out);
}

// regtool's export of a key (CP1250, without CRs); "" when it does not exist.
std::string Export(const std::string& key) {
  std::string out;
  if (RunProgram(kBin + "/regtool", {"export", key}, &out) != 0) return "";
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  return out;
}

// The class key as registration leaves it, with the class key's default value.
std::string RegisteredClass(const std::string& defaultValue) {
  return "REGEDIT4\n\n"
         "[" +
         kClassKey + "]\n@=\"" + defaultValue +
         "\"\n\n"
         "[" +
         kClassKey +
         "\\InprocServer32]\n@=\"C:\\\\Program Files\\\\Vandrel\\\\Pellandra\\\\Pellandra.so\"\n"
         "\"ThreadingModel\"=\"Apartment\"\n\n"
         "[" +
         kClassKey +
         "\\Implemented Categories]\n\n"
         "[" +
         kClassKey + "\\Implemented Categories\\{00021492-0000-0000-C000-000000000046}]\n\n";
}

bool HasLine(const std::string& text, const std::string& line) {
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);)
    if (l == line) return true;
  return false;
}

// The log of the instance, in the machine's temporary folder.
std::string LogText() {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof temp, temp);
  return ReadWholeFile(std::string(temp) + "Tessaline\\" + kGuid + "\\Tessaline.log");
}

TEST(Pellandra, TheShellRegistersShowsAndUnregistersTheInstalledLibrary) {
  TestMachine machine;
  InstallLibrary(machine);
  WorkOffline();
  std::string out;
  ASSERT_EQ(Host({"register", kLibrary}, &out), 0) << out;
  EXPECT_EQ(out, "DllRegisterServer in " + kLibrary + ": S_OK\n");
  EXPECT_EQ(Export(kClassKey), RegisteredClass("Vandrel eszköztár"_cp)) << "the definition's menu caption";
  EXPECT_TRUE(HasLine(Export(kToolbarsKey), "\"" + kGuid + "\"=\"\""));
  EXPECT_TRUE(HasLine(Export("HKEY_CURRENT_USER\\Software\\Quorrel\\Tessaline\\" + kGuid),
                      "\"ToolBarName\"=\"Vandrel eszköztár\""_cp));

  ASSERT_EQ(Host({"run", "--virtual-time", "--seconds", "1", kGuid}, &out), 0) << out;
  EXPECT_TRUE(HasLine(out,
                      "- band info: S_OK min 200x22 max -1x22 integral 1x1 actual 500x22 modes 0xA8 "
                      "title \"Vandrel\""))
      << out;
  // The shipped definition's controls: a captioned button and a separator, the search box, then the
  // second run of buttons.
  EXPECT_NE(out.find("  form TessalineDeskBandForm \"\"\n"
                     "    TMyToolBar\n"
                     "      TMyToolButton \"Vandrel\" style=button\n"
                     "      TMyToolButton style=divider\n"
                     "    TComboBox \"\" index=-1\n"
                     "    TMyToolBar\n"
                     "      TMyToolButton \"Keresés\" style=button\n"
                     "      TMyToolButton style=divider\n"
                     "      TMyToolButton \"Levelezés\" style=button\n"
                     "      TMyToolButton \"Hírek\" style=button\n"),
            std::string::npos)
      << out;
  EXPECT_TRUE(HasLine(out, "  band 2 \"Vandrel\" 90,0,300,22 child 100,0,286,22")) << out;
  EXPECT_TRUE(HasLine(out, "- host: the rebar is 48 high")) << "the first start expands the band: " << out;
  EXPECT_TRUE(HasLine(out, "- the library is unloaded")) << out;
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  ASSERT_EQ(Host({"run", "--virtual-time", "--seconds", "1", kGuid}, &out), 0) << out;
  EXPECT_FALSE(HasLine(out, "- host: the rebar is 48 high")) << "once only: " << out;
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;

  ASSERT_EQ(Host({"unregister", kLibrary}, &out), 0) << out;
  EXPECT_EQ(out, "DllUnregisterServer in " + kLibrary + ": S_OK\n");
  EXPECT_EQ(Export(kClassKey), "");
  EXPECT_FALSE(HasLine(Export(kToolbarsKey), "\"" + kGuid + "\"=\"\""));
  EXPECT_EQ(LogText(), "") << "nothing went wrong";
}

TEST(Pellandra, RegistrationWritesTheTypeLibraryAndUnregistrationRemovesIt) {
  TestMachine machine;
  InstallLibrary(machine);
  WorkOffline();
  const std::string lib = "HKEY_CLASSES_ROOT\\TypeLib\\{F0D1E6E0-B9B5-420D-9A9D-6B8A1DE85FC9}";
  const std::string iface = "HKEY_CLASSES_ROOT\\Interface\\{BC6A8BB3-5906-4437-9C72-A5D1B8386FC6}";
  std::string out;
  ASSERT_EQ(Host({"register", kLibrary}, &out), 0) << out;
  EXPECT_EQ(Export(lib),
            "REGEDIT4\n\n"
            "[" +
                lib +
                "]\n\n"
                "[" +
                lib +
                "\\1.0]\n@=\"Project1 Library\"\n\n"
                "[" +
                lib +
                "\\1.0\\0]\n\n"
                "[" +
                lib +
                "\\1.0\\0\\win32]\n@=\"C:\\\\Program Files\\\\Vandrel\\\\Pellandra\\\\Pellandra.so\"\n\n"
                "[" +
                lib +
                "\\1.0\\FLAGS]\n@=\"0\"\n\n"
                "[" +
                lib + "\\1.0\\HELPDIR]\n@=\"C:\\\\Program Files\\\\Vandrel\\\\Pellandra\"\n\n");
  EXPECT_EQ(Export(iface),
            "REGEDIT4\n\n"
            "[" +
                iface +
                "]\n@=\"ITessalineBrowserObject\"\n\n"
                "[" +
                iface +
                "\\ProxyStubClsid]\n@=\"{00020424-0000-0000-C000-000000000046}\"\n\n"
                "[" +
                iface +
                "\\ProxyStubClsid32]\n@=\"{00020424-0000-0000-C000-000000000046}\"\n\n"
                "[" +
                iface +
                "\\TypeLib]\n@=\"{F0D1E6E0-B9B5-420D-9A9D-6B8A1DE85FC9}\"\n"
                "\"Version\"=\"1.0\"\n\n");
  ASSERT_EQ(Host({"unregister", kLibrary}, &out), 0) << out;
  EXPECT_EQ(Export(lib), "");
  EXPECT_EQ(Export(iface), "");
}

TEST(Pellandra, OnTheTaskbarTheBandsControlsOpenAddressesThroughTheSystem) {
  TestMachine machine;
  InstallLibrary(machine);
  WorkOffline();
  std::string out;
  ASSERT_EQ(Host({"register", kLibrary}, &out), 0) << out;
  const std::string script = machine.Root() + "/clicks.txt";
  std::ofstream(script) << "click Vandrel\nclick Hírek\n";
  ASSERT_EQ(Host({"run", "--virtual-time", "--script", script, kGuid}, &out), 0) << out;
  EXPECT_TRUE(HasLine(out, "opened SW_SHOWNORMAL http://www.vandrel.hu/")) << out;
  EXPECT_TRUE(HasLine(out, "opened SW_SHOWNORMAL http://hirek.vandrel.hu/")) << out;
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  EXPECT_EQ(LogText(), "") << "nothing went wrong";
}

TEST(Pellandra, OnTheTaskbarTheBandsMenusOpenTheirAddressesAndLeaveNothingBehind) {
  TestMachine machine;
  InstallLibrary(machine);
  WorkOffline();
  std::string out;
  ASSERT_EQ(Host({"register", kLibrary}, &out), 0) << out;
  const std::string script = machine.Root() + "/menus.txt";
  std::ofstream(script) << "menu Postafiók\nclick Levelezés\nchevron Hírek\nchevron Levelezés|Beállítások\n";
  ASSERT_EQ(Host({"run", "--virtual-time", "--script", script, kGuid}, &out), 0) << out;
  EXPECT_TRUE(HasLine(out, "opened SW_SHOWNORMAL http://posta.vandrel.hu/")) << "the drop-down's item: " << out;
  EXPECT_TRUE(HasLine(out, "opened SW_SHOWNORMAL http://hirek.vandrel.hu/")) << "the chevron's button: " << out;
  EXPECT_NE(out.find("opened SW_SHOWNORMAL http://posta.vandrel.hu/beallitasok?id="), std::string::npos)
      << "the chevron's sub-menu: " << out;
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  EXPECT_EQ(LogText(), "") << "nothing went wrong";
}

TEST(Pellandra, ABrokenShippedDefinitionStillRegistersWithTheDesignTimeCaption) {
  struct Case {
    const char* name;
    std::function<void(TestMachine&)> breakIt;
    std::string logged;  // the end of the one log line
  } cases[] = {
      {"not well-formed",
       [](TestMachine&) { WriteWholeFile(kFolder + "\\toolbar.xml", "<TOOLBAR caption=\"Vandrel\">"); },
       "  Exception (EDOMParseError): "},
      {"of another toolbar",
       [](TestMachine&) {
         WriteWholeFile(kFolder + "\\toolbar.xml",
                        "<TOOLBAR guid=\"{80C5BAD5-2B8D-44AF-82FA-F86E57899FB8}\" caption=\"Vandrel\"/>");
       },
       "  Exception (Exception): FATAL: Definition GUID is not matching\r\n"},
      {"without its index", [](TestMachine& m) { std::filesystem::remove(HostFolder(m) + "/.files"); },
       "  Exception (EStorage): File storage empty. Unable to get root url.\r\n"},
      {"without its image list", [](TestMachine& m) { std::filesystem::remove(HostFolder(m) + "/buttons.bmp"); },
       "  Exception (EFOpenError): Cannot open file \""},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    InstallLibrary(machine);
    WorkOffline();
    c.breakIt(machine);
    std::string out;
    ASSERT_EQ(Host({"register", kLibrary}, &out), 0) << c.name << ": " << out;
    EXPECT_EQ(out, "DllRegisterServer in " + kLibrary + ": S_OK\n") << c.name;
    EXPECT_EQ(Export(kClassKey), RegisteredClass("Custom Tessaline Band")) << c.name;
    std::string log = LogText();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << c.name << ": " << log;
    EXPECT_NE(log.find(c.logged), std::string::npos) << c.name << ": " << log;
    EXPECT_EQ(Export("HKEY_CURRENT_USER\\Software\\Quorrel"), "") << "no configuration was made";

    ASSERT_EQ(Host({"run", "--virtual-time", kGuid}, &out), 0) << c.name << ": " << out;
    EXPECT_TRUE(HasLine(out, "  band 2 \"Custom Tessaline Band\" 90,0,300,22 child 100,0,300,22")) << out;
    EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  }
}

TEST(Pellandra, ExportsTheFourEntryPointsOnly) {
  std::string out;
  ASSERT_EQ(RunProgram("/usr/bin/nm", {"-D", "--defined-only", kBin + "/Pellandra.so"}, &out), 0);
  std::vector<std::string> names;
  std::istringstream in(out);
  for (std::string line; std::getline(in, line);) names.push_back(line.substr(line.find_last_of(' ') + 1));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"DllCanUnloadNow", "DllGetClassObject", "DllRegisterServer",
                                             "DllUnregisterServer"}))
      << out;
}

TEST(Pellandra, LoadingAndUnloadingAgainLeavesNothingBehind) {
  TestMachine machine;
  InstallLibrary(machine);
  CoInitialize(nullptr);
  for (int round = 1; round <= 2; ++round) {
    HMODULE library = LoadLibraryA(kLibrary.c_str());
    ASSERT_NE(library, nullptr) << round;
    auto call = [library](const char* entry) {
      return reinterpret_cast<HRESULT (*)()>(GetProcAddress(library, entry))();
    };
    EXPECT_EQ(call(round == 1 ? "DllRegisterServer" : "DllUnregisterServer"), S_OK) << round;
    EXPECT_EQ(call("DllCanUnloadNow"), S_OK) << round;
    EXPECT_TRUE(FreeLibrary(library));
    EXPECT_EQ(GetModuleHandleA(kLibrary.c_str()), nullptr) << "really unloaded, round " << round;
  }
  EXPECT_EQ(Export(kClassKey), "") << "the second load unregistered what the first registered";
  CoUninitialize();
}

// Each copy of the library installs its DOM document creator when it loads; the creator must not outlive
// its code, whichever copy unloads first.
TEST(Pellandra, AnUnloadedLibraryLeavesNoDocumentCreatorBehind) {
  TestMachine machine;
  InstallLibrary(machine);
  std::filesystem::copy_file(HostFolder(machine) + "/Pellandra.so", HostFolder(machine) + "/Pellandra2.so");
  CoInitialize(nullptr);
  TDOMDocumentCreator before = SetDOMDocumentCreator(nullptr);
  SetDOMDocumentCreator(before);
  auto parses = [] {
    ComPtr<IXMLDOMDocument> document = CreateDOMDocument();
    VARIANT_BOOL ok = VARIANT_FALSE;
    const BYTE xml[] = "<a/>";
    return document && document->load(xml, 4, &ok) == S_OK && ok == VARIANT_TRUE;
  };
  for (bool firstLoadedFirstGone : {true, false}) {
    HMODULE first = LoadLibraryA(kLibrary.c_str());
    HMODULE second = LoadLibraryA((kFolder + "\\Pellandra2.so").c_str());
    ASSERT_TRUE(first && second && first != second);
    EXPECT_TRUE(parses());
    EXPECT_TRUE(FreeLibrary(firstLoadedFirstGone ? first : second));
    EXPECT_TRUE(parses()) << firstLoadedFirstGone;
    EXPECT_TRUE(FreeLibrary(firstLoadedFirstGone ? second : first));
    EXPECT_TRUE(parses()) << firstLoadedFirstGone;
    EXPECT_EQ(SetDOMDocumentCreator(before), before) << "back to the creator that stood before the loads";
  }
  CoUninitialize();
}

}  // namespace

// The shell host as a program: registering the sample band library (checked with regtool), and hosting it
// in a taskbar and in a browser window through a script, with nothing left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/testing/ChildProcess.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::RunProgram;
using testing_support::TestMachine;

const std::string kBin = std::string(VANDREL_BINARY_DIR) + "/bin";
const std::string kHost = kBin + "/shellhost";
const std::string kLibrary = std::string(VANDREL_BINARY_DIR) + "/tests/SampleBand.so";
const std::string kClsid = "{5A3B1C2D-4E5F-4A6B-8C7D-9E0F1A2B3C4D}";

std::string LibraryInRegistry() {
  std::string path = "Z:" + kLibrary;
  std::replace(path.begin(), path.end(), '/', '\\');
  std::string escaped;
  for (char c : path) escaped += c == '\\' ? std::string("\\\\") : std::string(1, c);
  return escaped;
}

// regtool's export of a key, "" when it does not exist.
std::string Export(const std::string& key) {
  std::string out;
  if (RunProgram(kBin + "/regtool", {"export", key}, &out) != 0) return "";
  out.erase(std::remove(out.begin(), out.end(), '\r'), out.end());
  return out;
}

int Host(const std::vector<std::string>& args, std::string* out = nullptr) { return RunProgram(kHost, args, out); }

// The same with the standard error joined to the output.
int HostWithErrors(const std::vector<std::string>& args, std::string* out) {
  std::string command = "'" + kHost + "'";
  for (const std::string& a : args) command += " '" + a + "'";
  return RunProgram("/bin/sh", {"-c", command + " 2>&1"}, out);
}

const char* kCaches =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Discardable\\PostSetup\\"
    "Component Categories\\";

TEST(ShellHostRegistration, WritesTheBandsKeysByTypeAndOptionAndRemovesThem) {
  struct Case {
    const char* options;
    const char* defaultValue;
    const char* category;
    bool toolBand;
    bool cachesCleared;     // the explorer bars' caches, by registration
    bool deskCacheCleared;  // the desk bands' cache, by unregistration
  } cases[] = {
      {"", "&Sample band", "{00021492-0000-0000-C000-000000000046}", true, false, true},
      {"type=vertical;toolband=0;menucaption=", "Sample band", "{00021493-0000-0000-C000-000000000046}", false, true,
       false},
      {"type=horizontal;caption=  Other band ", "&Sample band", "{00021494-0000-0000-C000-000000000046}", true, true,
       false},
  };
  for (const Case& c : cases) {
    TestMachine machine;
    setenv("SAMPLE_BAND_OPTIONS", c.options, 1);
    std::string error;
    ASSERT_TRUE(vandrel::ImportRegistryText(
        std::string("REGEDIT4\n[") + kCaches + "{00021493-0000-0000-C000-000000000046}\\Enum]\n\"x\"=hex:01\n[" +
            kCaches +
            "{00021494-0000-0000-C000-000000000046}\\Enum\\Sub]\n\"y\"=hex:02\n"
            "[HKEY_CLASSES_ROOT\\Component Categories\\{00021492-0000-0000-C000-000000000046}\\Enum]\n\"z\"=hex:03\n"
            "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar]\n\"{OTHER}\"=\"\"\n",
        error))
        << error;
    std::string out;
    ASSERT_EQ(Host({"register", kLibrary}, &out), 0) << out;
    EXPECT_NE(out.find("DllRegisterServer in Z:"), std::string::npos) << out;
    EXPECT_NE(out.find(": S_OK"), std::string::npos) << out;

    std::string key = "HKEY_CLASSES_ROOT\\CLSID\\" + kClsid;
    EXPECT_EQ(Export(key), std::string("REGEDIT4\n\n") +                                               //
                               "[" + key + "]\n@=\"" + c.defaultValue + "\"\n\n" +                     //
                               "[" + key + "\\InprocServer32]\n@=\"" + LibraryInRegistry() + "\"\n" +  //
                               "\"ThreadingModel\"=\"Apartment\"\n\n" +                                //
                               "[" + key + "\\Implemented Categories]\n\n" +                           //
                               "[" + key + "\\Implemented Categories\\" + c.category + "]\n\n")
        << c.options;
    std::string toolbars = Export("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar");
    EXPECT_NE(toolbars.find("\"{OTHER}\"=\"\""), std::string::npos);
    EXPECT_EQ(toolbars.find("\"" + kClsid + "\"=\"\"") != std::string::npos, c.toolBand) << c.options;
    EXPECT_EQ(Export(std::string(kCaches) + "{00021493-0000-0000-C000-000000000046}\\Enum").empty(), c.cachesCleared);
    EXPECT_EQ(Export(std::string(kCaches) + "{00021494-0000-0000-C000-000000000046}\\Enum").empty(), c.cachesCleared);

    ASSERT_EQ(Host({"unregister", kLibrary}, &out), 0) << out;
    EXPECT_EQ(Export(key), "") << "the class key and all below it are gone";
    toolbars = Export("HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Internet Explorer\\Toolbar");
    EXPECT_EQ(toolbars.find(kClsid), std::string::npos);
    EXPECT_NE(toolbars.find("{OTHER}"), std::string::npos) << "other tool bars stay";
    EXPECT_EQ(Export("HKEY_CLASSES_ROOT\\Component Categories\\{00021492-0000-0000-C000-000000000046}\\Enum").empty(),
              c.deskCacheCleared);
    unsetenv("SAMPLE_BAND_OPTIONS");
  }
}

TEST(ShellHostRegistration, FailuresAreReportedWithANonZeroExit) {
  TestMachine machine;
  std::string out;
  struct Case {
    std::vector<std::string> args;
    int code;
    const char* says;
  } cases[] = {
      {{"register", kBin + "/no-such-library.so"}, 1, "cannot load"},
      {{"register", std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_plain.so"}, 1, "has no DllRegisterServer"},
      {{"unregister", std::string(VANDREL_BINARY_DIR) + "/tests/winapi_sample_plain.so"},
       1,
       "has no DllUnregisterServer"},
      {{"register"}, 2, "usage"},
      {{"run", "--script"}, 2, "usage"},
      {{"run", "not-a-clsid"}, 2, "usage"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(HostWithErrors(c.args, &out), c.code) << c.args[0];
    EXPECT_NE(out.find(c.says), std::string::npos) << out;
  }
  // A class that is not registered: the host says so and ends.
  EXPECT_EQ(Host({"run", "--virtual-time", kClsid}, &out), 1);
  EXPECT_NE(out.find("create " + kClsid + ": 0x80040154 (Class not registered)"), std::string::npos) << out;
}

class ShellHostRun : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string out;
    ASSERT_EQ(Host({"register", kLibrary}, &out), 0) << out;
  }
  // Runs the host with a script; its output.
  std::string Run(const std::string& script, bool browser, const std::vector<std::string>& options = {}) {
    std::string file = machine_.Root() + "/script.txt";
    std::ofstream(file) << script;
    std::vector<std::string> args{"run", "--virtual-time", "--script", file};
    args.insert(args.end(), options.begin(), options.end());
    if (browser) args.push_back("--browser");
    args.push_back(kClsid);
    std::string out;
    EXPECT_EQ(Host(args, &out), 0) << out;
    return out;
  }
  // The lines of the section that the heading starts.
  static std::vector<std::string> Section(const std::string& out, const std::string& heading) {
    std::vector<std::string> lines;
    std::istringstream in(out);
    bool inside = false;
    for (std::string line; std::getline(in, line);) {
      if (line.rfind("== ", 0) == 0)
        inside = line == "== " + heading;
      else if (inside)
        lines.push_back(line);
    }
    return lines;
  }
  static bool Has(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
  }
  TestMachine machine_;
};

constexpr const char* kScenario =
    "# focus, keys, clicks and chevrons\n"
    "click edSearch\n"
    "type edSearch abc\n"
    "key Backspace\n"
    "key Tab\n"
    "key Tab\n"
    "key Tab\n"
    "key Alt+S\n"
    "key Shift+Tab\n"
    "key Alt+S\n"
    "click Go\n"
    "chevron this Help\n"
    "chevron other\n"
    "wait 1000\n";

TEST_F(ShellHostRun, TheWholeScenarioInATaskbar) {
  std::string out = Run(kScenario, false);
  auto start = Section(out, "start");
  EXPECT_TRUE(
      Has(start, "- band info: S_OK min 150x22 max -1x22 integral 1x1 actual 380x22 modes 0xA8 title \"Sample band\""))
      << out;
  EXPECT_TRUE(Has(start, "  form SampleBandForm \"\""));
  EXPECT_TRUE(Has(start, "    TLabel lbStatus \"sited\""));
  EXPECT_TRUE(Has(start, "- site: the band has the focus")) << "ShowDW(TRUE) tells the site";
  EXPECT_TRUE(Has(Section(out, "click edSearch"), "    TEdit edSearch \"\" [focused]"));
  EXPECT_TRUE(Has(Section(out, "key Backspace"), "    TEdit edSearch \"ab\" [focused]"))
      << "Backspace reaches the field";
  auto wrapped = Section(out, "key Tab");  // the last of the three
  EXPECT_TRUE(Has(wrapped, "- host: the focus leaves the band")) << out;
  EXPECT_TRUE(Has(wrapped, "band: without the focus"));
  auto shortcut = Section(out, "key Alt+S");
  EXPECT_TRUE(Has(shortcut, "    TEdit edSearch \"ab\" [focused]"));
  EXPECT_TRUE(Has(Section(out, "key Shift+Tab"), "- host: the focus leaves the band")) << "backwards from the first";
  EXPECT_TRUE(Has(Section(out, "click Go"), "    TLabel lbStatus \"no browser for ab\""));
  auto chevron = Section(out, "chevron this Help");
  EXPECT_TRUE(Has(chevron, "menu ChevronMenu at 346,762: \"Go\" \"Help\" chose \"Help\"")) << out;
  EXPECT_TRUE(Has(chevron, "- host: its own chevron menu for band 2")) << "a taskbar has no WorkerW to hide its own";
  EXPECT_TRUE(Has(chevron, "    TLabel lbStatus \"help\""));
  auto other = Section(out, "chevron other");
  EXPECT_TRUE(Has(other, "- host: its own chevron menu for band 1"));
  EXPECT_FALSE(std::any_of(other.begin(), other.end(), [](const std::string& l) { return l.rfind("menu ", 0) == 0; }));
  auto end = Section(out, "end");
  for (const char* line :
       {"- save 12 bytes: S_OK", "- site: the band has lost the focus", "- hide: S_OK", "- close: S_OK",
        "- unsite: S_OK", "- released", "- DllCanUnloadNow: S_OK", "- the library is unloaded"})
    EXPECT_TRUE(Has(end, line)) << line << "\n" << out;
  EXPECT_NE(out.find("left behind: nothing\n"), std::string::npos);
}

TEST_F(ShellHostRun, TheWholeScenarioInABrowserWindow) {
  std::string out =
      Run(std::string(kScenario) + "navigate http://blocked.example/\nnavigate http://ok.example/\n", true);
  EXPECT_TRUE(Has(Section(out, "click Go"), "- browser: navigated to http://search.example/?q=ab")) << out;
  EXPECT_TRUE(Has(Section(out, "click Go"), "    TLabel lbStatus \"at http://search.example/?q=ab\""));
  auto chevron = Section(out, "chevron this Help");
  EXPECT_TRUE(Has(chevron, "menu ChevronMenu at 402,45: \"Help\" chose \"Help\"")) << out;
  EXPECT_FALSE(Has(chevron, "- host: its own chevron menu for band 2")) << "the band hid the host's own menu";
  EXPECT_TRUE(Has(Section(out, "chevron other"), "- host: its own chevron menu for band 1"));
  auto blocked = Section(out, "navigate http://blocked.example/");
  EXPECT_TRUE(Has(blocked, "- browser: navigation to http://blocked.example/ cancelled"));
  EXPECT_TRUE(Has(blocked, "    TLabel lbStatus \"before http://blocked.example/\""));
  EXPECT_TRUE(Has(Section(out, "navigate http://ok.example/"), "    TLabel lbStatus \"at http://ok.example/\""));
  EXPECT_NE(out.find("left behind: nothing\n"), std::string::npos) << out;
}

TEST_F(ShellHostRun, ALineOfScriptRunsOnTheCurrentPage) {
  std::string out =
      Run("navigate about:blank\n"
          "script browser document.URL + ' ' + (6 * 7) + ' ' + typeof window.document.body\n"
          "script browser window.kept = 'yes'; missing()\n"
          "script browser kept\n"
          "script lbStatus 1\n",
          true);
  EXPECT_TRUE(Has(Section(out, "script browser document.URL + ' ' + (6 * 7) + ' ' + typeof window.document.body"),
                  "- script: about:blank 42 object"))
      << out;
  EXPECT_TRUE(Has(Section(out, "script browser window.kept = 'yes'; missing()"),
                  "- script error: script line 1: ReferenceError: identifier 'missing' undefined"));
  EXPECT_TRUE(Has(Section(out, "script browser kept"), "- script: yes")) << "the page keeps what a line put on it";
  EXPECT_TRUE(Has(Section(out, "script lbStatus 1"), "- error: Control lbStatus is no web browser"));
  std::string taskbar = Run("script browser 1\n", false);
  EXPECT_TRUE(Has(Section(taskbar, "script browser 1"), "- error: There is no browser in a taskbar"));
}

TEST_F(ShellHostRun, TheSavedStateIsLoadedByTheNextRun) {
  std::string first = Run("", false);
  EXPECT_EQ(first.find("- load"), std::string::npos) << "nothing saved yet";
  EXPECT_TRUE(Has(Section(first, "start"), "- window: 0,0,320,240 visible"));
  std::string second = Run("", true, {"--seconds", "90"});
  EXPECT_NE(second.find("\n== after 90 s\n"), std::string::npos) << "the band stays for that long";
  auto start = Section(second, "start");
  EXPECT_TRUE(Has(start, "- load 12 bytes: S_OK")) << second;
  // The taskbar placed the window at 140,0 with 146 pixels left of the chevron.
  EXPECT_TRUE(Has(start, "- window: 140,0,286,240 visible")) << second;
}

TEST_F(ShellHostRun, ActionsThatCannotBeDoneAreReportedAndTheRunGoesOn) {
  std::string out = Run("click nothing\nfocus lbStatus\nnavigate http://x/\nclick Help\n", false);
  EXPECT_TRUE(Has(Section(out, "click nothing"), "- error: No control named nothing"));
  EXPECT_TRUE(Has(Section(out, "focus lbStatus"), "- error: Control lbStatus cannot take the focus"));
  EXPECT_TRUE(Has(Section(out, "navigate http://x/"), "- error: There is no browser in a taskbar"));
  EXPECT_TRUE(Has(Section(out, "click Help"), "    TLabel lbStatus \"help\""));
  EXPECT_NE(out.find("left behind: nothing\n"), std::string::npos);
  std::string bad = machine_.Root() + "/bad.txt";
  std::ofstream(bad) << "click Go\njump high\n";
  std::string says;
  EXPECT_EQ(HostWithErrors({"run", "--script", bad, kClsid}, &says), 2);
  EXPECT_NE(says.find("line 2: unknown action \"jump\""), std::string::npos) << says;
}

}  // namespace

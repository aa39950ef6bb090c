// The toolbar as a user meets it: the library installed on a fresh machine and hosted by the shell host as a
// child process in real time, with the provider's names mapped to loopback servers in the machine's hosts
// file, so that nothing looks a name up off the machine.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "platform/runtime/DateTime.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/Timing.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/ShellFolders.h"
#include "toolbar/tests/LibraryTestSupport.h"

namespace {

using namespace library_test;
using namespace testing_support;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const std::string kBin = std::string(VANDREL_BINARY_DIR) + "/bin";
const std::string kConfigKey = "Software\\Quorrel\\Tessaline\\" + kGuid;
constexpr const char* kProviderNames = "eszkoztar.vandrel.hu kereses.vandrel.hu hirek.vandrel.hu www.vandrel.hu";

std::string Shipped(const std::string& name) {
  std::ifstream in(std::string(VANDREL_SOURCE_DIR) + "/toolbar/default/" + name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool HasLine(const std::string& text, const std::string& line) {
  std::vector<std::string> lines = Lines(text);
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The lines of the snapshot under the heading.
std::string Section(const std::string& out, const std::string& heading) {
  std::string section;
  bool inside = false;
  for (const std::string& line : Lines(out)) {
    if (line.rfind("== ", 0) == 0)
      inside = line == "== " + heading;
    else if (inside)
      section += line + "\n";
  }
  return section;
}

// The files of a storage folder (host path) by name, with their bytes.
std::map<std::string, std::string> FolderFiles(const std::string& windowsFolder) {
  std::map<std::string, std::string> files;
  std::string host = vandrel::MapWindowsPath(windowsFolder).path;
  if (host.empty() || !fs::exists(host)) return files;
  for (const auto& entry : fs::directory_iterator(host))
    if (entry.is_regular_file() && entry.path().filename() != "Tessaline.log")
      files[entry.path().filename().string()] = ReadWholeFile(windowsFolder + "\\" + entry.path().filename().string());
  return files;
}

std::string UserStorageFolder() {
  char folder[MAX_PATH] = {};
  SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, folder);
  std::string path = folder;
  if (path.back() != '\\') path += '\\';
  return path + "Tessaline\\" + kGuid;
}

std::string DownloadStorageFolder() {
  char temp[MAX_PATH + 1] = {};
  GetTempPathA(sizeof temp, temp);
  return std::string(temp) + "Tessaline\\" + kGuid;
}

std::string LogText() { return ReadWholeFile(DownloadStorageFolder() + "\\Tessaline.log"); }

// A binary or string value of the toolbar's configuration; "" when missing.
std::string ConfigValue(const std::string& subKey, const std::string& name) {
  HKEY key = nullptr;
  std::string path = subKey.empty() ? kConfigKey : kConfigKey + "\\" + subKey;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return "";
  DWORD size = 0, type = 0;
  std::string bytes;
  if (RegQueryValueExA(key, name.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
    bytes.resize(size);
    RegQueryValueExA(key, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(bytes.data()), &size);
    bytes.resize(size);
  }
  RegCloseKey(key);
  return bytes;
}

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n\n" + text, error)) << error;
}

// What one request brought: its target, whether it asked for a reload, and when it came.
struct Seen {
  std::string target;
  bool reload;
  Clock::time_point at;
};

// A fresh machine with the library installed and registered, its provider's names on loopback, and a
// recording server for them.
class ToolbarOnMachine : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallLibrary(machine_);
    fs::create_directories(machine_.DriveC() + "/WINDOWS/system32/drivers/etc");
    std::ofstream(machine_.DriveC() + "/WINDOWS/system32/drivers/etc/hosts")
        << "# the provider on loopback\n127.0.0.1 " << kProviderNames << "\n";
    server_.OnOther([this](const HttpRecordedRequest& request) {
      Record(request);
      return HttpScriptedResponse::Status(404);
    });
  }

  // The provider's address of a path on the test server ("http://eszkoztar.vandrel.hu:PORT/path").
  std::string Provider(const std::string& host, const std::string& path) const {
    return "http://" + host + ":" + std::to_string(server_.Port()) + path;
  }

  // The server answers the path with the body, recording the request.
  void Serve(const std::string& path, HttpScriptedResponse response) {
    server_.On(path, [this, response](const HttpRecordedRequest& request) {
      Record(request);
      return response;
    });
  }

  // The shipped definition as installed, its address on the test server.
  void InstallDefinition(const std::string& xml) { WriteWholeFile(kFolder + "\\toolbar.xml", xml); }
  std::string ShippedOnServer() const {
    return ReplaceAll(Shipped("toolbar.xml"), "src=\"http://eszkoztar.vandrel.hu/",
                      "src=\"" + Provider("eszkoztar.vandrel.hu", "/"));
  }

  void Register() {
    std::string out;
    ASSERT_EQ(RunProgram(kBin + "/shellhost", {"register", kLibrary}, &out), 0) << out;
  }

  // The shell host's arguments for a real-time run of that long with the script.
  std::vector<std::string> RunArgs(int seconds, const std::string& script = "", bool browser = false) {
    std::vector<std::string> args{"run", "--seconds", std::to_string(seconds)};
    if (!script.empty()) {
      std::string file = machine_.Root() + "/script" + std::to_string(++scripts_) + ".txt";
      std::ofstream(file) << script;
      args.insert(args.end(), {"--script", file});
    }
    if (browser) args.push_back("--browser");
    args.push_back(kGuid);
    return args;
  }
  std::string Run(int seconds, const std::string& script = "", bool browser = false) {
    std::string out;
    EXPECT_EQ(RunProgram(kBin + "/shellhost", RunArgs(seconds, script, browser), &out), 0) << out;
    return out;
  }

  std::vector<Seen> SeenRequests() {
    std::lock_guard<std::mutex> hold(lock_);
    return seen_;
  }
  // The requests for the target, of those after the first `from`.
  int Count(const std::string& target, size_t from = 0) {
    std::vector<Seen> seen = SeenRequests();
    return int(std::count_if(seen.begin() + long(std::min(from, seen.size())), seen.end(),
                             [&](const Seen& s) { return s.target == target; }));
  }

  TestMachine machine_;
  HttpTestServer server_;

 private:
  void Record(const HttpRecordedRequest& request) {
    std::lock_guard<std::mutex> hold(lock_);
    seen_.push_back({request.target, request.Header("Pragma") == "no-cache", Clock::now()});
  }
  std::mutex lock_;
  std::vector<Seen> seen_;
  int scripts_ = 0;
};

// The second version of the definition: the shipped one with a weather button.
std::string SecondVersion(const std::string& shipped) {
  return ReplaceAll(shipped, "</TOOLBAR>",
                    "  <BUTTON caption=\"Időjárás\" imagelist=\"gombok\" imageindex=\"3\" action=\"openurl\"\n"
                    "          href=\"http://www.vandrel.hu/idojaras\" target=\"_blank\"/>\n</TOOLBAR>");
}

TEST_F(ToolbarOnMachine, TheWorkersFirstCycleUpdatesTheDefinitionAndTheBandShowsTheNewButton) {
  std::string shipped = ShippedOnServer();
  InstallDefinition(shipped);
  std::string second = SecondVersion(shipped), bitmap = Shipped("buttons.bmp");
  Serve("/pellandra/toolbar.xml", HttpScriptedResponse::Ok(second));
  Serve("/pellandra/buttons.bmp", HttpScriptedResponse::Ok(bitmap));
  Register();

  std::string out = Run(4);
  EXPECT_EQ(Section(out, "start").find("Időjárás"), std::string::npos) << out;
  EXPECT_NE(Section(out, "after 4 s")
                .find("      TMyToolButton \"Hírek\" style=button\n"
                      "      TMyToolButton \"Időjárás\" style=button\n"),
            std::string::npos)
      << out;
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;

  // Each file once: the definition as the cache allows, the stored files reloaded.
  std::vector<Seen> seen = SeenRequests();
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[0].target, "/pellandra/toolbar.xml");
  EXPECT_FALSE(seen[0].reload);
  EXPECT_EQ(seen[1].target, "/pellandra/buttons.bmp");
  EXPECT_TRUE(seen[1].reload);

  // The worker assembled the version in the download storage and committed it to the user storage, which
  // alone is marked valid.
  std::map<std::string, std::string> user = FolderFiles(UserStorageFolder());
  std::map<std::string, std::string> download = FolderFiles(DownloadStorageFolder());
  ASSERT_TRUE(user.count(".valid")) << "the user storage is valid";
  EXPECT_FALSE(download.count(".valid"));
  user.erase(".valid");
  EXPECT_EQ(user, download) << "the user storage is the download storage's copy";
  std::vector<std::string> index = Lines(user[".files"]);
  ASSERT_EQ(index.size(), 2u) << user[".files"];
  const std::string keys[] = {Provider("eszkoztar.vandrel.hu", "/pellandra/toolbar.xml"),
                              Provider("eszkoztar.vandrel.hu", "/pellandra/buttons.bmp")};
  const std::string* bodies[] = {&second, &bitmap};
  for (int i = 0; i < 2; ++i) {
    size_t equals = index[i].find('=');
    ASSERT_NE(equals, std::string::npos) << index[i];
    EXPECT_EQ(index[i].substr(equals + 1), keys[i]);
    EXPECT_EQ(user[index[i].substr(0, equals)], *bodies[i]) << index[i];
  }
  EXPECT_EQ(LogText(), "") << "nothing went wrong";
}

// Two feeds: the first cycle of a worker stores the first, the next worker's first cycle the second.
std::string TwoFeeds(const std::string& first, const std::string& second, const std::string& suffix) {
  return ReplaceAll(
      ReplaceAll(Shipped("toolbar.xml"), " src=\"http://eszkoztar.vandrel.hu/pellandra/toolbar.xml\"", ""),
      "  <IMAGELIST",
      "  <feed id=\"elso" + suffix + "\" src=\"" + first + "\"/>\n  <feed id=\"masodik" + suffix + "\" src=\"" +
          second + "\"/>\n  <IMAGELIST");
}

std::string Rss(const std::string& title, const std::string& link) {
  return "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Hírek</title><link>http://hirek.vandrel.hu/"
         "</link><description>d</description><item><title>" +
         title + "</title><link>" + link + "</link><description>A hír szövege.</description></item></channel></rss>";
}

TEST_F(ToolbarOnMachine, OfTwoShellHostsOneRunsTheWorkerAndTheOtherTakesOverWhenItEnds) {
  Serve("/elso.xml", HttpScriptedResponse::Ok(Rss("Első", "http://hirek.vandrel.hu/1")));
  Serve("/masodik.xml", HttpScriptedResponse::Ok(Rss("Második", "http://hirek.vandrel.hu/2")));
  Register();
  for (bool killed : {false, true}) {
    SCOPED_TRACE(killed ? "the first host is killed" : "the first host ends");
    // Feeds of other names each time, so that they are due.
    std::string suffix = killed ? "2" : "1";
    InstallDefinition(
        TwoFeeds(Provider("hirek.vandrel.hu", "/elso.xml"), Provider("hirek.vandrel.hu", "/masodik.xml"), suffix));
    size_t before = SeenRequests().size();
    auto first = std::make_unique<ChildProcess>(kBin + "/shellhost", RunArgs(killed ? 30 : 3));
    while (first->ReadLine() != "== start") {
    }
    ChildProcess second(kBin + "/shellhost", RunArgs(7));
    while (second.ReadLine() != "== start") {
    }
    Clock::time_point ended;
    if (killed) {
      const auto deadline = Clock::now() + std::chrono::seconds(10 * kSanitizerSlowdown);
      while (Count("/elso.xml", before) == 0 && Clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      first->Kill(SIGKILL);
      first->Wait();
      ended = Clock::now();
    } else {
      std::string rest;
      EXPECT_EQ(first->Wait(&rest), 0) << rest;
      ended = Clock::now();
    }
    std::vector<Seen> seen = SeenRequests();
    seen.erase(seen.begin(), seen.begin() + long(before));
    ASSERT_EQ(seen.size(), 1u) << "one worker while both hosts live";
    EXPECT_EQ(seen[0].target, "/elso.xml");
    const auto deadline = ended + std::chrono::milliseconds(3000 * kSanitizerSlowdown);
    while (Count("/masodik.xml", before) == 0 && Clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    seen = SeenRequests();
    seen.erase(seen.begin(), seen.begin() + long(before));
    ASSERT_EQ(seen.size(), 2u) << "the second host's worker cycles";
    EXPECT_EQ(seen[1].target, "/masodik.xml");
    EXPECT_LE(std::chrono::duration_cast<std::chrono::milliseconds>(seen[1].at - ended).count(),
              1500 * kSanitizerSlowdown);
    std::string rest;
    EXPECT_EQ(second.Wait(&rest), 0) << rest;
    EXPECT_TRUE(HasLine(rest, "left behind: nothing")) << rest;
    EXPECT_EQ(ConfigValue("Feeds\\masodik" + suffix, "Content"), Rss("Második", "http://hirek.vandrel.hu/2"));
    EXPECT_EQ(LogText(), "");
  }
}

// A copy of the shipped files in the user storage, marked valid: an earlier update.
void StoreEarlierUpdate(const std::string& definition) {
  std::string folder = vandrel::MapWindowsPath(UserStorageFolder()).path;
  fs::create_directories(folder);
  for (const char* name : {".files", "buttons.bmp"})
    fs::copy_file(std::string(VANDREL_SOURCE_DIR) + "/toolbar/default/" + name, folder + "/" + name);
  WriteWholeFile(UserStorageFolder() + "\\toolbar.xml", definition);
  WriteWholeFile(UserStorageFolder() + "\\.valid", "");
}

TEST_F(ToolbarOnMachine, AServerErrorAndAnAtomFeedAreLoggedAndStoreNothing) {
  // The feed comes from Python's http.server, the definition's 500 from the test server.
  fs::create_directories(machine_.Root() + "/www");
  std::ofstream(machine_.Root() + "/www/atom.xml")
      << "<?xml version=\"1.0\"?><feed xmlns=\"http://www.w3.org/2005/Atom\"><title>Hírek</title>"
         "<entry><title>Egy</title><link href=\"http://hirek.vandrel.hu/1\"/></entry></feed>";
  PythonHttpServer python(machine_.Root() + "/www");
  std::string feedUrl = "http://hirek.vandrel.hu:" + std::to_string(python.Port()) + "/atom.xml";
  std::string definition =
      ReplaceAll(ShippedOnServer(), "  <IMAGELIST", "  <feed id=\"hirek\" src=\"" + feedUrl + "\"/>\n  <IMAGELIST");
  InstallDefinition(definition);
  StoreEarlierUpdate(definition);
  Serve("/pellandra/toolbar.xml", HttpScriptedResponse::Status(500, "<h1>Internal error</h1>"));
  Register();
  std::map<std::string, std::string> before = FolderFiles(UserStorageFolder());

  std::string out = Run(3);
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  EXPECT_EQ(Count("/pellandra/toolbar.xml"), 1);
  EXPECT_EQ(FolderFiles(UserStorageFolder()), before) << "the user storage is untouched";
  EXPECT_EQ(ConfigValue("Feeds\\hirek", "Content"), "") << "nothing stored";
  EXPECT_NE(ConfigValue("Feeds\\hirek", "LastCheck"), "") << "but checked";
  EXPECT_NE(ConfigValue("", "LastDefDownloadError"), "");
  // Only errors are logged without DebugLog: both are.
  std::vector<std::string> log = Lines(LogText());
  ASSERT_EQ(log.size(), 2u) << LogText();
  const std::string messages[] = {
      "  Error checking feed hirek: Not a valid RSS feed",
      "  Exception (EWinInetServerError) in workerthread: Server returned error code 500 for document \"" +
          Provider("eszkoztar.vandrel.hu", "/pellandra/toolbar.xml") + "\""};
  for (int i = 0; i < 2; ++i) {
    ASSERT_GE(log[i].size(), messages[i].size()) << log[i];
    EXPECT_EQ(log[i].substr(log[i].size() - messages[i].size()), messages[i]);
  }
}

// The machine identifier as the oracle computes it from the machine's registry as regtool exports it.
std::string MachineIdentifierOracle() {
  std::string exports;
  for (const char* key : {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                          "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                          "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup",
                          "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName"}) {
    std::string text;
    EXPECT_EQ(RunProgram(kBin + "/regtool", {"export", key}, &text), 0);
    exports += text;
  }
  return RunPython(R"py(
import hashlib, re, sys
text = sys.stdin.buffer.read().decode('cp1250').replace('\\\r\n  ', '')
values, key = {}, None
for line in text.split('\r\n'):
    if line.startswith('['):
        key = line[1:-1]
        continue
    m = re.match(r'"((?:[^"\\]|\\.)*)"=(.*)', line)
    if not m:
        continue
    name, data = m.group(1), m.group(2)
    if data.startswith('"'):
        raw = re.sub(r'\\(.)', r'\1', data[1:-1]).encode('cp1250')
    elif data.startswith('hex:'):
        raw = bytes(int(b, 16) for b in data[4:].split(',') if b)
    elif data.startswith('dword:'):
        raw = str(int(data[6:], 16)).encode()
    values[(key + '\\' + name).lower()] = raw
top = 'hkey_local_machine\\'
parts = [values.get(top + n, b'???') for n in ('software\\microsoft\\windows\\currentversion\\productid',
         'software\\microsoft\\windows nt\\currentversion\\digitalproductid',
         'software\\microsoft\\windows\\currentversion\\setup\\privatehash')]
parts.append(values[top + 'system\\currentcontrolset\\control\\computername\\computername\\computername'].upper())
print(hashlib.md5(b'|'.join(parts)).hexdigest().upper(), end='')
)py",
                   exports);
}

TEST_F(ToolbarOnMachine, ASearchTypedIntoTheComboReachesTheServerWithTheMachineIdentifier) {
  Import(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
      "\"ProductId\"=\"55274-OEM-0011903-00102\"\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n"
      "\"DigitalProductId\"=hex:a4,00,00,00,03,00,00,00,35,35,32,37,34\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup]\n"
      "\"PrivateHash\"=dword:0012d687\n");
  std::string machineId = MachineIdentifierOracle();
  ASSERT_EQ(machineId.size(), 32u) << machineId;
  // No update address: the worker stays quiet.
  std::string definition =
      ReplaceAll(ReplaceAll(Shipped("toolbar.xml"), " src=\"http://eszkoztar.vandrel.hu/pellandra/toolbar.xml\"", ""),
                 "http://kereses.vandrel.hu/?q=%%kereses%%",
                 Provider("kereses.vandrel.hu", "/?q=%%kereses%%&amp;gep=%%toolbarmachineid%%"));
  InstallDefinition(definition);
  server_.On(
      "/", [](const HttpRecordedRequest&) { return HttpScriptedResponse::Ok("<html><body>Találatok</body></html>"); });
  Register();
  const std::string script = "key Alt+V\ntype focused menetrend\nkey Enter\n";
  const std::string expected = "/?q=menetrend&gep=" + machineId;

  std::string out = Run(1, script, true);
  std::vector<HttpRecordedRequest> requests = server_.Requests();
  ASSERT_EQ(requests.size(), 1u) << out;
  EXPECT_EQ(requests[0].target, expected);
  EXPECT_EQ(requests[0].Header("Host"), "kereses.vandrel.hu:" + std::to_string(server_.Port()));
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  EXPECT_EQ(Lines(ConfigValue("History", "kereses")).front(), "menetrend") << "the history holds the text first";

  // On a taskbar the same search goes to the system's handler of addresses.
  out = Run(1, "key Alt+V\ntype focused vonat\nkey Enter\n");
  EXPECT_TRUE(HasLine(out, "opened SW_SHOWNORMAL " + Provider("kereses.vandrel.hu", "/?q=vonat&gep=" + machineId)))
      << out;
  std::vector<std::string> history = Lines(ConfigValue("History", "kereses"));
  ASSERT_GE(history.size(), 2u);
  EXPECT_EQ(history[0], "vonat");
  EXPECT_EQ(history[1], "menetrend");
  EXPECT_EQ(server_.Requests().size(), 1u) << "nothing was fetched on the taskbar";
  EXPECT_EQ(LogText(), "");
}

// The shipped definition without its update address, with more before its image list.
std::string WithoutUpdate(const std::string& more) {
  return ReplaceAll(
      ReplaceAll(Shipped("toolbar.xml"), " src=\"http://eszkoztar.vandrel.hu/pellandra/toolbar.xml\"", ""),
      "  <IMAGELIST", more + "  <IMAGELIST");
}

TEST_F(ToolbarOnMachine, AServedFeedPopsUpInABrowserAndItsClickOpensTheItemThere) {
  InstallDefinition(WithoutUpdate("  <feed id=\"hirek\" src=\"" + Provider("hirek.vandrel.hu", "/hirek.xml") +
                                  "\" target=\"_self\"/>\n"));
  Serve("/hirek.xml", HttpScriptedResponse::Ok(Rss("Első hír", Provider("hirek.vandrel.hu", "/cikk/1"))));
  Serve("/cikk/1", HttpScriptedResponse::Ok("<html><body>Az első hír</body></html>"));
  Register();

  // The user leaves the band; the worker fetches the feed, the band announces its item.
  std::string out = Run(0, "popup Első hír\nfocus host\nwait 2500\npopup Első hír\nwait 300\n", true);
  EXPECT_TRUE(HasLine(out, "- error: No pop-up is shown")) << "not before the feed came: " << out;
  std::string shown = Section(out, "wait 2500");
  EXPECT_NE(shown.find("popup at "), std::string::npos) << out;
  EXPECT_NE(shown.find("    TLabel lblTitle \"Első hír\""), std::string::npos) << out;
  EXPECT_NE(shown.find("    TLabel lblContent \"A hír szövege.\""), std::string::npos) << out;
  EXPECT_EQ(Section(out, "wait 300").find("popup at "), std::string::npos) << "the click closes it: " << out;
  EXPECT_EQ(Count("/cikk/1"), 1) << "the host browser opened the item: " << out;
  EXPECT_NE(ConfigValue("", "LastPopupClick"), "");
  EXPECT_EQ(Lines(ConfigValue("Feeds\\hirek", "ShownEntries")).size(), 1u);
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  EXPECT_EQ(LogText(), "");
}

TEST_F(ToolbarOnMachine, AnHtmlAreasPageAddsAButtonAndOnlyTheDefinitionsHostGetsTheObject) {
  std::string definition = ReplaceAll(ShippedOnServer(), "  <IMAGELIST",
                                      "  <HTMLAREA width=\"80\" autohide=\"0\" src=\"" +
                                          Provider("eszkoztar.vandrel.hu", "/sav.html") + "\"/>\n  <IMAGELIST");
  InstallDefinition(definition);
  // The definition was just updated: the worker leaves it.
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(HKEY_CURRENT_USER, kConfigKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
  const double now = Now();
  RegSetValueExA(key, "LastDefDownloadSuccess", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&now), sizeof now);
  RegCloseKey(key);
  // Each build makes a new area, which loads the page again: it adds its button the first time only.
  std::atomic<int> loads{0};
  server_.On("/sav.html", [&](const HttpRecordedRequest&) {
    HttpScriptedResponse r = HttpScriptedResponse::Ok(
        ++loads > 1 ? "<html><body>Vandrel</body></html>"
                    : "<html><body><script>Pellandra.AddExtraButton(\"Új gomb\", \"gombok\", 2, "
                      "\"http://www.vandrel.hu/uj\", \"_blank\");</script></body></html>");
    r.headers.push_back({"Content-Type", "text/html; charset=utf-8"});
    return r;
  });
  server_.On("/oldal.html", HttpScriptedResponse::Ok("<html><body>Oldal</body></html>"));
  Register();

  const std::string script =
      "focus host\nwait 1500\n"
      "navigate " +
      Provider("eszkoztar.vandrel.hu", "/oldal.html") +
      "\n"
      "script browser typeof Pellandra\n"
      "navigate " +
      Provider("www.vandrel.hu", "/oldal.html") +
      "\n"
      "script browser String(typeof Pellandra)\n";
  std::string out = Run(0, script, true);
  EXPECT_NE(Section(out, "wait 1500").find("      TMyToolButton \"Új gomb\" style=button\n"), std::string::npos) << out;
  EXPECT_TRUE(HasLine(Section(out, "script browser typeof Pellandra"), "- script: object")) << out;
  EXPECT_TRUE(HasLine(Section(out, "script browser String(typeof Pellandra)"), "- script: undefined")) << out;
  EXPECT_EQ(loads.load(), 2) << "the page, then again after the rebuild";
  EXPECT_EQ(Count("/pellandra/toolbar.xml"), 0);
  EXPECT_TRUE(HasLine(out, "left behind: nothing")) << out;
  EXPECT_EQ(LogText(), "");
}

}  // namespace

// The worker's cycle on the virtual clock against a loopback server under the provider's name: each row
// of the table is a machine state, a server and steps of time (more than 30 s apart, so that each runs a
// cycle unless a hold-off keeps it back), each step checking the requests the
// server saw, the log lines with their levels and the broadcasts. Every row runs with the debug log on
// (all lines) and off (only the lines of level 2).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>

#include "platform/com/ClassTable.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/testing/HttpTestServer.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/WinInet.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"
#include "toolbar/uSignals.h"
#include "toolbar/uStorageFolders.h"
#include "toolbar/uWorkerCycle.h"

namespace {

using namespace library_test;
using testing_support::HttpScriptedResponse;
namespace fs = std::filesystem;

constexpr int64_t kSecond = 1000, kMinute = 60 * kSecond, kDay = 24 * 60 * kMinute;
const std::string kGuidAttr = "guid=\"" + kGuid + "\"";
const std::string kRss =
    "<rss version=\"2.0\"><channel><title>H</title><item><title>Egy</title></item></channel></rss>";

struct Line {
  int level;
  std::string text;  // "*" matches any run of characters
};
using Lines = std::vector<Line>;
using Targets = std::vector<std::string>;

class Rig;
struct Step {
  int64_t advanceMs;
  Targets requests;  // the targets the server saw during the step, in order
  Lines log;
  bool defChanged = false, feedChanged = false;
  std::function<void(Rig&)> check = nullptr;
  std::function<void(Rig&)> before = nullptr;
};
struct Row {
  const char* name;
  std::function<void(Rig&)> setup;
  std::vector<Step> steps;
};

bool Matches(std::string_view pattern, std::string_view text) {
  size_t star = pattern.find('*');
  if (star == std::string_view::npos) return pattern == text;
  if (text.substr(0, star) != pattern.substr(0, star)) return false;
  std::string_view rest = pattern.substr(star + 1);
  for (size_t at = star; at <= text.size(); ++at)
    if (Matches(rest, text.substr(at))) return true;
  return false;
}

// The machine, the module, a worker configuration and a cycle of the test thread.
class Rig {
 public:
  testing_support::TestMachine machine;
  testing_support::HttpTestServer server;
  TTessalineDeskBandModule* module = nullptr;
  TTessalineConfiguration* config = nullptr;
  std::unique_ptr<TWorkerCycle> cycle;
  size_t seenRequests = 0, seenLog = 0;
  int64_t advancedMs = 0;
  fs::file_time_type virtualStart;  // the file clock when the virtual clock started

  // Moves the virtual clock and runs a cycle. Files that the cycle wrote into the user storage get dates of
  // the virtual clock, as they would have had if the file system's clock had moved with it.
  void Cycle(int64_t advanceMs) {
    ClockAdvance(uint64_t(advanceMs));
    advancedMs += advanceMs;
    std::map<fs::path, fs::file_time_type> before;
    for (const auto& entry : fs::recursive_directory_iterator(UserFolder()))
      if (entry.is_regular_file()) before[entry.path()] = fs::last_write_time(entry.path());
    cycle->Run();
    for (const auto& entry : fs::recursive_directory_iterator(UserFolder())) {
      if (!entry.is_regular_file()) continue;
      auto found = before.find(entry.path());
      if (found == before.end() || found->second != fs::last_write_time(entry.path())) DateOnVirtualClock(entry.path());
    }
  }
  // The file's date := the virtual clock's present.
  void DateOnVirtualClock(const fs::path& file) {
    fs::last_write_time(file, virtualStart + std::chrono::milliseconds(advancedMs));
  }
  std::string UserFolder() const {
    std::string root = cp1250::ToUtf8(UserStorage()->Root().substr(3));
    for (char& c : root)
      if (c == '\\') c = '/';
    return machine.DriveC() + "/" + root;
  }

  std::string Url(const std::string& name) const {
    return "http://eszkoztar.vandrel.hu:" + std::to_string(server.Port()) + "/pellandra/" + name;
  }
  // The shipped root definition: a TOOLBAR element with the attributes and children given.
  void Ship(const std::string& attributes, const std::string& children) {
    WriteWholeFile(kFolder + "\\toolbar.xml",
                   "<TOOLBAR " + kGuidAttr + " caption=\"Vandrel\" " + attributes + ">" + children + "</TOOLBAR>");
  }
  // A file of the user storage under its URL (the first one stored is the root).
  void StoreUser(const std::string& name, const std::string& bytes) {
    TStringStream content(bytes);
    UserStorage()->StoreFile(Url(name), content, 0, "");
  }
  std::string UserFile(const std::string& name) { return UserStorage()->ReadString(Url(name)); }
  std::string Feed(const std::string& id) {
    TStringStream content("");
    config->LoadFeedContent(id, content);
    return content.DataString();
  }

  void Start() {
    fs::create_directories(machine.DriveC() + "/WINDOWS/system32/drivers/etc");
    WriteWholeFile("C:\\WINDOWS\\system32\\drivers\\etc\\hosts", "127.0.0.1 eszkoztar.vandrel.hu\r\n");
    InstallShippedFiles(machine);
    Ship("", "<SEPARATOR/>");
  }
  void StartModule(bool debugLog) {
    HMODULE library = LoadSampleAsLibrary(machine, "winapi_sample_plain.so");
    SetInstanceModuleForTesting(library);
    CoInitialize(nullptr);
    InitializeLibraryUnits();
    Startup();
    module = TessalineDeskBandModule();
    ASSERT_NE(module, nullptr);
    config = TTessalineConfiguration::CreateUnowned(*module);
    config->WriteInteger("", "DebugLog", debugLog ? 1 : 0);
    CreateSignalWindow();
    SetClockMode(TClockMode::Virtual);
    virtualStart = fs::file_time_type::clock::now();
    cycle = std::make_unique<TWorkerCycle>(*module, *config, nullptr);
  }
  void Stop() {
    cycle.reset();
    if (config) config->Free();
    config = nullptr;
    DestroySignalWindow();
    SetClockMode(TClockMode::Real);
  }

  Targets NewRequests() {
    auto all = server.Requests();
    Targets targets;
    for (size_t i = seenRequests; i < all.size(); ++i)
      targets.push_back(all[i].target.substr(std::string("/pellandra/").size()));
    seenRequests = all.size();
    return targets;
  }
  std::vector<std::string> NewLogLines() {
    std::string text = ReadWholeFile(module->LogFileName());
    std::vector<std::string> lines;
    for (size_t at = seenLog, end; at < text.size(); at = end + 2) {
      end = text.find("\r\n", at);
      if (end == std::string::npos) end = text.size();
      std::string line = text.substr(at, end - at);
      size_t gap = line.find("  ");
      lines.push_back(gap == std::string::npos ? line : line.substr(gap + 2));
    }
    seenLog = text.size();
    return lines;
  }
  // The broadcasts that reached this thread's signal window since the last call.
  std::pair<bool, bool> Signals() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    std::pair<bool, bool> flags{IsDefChanged(), IsFeedChanged()};
    ClearDefChanged();
    ClearFeedChanged();
    return flags;
  }
};

Step Quiet(int64_t advanceMs, std::function<void(Rig&)> check = nullptr) {
  Step step{advanceMs, {}, {}};
  step.check = std::move(check);
  return step;
}

const Lines kFeedStored = {{0, "Attempting to download RSS file for feed \"hirek\"..."},
                           {0, "RSS file for feed \"hirek\" downloaded."},
                           {0, "RSS file parse successful."},
                           {0, "RSS file stored."}};

Lines FeedStored(const std::string& id) {
  Lines lines = kFeedStored;
  for (Line& line : lines)
    if (size_t at = line.text.find("hirek"); at != std::string::npos) line.text.replace(at, 5, id);
  return lines;
}

Lines DefinitionRefreshed(const std::string& url) {
  return {{0, "Definition refresh period elapsed. Trying to update..."},
          {0, "Definition download url is " + url + ". Starting download..."},
          {0, "Definition file downloaded (* bytes)."},
          {0, "Clearing temporary storage..."},
          {0, "Temporary storage cleared."},
          {0, "Attempting to load new definition..."},
          {0, "New definition successfully loaded."},
          {0, "Attempting to commit new definition to user storage..."},
          {0, "New definition committed."}};
}

Step WithFlags(Step step, bool def, bool feed) {
  step.defChanged = def;
  step.feedChanged = feed;
  return step;
}

std::string NewDefinition(const std::string& attributes) {
  return "<TOOLBAR " + kGuidAttr + " caption=\"Friss\" " + attributes + "><SEPARATOR/></TOOLBAR>";
}

std::vector<Row> Rows() {
  std::vector<Row> rows;
  rows.push_back(
      {"FeedDueAndNotDue",
       [](Rig& r) {
         r.Ship("", "<feed id=\"hirek\" src=\"" + r.Url("rss.xml") + "\" refresh=\"1800\"/>");
         r.server.On("/pellandra/rss.xml", HttpScriptedResponse::Ok(kRss));
       },
       {WithFlags({0, {"rss.xml"}, kFeedStored, false, false, [](Rig& r) { EXPECT_EQ(r.Feed("hirek"), kRss); }}, false,
                  true),
        Quiet(30001), Quiet(1800 * kSecond - 2 * 30001), WithFlags({30003, {"rss.xml"}, kFeedStored}, false, true)}});
  rows.push_back(
      {"FeedRetriedNoSoonerThan300sAfterAFailure",
       [](Rig& r) {
         r.Ship("", "<feed id=\"hirek\" src=\"" + r.Url("rss.xml") + "\"/>");
         r.server.On("/pellandra/rss.xml", HttpScriptedResponse::Status(500));
       },
       {{0,
         {"rss.xml"},
         {{0, "Attempting to download RSS file for feed \"hirek\"..."}, {2, "Error checking feed hirek: *"}},
         false,
         false,
         [](Rig& r) {
           EXPECT_NE(r.config->GetFeedLastCheck("hirek"), 0);
           EXPECT_EQ(r.config->GetFeedLastDownload("hirek"), 0);
           // A feed's failure is no failure of the cycle.
           EXPECT_EQ(r.config->GetLastDefDownloadError(), 0);
         }},
        Quiet(30001),
        Quiet(300000 - 2 * 30001),
        {60003,
         {"rss.xml"},
         {{0, "Attempting to download RSS file for feed \"hirek\"..."}, {2, "Error checking feed hirek: *"}}}}});
  rows.push_back({"OneFeedStoredPerCycleTheNextThirtySecondsLater",
                  [](Rig& r) {
                    std::string feeds;
                    for (const char* id : {"egy", "ketto", "harom"}) {
                      feeds += "<feed id=\"" + std::string(id) + "\" src=\"" + r.Url(std::string(id) + ".xml") + "\"/>";
                      r.server.On("/pellandra/" + std::string(id) + ".xml", HttpScriptedResponse::Ok(kRss));
                    }
                    r.Ship("", feeds);
                  },
                  {WithFlags({0, {"egy.xml"}, FeedStored("egy")}, false, true), Quiet(29999),
                   WithFlags({2, {"ketto.xml"}, FeedStored("ketto")}, false, true),
                   WithFlags({30001, {"harom.xml"}, FeedStored("harom")}, false, true), Quiet(30001)}});
  rows.push_back(
      {"AnAtomDocumentIsRefusedAndNothingStored",
       [](Rig& r) {
         r.Ship("", "<feed id=\"hirek\" src=\"" + r.Url("atom.xml") + "\"/>");
         r.server.On("/pellandra/atom.xml",
                     HttpScriptedResponse::Ok("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>A</title></feed>"));
       },
       {{0,
         {"atom.xml"},
         {{0, "Attempting to download RSS file for feed \"hirek\"..."},
          {0, "RSS file for feed \"hirek\" downloaded."},
          {2, "Error checking feed hirek: Not a valid RSS feed"}},
         false,
         false,
         [](Rig& r) {
           EXPECT_EQ(r.Feed("hirek"), "");
           EXPECT_NE(r.config->GetFeedLastCheck("hirek"), 0);
           EXPECT_EQ(r.config->GetFeedLastDownload("hirek"), 0);
         }}}});
  rows.push_back(
      {"AnEmptyDownloadStoresNothingButCounts",
       [](Rig& r) {
         r.Ship("", "<feed id=\"hirek\" src=\"" + r.Url("rss.xml") + "\" refresh=\"3600\"/>");
         r.server.On("/pellandra/rss.xml", HttpScriptedResponse::Ok(""));
       },
       {{0,
         {"rss.xml"},
         {{0, "Attempting to download RSS file for feed \"hirek\"..."}, {0, "RSS file for feed \"hirek\" downloaded."}},
         false,
         false,
         [](Rig& r) {
           EXPECT_EQ(r.Feed("hirek"), "");
           EXPECT_NE(r.config->GetFeedLastDownload("hirek"), 0);
         }},
        Quiet(300001)}});
  rows.push_back({"TheDefinitionRefreshFloorIs300Seconds",
                  [](Rig& r) {
                    r.Ship("src=\"" + r.Url("toolbar.xml") + "\" refresh=\"60\"", "<SEPARATOR/>");
                    r.server.On(
                        "/pellandra/toolbar.xml",
                        HttpScriptedResponse::Ok(NewDefinition("src=\"" + r.Url("toolbar.xml") + "\" refresh=\"60\"")));
                  },
                  {WithFlags({0,
                              {"toolbar.xml"},
                              {},
                              false,
                              false,
                              [](Rig& r) {
                                EXPECT_TRUE(UserStorage()->IsValid());
                                TObjectPtr<TToolbarDefinition> loaded(r.module->LoadDefinition());
                                EXPECT_EQ(loaded->Caption(), "Friss");
                              }},
                             true, false),
                   Quiet(60001), Quiet(300000 - 60001 - 30001), WithFlags({30004, {"toolbar.xml"}, {}}, true, false)}});
  // The refresh lines of both refreshing steps.
  for (int i : {0, 3}) rows.back().steps[size_t(i)].log = DefinitionRefreshed("*/pellandra/toolbar.xml");
  rows.push_back({"AFiveHundredReplyLeavesTheUserStorageAndBacksOffAMinute",
                  [](Rig& r) {
                    r.Ship("src=\"" + r.Url("toolbar.xml") + "\"", "<SEPARATOR/>");
                    r.server.On("/pellandra/toolbar.xml", HttpScriptedResponse::Status(500, "hiba"));
                  },
                  {{0,
                    {"toolbar.xml"},
                    {{0, "Definition refresh period elapsed. Trying to update..."},
                     {0, "Definition download url is */pellandra/toolbar.xml. Starting download..."},
                     {2, "Exception (*) in workerthread: *"}},
                    false,
                    false,
                    [](Rig& r) {
                      EXPECT_NE(r.config->GetLastDefDownloadError(), 0);
                      EXPECT_EQ(r.config->GetLastDefDownloadSuccess(), 0);
                      EXPECT_FALSE(UserStorage()->IsValid());
                      EXPECT_EQ(CurrentStorage(), StaticStorage());
                    }},
                   Quiet(30001),
                   Quiet(29000),
                   {1000,
                    {"toolbar.xml"},
                    {{0, "Definition refresh period elapsed. Trying to update..."},
                     {0, "Definition download url is */pellandra/toolbar.xml. Starting download..."},
                     {2, "Exception (*) in workerthread: *"}}}}});
  rows.push_back({"EightDaysAfterTheLastSuccessWithAnErrorSinceTheUserCopyIsReverted",
                  [](Rig& r) {
                    r.StoreUser("toolbar.xml", NewDefinition(""));
                    UserStorage()->Validate();
                    r.config->SetLastDefDownloadSuccess(Now() - 8);
                    r.config->SetLastDefDownloadError(Now() - 8 + 1.0 / 24);
                  },
                  {{0,
                    {},
                    {{0, "Definition revert timeout elapsed. Trying to revert..."}, {0, "Definition reverted."}},
                    false,
                    false,
                    [](Rig& r) {
                      EXPECT_FALSE(UserStorage()->IsValid());
                      EXPECT_EQ(CurrentStorage(), StaticStorage());
                      TObjectPtr<TToolbarDefinition> loaded(r.module->LoadDefinition());
                      EXPECT_EQ(loaded->Caption(), "Vandrel");
                    }},
                   Quiet(60001)}});
  rows.push_back({"ACycleThatStartsOfflineOnlyStampsTheCycleTime",
                  [](Rig& r) {
                    r.Ship("", "<feed id=\"hirek\" src=\"" + r.Url("rss.xml") + "\"/>");
                    r.server.On("/pellandra/rss.xml", HttpScriptedResponse::Ok(kRss));
                    vandrel::SetInternetConnectedState(false, INTERNET_CONNECTION_OFFLINE);
                  },
                  {Quiet(0),
                   {10000, {}, {}, false, false, nullptr, [](Rig&) { vandrel::ResetInternetConnectedState(); }},
                   WithFlags({20001, {"rss.xml"}, kFeedStored}, false, true)}});
  rows.push_back({"AnIncludeWithRefreshMinusOneIsNeverUpdated",
                  [](Rig& r) {
                    r.StoreUser("toolbar.xml",
                                NewDefinition("").replace(NewDefinition("").find("<SEPARATOR/>"), 12,
                                                          "<INCLUDE src=\"tobb/a.xml\" refresh=\"-1\"/>"));
                    r.StoreUser("tobb/a.xml", "<TOOLBAR><SEPARATOR/></TOOLBAR>");
                    UserStorage()->Validate();
                  },
                  {Quiet(0), Quiet(30 * kDay), Quiet(30001)}});
  rows.push_back(
      {"ANestedIncludeIsUpdatedWithItsExpiredParentAgainstTheParentsURL",
       [](Rig& r) {
         r.StoreUser("toolbar.xml", "<TOOLBAR " + kGuidAttr +
                                        " caption=\"Saját\"><INCLUDE src=\"tobb/a.xml\" refresh=\"60\"/></TOOLBAR>");
         r.StoreUser("tobb/a.xml", "<TOOLBAR><INCLUDE src=\"b.xml\" refresh=\"-1\"/></TOOLBAR>");
         r.StoreUser("tobb/b.xml", "<TOOLBAR><SEPARATOR/></TOOLBAR>");
         UserStorage()->Validate();
         r.server.On(
             "/pellandra/tobb/a.xml",
             HttpScriptedResponse::Ok("<TOOLBAR><INCLUDE src=\"b.xml\" refresh=\"-1\"/><SEPARATOR/></TOOLBAR>"));
         r.server.On("/pellandra/tobb/b.xml", HttpScriptedResponse::Ok("<TOOLBAR><SEPARATOR/><SEPARATOR/></TOOLBAR>"));
       },
       {Quiet(0),
        {62000,
         {"tobb/a.xml", "tobb/b.xml"},
         {{0, "Include \"tobb/a.xml\" expired (local date: *). Updating..."},
          {0, "Updating file \"tobb/a.xml\"..."},
          {0, "File \"tobb/a.xml\" updated"},
          {0, "Updating file \"b.xml\"..."},
          {0, "File \"b.xml\" updated"},
          {0, "Include \"tobb/a.xml\" updated."}},
         true,
         false,
         [](Rig& r) {
           EXPECT_EQ(r.UserFile("tobb/b.xml"), "<TOOLBAR><SEPARATOR/><SEPARATOR/></TOOLBAR>");
           EXPECT_NE(r.config->GetLastIncludeUpdateSuccess(), 0);
           TObjectPtr<TToolbarDefinition> loaded(r.module->LoadDefinition());
           auto* a = DynamicAs<TToolbarIncludeControl>(loaded->Controls()->Items(0));
           ASSERT_NE(a, nullptr);
           EXPECT_EQ(a->IncludeDefinition()->Controls()->Count(), 2);
         }},
        Quiet(30001)}});
  rows.push_back({"AFeedAndADefinitionRefreshedEveryThirtyDays",
                  [](Rig& r) {
                    std::string every30 = "refresh=\"2592000\"";
                    r.Ship("src=\"" + r.Url("toolbar.xml") + "\" " + every30,
                           "<feed id=\"hirek\" src=\"" + r.Url("rss.xml") + "\" " + every30 + "/>");
                    r.server.On("/pellandra/rss.xml", HttpScriptedResponse::Ok(kRss));
                    r.server.On("/pellandra/toolbar.xml",
                                HttpScriptedResponse::Ok("<TOOLBAR " + kGuidAttr + " src=\"" + r.Url("toolbar.xml") +
                                                         "\" " + every30 + "><feed id=\"hirek\" src=\"" +
                                                         r.Url("rss.xml") + "\" " + every30 + "/></TOOLBAR>"));
                  },
                  {WithFlags({0, {"rss.xml", "toolbar.xml"}, {}}, true, true), Quiet(29 * kDay), Quiet(kDay - 60000),
                   WithFlags({61000, {"rss.xml", "toolbar.xml"}, {}}, true, true)}});
  for (int i : {0, 3}) {
    Lines lines = kFeedStored;
    for (const Line& line : DefinitionRefreshed("*/pellandra/toolbar.xml")) lines.push_back(line);
    rows.back().steps[size_t(i)].log = lines;
  }
  rows.push_back({"ADownloadedDefinitionOverTheIncludeBudgetIsRefusedAfterOneFetchOfEachFile",
                  [](Rig& r) {
                    r.Ship("src=\"" + r.Url("toolbar.xml") + "\"", "<SEPARATOR/>");
                    std::string includes;
                    for (int i = 0; i <= kMaxIncludedDocuments; ++i) includes += "<INCLUDE src=\"x.xml\"/>";
                    r.server.On("/pellandra/toolbar.xml",
                                HttpScriptedResponse::Ok("<TOOLBAR " + kGuidAttr + ">" + includes + "</TOOLBAR>"));
                    r.server.On("/pellandra/x.xml", HttpScriptedResponse::Ok("<TOOLBAR><SEPARATOR/></TOOLBAR>"));
                  },
                  {{0,
                    {"toolbar.xml", "x.xml"},
                    {{0, "Definition refresh period elapsed. Trying to update..."},
                     {0, "Definition download url is */pellandra/toolbar.xml. Starting download..."},
                     {0, "Definition file downloaded (* bytes)."},
                     {0, "Clearing temporary storage..."},
                     {0, "Temporary storage cleared."},
                     {0, "Attempting to load new definition..."},
                     {2, "Exception (ETessaline) in workerthread: More than 256 documents included at *"}},
                    false,
                    false,
                    [](Rig& r) {
                      EXPECT_FALSE(UserStorage()->IsValid());
                      EXPECT_NE(r.config->GetLastDefDownloadError(), 0);
                    }}}});
  return rows;
}

class WorkerCycleTable : public ::testing::TestWithParam<std::tuple<int, bool>> {
 protected:
  void TearDown() override { rig_.Stop(); }
  Rig rig_;
};

TEST_P(WorkerCycleTable, Row) {
  auto [index, debugLog] = GetParam();
  const Row row = Rows()[size_t(index)];
  rig_.Start();
  rig_.StartModule(debugLog);
  row.setup(rig_);
  rig_.NewLogLines();
  for (size_t s = 0; s < row.steps.size(); ++s) {
    const Step& step = row.steps[s];
    SCOPED_TRACE("step " + std::to_string(s));
    if (step.before) step.before(rig_);
    rig_.Cycle(step.advanceMs);
    EXPECT_EQ(rig_.NewRequests(), step.requests);
    std::vector<std::string> lines = rig_.NewLogLines();
    Lines expected;
    for (const Line& line : step.log)
      if (debugLog || line.level == 2) expected.push_back(line);
    bool same = lines.size() == expected.size();
    for (size_t i = 0; same && i < lines.size(); ++i) same = Matches(expected[i].text, lines[i]);
    std::string shown;
    for (const std::string& line : lines) shown += "\n  " + line;
    EXPECT_TRUE(same) << "log lines:" << shown;
    auto [def, feed] = rig_.Signals();
    EXPECT_EQ(def, step.defChanged);
    EXPECT_EQ(feed, step.feedChanged);
    if (step.check) step.check(rig_);
  }
}

std::string RowName(const ::testing::TestParamInfo<std::tuple<int, bool>>& info) {
  return std::string(Rows()[size_t(std::get<0>(info.param))].name) + (std::get<1>(info.param) ? "" : "_DebugLogOff");
}

INSTANTIATE_TEST_SUITE_P(Cycles, WorkerCycleTable,
                         ::testing::Combine(::testing::Range(0, int(Rows().size())), ::testing::Bool()), RowName);

class WorkerCycle : public ::testing::Test {
 protected:
  void SetUp() override {
    rig_.Start();
    rig_.StartModule(true);
  }
  void TearDown() override { rig_.Stop(); }
  Rig rig_;
};

TEST_F(WorkerCycle, AnOldFailureNoLongerRevertsOnceIncludesAreUpdatedSoTheyAreFetchedOncePerPeriod) {
  // The shipped definition has no source and one include refreshed every 300 s; its last download failed
  // eight days ago, after a success nine days ago.
  WriteWholeFile(kFolder + "\\.files", "toolbar.xml=" + rig_.Url("toolbar.xml") + "\r\ninc.xml=" + rig_.Url("inc.xml") +
                                           "\r\nbuttons.bmp=" + rig_.Url("buttons.bmp") + "\r\n");
  rig_.Ship("", "<INCLUDE src=\"inc.xml\" refresh=\"300\"/>");
  WriteWholeFile(kFolder + "\\inc.xml", "<TOOLBAR><SEPARATOR/></TOOLBAR>");
  rig_.DateOnVirtualClock(HostFolder(rig_.machine) + "/inc.xml");
  rig_.server.On("/pellandra/inc.xml", HttpScriptedResponse::Ok("<TOOLBAR><SEPARATOR/><SEPARATOR/></TOOLBAR>"));
  rig_.config->SetLastDefDownloadSuccess(Now() - 9);
  rig_.config->SetLastDefDownloadError(Now() - 8);
  rig_.NewLogLines();
  std::vector<int> downloads;  // the cycles that fetched the include
  int reverts = 0;
  for (int cycle = 0; cycle <= 20; ++cycle) {
    rig_.Cycle(cycle == 0 ? 0 : 30001);
    for (const std::string& t : rig_.NewRequests()) {
      EXPECT_EQ(t, "inc.xml");
      downloads.push_back(cycle);
    }
    for (const std::string& line : rig_.NewLogLines()) reverts += line.find("revert") != std::string::npos;
  }
  EXPECT_EQ(downloads, (std::vector<int>{10, 20})) << "one download per refresh period: at 300 s and 600 s";
  EXPECT_EQ(reverts, 0);
  EXPECT_TRUE(UserStorage()->IsValid());
  EXPECT_EQ(rig_.UserFile("inc.xml"), "<TOOLBAR><SEPARATOR/><SEPARATOR/></TOOLBAR>");
  EXPECT_NE(rig_.config->GetLastIncludeUpdateSuccess(), 0);
}

// The user's copy: a root without source whose include, refreshed every minute, gets an image list.
class WorkerCycleNewImage : public WorkerCycle {
 protected:
  void SetUp() override {
    WorkerCycle::SetUp();
    rig_.StoreUser("toolbar.xml",
                   "<TOOLBAR " + kGuidAttr + " caption=\"Sajat\"><INCLUDE src=\"inc.xml\" refresh=\"60\"/></TOOLBAR>");
    rig_.StoreUser("inc.xml", kOld);
    UserStorage()->Validate();
    rig_.server.On("/pellandra/inc.xml", HttpScriptedResponse::Ok(kNew));
    rig_.Cycle(0);
    rig_.NewRequests();
    rig_.NewLogLines();
  }
  // The controls of the definition loaded from the user storage.
  int LoadedIncludeControls() {
    TObjectPtr<TToolbarDefinition> loaded(rig_.module->LoadDefinition());
    EXPECT_EQ(loaded->Caption(), "Sajat");
    auto* include = DynamicAs<TToolbarIncludeControl>(loaded->Controls()->Items(0));
    return include ? include->IncludeDefinition()->Controls()->Count() : -1;
  }
  const std::string kOld = "<TOOLBAR><SEPARATOR/></TOOLBAR>";
  const std::string kNew =
      "<TOOLBAR><IMAGELIST id=\"uj\" src=\"uj.bmp\"/>"
      "<BUTTON caption=\"Uj\" imagelist=\"uj\" imageindex=\"0\" action=\"none\"/><SEPARATOR/></TOOLBAR>";
};

TEST_F(WorkerCycleNewImage, IsFetchedBeforeTheIncludeIsCommittedAndTheCommittedStorageLoads) {
  rig_.server.On("/pellandra/uj.bmp", HttpScriptedResponse::Ok(ReadWholeFile(kFolder + "\\buttons.bmp")));
  rig_.Cycle(62000);
  EXPECT_EQ(rig_.NewRequests(), (Targets{"inc.xml", "uj.bmp"}));
  EXPECT_EQ(rig_.Signals().first, true);
  EXPECT_EQ(rig_.UserFile("inc.xml"), kNew);
  EXPECT_EQ(LoadedIncludeControls(), 2);
}

TEST_F(WorkerCycleNewImage, MissingOnTheServerCommitsNothing) {
  rig_.server.On("/pellandra/uj.bmp", HttpScriptedResponse::Status(404));
  rig_.Cycle(62000);
  EXPECT_EQ(rig_.NewRequests(), (Targets{"inc.xml", "uj.bmp"}));
  std::vector<std::string> lines = rig_.NewLogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_TRUE(Matches("Exception (*) in workerthread: *", lines.back())) << lines.back();
  EXPECT_EQ(rig_.Signals().first, false);
  EXPECT_EQ(rig_.UserFile("inc.xml"), kOld);
  EXPECT_TRUE(UserStorage()->IsValid());
  EXPECT_EQ(LoadedIncludeControls(), 1);
  EXPECT_NE(rig_.config->GetLastDefDownloadError(), 0);
  EXPECT_EQ(rig_.config->GetLastIncludeUpdateSuccess(), 0);
}

}  // namespace

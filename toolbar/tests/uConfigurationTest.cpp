#include "toolbar/uConfiguration.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "toolbar/tests/ToolbarTestSupport.h"

namespace {

using testing_support::TestMachine;

const std::string kMainKey = "Software\\Quorrel\\Tessaline\\{11111111-2B8D-44AF-82FA-F86E57899FB8}";

// A band module stand-in with its configuration, freed together.
struct Fixture {
  TestMachine machine;
  std::unique_ptr<TFakeBandModule, void (*)(TFakeBandModule*)> module{TFakeBandModule::Create("Vandrel eszköztár"_cp),
                                                                      [](TFakeBandModule* m) { m->Free(); }};
  TTessalineConfiguration* config = TTessalineConfiguration::Create(module.get());
};

struct Raw {
  LONG rc;
  DWORD type;
  std::string data;
};
Raw RawValue(const std::string& key, const std::string& name) {
  HKEY k = nullptr;
  if (LONG rc = RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &k)) return {rc, 0, {}};
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(k, name.c_str(), nullptr, &type, nullptr, &size);
  std::string data(size, '\0');
  if (!rc) rc = RegQueryValueExA(k, name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(data.data()), &size);
  RegCloseKey(k);
  return {rc, type, data};
}

void SetRaw(const std::string& key, const std::string& name, DWORD type, const std::string& data) {
  HKEY k = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), 0);
  ASSERT_EQ(RegSetValueExA(k, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size())),
            0);
  RegCloseKey(k);
}

std::string Outcome(const std::function<std::string()>& read) {
  try {
    return read();
  } catch (const Exception& e) {
    return e.ClassName() + ": " + e.Message();
  }
}

std::string Text(TDateTime date) { return std::to_string(date); }

TEST(Configuration, AFreshUserGetsTheDefaultsAndTheMainKey) {
  Fixture f;
  EXPECT_TRUE(f.config->GetFirstStart());
  EXPECT_FALSE(f.config->GetDebugLog());
  EXPECT_EQ(f.config->GetLastDefDownloadSuccess(), 0);
  EXPECT_EQ(f.config->GetLastDefDownloadError(), 0);
  EXPECT_EQ(f.config->GetLastPopup(), 0);
  EXPECT_EQ(f.config->GetLastPopupClick(), 0);
  EXPECT_EQ(f.config->GetFeedLastCheck("hirek"), 0);
  EXPECT_EQ(f.config->GetFeedLastDownload("hirek"), 0);
  Raw name = RawValue(kMainKey, "ToolBarName");
  EXPECT_EQ(name.type, REG_SZ);
  EXPECT_EQ(name.data, "Vandrel eszköztár"_cp + '\0');
  EXPECT_EQ(f.config->Owner(), f.module.get());
  TMemoryStream content;
  f.config->LoadFeedContent("hirek", content);
  EXPECT_EQ(content.Size(), 0);
  TStringList shown;
  shown.Add("régi"_cp);
  f.config->LoadShownEntries("hirek", shown);
  EXPECT_EQ(shown.Count(), 0) << "the list's old lines are replaced";
  // A caption that changed is stored by the next object.
  f.module->SetMenuCaption("Új név"_cp);
  TTessalineConfiguration::Create(f.module.get());
  EXPECT_EQ(RawValue(kMainKey, "ToolBarName").data, "Új név"_cp + '\0');
}

TEST(Configuration, EveryValueItsDefaultRoundTripAndWrongTypeError) {
  Fixture f;
  TTessalineConfiguration& c = *f.config;
  const std::string feed = kMainKey + "\\Feeds\\hirek";
  struct Case {
    std::string key, name;
    std::function<std::string()> get;
    std::function<void()> set;
    std::string defaultText, setText;
    DWORD wrongType;
    std::string wrongData;
  } cases[] = {
      {kMainKey, "DebugLog", [&] { return std::to_string(c.GetDebugLog()); },
       [&] { c.WriteInteger("", "DebugLog", 5); }, "0", "1", REG_SZ, std::string("1\0", 2)},
      {kMainKey, "FirstStart", [&] { return std::to_string(c.GetFirstStart()); }, [&] { c.SetFirstStart(false); }, "1",
       "0", REG_BINARY, "\x01\0\0\0"},
      {kMainKey, "LastDefDownloadSuccess", [&] { return Text(c.GetLastDefDownloadSuccess()); },
       [&] { c.SetLastDefDownloadSuccess(38418.5); }, Text(0), Text(38418.5), REG_DWORD, "\x01\0\0\0"},
      {kMainKey, "LastDefDownloadError", [&] { return Text(c.GetLastDefDownloadError()); },
       [&] { c.SetLastDefDownloadError(38419.25); }, Text(0), Text(38419.25), REG_BINARY, "\x01\0\0\0"},
      {kMainKey, "LastPopup", [&] { return Text(c.GetLastPopup()); }, [&] { c.SetLastPopup(40000.125); }, Text(0),
       Text(40000.125), REG_BINARY, std::string(9, '\x01')},
      {kMainKey, "LastPopupClick", [&] { return Text(c.GetLastPopupClick()); }, [&] { c.SetLastPopupClick(1.75); },
       Text(0), Text(1.75), REG_SZ, std::string("1.75\0", 5)},
      {feed, "LastCheck", [&] { return Text(c.GetFeedLastCheck("hirek")); }, [&] { c.SetFeedLastCheck("hirek", 2.5); },
       Text(0), Text(2.5), REG_DWORD, "\0\0\0\0"},
      {feed, "LastDownload", [&] { return Text(c.GetFeedLastDownload("hirek")); },
       [&] { c.SetFeedLastDownload("hirek", 3.5); }, Text(0), Text(3.5), REG_BINARY, "1234"},
  };
  for (const auto& v : cases) {
    EXPECT_EQ(Outcome(v.get), v.defaultText) << v.name;
    v.set();
    EXPECT_EQ(Outcome(v.get), v.setText) << v.name;
    SetRaw(v.key, v.name, v.wrongType, v.wrongData);
    std::string error = Outcome(v.get);
    EXPECT_EQ(error.substr(0, 20), "ERegistryException: ") << v.name << ": " << error;
    EXPECT_NE(error.find("'" + v.name + "'"), std::string::npos) << error;
  }
  SetRaw(kMainKey, "FirstStart", REG_DWORD, std::string("\x02\0\0\0", 4));
  EXPECT_FALSE(c.GetFirstStart()) << "only exactly 1 counts as a first start";
}

TEST(Configuration, ByteValuesAndTheCaptionRaiseForAnotherType) {
  Fixture f;
  TTessalineConfiguration& c = *f.config;
  const std::string feed = kMainKey + "\\Feeds\\hirek", history = kMainKey + "\\History";
  auto bytes = [](TStream& s) { return std::to_string(s.Size()); };
  struct Case {
    std::string key, name;
    std::function<std::string()> get;
    std::string defaultText;
    DWORD wrongType;
    std::string wrongData;
  } cases[] = {
      {feed, "Content",
       [&] {
         TMemoryStream s;
         c.LoadFeedContent("hirek", s);
         return bytes(s);
       },
       "0", REG_SZ, std::string("<rss/>\0", 7)},
      {feed, "ShownEntries",
       [&] {
         TStringList l;
         c.LoadShownEntries("hirek", l);
         return l.Text();
       },
       "", REG_DWORD, std::string("\x01\0\0\0", 4)},
      {history, "kereso",
       [&] {
         TStringList l;
         c.LoadHistory("kereso", l);
         return l.Text();
       },
       "", REG_EXPAND_SZ, std::string("a\0", 2)},
      {kMainKey, "ToolBarName",
       [&] { return TTessalineConfiguration::Create(f.module.get())->ReadString("", "ToolBarName", "?"); },
       "Vandrel eszköztár"_cp, REG_DWORD, std::string("\x01\0\0\0", 4)},
  };
  for (const auto& v : cases) {
    EXPECT_EQ(Outcome(v.get), v.defaultText) << v.name;
    SetRaw(v.key, v.name, v.wrongType, v.wrongData);
    EXPECT_EQ(Outcome(v.get), "ERegistryException: Invalid data type for '" + v.name + "'") << v.name;
  }
}

TEST(Configuration, DatesAreLittleEndianDoublesAsPythonPacksThem) {
  Fixture f;
  const double days = 38418.604166666664;  // 2005-03-07 14:30
  f.config->SetLastPopup(days);
  Raw raw = RawValue(kMainKey, "LastPopup");
  EXPECT_EQ(raw.type, REG_BINARY);
  std::string hex;
  for (unsigned char b : raw.data) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", b);
    hex += two;
  }
  EXPECT_EQ(hex + "\n",
            testing_support::RunPython("import struct\nprint(struct.pack('<d', 38418.604166666664).hex())\n"));
}

TEST(Configuration, FeedContentAndListsAsBytes) {
  Fixture f;
  TMemoryStream content;
  std::string rss = "<rss>\x00\xF5\x0D\x0A</rss>";
  content.WriteBuffer(rss.data(), int64_t(rss.size()));
  f.config->SaveFeedContent("hirek", content);  // rewound first: the whole stream
  EXPECT_EQ(RawValue(kMainKey + "\\Feeds\\hirek", "Content").data, rss);
  TMemoryStream loaded;
  loaded.WriteBuffer("xy", 2);
  f.config->LoadFeedContent("hirek", loaded);
  EXPECT_EQ(loaded.Position(), 0) << "rewound";
  EXPECT_EQ(loaded.Size(), int64_t(rss.size() + 2)) << "appended at the position";

  TStringStream partial("eleje|vége"_cp);
  partial.SetPosition(6);
  f.config->WriteStream("", "Resz", partial);
  EXPECT_EQ(RawValue(kMainKey, "Resz").data, "vége"_cp) << "from the position to the end";

  TStringList entries;
  entries.Add("guid-1");
  entries.Add("Cím"_cp);
  f.config->SaveShownEntries("hirek", entries);
  EXPECT_EQ(RawValue(kMainKey + "\\Feeds\\hirek", "ShownEntries").data, "guid-1\r\nCím\r\n"_cp);
  TStringList back;
  f.config->LoadShownEntries("hirek", back);
  EXPECT_EQ(back.Text(), entries.Text());
  TStringList none;
  f.config->SaveHistory("kereses", none);
  Raw empty = RawValue(kMainKey + "\\History", "kereses");
  EXPECT_EQ(empty.type, REG_BINARY);
  EXPECT_EQ(empty.data, "") << "an empty list is zero bytes";
}

TEST(Configuration, EntriesWithLineBreaksStayOneLineAndMatchAgain) {
  Fixture f;
  struct Case {
    std::string entry, stored;
  } cases[] = {
      {"a\r\nb", "a b"},
      {"c\rd", "c d"},
      {"e\nf", "e f"},
      {"g\r\n\r\nh", "g  h"},
      {"i\n\rj", "i  j"},
      {"\r\nk\n", " k "},
      {"nincs benne", "nincs benne"},
      {"tab\tmarad", "tab\tmarad"},
  };
  TStringList history;
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizeListEntry(c.entry), c.stored) << c.entry;
    history.Add(c.entry);
  }
  f.config->SaveHistory("kereso", history);
  TStringList back;
  f.config->LoadHistory("kereso", back);
  ASSERT_EQ(back.Count(), int(std::size(cases))) << "one line per entry";
  for (int i = 0; i < back.Count(); ++i) {
    EXPECT_EQ(back[i], cases[i].stored);
    EXPECT_EQ(back[i], NormalizeListEntry(history[i])) << "a stored entry matches its item again";
  }
}

TEST(Configuration, AlternatingFeedsReopenTheKeyOnEverySwitch) {
  Fixture f;
  f.config->SetFeedLastCheck("a", 1);
  f.config->SetFeedLastCheck("b", 2);
  namespace hooks = vandrel::registry_testing;
  hooks::ResetOpenCount();
  for (int round = 0; round < 3; ++round) {
    EXPECT_EQ(f.config->GetFeedLastCheck("a"), 1);
    EXPECT_EQ(f.config->GetFeedLastDownload("a"), 0);
    EXPECT_EQ(f.config->GetFeedLastCheck("b"), 2);
  }
  EXPECT_EQ(hooks::OpenCount(), 6u) << "two switches a round, none for the same feed";
  EXPECT_EQ(f.config->CurrentSubKey(), "Feeds\\b");
}

TEST(Configuration, KeysThatCannotBeOpenedRaiseAndLeaveTheOpenKey) {
  Fixture f;
  f.config->SetFeedLastCheck("jo", 7);
  vandrel::registry_testing::FailKey("HKEY_CURRENT_USER\\" + kMainKey + "\\Feeds\\tilos", ERROR_ACCESS_DENIED);
  EXPECT_EQ(Outcome([&] { return Text(f.config->GetFeedLastCheck("tilos")); }),
            "Exception: Nem sikerült a \"\\"_cp + kMainKey + "\\Feeds\\tilos\" registry kulcs megnyitása"_cp);
  EXPECT_EQ(f.config->CurrentSubKey(), "Feeds\\jo");
  EXPECT_EQ(f.config->GetFeedLastCheck("jo"), 7);
  vandrel::registry_testing::ClearKeyFailures();
  EXPECT_EQ(f.config->GetFeedLastCheck("tilos"), 0) << "the next operation tries again";

  vandrel::registry_testing::FailKey("HKEY_CURRENT_USER\\" + kMainKey, ERROR_ACCESS_DENIED);
  EXPECT_EQ(Outcome([&] {
              TTessalineConfiguration::Create(f.module.get());
              return std::string("created");
            }),
            "Exception: Nem sikerült a registry megnyitása"_cp);
  EXPECT_EQ(f.module->ComponentCount(), 1) << "the failed object left its owner";
}

TEST(Configuration, TheOwnerMustBeTheBandModule) {
  TestMachine machine;
  TComponent* other = TComponent::Create(nullptr);
  for (TComponent* owner : {other, static_cast<TComponent*>(nullptr)}) {
    EXPECT_EQ(Outcome([&] {
                TTessalineConfiguration::Create(owner);
                return std::string("created");
              }),
              "EInvalidCast: Invalid class typecast");
  }
  EXPECT_EQ(other->ComponentCount(), 0);
  other->Free();
}

TEST(Configuration, OneProcessWritesAnotherReadsAtOnce) {
  Fixture f;
  const std::string helper = std::string(VANDREL_BINARY_DIR) + "/tests/toolbar_helper";
  EXPECT_EQ(f.config->GetLastPopup(), 0);
  ASSERT_EQ(testing_support::RunProgram(helper, {"write", "38418.5", "hírek", "első|második"}), 0);
  EXPECT_EQ(f.config->GetLastPopup(), 38418.5) << "read by an object opened before the write";
  EXPECT_FALSE(f.config->GetFirstStart());
  TStringList shown;
  f.config->LoadShownEntries("hírek"_cp, shown);
  EXPECT_EQ(shown.Text(), "első\r\nmásodik\r\n"_cp);
  f.config->SetLastPopupClick(40000.5);
  f.config->SetFeedLastCheck("hírek"_cp, 41000.25);
  std::string output;
  ASSERT_EQ(testing_support::RunProgram(helper, {"read", "hírek"}, &output), 0);
  EXPECT_EQ(output, "40000.5 41000.25\n");
}

}  // namespace

TEST(Configuration, EightProcessesWritingAtOnceLeaveEveryValueAndAnIntactDatabase) {
  TestMachine machine;
  constexpr int kWriters = 8, kValues = 200;
  const std::string helper = std::string(VANDREL_BINARY_DIR) + "/tests/toolbar_helper";
  {
    // Each creates the main key and its own feed key while the others do, then switches keys on every write.
    std::vector<std::unique_ptr<testing_support::ChildProcess>> writers;
    for (int w = 0; w < kWriters; ++w)
      writers.push_back(std::make_unique<testing_support::ChildProcess>(
          helper, std::vector<std::string>{"write-many", "w" + std::to_string(w) + "_", std::to_string(kValues)}));
    for (auto& writer : writers) writer->Release();
    for (auto& writer : writers) EXPECT_EQ(writer->Wait(), 0);
  }
  TFakeBandModule* module = TFakeBandModule::Create("Vandrel eszköztár"_cp);
  TTessalineConfiguration* config = TTessalineConfiguration::Create(module);
  int wrong = 0;
  for (int w = 0; w < kWriters; ++w) {
    const std::string prefix = "w" + std::to_string(w) + "_";
    for (int i = 0; i < kValues; ++i)
      wrong += config->ReadDateTime(i % 2 ? "History" : "Feeds\\" + prefix, prefix + std::to_string(i), -1) != i + 0.25;
  }
  EXPECT_EQ(wrong, 0);
  module->Free();
  EXPECT_EQ(testing_support::SqliteIntegrityAndCount(vandrel::UserHivePath(vandrel::CurrentUserName()),
                                                     "SELECT count(*) FROM vals WHERE type = 3 AND length(data) = 8"),
            "ok\n" + std::to_string(kWriters * kValues) + "\n");
}

// The band module in this process: the library's start-up over a copy of a sample library standing in for
// Pellandra.so in its install folder, the choice of the definition, the log and the band activation context.
#include "toolbar/uBandModule.h"

#include <gtest/gtest.h>

#include "platform/com/ClassTable.h"
#include "platform/components/FileUtils.h"
#include "platform/components/StdCtrls.h"
#include "platform/components/comserver/ComServ.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/testing/PythonOracle.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"
#include "toolbar/tests/DefinitionTestSupport.h"
#include "toolbar/tests/LibraryTestSupport.h"
#include "toolbar/uHints.h"
#include "toolbar/uInstance.h"
#include "toolbar/uLibrary.h"
#include "toolbar/uStorageFolders.h"

namespace {

using namespace library_test;
using testing_support::TestMachine;

const std::string kMainKey = "Software\\Quorrel\\Tessaline\\" + kGuid;
const std::string kShippedRoot = kFolder + "\\toolbar.xml";

void SetValue(const std::string& name, DWORD type, const std::string& data) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kMainKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.data()), DWORD(data.size())),
            0);
  RegCloseKey(key);
}

void SetDebugLog(DWORD value) {
  SetValue("DebugLog", REG_DWORD, std::string(reinterpret_cast<const char*>(&value), sizeof value));
}

// The band's title as the shell reads it from a band the class factory made.
std::string BandTitle() {
  ComPtr<IClassFactory> factory;
  if (ComServerGetClassObject(kToolbarGUID, IClassFactory::Iid, factory.PutVoid()) != S_OK) return "no factory";
  ComPtr<IDeskBand> band;
  if (factory->CreateInstance(nullptr, IDeskBand::Iid, band.PutVoid()) != S_OK) return "no band";
  DESKBANDINFO info{};
  info.dwMask = DBIM_TITLE;
  band->GetBandInfo(1, 0, &info);
  return WideString(std::u16string_view(info.wszTitle)).ToString();
}

class BandModule : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallShippedFiles(machine_);
    WorkOffline();
    library_ = LoadSampleAsLibrary(machine_, "winapi_sample_resources.so");
    SetInstanceModuleForTesting(library_);
    SetActCtxModuleForTesting(library_);
    CoInitialize(nullptr);
  }
  // What the library's load runs.
  TTessalineDeskBandModule* Start() {
    InitializeLibraryUnits();
    Startup();
    TTessalineDeskBandModule* module = TessalineDeskBandModule();
    EXPECT_NE(module, nullptr);
    return module;
  }
  std::string LogText() { return ReadWholeFile(TessalineDeskBandModule()->LogFileName()); }
  // A definition of its own in the user's storage, dated `date`; the storage valid or not.
  void PutUserDefinition(const std::string& xml, TDateTime date, bool valid) {
    TFileStorage* user = UserStorage();
    user->Clear();
    TStringStream content(xml);
    user->StoreFile(kRootURL, content, date, "");
    if (valid) user->Validate();
  }
  std::string LoadedCaption() {
    return Outcome([] {
      TObjectPtr<TToolbarDefinition> definition(TessalineDeskBandModule()->LoadDefinition());
      return definition->Caption();
    });
  }

  TestMachine machine_;
  HMODULE library_ = nullptr;
};

TEST_F(BandModule, StartUpTakesTheIdentityAndCaptionsOfTheShippedDefinition) {
  TTessalineDeskBandModule* module = Start();
  EXPECT_EQ(module->CLSID(), kGuid);
  EXPECT_EQ(module->Caption(), "Vandrel");
  EXPECT_EQ(module->MenuCaption(), "Vandrel eszköztár"_cp);
  EXPECT_EQ(module->BandType(), dbtDeskBand);
  EXPECT_FALSE(module->FixedHeight());
  EXPECT_TRUE(module->Debossed());
  EXPECT_TRUE(module->UseChevron());
  EXPECT_TRUE(module->ToolBand());
  EXPECT_EQ(module->GetBandFormClass().ClassName(), "TTessalineDeskBandForm");

  ASSERT_NE(module->Configuration(), nullptr);
  EXPECT_EQ(module->Configuration()->Owner(), module);
  EXPECT_EQ(module->Configuration()->ReadString("", "ToolBarName", "?"), "Vandrel eszköztár"_cp);

  ASSERT_NE(StaticStorage(), nullptr);
  EXPECT_EQ(StaticStorage()->Root(), kFolder + "\\");
  ASSERT_NE(UserStorage(), nullptr);
  EXPECT_EQ(UserStorage()->Root(), GetDynamicStoragePath(kToolbarGUID) + "\\");
  ASSERT_NE(DownloadStorage(), nullptr);
  EXPECT_EQ(module->LogFileName(), GetDownloadStoragePath(kToolbarGUID) + "\\Tessaline.log");

  EXPECT_EQ(BandTitle(), "Vandrel") << "the factory is registered under the instance GUID";
  EXPECT_NE(HintHelper(), nullptr);
  EXPECT_TRUE(bool(Application->OnHint));
  EXPECT_EQ(Application->HintWindowClass.ClassName(), "TSafeHintWindow");
  EXPECT_EQ(LogText(), "") << "nothing went wrong";
}

TEST_F(BandModule, AUtf16DefinitionLoads) {
  std::string utf8 =
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n"
      "<TOOLBAR caption=\"Vandrel eszköztár\"\r\n"
      "         menucaption=\"Árvíztűrő tükörfúrógép\">\n"
      "  <SEPARATOR/>\r\n"
      "</TOOLBAR>\n";
  std::string utf16 = testing_support::RunPython(
      "import sys\nsys.stdout.buffer.write(sys.stdin.buffer.read().decode('utf-8').encode('utf-16-le'))\n", utf8);
  WriteWholeFile(kShippedRoot, "\xFF\xFE" + utf16);
  TTessalineDeskBandModule* module = Start();
  EXPECT_EQ(module->Caption(), "Vandrel eszköztár"_cp);
  EXPECT_EQ(module->MenuCaption(), "Árvíztűrő tükörfúrógép"_cp);
  EXPECT_NE(module->Configuration(), nullptr);
}

TEST_F(BandModule, AFailedStartKeepsTheDesignTimeCaptionAndStillOffersBands) {
  WriteWholeFile(kShippedRoot, "<TOOLBAR guid=\"{11111111-2b8d-44af-82fa-f86e57899fb8}\" caption=\"Vandrel\"/>");
  SetDebugLog(1);
  TTessalineDeskBandModule* module = Start();
  EXPECT_EQ(module->Caption(), "Custom Tessaline Band");
  EXPECT_EQ(module->MenuCaption(), "");
  EXPECT_EQ(module->CLSID(), kGuid);
  EXPECT_EQ(module->Configuration(), nullptr);
  EXPECT_FALSE(module->DebugLogEnabled()) << "no configuration counts as DebugLog 0";
  EXPECT_EQ(BandTitle(), "Custom Tessaline Band");

  std::string log = LogText();
  const std::string tail = "  Exception (Exception): FATAL: Definition GUID is not matching\r\n";
  ASSERT_GE(log.size(), tail.size()) << log;
  EXPECT_EQ(log.substr(log.size() - tail.size()), tail);
  EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line: " << log;

  module->Log("debug line", 0);
  module->Log("error line", 2);
  log = LogText();
  EXPECT_EQ(log.find("debug line"), std::string::npos);
  EXPECT_NE(log.find("  error line\r\n"), std::string::npos);
  EXPECT_EQ(LoadedCaption(), "Exception: FATAL: Definition GUID is not matching");
}

TEST_F(BandModule, TheUsersCopyIsCurrentUnlessTheShippedOneIsNewer) {
  TTessalineDeskBandModule* module = Start();
  ASSERT_NE(module->Configuration(), nullptr);
  const TDateTime shipped = EncodeDate(2005, 3, 1) + EncodeTime(12, 0, 0, 0);
  ASSERT_EQ(FileSetDate(kShippedRoot, DateTimeToFileDate(shipped)), 0);
  const std::string own = "Saját"_cp;
  struct Case {
    const char* name;
    bool valid;
    double days;  // the user's root file, after the shipped one
    std::string caption;
    bool validAfter;
  } cases[] = {
      {"a newer copy", true, 1, own, true},
      {"a copy of the same date", true, 0, own, true},
      {"an older copy", true, -1, "Vandrel", false},
      {"a copy not marked valid", false, 1, "Vandrel", false},
  };
  for (const Case& c : cases) {
    PutUserDefinition("<TOOLBAR caption=\"" + cp1250::ToUtf8(own) + "\"/>", shipped + c.days, c.valid);
    EXPECT_EQ(LoadedCaption(), c.caption) << c.name;
    EXPECT_EQ(UserStorage()->IsValid(), c.validAfter) << c.name;
  }
  EXPECT_EQ(LogText(), "");
}

TEST_F(BandModule, AValidUserStorageWithAnEmptyIndexFailsToLoad) {
  TTessalineDeskBandModule* module = Start();
  ASSERT_NE(module->Configuration(), nullptr);
  UserStorage()->Clear();
  UserStorage()->Validate();
  const std::string message = "File storage empty. Unable to get root url.";
  EXPECT_EQ(LoadedCaption(), "EStorage: " + message);
  EXPECT_EQ(LogText(), "") << "the date check's failure is a level 1 line";
  SetDebugLog(1);
  EXPECT_EQ(LoadedCaption(), "EStorage: " + message);
  std::string log = LogText();
  EXPECT_NE(log.find("  Error checking local definition update (EStorage): " + message + "\r\n"), std::string::npos)
      << log;
  EXPECT_EQ(log.find('\n'), log.size() - 1) << "loading's own failure is the caller's to report";
}

TEST_F(BandModule, TheDefinitionMustNameThisToolbarOrNone) {
  TTessalineDeskBandModule* module = Start();
  ASSERT_NE(module->Configuration(), nullptr);
  struct Case {
    std::string guid;
    const char* outcome;
  } cases[] = {
      {"", "x"},
      {" guid=\"" + kGuid + "\"", "x"},
      {" guid=\"\"", "x"},
      {" guid=\"{11111111-2b8d-44af-82fa-f86e57899fb8}\"", "Exception: FATAL: Definition GUID is not matching"},
      {" guid=\"{80C5BAD5-2B8D-44AF-82FA-F86E57899FB8}\"", "Exception: FATAL: Definition GUID is not matching"},
      {" guid=\"11111111-2B8D-44AF-82FA-F86E57899FB8\"", "Exception: FATAL: Definition GUID is not matching"},
  };
  for (const Case& c : cases) {
    WriteWholeFile(kShippedRoot, "<TOOLBAR caption=\"x\"" + c.guid + "/>");
    EXPECT_EQ(LoadedCaption(), c.outcome) << c.guid;
  }
}

TEST_F(BandModule, LogLevelsByTheUsersDebugLog) {
  TTessalineDeskBandModule* module = Start();
  ASSERT_NE(module->Configuration(), nullptr);
  struct Case {
    const char* setting;
    std::function<void()> set;
    const char* written;  // of the levels 0, 1, 2
  } cases[] = {
      {"missing", [] {}, "2"},
      {"0", [] { SetDebugLog(0); }, "2"},
      {"1", [] { SetDebugLog(1); }, "012"},
      {"7", [] { SetDebugLog(7); }, "012"},
      {"text, which cannot be read", [] { SetValue("DebugLog", REG_SZ, std::string("1", 2)); }, "2"},
      {"back to 0", [] { SetDebugLog(0); }, "2"},
  };
  for (const Case& c : cases) {
    c.set();
    DeleteFile(module->LogFileName());
    for (int level = 0; level <= 2; ++level) module->Log("level " + std::to_string(level), level);
    std::string log = LogText(), written;
    for (int level = 0; level <= 2; ++level)
      if (log.find("  level " + std::to_string(level) + "\r\n") != std::string::npos) written += char('0' + level);
    EXPECT_EQ(written, c.written) << "DebugLog " << c.setting;
  }
}

TEST_F(BandModule, ALogLineIsTheLocalTimeTwoBlanksAndTheMessage) {
  TTessalineDeskBandModule* module = Start();
  SetClockMode(TClockMode::Virtual);
  SetVirtualDateTime(EncodeDate(2003, 5, 7) + EncodeTime(9, 5, 3, 0));
  module->Log("Első sor"_cp, 2);
  SetVirtualDateTime(EncodeDate(2003, 12, 24) + EncodeTime(18, 30, 0, 0));
  module->LogFmt("Include \"%s\" updated.", {"http://x/a.xml"}, 2);
  module->Log("", 2);
  // The user's formats of a Hungarian Windows: short date "yyyy.MM.dd.", long time "H:mm:ss".
  EXPECT_EQ(LogText(),
            "2003.05.07. 9:05:03  Első sor\r\n"_cp
            "2003.12.24. 18:30:00  Include \"http://x/a.xml\" updated.\r\n"
            "2003.12.24. 18:30:00  \r\n");
  SetClockMode(TClockMode::Real);
}

TEST_F(BandModule, ALogThatCannotBeWrittenIsIgnored) {
  TTessalineDeskBandModule* module = Start();
  const std::string file = module->LogFileName();
  const std::string folder = GetDownloadStoragePath(kToolbarGUID);
  HANDLE held = INVALID_HANDLE_VALUE;
  struct Case {
    std::string name;
    std::function<void()> block, unblock;
  } cases[] = {
      {"the file held by another writer",
       [&] {
         module->Log("before", 2);
         held = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
         ASSERT_NE(held, INVALID_HANDLE_VALUE);
       },
       [&] { CloseHandle(held); }},
      {"the folder gone",
       [&] {
         DeleteFile(file);
         ASSERT_TRUE(RemoveDir(folder));
       },
       [&] { ForceDirectories(folder); }},
      {"a folder in the file's place",
       [&] {
         DeleteFile(file);
         ASSERT_TRUE(ForceDirectories(file));
       },
       [&] { RemoveDir(file); }},
  };
  for (const Case& c : cases) {
    c.block();
    EXPECT_NO_THROW(module->Log("lost", 2)) << c.name;
    c.unblock();
    module->Log("after " + c.name, 2);
    EXPECT_NE(LogText().find("  after " + c.name + "\r\n"), std::string::npos) << c.name;
  }
  EXPECT_EQ(LogText().find("lost"), std::string::npos);
}

TEST_F(BandModule, TheBandActivationContextHoldsTheLockFromBeginToEnd) {
  Start();
  TCriticalSection& lock = BandActCtxLock();
  TEasyContextActivation* context = nullptr;
  BeginBandActCtx(context);
  ASSERT_NE(context, nullptr);
  HANDLE current = nullptr;
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, context->Handle()) << "the library's manifest is active";
  ReleaseActCtx(current);
  EXPECT_EQ(vandrel::ActCtxDependencyVersion(context->Handle(), "Microsoft.Windows.Common-Controls"), "6.0.0.0");
  EXPECT_TRUE(lock.HeldByCurrentThread());
  TEasyContextActivation* inner = nullptr;
  BeginBandActCtx(inner);  // the same thread enters again
  EndBandActCtx(inner);
  EXPECT_EQ(inner, nullptr);
  EXPECT_TRUE(lock.HeldByCurrentThread());
  EndBandActCtx(context);
  EXPECT_EQ(context, nullptr);
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, nullptr);
  EXPECT_EQ(lock.OwningThread(), 0u);
}

BOOL FailingActivateActCtx(HANDLE, ULONG_PTR*) {
  SetLastError(ERROR_NOT_ENOUGH_MEMORY);
  return FALSE;
}

TEST_F(BandModule, AFailingActivationLeavesNeitherTheLockNorAContext) {
  // The routines are bound on first use, so the failing one is in place before.
  vandrel::RegisterStandInExports("kernel32.dll",
                                  {{"ActivateActCtx", reinterpret_cast<FARPROC>(&FailingActivateActCtx)}});
  Start();
  TEasyContextActivation* context = nullptr;
  try {
    BeginBandActCtx(context);
    ADD_FAILURE() << "activation failed";
  } catch (const EOSError& e) {
    EXPECT_EQ(e.ErrorCode(), DWORD(ERROR_NOT_ENOUGH_MEMORY));
  }
  EXPECT_EQ(context, nullptr);
  EXPECT_EQ(BandActCtxLock().OwningThread(), 0u);
  HANDLE current = nullptr;
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, nullptr);
}

TEST_F(BandModule, EveryHintChangeDiscardsTheHintWindow) {
  Start();
  TForm* form = TForm::CreateNew<TForm>(nullptr);
  form->SetBounds(100, 100, 300, 60);
  TButton* buttons[2];
  const char* hints[2] = {"Kezdőlap", "Keresés"};
  for (int i = 0; i < 2; ++i) {
    buttons[i] = NewObject<TButton>(form);
    buttons[i]->SetParent(form);
    buttons[i]->SetBounds(10 + 100 * i, 10, 80, 24);
    buttons[i]->SetHint(hints[i]);
    buttons[i]->SetShowHint(true);
  }
  form->Show();
  Application->ActivateHint(buttons[0]);
  ASSERT_NE(Application->HintWindow(), nullptr);
  EXPECT_EQ(Application->HintWindow()->ClassName(), "TSafeHintWindow");
  HWND first = Application->HintWindow()->Handle();
  EXPECT_TRUE(IsWindowVisible(first));
  Application->ActivateHint(buttons[1]);
  EXPECT_FALSE(IsWindow(first)) << "the hint window of the last hint is gone";
  HWND second = Application->HintWindow()->Handle();
  EXPECT_TRUE(IsWindowVisible(second));
  EXPECT_EQ(Application->HintWindow()->Caption(), "Keresés");

  WNDCLASSA safe{}, plain{};
  THintWindow* framework = NewObject<THintWindow>(nullptr);
  framework->HandleNeeded();
  // The component library registers its classes under its own instance, which its windows carry.
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(second, GWLP_HINSTANCE));
  ASSERT_TRUE(GetClassInfoA(instance, "TSafeHintWindow", &safe));
  ASSERT_TRUE(GetClassInfoA(instance, "THintWindow", &plain));
  EXPECT_EQ(plain.style & CS_DROPSHADOW, UINT(CS_DROPSHADOW));
  EXPECT_EQ(safe.style, plain.style & ~UINT(CS_DROPSHADOW)) << "the same class style without the shadow";
  framework->Free();

  RemoveHintHelper();
  EXPECT_EQ(HintHelper(), nullptr);
  EXPECT_FALSE(bool(Application->OnHint));
  Application->ActivateHint(buttons[0]);
  EXPECT_TRUE(IsWindow(second)) << "without the helper the window stays";
  form->Free();
}

}  // namespace

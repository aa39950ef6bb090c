// The form's dial-up operations over the machine's RAS stand-in: the result-code tables, the entries as
// stored, dials on the virtual clock, the modem listing, the run-time binding and its fallback, and online
// activation and subscription.
#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>

#include "platform/components/Application.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Exceptions.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/MachineRecords.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/Timers.h"
#include "wizard/Ras.h"
#include "wizard/tests/WizardTestSupport.h"

namespace {

using namespace wizard_test;
using vandrel::DialOutcome;
using vandrel::MachineRecord;

constexpr DWORD kThrow = 0xFFFFFFFF;
const char* const kTemporary = "Vandrel ideiglenes";

// The calls of `function` answer `code` (kThrow: they raise); the functions called are noted.
std::vector<std::string> g_calls;
void Answer(const std::string& function, DWORD code) {
  g_calls.clear();
  vandrel::ras_testing::SetCallHook([function, code](const std::string& called) -> DWORD {
    g_calls.push_back(called);
    if (called != function) return 0;
    if (code == kThrow) throw std::runtime_error("hook");
    return code;
  });
}

std::string DialConfiguration() {
  std::vector<std::pair<int, std::string>> texts;
  for (int id : UsedTextIds()) texts.push_back({id, "T" + std::to_string(id)});
  return Configuration({{"modemkapcsolatneve", "Vandrel"},
                        {"modemideigleneskapcsolatneve", kTemporary},
                        {"modemikonneve", "Vandrel ikon"}},
                       texts);
}

// Two modems, and three other devices of which one is a modem by its type.
constexpr const char* kDevices =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}]\n"
    "\"Class\"=\"Modem\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000]\n"
    "\"FriendlyName\"=\"Hayes Optima 56K\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001]\n"
    "\"FriendlyName\"=\"Standard Modem\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\Devices\\0]\n"
    "\"Type\"=\"isdn\"\n\"Name\"=\"ISDN TA\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\Devices\\1]\n"
    "\"Type\"=\"MODEM\"\n\"Name\"=\"Null-modem kabel\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\Devices\\2]\n"
    "\"Type\"=\"PPPoE\"\n\"Name\"=\"WAN Miniport (PPPOE)\"\n";

struct StoredEntry {
  RASENTRYA entry;
  RASDIALPARAMSA params;
};

StoredEntry Read(const std::string& name) {
  StoredEntry stored;
  std::memset(&stored, 0, sizeof stored);
  stored.entry.dwSize = sizeof stored.entry;
  DWORD size = sizeof stored.entry;
  EXPECT_EQ(RasGetEntryPropertiesA(nullptr, name.c_str(), &stored.entry, &size, nullptr, nullptr), 0u) << name;
  stored.params.dwSize = sizeof stored.params;
  std::strcpy(stored.params.szEntryName, name.c_str());
  BOOL password = FALSE;
  EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &stored.params, &password), 0u) << name;
  return stored;
}

class DialUp : public ::testing::Test {
 protected:
  void SetUp() override {
    machine.WriteConfiguration(DialConfiguration());
    form = machine.Start<TFMain>();
    form->Show();
  }
  void TearDown() override { vandrel::ras_testing::SetCallHook(nullptr); }
  std::string Dial() {
    detail = "unset";
    return form->DialEntry(detail);
  }
  void CreateTemporary(const std::string& phone = "0651200200") {
    ASSERT_EQ(form->CreateDialEntry(kTemporary, false, "Hayes Optima 56K", phone, "akt", "aktj"), "");
  }
  uint64_t Now() const { return ClockTickMs(); }
  std::vector<std::string> Records(MachineRecord record) const { return vandrel::MachineRecordLinesAfter(record, 0); }
  std::string ErrorPage() const { return form->lbKozosHibaCim->Caption() + "/" + form->lbKozosHibaTorzs->Caption(); }

  WizardMachine machine;
  TFMain* form = nullptr;
  std::string detail;
};

TEST_F(DialUp, EveryOperationNamesItsResults) {
  CreateTemporary();
  using Operation = std::function<std::string(TFMain*)>;
  const Operation create = [](TFMain* f) { return f->CreateDialEntry("Vandrel", false, "Hayes", "1", "u", "p"); };
  const Operation remove = [](TFMain* f) { return f->DeleteDialEntry(kTemporary); };
  const Operation credentials = [](TFMain* f) { return f->SetDialCredentials(kTemporary, "u", "p"); };
  const Operation dial = [](TFMain* f) {
    std::string detail;
    return f->DialEntry(detail);
  };
  const Operation exists = [](TFMain* f) { return std::string(f->DialEntryExists(kTemporary) ? "yes" : "no"); };
  struct Case {
    const char* operation;
    const Operation* run;
    const char* function;
    DWORD code;
    const char* expected;
  } cases[] = {
      {"create", &create, "RasSetEntryPropertiesA", 87, "ERROR_INVALID_PARAMETER"},
      {"create", &create, "RasSetEntryPropertiesA", 610, "ERROR_BUFFER_INVALID"},
      {"create", &create, "RasSetEntryPropertiesA", 621, "ERROR_CANNOT_OPEN_PHONEBOOK"},
      {"create", &create, "RasSetEntryPropertiesA", 625, "ERROR_CANNOT_CREATE_ENTRY"},
      {"create", &create, "RasSetEntryPropertiesA", kThrow, "ERROR_CANNOT_CREATE_ENTRY"},
      {"create", &create, "RasSetEntryDialParamsA", 610, "ERROR_BUFFER_INVALID"},
      {"create", &create, "RasSetEntryDialParamsA", 621, "ERROR_CANNOT_OPEN_PHONEBOOK"},
      {"create", &create, "RasSetEntryDialParamsA", 623, "ERROR_CANNOT_FIND_PHONEBOOK_ENTRY"},
      {"create", &create, "RasSetEntryDialParamsA", 87, "ERROR_CANNOT_CREATE_ENTRY"},
      {"create", &create, "RasSetEntryDialParamsA", kThrow, "ERROR_CANNOT_CREATE_ENTRY"},
      {"delete", &remove, "RasDeleteEntryA", 123, "ERROR_INVALID_NAME"},
      {"delete", &remove, "RasDeleteEntryA", 623, ""},
      {"delete", &remove, "RasDeleteEntryA", 621, "ERROR_CANNOT_DELETE_ENTRY"},
      {"delete", &remove, "RasDeleteEntryA", kThrow, "ERROR_CANNOT_DELETE_ENTRY"},
      {"credentials", &credentials, "RasGetEntryDialParamsA", 610, "ERROR_BUFFER_INVALID"},
      {"credentials", &credentials, "RasGetEntryDialParamsA", 621, "ERROR_CANNOT_OPEN_PHONEBOOK"},
      {"credentials", &credentials, "RasGetEntryDialParamsA", 623, "ERROR_CANNOT_FIND_PHONEBOOK_ENTRY"},
      {"credentials", &credentials, "RasGetEntryDialParamsA", 625, "ERROR_CANNON_CHANGE_PARAMS"},
      {"credentials", &credentials, "RasGetEntryDialParamsA", kThrow, "ERROR_CANNON_CHANGE_PARAMS"},
      {"credentials", &credentials, "RasSetEntryDialParamsA", 610, "ERROR_BUFFER_INVALID"},
      {"credentials", &credentials, "RasSetEntryDialParamsA", 621, "ERROR_CANNOT_OPEN_PHONEBOOK"},
      {"credentials", &credentials, "RasSetEntryDialParamsA", 623, "ERROR_CANNOT_FIND_PHONEBOOK_ENTRY"},
      {"credentials", &credentials, "RasSetEntryDialParamsA", 632, "ERROR_CANNON_CHANGE_PARAMS"},
      {"credentials", &credentials, "RasSetEntryDialParamsA", kThrow, "ERROR_CANNON_CHANGE_PARAMS"},
      {"dial", &dial, "RasGetEntryDialParamsA", 610, "ERROR_BUFFER_INVALID"},
      {"dial", &dial, "RasGetEntryDialParamsA", 621, "ERROR_CANNOT_OPEN_PHONEBOOK"},
      {"dial", &dial, "RasGetEntryDialParamsA", 623, "ERROR_CANNOT_FIND_PHONEBOOK_ENTRY"},
      {"dial", &dial, "RasGetEntryDialParamsA", 625, "ERROR_DIAL_DIAL_UP_ENTRY"},
      {"dial", &dial, "RasGetEntryDialParamsA", kThrow, "ERROR_DIAL_DIAL_UP_ENTRY"},
      {"exists", &exists, "RasGetEntryDialParamsA", 0, "yes"},
      {"exists", &exists, "RasGetEntryDialParamsA", 623, "no"},
      {"exists", &exists, "RasGetEntryDialParamsA", kThrow, "no"},
  };
  for (const Case& c : cases) {
    Answer(c.function, c.code);
    EXPECT_EQ((*c.run)(form), c.expected) << c.operation << " " << c.function << " " << int(c.code);
    if (std::string(c.function) == "RasSetEntryPropertiesA") {
      // A failed properties call sets no dial parameters.
      EXPECT_EQ(g_calls, (std::vector<std::string>{"RasSetEntryPropertiesA"})) << c.code;
    }
    if (std::string(c.operation) == "dial") {
      EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), "RasDialA"), 0);
    }
  }
  vandrel::ras_testing::SetCallHook(nullptr);
  EXPECT_EQ(form->DeleteDialEntry(kTemporary), "");
  EXPECT_EQ(form->DeleteDialEntry(kTemporary), "");  // a missing entry stays lenient
  EXPECT_FALSE(form->DialEntryExists(kTemporary));
}

TEST_F(DialUp, ModemAndPPPoEEntriesAreStoredAsTheProviderWantsThem) {
  ASSERT_EQ(form->CreateDialEntry("Vandrel", false, "Hayes Optima 56K", "9W0651200900", "vandrel1", "titok"), "");
  ASSERT_EQ(form->CreateDialEntry("Vandrel ADSL", true, "ignored", "0651", "adsl1", "jelszo"), "");
  for (bool pppoe : {false, true}) {
    const StoredEntry s = Read(pppoe ? "Vandrel ADSL" : "Vandrel");
    EXPECT_EQ(s.entry.dwfOptions, 0x3D810318u);
    EXPECT_EQ(s.entry.dwCountryID, 36u);
    EXPECT_EQ(s.entry.dwCountryCode, 36u);
    EXPECT_STREQ(s.entry.szAreaCode, "");
    EXPECT_STREQ(s.entry.szLocalPhoneNumber, pppoe ? "" : "9W0651200900");
    EXPECT_EQ(s.entry.dwfNetProtocols, RASNP_Ip);
    EXPECT_EQ(s.entry.dwFramingProtocol, RASFP_Ppp);
    EXPECT_STREQ(s.entry.szDeviceType, pppoe ? "PPPoE" : "modem");
    EXPECT_STREQ(s.entry.szDeviceName, pppoe ? "" : "Hayes Optima 56K");
    EXPECT_EQ(s.entry.dwType, pppoe ? RASET_Broadband : 0u);
    // The dial parameters, a PPPoE entry's with the phone text given.
    EXPECT_STREQ(s.params.szPhoneNumber, pppoe ? "0651" : "9W0651200900");
    EXPECT_STREQ(s.params.szUserName, pppoe ? "adsl1" : "vandrel1");
    EXPECT_STREQ(s.params.szPassword, pppoe ? "jelszo" : "titok");
  }
  // New credentials keep the rest of the dial parameters.
  EXPECT_EQ(form->SetDialCredentials("Vandrel ADSL", "adsl2", "uj"), "");
  const StoredEntry s = Read("Vandrel ADSL");
  EXPECT_STREQ(s.params.szPhoneNumber, "0651");
  EXPECT_STREQ(s.params.szUserName, "adsl2");
  EXPECT_STREQ(s.params.szPassword, "uj");
  EXPECT_TRUE(form->DialEntryExists("Vandrel ADSL"));
}

TEST_F(DialUp, AConnectedDialKeepsItsConnectionUntilHungUp) {
  CreateTemporary();
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Connect, 0, RASCS_OpenPort, 1000}));
  form->Notebook->SetPageIndex(TFMain::pgModemCsomagTipus);
  // Half-way through the dial: dialling, the dial timer on, Back and Next off on page 9.
  std::string during;
  TTimer* probe = NewObject<TTimer>(form);
  probe->SetInterval(4500);
  probe->OnTimer = [&](TObject*) {
    probe->SetEnabled(false);
    during = std::string(form->Dialing() ? "dialing" : "idle") + " " +
             (form->trModemDialEntry->Enabled() ? "on" : "off") + " " +
             (form->bnKovetkezo->Enabled() || form->bnElozo->Enabled() ? "buttons" : "locked");
  };
  probe->SetEnabled(true);
  const uint64_t start = Now();
  EXPECT_EQ(Dial(), "");
  EXPECT_EQ(detail, "");
  EXPECT_EQ(during, "dialing on locked");
  EXPECT_EQ(Now() - start, 10000u);  // ten states, a second apart
  EXPECT_TRUE(form->Connected());
  EXPECT_FALSE(form->Dialing());
  EXPECT_FALSE(form->trModemDialEntry->Enabled());
  EXPECT_EQ(form->DialError(), 0);
  ASSERT_NE(form->RasConn(), nullptr);
  EXPECT_EQ(Records(MachineRecord::DialledNumbers), (std::vector<std::string>{"0651200200"}));
  EXPECT_EQ(vandrel::OpenRasConnections(), 1u);

  const uint64_t hangUp = Now();
  form->HangUp();
  EXPECT_EQ(Now() - hangUp, 3000u);
  EXPECT_EQ(form->RasConn(), nullptr);
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
  // Without a connection it does nothing and does not wait.
  form->HangUp();
  EXPECT_EQ(Now() - hangUp, 3000u);
}

TEST_F(DialUp, AFailedDialHangsUpAndCarriesThePlatformsText) {
  CreateTemporary();
  for (RASCONNSTATE state :
       {RASCS_OpenPort, RASCS_PortOpened, RASCS_ConnectDevice, RASCS_DeviceConnected, RASCS_AllDevicesConnected,
        RASCS_Authenticate, RASCS_AuthNotify, RASCS_AuthProject, RASCS_Authenticated, RASCS_Connected}) {
    ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Fail, ERROR_NO_ANSWER, state, 500}));
    EXPECT_EQ(Dial(), "ERROR_CANNOT_DIAL_ENTRY (There is no answer.)") << state;
    EXPECT_EQ(detail, "\rT93There is no answer.");
    EXPECT_FALSE(form->Connected());
    EXPECT_FALSE(form->Dialing());
    EXPECT_EQ(form->DialError(), int32_t(ERROR_NO_ANSWER));
    EXPECT_EQ(form->RasConn(), nullptr);
    EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
  }
  // A code without a text gives an empty detail.
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Fail, 12345, RASCS_ConnectDevice, 500}));
  EXPECT_EQ(Dial(), "ERROR_CANNOT_DIAL_ENTRY ()");
  EXPECT_EQ(detail, "");
}

TEST_F(DialUp, ADialRefusedAtOnceFailsWithoutWaiting) {
  CreateTemporary();
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Refuse, ERROR_PORT_NOT_AVAILABLE}));
  const uint64_t start = Now();
  EXPECT_EQ(Dial(),
            "ERROR_CANNOT_DIAL_ENTRY (The port is already in use or is not configured for Remote Access dial out.)");
  EXPECT_EQ(Now() - start, 3000u);  // the hang-up's wait only
  EXPECT_FALSE(form->Dialing());
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);  // the handle it got was hung up
}

TEST_F(DialUp, NextOnTheDownloadPageCancelsADialThatIsNeverAnswered) {
  CreateTemporary();
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Silent, 0, RASCS_OpenPort, 1000}));
  // A connection made earlier must not make the cancelled dial pass.
  form->SetConnected(true);
  form->Notebook->SetPageIndex(TFMain::pgModemLetoltes);
  TTimer* cancel = NewObject<TTimer>(form);
  cancel->SetInterval(60000);
  cancel->OnTimer = [&](TObject*) {
    cancel->SetEnabled(false);
    form->bnKovetkezo->Click();
  };
  cancel->SetEnabled(true);
  const uint64_t start = Now();
  EXPECT_EQ(Dial(), "ERROR_CANNOT_DIAL_ENTRY ()");
  EXPECT_EQ(detail, "");
  EXPECT_EQ(Now() - start, 63000u);  // the Next at 60 s, then the hang-up's wait
  EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemLetoltes);
  EXPECT_EQ(form->lbModemLetoltes->Caption(), "T62");
  EXPECT_FALSE(form->Connected());
  EXPECT_EQ(form->RasConn(), nullptr);
  EXPECT_EQ(vandrel::OpenRasConnections(), 0u);
}

TEST_F(DialUp, TheModemListHoldsTheDevicesOfAModemType) {
  EXPECT_EQ(form->ListModems(), "");  // the default machine has none
  Answer("", 0);
  EXPECT_EQ(form->ListModems(), "");
  EXPECT_EQ(g_calls, (std::vector<std::string>{"RasEnumDevicesA"}));  // nothing read into no records
  ImportRegistry(kDevices);
  EXPECT_EQ(form->ListModems(), "Hayes Optima 56K\r\nStandard Modem\r\nNull-modem kabel\r\n");
  Answer("RasEnumDevicesA", kThrow);
  EXPECT_EQ(form->ListModems(), "");
}

TEST_F(DialUp, TheFallbackLibraryIsChosenOnceForEveryFunction) {
  ImportRegistry(kDevices);
  vandrel::dynamic_testing::HideExport("rasapi32.dll", "RasSetEntryPropertiesA");
  EXPECT_EQ(form->CreateDialEntry("Vandrel", false, "Hayes", "1", "u", "p"), "");  // through rnaph.dll
  EXPECT_TRUE(form->DialEntryExists("Vandrel"));
  // rasapi32.dll has RasDeleteEntryA, but the choice holds.
  vandrel::dynamic_testing::HideExport("rnaph.dll", "RasDeleteEntry");
  EXPECT_EQ(form->DeleteDialEntry("Vandrel"), "ERROR_CANNOT_DELETE_ENTRY");
  EXPECT_TRUE(form->DialEntryExists("Vandrel"));
  EXPECT_EQ(form->ListModems(), "Hayes Optima 56K\r\nStandard Modem\r\nNull-modem kabel\r\n");
  try {
    GetRasProc("RasDeleteEntry");
    ADD_FAILURE() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Function RasDeleteEntry not found!");
  }
}

TEST_F(DialUp, BindingFailuresSurfaceAsTheOperationsOwnErrors) {
  ImportRegistry(kDevices);
  struct Case {
    const char* hidden;  // a module, or module:export
    const char* message;
  } cases[] = {
      {"rasapi32.dll", "Error opening rasapi.dll"},
      {"rnaph.dll", "Error opening rnaph.dll"},
      {"", "Function RasNincs not found!"},
  };
  for (const Case& c : cases) {
    vandrel::dynamic_testing::ShowEverything();
    if (*c.hidden) vandrel::dynamic_testing::HideModule(c.hidden);
    try {
      GetRasProc("RasNincs");
      ADD_FAILURE() << "no exception";
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  // Nothing was bound by the failures: a missing rasapi32.dll fails every bound function.
  vandrel::dynamic_testing::ShowEverything();
  vandrel::dynamic_testing::HideModule("rasapi32.dll");
  EXPECT_EQ(form->CreateDialEntry("Vandrel", false, "Hayes", "1", "u", "p"), "ERROR_CANNOT_CREATE_ENTRY");
  EXPECT_EQ(form->ListModems(), "");
  EXPECT_EQ(form->DeleteDialEntry("Vandrel"), "ERROR_CANNOT_DELETE_ENTRY");
  // Once bound to rasapi32.dll, a name it lacks is not looked for in rnaph.dll.
  vandrel::dynamic_testing::ShowEverything();
  EXPECT_EQ(GetRasProc("RasEnumDevices"), reinterpret_cast<FARPROC>(&RasEnumDevicesA));
  vandrel::dynamic_testing::HideExport("rasapi32.dll", "RasDeleteEntryA");
  EXPECT_EQ(form->DeleteDialEntry("Vandrel"), "ERROR_CANNOT_DELETE_ENTRY");
}

class Online : public DialUp {
 protected:
  void SetUp() override {
    DialUp::SetUp();
    form->cbModem->Items()->Add("Hayes Optima 56K");
    form->cbModem->SetItemIndex(0);
    form->cbModemKorzetszam->SetItemIndex(form->cbModemKorzetszam->Items()->IndexOf("1"));
    form->FillPackages();
    form->Notebook->SetPageIndex(TFMain::pgModemCsomagTipus);
  }
  void Prefix(const std::string& digit) {
    form->cbModemElohivoKell->SetItemIndex(digit.empty() ? 1 : 0);
    form->edModemElohivoszam->SetText(digit);
  }
  // Back on the package page with the error page's texts cleared.
  void Again() {
    form->Notebook->SetPageIndex(TFMain::pgModemCsomagTipus);
    form->lbKozosHibaCim->SetCaption("");
    form->lbKozosHibaTorzs->SetCaption("");
  }
  void Run(bool activation) { activation ? form->OnlineActivation() : form->OnlineSubscription(); }
  TAreaCodeRecord* Area() const {
    return static_cast<TAreaCodeRecord*>(
        form->cbModemKorzetszam->Items()->Objects(form->cbModemKorzetszam->ItemIndex()));
  }
};

TEST_F(Online, TheNumberIsDialledAndTheAddressOpenedMaximised) {
  struct Case {
    bool activation;
    const char* prefix;
    const char* dialled;
    const char* opened;
    const char* user;
  } cases[] = {
      {true, "", "0651200200", "SW_SHOWMAXIMIZED http://a/", "akt"},
      {true, "9", "9W0651200200", "SW_SHOWMAXIMIZED http://a/", "akt"},
      {false, "", "0651200200", "SW_SHOWMAXIMIZED http://e/", "elo"},
      {false, "0", "0W0651200200", "SW_SHOWMAXIMIZED http://e/", "elo"},
  };
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Connect, 0, RASCS_OpenPort, 100}));
  for (const Case& c : cases) {
    const uint64_t dialled = vandrel::MachineRecordSize(MachineRecord::DialledNumbers);
    const uint64_t opened = vandrel::MachineRecordSize(MachineRecord::OpenedAddresses);
    Prefix(c.prefix);
    Run(c.activation);
    EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::DialledNumbers, dialled),
              (std::vector<std::string>{c.dialled}));
    EXPECT_EQ(vandrel::MachineRecordLinesAfter(MachineRecord::OpenedAddresses, opened),
              (std::vector<std::string>{c.opened}));
    const StoredEntry s = Read(kTemporary);
    EXPECT_STREQ(s.entry.szDeviceName, "Hayes Optima 56K");
    EXPECT_STREQ(s.params.szUserName, c.user);
    EXPECT_TRUE(form->Connected());  // the browser uses the connection
    EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgModemCsomagTipus);
    EXPECT_EQ(Screen->Cursor(), crArrow);
  }
}

TEST_F(Online, EntryAndDialFailuresEndOnTheErrorPage) {
  struct Case {
    bool activation;
    const char* function;  // the call that fails, or none for a failing dial
    const char* page;
  } cases[] = {
      {true, "RasSetEntryPropertiesA", "T88/T87"},
      {false, "RasSetEntryDialParamsA", "T92/T91"},
      {true, "", "T86/T85\r\rT93There is no answer."},
      {false, "", "T90/T89\r\rT93There is no answer."},
  };
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Fail, ERROR_NO_ANSWER, RASCS_ConnectDevice, 100}));
  for (const Case& c : cases) {
    Again();
    Answer(c.function, ERROR_CANNOT_OPEN_PHONEBOOK);
    Run(c.activation);
    EXPECT_EQ(form->Notebook->PageIndex(), TFMain::pgKozosHiba);
    EXPECT_EQ(ErrorPage(), c.page);
    EXPECT_EQ(Records(MachineRecord::OpenedAddresses), std::vector<std::string>{});
    EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), "RasDialA"), *c.function ? 0 : 1);
    EXPECT_EQ(Screen->Cursor(), crArrow);
  }
}

TEST_F(Online, OnlyWebAddressesAreOpened) {
  ASSERT_TRUE(vandrel::ScriptDial({DialOutcome::Connect, 0, RASCS_OpenPort, 100}));
  for (const char* address : {"C:\\WINDOWS\\system32\\cmd.exe", "file:///C:/x.exe", "javascript:alert(1)", "ftp://a/",
                              "http://", "", "HTTPS://a/"}) {
    Again();
    Area()->Fields[TAreaCodeRecord::ActivationURL] = address;
    Run(true);
    if (std::string(address) == "HTTPS://a/") {
      EXPECT_EQ(Records(MachineRecord::OpenedAddresses), (std::vector<std::string>{"SW_SHOWMAXIMIZED HTTPS://a/"}));
      continue;
    }
    EXPECT_EQ(Records(MachineRecord::OpenedAddresses), std::vector<std::string>{}) << address;
    EXPECT_EQ(ErrorPage(), "T86/T85\r") << address;
  }
}

TEST_F(Online, TheModemFinishCreatesTheFinalEntry) {
  form->cbModemKorzetszam->SetItemIndex(form->cbModemKorzetszam->Items()->IndexOf("22"));
  form->FillPackages();
  form->cbModemCsomag->SetItemIndex(1);  // the combined package
  Prefix("9");
  form->edModemTarcsazasiNev->SetText("vandrel1");
  form->edModemTarcsazasiJelszo->SetText("titok");
  form->ModemFinish();
  const StoredEntry s = Read("Vandrel");
  EXPECT_STREQ(s.entry.szLocalPhoneNumber, "9W0651200900");
  EXPECT_STREQ(s.entry.szDeviceName, "Hayes Optima 56K");
  EXPECT_STREQ(s.params.szUserName, "vandrel1");
  EXPECT_STREQ(s.params.szPassword, "titok");
}

}  // namespace

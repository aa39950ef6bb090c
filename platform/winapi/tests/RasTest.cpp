// The phone book, the machine's dial-up devices, the error texts and the exports of the RAS stand-in.
#include "platform/winapi/Ras.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace {

RASENTRYA Entry(const char* deviceType, const char* device, const char* phone, DWORD type) {
  RASENTRYA entry;
  std::memset(&entry, 0, sizeof entry);
  entry.dwSize = sizeof entry;
  entry.dwfOptions = 0x3D810318;
  entry.dwCountryID = entry.dwCountryCode = 36;
  std::strcpy(entry.szAreaCode, "1");
  std::strcpy(entry.szLocalPhoneNumber, phone);
  entry.dwfNetProtocols = RASNP_Ip;
  entry.dwFramingProtocol = RASFP_Ppp;
  std::strcpy(entry.szDeviceType, deviceType);
  std::strcpy(entry.szDeviceName, device);
  entry.dwType = type;
  return entry;
}

RASDIALPARAMSA Params(const char* name, const char* phone = "", const char* user = "", const char* password = "") {
  RASDIALPARAMSA params;
  std::memset(&params, 0, sizeof params);
  params.dwSize = sizeof params;
  std::strcpy(params.szEntryName, name);
  std::strcpy(params.szPhoneNumber, phone);
  std::strcpy(params.szUserName, user);
  std::strcpy(params.szPassword, password);
  return params;
}

DWORD Create(const char* name, const RASENTRYA& entry) {
  return RasSetEntryPropertiesA(nullptr, name, &entry, sizeof entry, nullptr, 0);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText("REGEDIT4\n" + text, error)) << error;
}

TEST(RasEntries, ModemAndPPPoEEntriesKeepTheirFieldsAndDialParameters) {
  testing_support::TestMachine machine;
  const std::string name = "Vandrel [ideiglenes] 100%=kész"_cp;
  ASSERT_EQ(Create(name.c_str(), Entry("modem", "Hayes Optima", "0651123456", 0)), ERROR_SUCCESS);
  ASSERT_EQ(Create("ADSL", Entry("PPPoE", "", "", RASET_Broadband)), ERROR_SUCCESS);
  RASDIALPARAMSA params = Params(name.c_str(), "9W0651123456", "vandrel", "titok");
  ASSERT_EQ(RasSetEntryDialParamsA(nullptr, &params, FALSE), ERROR_SUCCESS);

  for (const char* wanted : {name.c_str(), "adsl"}) {
    RASENTRYA read;
    std::memset(&read, 0x5A, sizeof read);
    read.dwSize = sizeof read;
    DWORD size = sizeof read;
    ASSERT_EQ(RasGetEntryPropertiesA(nullptr, wanted, &read, &size, nullptr, nullptr), ERROR_SUCCESS) << wanted;
    const bool modem = std::string(wanted) == name;
    EXPECT_EQ(read.dwfOptions, 0x3D810318u);
    EXPECT_EQ(read.dwCountryID, 36u);
    EXPECT_EQ(read.dwCountryCode, 36u);
    EXPECT_STREQ(read.szAreaCode, "1");
    EXPECT_STREQ(read.szLocalPhoneNumber, modem ? "0651123456" : "");
    EXPECT_EQ(read.dwfNetProtocols, RASNP_Ip);
    EXPECT_EQ(read.dwFramingProtocol, RASFP_Ppp);
    EXPECT_STREQ(read.szDeviceType, modem ? "modem" : "PPPoE");
    EXPECT_STREQ(read.szDeviceName, modem ? "Hayes Optima" : "");
    EXPECT_EQ(read.dwType, modem ? 0u : RASET_Broadband);
    EXPECT_EQ(read.dwAlternateOffset, 0u);  // what is not kept reads as zero
  }
  RASDIALPARAMSA read = Params(name.c_str());
  BOOL password = FALSE;
  ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &read, &password), ERROR_SUCCESS);
  EXPECT_STREQ(read.szPhoneNumber, "9W0651123456");
  EXPECT_STREQ(read.szUserName, "vandrel");
  EXPECT_STREQ(read.szPassword, "titok");
  EXPECT_TRUE(password);

  // New properties keep the dial parameters; the file holds one line per value.
  ASSERT_EQ(Create(name.c_str(), Entry("modem", "Hayes Optima", "0652000000", 0)), ERROR_SUCCESS);
  read = Params(name.c_str());
  ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &read, &password), ERROR_SUCCESS);
  EXPECT_STREQ(read.szPassword, "titok");
  const std::string text = ReadFile(vandrel::PhonebookPath());
  EXPECT_NE(text.find("[Vandrel %5Bideiglenes%5D 100%25%3Dk"), std::string::npos) << text;
  EXPECT_NE(text.find("\nPassword=titok\n"), std::string::npos) << text;

  // Removing the password.
  params = Params(name.c_str(), "", "vandrel", "titok");
  ASSERT_EQ(RasSetEntryDialParamsA(nullptr, &params, TRUE), ERROR_SUCCESS);
  read = Params(name.c_str());
  ASSERT_EQ(RasGetEntryDialParamsA(nullptr, &read, &password), ERROR_SUCCESS);
  EXPECT_STREQ(read.szPassword, "");
  EXPECT_FALSE(password);
}

TEST(RasEntries, BadArgumentsAreRefusedAndStoreNothing) {
  testing_support::TestMachine machine;
  const RASENTRYA modem = Entry("modem", "Hayes", "1", 0);
  RASENTRYA badSize = modem, pppoePhone = Entry("PPPoE", "", "", 0), broadbandModem = Entry("modem", "Hayes", "1", 5),
            unknownType = Entry("modem", "Hayes", "1", 6);
  badSize.dwSize = 2084;
  const std::string longName(257, 'x');
  struct Case {
    const char* book;
    const char* name;
    const RASENTRYA* entry;
    DWORD size;
    DWORD expected;
  } cases[] = {
      {"C:\\x.pbk", "A", &modem, sizeof modem, ERROR_CANNOT_OPEN_PHONEBOOK},
      {nullptr, nullptr, &modem, sizeof modem, ERROR_INVALID_NAME},
      {nullptr, "", &modem, sizeof modem, ERROR_INVALID_NAME},
      {nullptr, ".rejtett", &modem, sizeof modem, ERROR_INVALID_NAME},
      {nullptr, "sor\r\nvege", &modem, sizeof modem, ERROR_INVALID_NAME},
      {nullptr, longName.c_str(), &modem, sizeof modem, ERROR_INVALID_NAME},
      {nullptr, "A", nullptr, sizeof modem, ERROR_BUFFER_INVALID},
      {nullptr, "A", &badSize, sizeof modem, ERROR_INVALID_SIZE},
      {nullptr, "A", &modem, sizeof modem - 4, ERROR_BUFFER_INVALID},
      {nullptr, "A", &pppoePhone, sizeof modem, ERROR_INVALID_PARAMETER},
      {nullptr, "A", &broadbandModem, sizeof modem, ERROR_INVALID_PARAMETER},
      {nullptr, "A", &unknownType, sizeof modem, ERROR_INVALID_PARAMETER},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RasSetEntryPropertiesA(c.book, c.name, c.entry, c.size, nullptr, 0), c.expected)
        << (c.name ? c.name : "(null)");
  EXPECT_EQ(ReadFile(vandrel::PhonebookPath()), "");
  EXPECT_EQ(Create(std::string(256, 'x').c_str(), modem), ERROR_SUCCESS);  // the longest name

  // Dial parameters and deletion of entries that are not there.
  RASDIALPARAMSA params = Params("Nincs", "1", "u", "p");
  BOOL password = FALSE;
  EXPECT_EQ(RasSetEntryDialParamsA(nullptr, &params, FALSE), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &password), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, nullptr), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RasGetEntryDialParamsA(nullptr, nullptr, &password), ERROR_BUFFER_INVALID);
  EXPECT_EQ(RasSetEntryDialParamsA("C:\\x.pbk", &params, FALSE), ERROR_CANNOT_OPEN_PHONEBOOK);
  params.dwSize = 1060;
  EXPECT_EQ(RasSetEntryDialParamsA(nullptr, &params, FALSE), ERROR_INVALID_SIZE);
  EXPECT_EQ(RasDeleteEntryA(nullptr, "Nincs"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  EXPECT_EQ(RasDeleteEntryA(nullptr, ""), ERROR_INVALID_NAME);
  DWORD size = 0;
  EXPECT_EQ(RasGetEntryPropertiesA(nullptr, "Nincs", nullptr, &size, nullptr, nullptr), ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(size, sizeof(RASENTRYA));
}

TEST(RasEntries, DeletingRemovesOnlyThatEntry) {
  testing_support::TestMachine machine;
  ASSERT_EQ(Create("Egy", Entry("modem", "Hayes", "1", 0)), ERROR_SUCCESS);
  ASSERT_EQ(Create("Kettő"_cp.c_str(), Entry("modem", "Hayes", "2", 0)), ERROR_SUCCESS);
  EXPECT_EQ(RasDeleteEntryA(nullptr, "EGY"), ERROR_SUCCESS);
  RASDIALPARAMSA params = Params("Egy");
  BOOL password = FALSE;
  EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &password), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
  params = Params("Kettő"_cp.c_str());
  EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &password), ERROR_SUCCESS);
  EXPECT_EQ(RasDeleteEntryA(nullptr, "Egy"), ERROR_CANNOT_FIND_PHONEBOOK_ENTRY);
}

TEST(RasEntries, ACorruptPhonebookIsReportedAndLeftAsItWas) {
  testing_support::TestMachine machine;
  ASSERT_EQ(Create("Egy", Entry("modem", "Hayes", "1", 0)), ERROR_SUCCESS);
  for (const char* damage : {"Options=x\n", "nincs egyenlosegjel\n", "PhoneNumber=%4\n", "[Egy]\n"}) {
    std::string text = ReadFile(vandrel::PhonebookPath());
    std::string damaged = text + damage;
    std::ofstream(vandrel::PhonebookPath(), std::ios::binary | std::ios::trunc) << damaged;
    EXPECT_EQ(Create("Kettő"_cp.c_str(), Entry("modem", "Hayes", "2", 0)), ERROR_CORRUPT_PHONEBOOK) << damage;
    EXPECT_EQ(RasDeleteEntryA(nullptr, "Egy"), ERROR_CORRUPT_PHONEBOOK);
    EXPECT_EQ(ReadFile(vandrel::PhonebookPath()), damaged);
    std::ofstream(vandrel::PhonebookPath(), std::ios::binary | std::ios::trunc) << text;
  }
}

// An NT machine with two modems in the first modem class, a modem of a later class that does not count, and
// two other devices.
constexpr const char* kNtDevices =
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E968-E325-11CE-BFC1-08002BE10318}]\n"
    "\"Class\"=\"Display\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}]\n"
    "\"Class\"=\"Modem\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0000]\n"
    "\"FriendlyName\"=\"Hayes Optima 56K\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{4D36E96D-E325-11CE-BFC1-08002BE10318}\\0001]\n"
    "\"FriendlyName\"=\"Standard 33600 bps Modem\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{FFFFFFFF-E325-11CE-BFC1-08002BE10318}]\n"
    "\"Class\"=\"MODEM\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{FFFFFFFF-E325-11CE-BFC1-08002BE10318}\\0000]\n"
    "\"FriendlyName\"=\"Second class\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\Devices\\0]\n"
    "\"Type\"=\"PPPoE\"\n\"Name\"=\"WAN Miniport (PPPOE)\"\n"
    "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\RasMan\\Devices\\1]\n"
    "\"Type\"=\"isdn\"\n\"Name\"=\"ISDN TA\"\n";

std::vector<std::string> Listed(const std::vector<RASDEVINFOA>& records, DWORD count) {
  std::vector<std::string> out;
  for (DWORD i = 0; i < count; ++i) out.push_back(std::string(records[i].szDeviceType) + "|" + records[i].szDeviceName);
  return out;
}

TEST(RasDevices, TheMachinesModemsComeFirstThenItsOtherDevices) {
  testing_support::TestMachine machine;
  Import(kNtDevices);
  DWORD bytes = 0, count = 0;
  EXPECT_EQ(RasEnumDevicesA(nullptr, &bytes, &count), ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(bytes, 4 * sizeof(RASDEVINFOA));
  EXPECT_EQ(count, 4u);

  std::vector<RASDEVINFOA> records(5);
  std::memset(records.data(), 0x5A, records.size() * sizeof(RASDEVINFOA));  // a canary past the four
  records[0].dwSize = sizeof(RASDEVINFOA);
  bytes = 3 * sizeof(RASDEVINFOA);
  EXPECT_EQ(RasEnumDevicesA(records.data(), &bytes, &count), ERROR_BUFFER_TOO_SMALL);
  EXPECT_EQ(bytes, 4 * sizeof(RASDEVINFOA));
  EXPECT_EQ(RasEnumDevicesA(records.data(), &bytes, &count), ERROR_SUCCESS);
  EXPECT_EQ(Listed(records, count),
            (std::vector<std::string>{"modem|Hayes Optima 56K", "modem|Standard 33600 bps Modem",
                                      "PPPoE|WAN Miniport (PPPOE)", "isdn|ISDN TA"}));
  EXPECT_EQ(records[3].dwSize, sizeof(RASDEVINFOA));
  EXPECT_EQ(records[4].dwSize, 0x5A5A5A5Au);

  records[0].dwSize = 148;
  EXPECT_EQ(RasEnumDevicesA(records.data(), &bytes, &count), ERROR_INVALID_SIZE);
  EXPECT_EQ(RasEnumDevicesA(nullptr, nullptr, &count), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RasEnumDevicesA(nullptr, &bytes, nullptr), ERROR_INVALID_PARAMETER);
}

TEST(RasDevices, The95FamilyListsItsModemsByModel) {
  testing_support::TestMachine machine;
  Import(std::string("[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT]\n"
                     "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n"
                     "\"VersionNumber\"=\"4.10.2222\"\n"
                     "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Class\\Modem\\0000]\n"
                     "\"Model\"=\"Rockwell 56K\"\n") +
         kNtDevices);
  std::vector<RASDEVINFOA> records(3);
  records[0].dwSize = sizeof(RASDEVINFOA);
  DWORD bytes = 3 * sizeof(RASDEVINFOA), count = 0;
  ASSERT_EQ(RasEnumDevicesA(records.data(), &bytes, &count), ERROR_SUCCESS);
  EXPECT_EQ(Listed(records, count),
            (std::vector<std::string>{"modem|Rockwell 56K", "PPPoE|WAN Miniport (PPPOE)", "isdn|ISDN TA"}));
}

TEST(RasDevices, TheDefaultMachineHasNone) {
  testing_support::TestMachine machine;
  DWORD bytes = 0, count = 7;
  EXPECT_EQ(RasEnumDevicesA(nullptr, &bytes, &count), ERROR_SUCCESS);
  EXPECT_EQ(bytes, 0u);
  EXPECT_EQ(count, 0u);
}

TEST(RasErrorStrings, KnownCodesHaveTextsAndOthersLeaveTheBufferAlone) {
  char buffer[100];
  EXPECT_EQ(RasGetErrorStringA(ERROR_NO_ANSWER, buffer, sizeof buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "There is no answer.");
  EXPECT_EQ(RasGetErrorStringA(ERROR_LINE_BUSY, buffer, sizeof buffer), ERROR_SUCCESS);
  EXPECT_STREQ(buffer, "The line is busy.");
  for (UINT code : {0u, 12345u, 1u}) {
    std::strcpy(buffer, "canary");
    EXPECT_EQ(RasGetErrorStringA(code, buffer, sizeof buffer), ERROR_INVALID_PARAMETER) << code;
    EXPECT_STREQ(buffer, "canary");
  }
  EXPECT_EQ(RasGetErrorStringA(ERROR_NO_ANSWER, buffer, 19), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_STREQ(buffer, "canary");
  EXPECT_EQ(RasGetErrorStringA(ERROR_NO_ANSWER, buffer, 20), ERROR_SUCCESS);
}

TEST(RasExports, RasapiHasTheANamesAndRnaphThePlainNamesOfItsThree) {
  HMODULE rasapi = LoadLibraryA("rasapi32.dll"), rnaph = LoadLibraryA("rnaph.dll");
  ASSERT_TRUE(rasapi && rnaph);
  EXPECT_EQ(GetProcAddress(rasapi, "RasSetEntryPropertiesA"), reinterpret_cast<FARPROC>(&RasSetEntryPropertiesA));
  EXPECT_EQ(GetProcAddress(rasapi, "RasEnumDevicesA"), reinterpret_cast<FARPROC>(&RasEnumDevicesA));
  EXPECT_EQ(GetProcAddress(rasapi, "RasDialA"), reinterpret_cast<FARPROC>(&RasDialA));
  EXPECT_EQ(GetProcAddress(rasapi, "RasDeleteEntry"), nullptr);
  EXPECT_EQ(GetProcAddress(rnaph, "RasDeleteEntry"), reinterpret_cast<FARPROC>(&RasDeleteEntryA));
  EXPECT_EQ(GetProcAddress(rnaph, "RasSetEntryProperties"), reinterpret_cast<FARPROC>(&RasSetEntryPropertiesA));
  EXPECT_EQ(GetProcAddress(rnaph, "RasEnumDevices"), reinterpret_cast<FARPROC>(&RasEnumDevicesA));
  EXPECT_EQ(GetProcAddress(rnaph, "RasEnumDevicesA"), nullptr);
  vandrel::dynamic_testing::HideExport("rasapi32.dll", "RasDeleteEntryA");
  EXPECT_EQ(GetProcAddress(rasapi, "RasDeleteEntryA"), nullptr);
  vandrel::dynamic_testing::HideModule("rnaph.dll");
  EXPECT_EQ(LoadLibraryA("rnaph.dll"), nullptr);
}

}  // namespace

namespace {

TEST(RasTesting, TheCallHookAnswersInsteadOfTheCall) {
  testing_support::TestMachine machine;
  ASSERT_EQ(Create("Egy", Entry("modem", "Hayes", "1", 0)), ERROR_SUCCESS);
  std::vector<std::string> seen;
  vandrel::ras_testing::SetCallHook([&](const std::string& function) {
    seen.push_back(function);
    return function == "RasDeleteEntryA" ? ERROR_CORRUPT_PHONEBOOK : 0;
  });
  EXPECT_EQ(RasDeleteEntryA(nullptr, "Egy"), ERROR_CORRUPT_PHONEBOOK);
  RASDIALPARAMSA params = Params("Egy");
  BOOL password = FALSE;
  EXPECT_EQ(RasGetEntryDialParamsA(nullptr, &params, &password), ERROR_SUCCESS);  // still there
  vandrel::ras_testing::SetCallHook(nullptr);
  EXPECT_EQ(seen, (std::vector<std::string>{"RasDeleteEntryA", "RasGetEntryDialParamsA"}));
  EXPECT_EQ(RasDeleteEntryA(nullptr, "Egy"), ERROR_SUCCESS);
}

}  // namespace

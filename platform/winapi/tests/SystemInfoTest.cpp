#include "platform/winapi/SystemInfo.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/DateTime.h"
#include "platform/runtime/Locale.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::TestMachine;

void Import(const std::string& text) {
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(text, error)) << error;
}

TEST(SystemInfo, ComputerNameComesFromTheRegistry) {
  TestMachine machine;
  char name[MAX_COMPUTERNAME_LENGTH + 1];
  DWORD size = sizeof name;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  EXPECT_STREQ(name, "VANDREL-PC");
  EXPECT_EQ(size, 10u);
  size = 5;
  EXPECT_FALSE(GetComputerNameA(name, &size));
  EXPECT_EQ(GetLastError(), ERROR_BUFFER_OVERFLOW);
  EXPECT_EQ(size, 11u);
  Import(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName]\n"
      "\"ComputerName\"=\"IRODA-GÉP\"\n"_cp);
  size = sizeof name;
  ASSERT_TRUE(GetComputerNameA(name, &size));
  EXPECT_EQ(std::string(name), "IRODA-GÉP"_cp);
}

TEST(SystemInfo, TheUserIsTheMachinesOrTheOneNamed) {
  TestMachine machine;
  char name[64];
  DWORD length = sizeof name;
  ASSERT_EQ(WNetGetUserA(nullptr, name, &length), ERROR_SUCCESS);
  EXPECT_EQ(std::string(name), "Felhasználó"_cp);
  length = 3;
  EXPECT_EQ(WNetGetUserA(nullptr, name, &length), ERROR_MORE_DATA);
  EXPECT_EQ(length, 12u);
  length = sizeof name;
  EXPECT_EQ(WNetGetUserA("X:", name, &length), ERROR_NOT_CONNECTED);
  setenv("VANDREL_USER", "Kovács Péter", 1);
  DWORD size = sizeof name;
  ASSERT_TRUE(GetUserNameA(name, &size));
  EXPECT_EQ(std::string(name), "Kovács Péter"_cp);
  EXPECT_EQ(size, 13u) << "with the terminator";
  unsetenv("VANDREL_USER");
  Import(
      "REGEDIT4\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon]\n"
      "\"DefaultUserName\"=\"Nagy Anna\"\n");
  length = sizeof name;
  ASSERT_EQ(WNetGetUserA(nullptr, name, &length), ERROR_SUCCESS);
  EXPECT_STREQ(name, "Nagy Anna");
}

TEST(SystemInfo, WindowsVersionOfEitherFamily) {
  TestMachine machine;
  struct Case {
    std::string script;
    DWORD platform, major, minor, build;
    std::string csd;
  } cases[] = {
      {"", VER_PLATFORM_WIN32_NT, 5, 1, 2600, "Service Pack 2"},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\n\"CurrentVersion\"=\"5.0\"\n"
       "\"CurrentBuildNumber\"=\"2195\"\n\"CSDVersion\"=-\n",
       VER_PLATFORM_WIN32_NT, 5, 0, 2195, ""},
      {"[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT]\n"
       "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"VersionNumber\"=\"4.10.2222\"\n"
       "\"SubVersionNumber\"=\" A \"\n",
       VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0x040A08AE, " A "},
      {"[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion]\n\"VersionNumber\"=\"4.90.3000\"\n"
       "\"SubVersionNumber\"=-\n",
       VER_PLATFORM_WIN32_WINDOWS, 4, 90, 0x045A0BB8, ""},
  };
  for (const auto& c : cases) {
    Import("REGEDIT4\n" + c.script);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, c.platform) << c.script;
    EXPECT_EQ(info.dwMajorVersion, c.major) << c.script;
    EXPECT_EQ(info.dwMinorVersion, c.minor) << c.script;
    EXPECT_EQ(info.dwBuildNumber, c.build) << c.script;
    EXPECT_EQ(std::string(info.szCSDVersion), c.csd) << c.script;
  }
  OSVERSIONINFOA small{};
  small.dwOSVersionInfoSize = 20;
  EXPECT_FALSE(GetVersionExA(&small));
  EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}

}  // namespace

namespace {

TEST(UserLocale, TheUsersInternationalSettingsOverrideTheDefaults) {
  testing_support::TestMachine machine;
  ResetFormatSettings();
  TFormatSettings hungarian = FormatSettings();
  vandrel::StartMachine();
  EXPECT_EQ(FormatSettings().ShortDateFormat, hungarian.ShortDateFormat) << "the default machine is Hungarian";
  EXPECT_EQ(FormatSettings().LongTimeFormat, hungarian.LongTimeFormat);
  EXPECT_EQ(FormatSettings().ShortTimeFormat, hungarian.ShortTimeFormat);
  EXPECT_EQ(FormatSettings().ThousandSeparator, hungarian.ThousandSeparator);
  std::string error;
  ASSERT_TRUE(
      vandrel::ImportRegistryText("REGEDIT4\n[HKEY_CURRENT_USER\\Control Panel\\International]\n"
                                  "\"sShortDate\"=\"dd/MM/yyyy\"\n\"sTimeFormat\"=\"HH.mm.ss\"\n"
                                  "\"sDate\"=\"/\"\n\"sTime\"=\".\"\n\"sDecimal\"=\".\"\n\"sThousand\"=\",\"\n",
                                  error));
  vandrel::ApplyUserLocale();
  EXPECT_EQ(FormatSettings().ShortDateFormat, "dd/MM/yyyy");
  EXPECT_EQ(FormatSettings().LongTimeFormat, "HH.mm.ss");
  EXPECT_EQ(FormatSettings().ShortTimeFormat, "HH.mm");
  EXPECT_EQ(FormatSettings().DateSeparator, '/');
  EXPECT_EQ(FormatSettings().TimeSeparator, '.');
  EXPECT_EQ(FormatSettings().DecimalSeparator, '.');
  EXPECT_EQ(FormatSettings().ThousandSeparator, ',');
  EXPECT_EQ(DateTimeToStr(EncodeDate(2005, 3, 7) + EncodeTime(14, 30, 15, 0)), "07/03/2005 14.30.15");
  ResetFormatSettings();
}

}  // namespace

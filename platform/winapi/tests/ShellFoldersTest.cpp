#include "platform/winapi/ShellFolders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::TestMachine;

constexpr HRESULT kOk = 0, kFalse = 1, kFail = HRESULT(0x80004005), kInvalidArg = HRESULT(0x80070057);

TEST(ShellFolders, TheUsersAndTheMachinesFolders) {
  TestMachine machine;
  const std::string profile = "C:\\Documents and Settings\\Felhasználó"_cp;
  struct Case {
    int csidl;
    std::string path;
  } cases[] = {
      {CSIDL_LOCAL_APPDATA, profile + "\\Helyi beállítások\\Application Data"_cp},
      {CSIDL_APPDATA, profile + "\\Application Data"},
      {CSIDL_DESKTOPDIRECTORY, profile + "\\Asztal"},
      {CSIDL_DESKTOP, profile + "\\Asztal"},
      {CSIDL_FAVORITES, profile + "\\Kedvencek"},
      {CSIDL_PERSONAL, profile + "\\Dokumentumok"},
      {CSIDL_PROGRAMS, profile + "\\Start menü\\Programok"_cp},
      {CSIDL_INTERNET_CACHE, profile + "\\Helyi beállítások\\Temporary Internet Files"_cp},
      {CSIDL_COMMON_APPDATA, "C:\\Documents and Settings\\All Users\\Application Data"},
      {CSIDL_WINDOWS, "C:\\WINDOWS"},
      {CSIDL_SYSTEM, "C:\\WINDOWS\\system32"},
      {CSIDL_PROGRAM_FILES, "C:\\Program Files"},
  };
  for (const auto& c : cases) {
    char path[MAX_PATH] = "x";
    EXPECT_EQ(SHGetFolderPathA(nullptr, c.csidl, nullptr, SHGFP_TYPE_CURRENT, path), kOk) << c.csidl;
    EXPECT_EQ(std::string(path), c.path) << c.csidl;
    EXPECT_EQ(GetFileAttributesA(path), FILE_ATTRIBUTE_DIRECTORY) << c.path;
  }
  char path[MAX_PATH];
  EXPECT_EQ(SHGetFolderPathA(nullptr, 0x7E, nullptr, 0, path), kInvalidArg);
  LPITEMIDLIST list = nullptr;
  ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, CSIDL_DESKTOPDIRECTORY, &list), kOk);
  ASSERT_TRUE(SHGetPathFromIDListA(list, path));
  EXPECT_EQ(std::string(path), profile + "\\Asztal");
  ILFree(list);
}

TEST(ShellFolders, AMissingFolderIsReportedOrCreated) {
  TestMachine machine;
  std::string local = machine.DriveC() + "/Documents and Settings/Felhasználó/Helyi beállítások/Application Data";
  std::filesystem::remove_all(local);
  char path[MAX_PATH];
  EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, 0, path), kFalse);
  EXPECT_FALSE(std::filesystem::exists(local));
  EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, path), kOk);
  EXPECT_TRUE(std::filesystem::is_directory(local));
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(
      "REGEDIT4\n[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders]\n"
      "\"Favorites\"=-\n",
      error));
  EXPECT_EQ(SHGetFolderPathA(nullptr, CSIDL_FAVORITES, nullptr, 0, path), kFail);
}

}  // namespace

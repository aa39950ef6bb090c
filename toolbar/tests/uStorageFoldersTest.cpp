#include "toolbar/uStorageFolders.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <climits>

#include "platform/com/Guid.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/ShellFolders.h"

namespace {

constexpr CLSID kToolbar = "{8D3E4F20-1A2B-4C5D-9E8F-0A1B2C3D4E5F}"_guid;

class StorageFolders : public ::testing::Test {
 protected:
  void TearDown() override {
    FreeStorages();
    while (StaticStorage()) FinalizeStorageFolders();
  }
  bool FolderExists(const std::string& path) {
    DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  testing_support::TestMachine machine_;
};

TEST_F(StorageFolders, TrailingBackslash) {
  struct Case {
    const char* path;
    const char* result;
  } cases[] = {{"", "\\"}, {"C:", "C:\\"}, {"C:\\x", "C:\\x\\"}, {"C:\\x\\", "C:\\x\\"}, {"a/", "a/\\"}};
  for (const Case& c : cases) EXPECT_EQ(AddTrailingBackslash(c.path), c.result) << c.path;
}

TEST_F(StorageFolders, UserAndDownloadFoldersOfAToolbar) {
  char appData[MAX_PATH + 1], temp[MAX_PATH + 1];
  ASSERT_TRUE(SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, appData)));
  ASSERT_GT(GetTempPathA(sizeof temp, temp), 0u);
  const std::string guid = "{8D3E4F20-1A2B-4C5D-9E8F-0A1B2C3D4E5F}";
  EXPECT_EQ(GetDynamicStoragePath(kToolbar), std::string(appData) + "\\Tessaline\\" + guid);
  EXPECT_EQ(GetDownloadStoragePath(kToolbar), std::string(temp) + "Tessaline\\" + guid);
  EXPECT_EQ(GetTempFolder(), temp);
  EXPECT_EQ(GetLocalAppDataFolder().back(), '\\');

  CreateStorages(kToolbar);
  ASSERT_NE(UserStorage(), nullptr);
  ASSERT_NE(DownloadStorage(), nullptr);
  EXPECT_EQ(UserStorage()->Root(), GetDynamicStoragePath(kToolbar) + "\\");
  EXPECT_TRUE(FolderExists(GetDynamicStoragePath(kToolbar)));
  EXPECT_TRUE(FolderExists(GetDownloadStoragePath(kToolbar)));
  EXPECT_EQ(UserStorage()->ClassName(), "TDynamicFileStorage");
  EXPECT_EQ(DownloadStorage()->ClassName(), "TDownloadFileStorage");
  FreeStorages();
  EXPECT_EQ(UserStorage(), nullptr);
  EXPECT_EQ(DownloadStorage(), nullptr);
}

TEST_F(StorageFolders, StaticStorageLivesBesideTheModule) {
  char exe[PATH_MAX] = {};
  ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
  std::string hostFolder(exe);
  hostFolder.erase(hostFolder.find_last_of('/'));
  EXPECT_EQ(GetModuleFolder(), vandrel::WindowsPathOf(hostFolder) + "\\");

  EXPECT_EQ(StaticStorage(), nullptr);
  InitializeStorageFolders();
  TStaticFileStorage* shipped = StaticStorage();
  ASSERT_NE(shipped, nullptr);
  EXPECT_EQ(shipped->Root(), GetModuleFolder());
  InitializeStorageFolders();  // a second initialisation changes nothing
  EXPECT_EQ(StaticStorage(), shipped);
  FinalizeStorageFolders();
  EXPECT_EQ(StaticStorage(), shipped) << "the last finalisation frees it";
  FinalizeStorageFolders();
  EXPECT_EQ(StaticStorage(), nullptr);
}

TEST_F(StorageFolders, CurrentStorageIsTheValidUserStorageElseTheStaticOne) {
  InitializeStorageFolders();
  EXPECT_EQ(CurrentStorage(), StaticStorage()) << "no user storage yet";
  CreateStorages(kToolbar);
  EXPECT_EQ(CurrentStorage(), StaticStorage()) << "user storage not valid";
  UserStorage()->Validate();
  EXPECT_EQ(CurrentStorage(), UserStorage());
  DownloadStorage()->Validate();
  EXPECT_EQ(CurrentStorage(), UserStorage()) << "the download storage is never current";
  UserStorage()->Invalidate();
  EXPECT_EQ(CurrentStorage(), StaticStorage());
}

}  // namespace

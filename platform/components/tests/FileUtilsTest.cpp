#include "platform/components/FileUtils.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"

namespace {

using testing_support::TestMachine;

TEST(FileUtils, ExistenceFoldersDeletionAndRenaming) {
  TestMachine machine;
  std::ofstream(machine.DriveC() + "/WINDOWS/win.ini") << "[windows]\r\n";
  struct Case {
    std::string path;
    bool file, directory;
  } cases[] = {
      {"C:\\WINDOWS\\WIN.INI", true, false}, {"c:\\windows", false, true}, {"C:\\", false, true},
      {"C:\\nincs.txt", false, false},       {"C:\\a|b", false, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FileExists(c.path), c.file) << c.path;
    EXPECT_EQ(DirectoryExists(c.path), c.directory) << c.path;
  }
  std::string deep = "C:\\Első\\Második\\Harmadik\\"_cp;
  EXPECT_TRUE(ForceDirectories(deep));
  EXPECT_TRUE(std::filesystem::is_directory(machine.DriveC() + "/Első/Második/Harmadik"));
  EXPECT_TRUE(ForceDirectories("c:\\ELSŐ"_cp)) << "an existing folder in another case";
  EXPECT_THROW(ForceDirectories(""), EInOutError);
  EXPECT_TRUE(RenameFile("C:\\WINDOWS\\win.ini", "C:\\WINDOWS\\system.ini"));
  EXPECT_FALSE(FileExists("C:\\WINDOWS\\win.ini"));
  EXPECT_TRUE(DeleteFile("C:\\WINDOWS\\system.ini"));
  EXPECT_FALSE(DeleteFile("C:\\WINDOWS\\system.ini"));
  EXPECT_FALSE(RemoveDir("C:\\Első"_cp)) << "not empty";
  EXPECT_TRUE(RemoveDir("C:\\Első\\Második\\Harmadik"_cp));
}

TEST(FileUtils, FileDatesAreLocalDosDatesAtTwoSeconds) {
  TestMachine machine;
  setenv("TZ", "Europe/Budapest", 1);
  tzset();
  std::ofstream(machine.DriveC() + "/datum.txt") << "x";
  TDateTime when = EncodeDate(2005, 7, 5) + EncodeTime(9, 0, 17, 0);  // summer time, an odd second
  int32_t age = DateTimeToFileDate(when);
  EXPECT_EQ(FileDateToDateTime(age), EncodeDate(2005, 7, 5) + EncodeTime(9, 0, 16, 0));
  EXPECT_EQ(FileSetDate("C:\\DATUM.TXT", age), 0);
  EXPECT_EQ(FileAge("C:\\datum.txt"), age);
  std::string python = testing_support::RunPython(
      "import os, time\n"
      "print(time.strftime('%Y-%m-%d %H:%M:%S', time.localtime(os.stat('" +
      machine.DriveC() + "/datum.txt').st_mtime)))\n");
  EXPECT_EQ(python, "2005-07-05 09:00:16\n");
  EXPECT_EQ(FileAge("C:\\nincs.txt"), -1);
  EXPECT_EQ(FileAge("C:\\WINDOWS"), -1);
  EXPECT_EQ(FileSetDate("C:\\nincs.txt", age), int(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0);
}

TEST(FileUtils, SearchesFilterByAttributes) {
  TestMachine machine;
  ForceDirectories("C:\\Keres\\Mappa");
  std::ofstream(machine.DriveC() + "/Keres/a.txt") << "abc";
  std::ofstream(machine.DriveC() + "/Keres/b.dat") << "";
  auto names = [](const std::string& path, int attr) {
    std::string listed;
    TSearchRec rec;
    for (int rc = FindFirst(path, attr, rec); rc == 0; rc = FindNext(rec))
      listed += rec.Name + (rec.Attr & faDirectory ? "\\" : "") + "(" + std::to_string(rec.Size) + ") ";
    FindClose(rec);
    return listed;
  };
  EXPECT_EQ(names("C:\\Keres\\*.*", 0), "a.txt(3) b.dat(0) ");
  EXPECT_EQ(names("C:\\Keres\\*.*", faAnyFile), ".\\(0) ..\\(0) a.txt(3) b.dat(0) Mappa\\(0) ");
  EXPECT_EQ(names("C:\\Keres\\*.txt", faDirectory), "a.txt(3) ");
  TSearchRec rec;
  EXPECT_EQ(FindFirst("C:\\Keres\\*.exe", faAnyFile, rec), int(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(FindFirst("C:\\Keres\\Mappa", 0, rec), int(ERROR_NO_MORE_FILES)) << "a folder, not asked for";
  EXPECT_EQ(rec.FindHandle, INVALID_HANDLE_VALUE);
  EXPECT_EQ(FindFirst("C:\\Keres\\a.txt", 0, rec), 0);
  EXPECT_EQ(rec.Time, FileAge("C:\\Keres\\a.txt"));
  FindClose(rec);
}

}  // namespace

#include "platform/winapi/Files.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/runtime/Cp1250.h"
#include "platform/testing/ChildProcess.h"
#include "platform/testing/PythonOracle.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"

namespace {

using testing_support::TestMachine;

const std::string kHelper = std::string(VANDREL_BINARY_DIR) + "/tests/winapi_helper";

void WriteText(const std::string& path, const std::string& text, DWORD disposition = CREATE_ALWAYS) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, disposition, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr));
  EXPECT_EQ(written, text.size());
  CloseHandle(file);
}

std::string ReadText(const std::string& path) {
  HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "<error " + std::to_string(GetLastError()) + ">";
  std::string text;
  char buffer[256];
  DWORD got = 0;
  while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(file);
  return text;
}

std::string HostText(const std::string& hostPath) {
  std::ifstream in(hostPath, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void MakeHostFile(const std::string& hostPath, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(hostPath).parent_path());
  std::ofstream(hostPath, std::ios::binary) << text;
}

TEST(FilePaths, DrivesMapOntoHostFoldersAndBack) {
  TestMachine machine;
  struct Case {
    std::string windows, host, windowsForm;
  } cases[] = {
      {"C:\\", machine.DriveC(), "C:\\"},
      {"c:/WINDOWS/system32", machine.DriveC() + "/WINDOWS/system32", "C:\\WINDOWS\\system32"},
      {"C:\\WINDOWS\\..\\Program Files\\.\\Common Files", machine.DriveC() + "/Program Files/Common Files",
       "C:\\Program Files\\Common Files"},
      {"Z:\\tmp", "/tmp", "Z:\\tmp"},
      {"z:/usr/./bin/", "/usr/bin", "Z:\\usr\\bin"},
      {"Z:\\", "/", "Z:\\"},
      {"C:\\Nincs\\ilyen.txt", machine.DriveC() + "/Nincs/ilyen.txt", "C:\\Nincs\\ilyen.txt"},
  };
  for (const auto& c : cases) {
    vandrel::HostPath host = vandrel::MapWindowsPath(c.windows);
    EXPECT_EQ(host.error, 0u) << c.windows;
    EXPECT_EQ(host.path, c.host) << c.windows;
    EXPECT_EQ(vandrel::WindowsPathOf(c.host), c.windowsForm) << c.host;
  }
  EXPECT_FALSE(vandrel::MapWindowsPath("C:\\Nincs\\ilyen.txt").parentExists);
  EXPECT_TRUE(vandrel::MapWindowsPath("C:\\WINDOWS\\uj.txt").parentExists);
  // A host path below the machine folder reached through a symbolic link is still on drive C:.
  std::string link = machine.Root() + "/link-to-c";
  ASSERT_EQ(symlink(machine.DriveC().c_str(), link.c_str()), 0);
  EXPECT_EQ(vandrel::WindowsPathOf(link + "/WINDOWS"), "C:\\WINDOWS");
}

TEST(FilePaths, RelativePathsStartAtTheCurrentFolder) {
  TestMachine machine;
  std::string previous = std::filesystem::current_path();
  ASSERT_TRUE(SetCurrentDirectoryA("c:\\windows"));
  char buffer[MAX_PATH];
  ASSERT_GT(GetCurrentDirectoryA(sizeof buffer, buffer), 0u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS");
  EXPECT_EQ(vandrel::MapWindowsPath("system32").path, machine.DriveC() + "/WINDOWS/system32");
  EXPECT_EQ(vandrel::MapWindowsPath("\\Program Files").path, machine.DriveC() + "/Program Files");
  LPSTR filePart = nullptr;
  DWORD n = GetFullPathNameA("..\\alma\\.\\x.txt. ", sizeof buffer, buffer, &filePart);
  EXPECT_EQ(n, 13u);
  EXPECT_STREQ(buffer, "C:\\alma\\x.txt");
  ASSERT_NE(filePart, nullptr);
  EXPECT_STREQ(filePart, "x.txt");
  EXPECT_EQ(GetFullPathNameA("x", 3, buffer, nullptr), 13u) << "too small: the size needed";
  EXPECT_FALSE(SetCurrentDirectoryA("C:\\nincs ilyen"));
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
  std::filesystem::current_path(previous);
}

TEST(FilePaths, NamesWindowsRefusesAreRefused) {
  TestMachine machine;
  struct Case {
    std::string path;
    DWORD error;
  } cases[] = {
      {"C:\\a<b.txt", ERROR_INVALID_NAME},
      {"C:\\a>b.txt", ERROR_INVALID_NAME},
      {"C:\\a\"b.txt", ERROR_INVALID_NAME},
      {"C:\\a|b.txt", ERROR_INVALID_NAME},
      {"C:\\a?b.txt", ERROR_INVALID_NAME},
      {"C:\\a*b.txt", ERROR_INVALID_NAME},
      {"C:\\sor\ttoro.txt", ERROR_INVALID_NAME},
      {"C:\\WINDOWS\\a:b", ERROR_INVALID_NAME},
      {"C:\\con", ERROR_INVALID_NAME},
      {"C:\\WINDOWS\\NUL.txt", ERROR_INVALID_NAME},
      {"C:\\com1", ERROR_INVALID_NAME},
      {"C:\\x\\Lpt9.log", ERROR_INVALID_NAME},
      {"C:\\Aux .txt", ERROR_INVALID_NAME},
      {"\\\\server\\share\\x.txt", ERROR_BAD_NETPATH},
      {"Q:\\x.txt", ERROR_PATH_NOT_FOUND},
      {"C:\\" + std::string(300, 'a'), ERROR_FILENAME_EXCED_RANGE},
      {"", ERROR_PATH_NOT_FOUND},
  };
  auto before = std::distance(std::filesystem::directory_iterator(machine.DriveC()), {});
  for (const auto& c : cases) {
    SetLastError(0);
    EXPECT_EQ(CreateFileA(c.path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE)
        << c.path;
    EXPECT_EQ(GetLastError(), c.error) << c.path;
    EXPECT_EQ(GetFileAttributesA(c.path.c_str()), INVALID_FILE_ATTRIBUTES) << c.path;
    EXPECT_FALSE(CreateDirectoryA(c.path.c_str(), nullptr)) << c.path;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(machine.DriveC()), {}), before);
}

TEST(FilePaths, TrailingDotsAndBlanksOfNamesAreDropped) {
  TestMachine machine;
  WriteText("C:\\jegyzet.txt. .", "x");
  EXPECT_EQ(HostText(machine.DriveC() + "/jegyzet.txt"), "x");
  EXPECT_EQ(ReadText("C:\\WINDOWS.\\..\\jegyzet.txt"), "x");
}

TEST(FileNames, Cp1250NamesBecomeUtf8HostNames) {
  TestMachine machine;
  std::string name = "Árvíztűrő tükörfúrógép.txt"_cp;
  WriteText("C:\\" + name, "tartalom");
  std::string listed = testing_support::RunPython(
      "import os\n"
      "for n in sorted(os.listdir('" +
      machine.DriveC() +
      "')):\n"
      "    if n.endswith('.txt'): print(n.encode('cp1250').hex())\n");
  std::string hex;
  for (unsigned char c : name) {
    char two[3];
    std::snprintf(two, sizeof two, "%02x", c);
    hex += two;
  }
  EXPECT_EQ(listed, hex + "\n");
  WIN32_FIND_DATAA found;
  HANDLE search = FindFirstFileA("C:\\*.txt", &found);
  ASSERT_NE(search, INVALID_HANDLE_VALUE);
  EXPECT_EQ(std::string(found.cFileName), name);
  FindClose(search);
}

TEST(FileNames, MissingNamesResolveInEitherLetterCase) {
  TestMachine machine;
  struct Case {
    std::string hostFile;  // UTF-8, below drive C:
    std::string windowsPath;
  } cases[] = {
      {"Jelentés/Összesítő.TXT", "C:\\JELENTÉS\\összesítő.txt"_cp},
      {"ŐSZ/Ág.dat", "c:\\ősz\\ÁG.DAT"_cp},
      {"Documents and Settings/Felhasználó/Asztal/jegyzet.txt",
       "C:\\DOCUMENTS AND SETTINGS\\FELHASZNÁLÓ\\ASZTAL\\Jegyzet.Txt"_cp},
  };
  for (const auto& c : cases) {
    MakeHostFile(machine.DriveC() + "/" + c.hostFile, c.hostFile);
    EXPECT_EQ(ReadText(c.windowsPath), c.hostFile) << c.hostFile;
  }
  // A new file in a folder named in another case goes into that folder.
  WriteText("C:\\jelentés\\Új.txt"_cp, "új"_cp);
  EXPECT_EQ(HostText(machine.DriveC() + "/Jelentés/Új.txt"), "új"_cp);
  // The exact name wins over one in another case.
  MakeHostFile(machine.DriveC() + "/kettő/a.txt", "kicsi");
  MakeHostFile(machine.DriveC() + "/kettő/A.TXT", "nagy");
  EXPECT_EQ(ReadText("C:\\kettő\\a.txt"_cp), "kicsi");
  EXPECT_EQ(ReadText("C:\\kettő\\A.TXT"_cp), "nagy");
}

struct Open {
  DWORD access, share;
};

TEST(FileSharing, SecondOpenFollowsTheShareModesOfTheFirst) {
  TestMachine machine;
  WriteText("C:\\megosztott.txt", "adat");
  const DWORD R = GENERIC_READ, W = GENERIC_WRITE, SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE, SD = FILE_SHARE_DELETE;
  struct Case {
    Open first, second;
    bool allowed;
  } cases[] = {
      {{R, SR}, {R, SR}, true},       {{R, 0}, {R, SR | SW}, false},       {{W, SR}, {R, SR | SW}, true},
      {{W, SR}, {W, SR | SW}, false}, {{R, SR}, {W, SR | SW}, false},      {{R, SR | SW}, {W, SR | SW}, true},
      {{R, SR | SW}, {R, SW}, false}, {{R | W, 0}, {0, 0}, true},          {{0, 0}, {R | W, 0}, true},
      {{DELETE, SR}, {R, SR}, false}, {{DELETE, SR | SW}, {R, SR}, false}, {{DELETE, SD | SR}, {R, SR | SD}, true},
  };
  for (const auto& c : cases) {
    HANDLE a = CreateFileA("C:\\megosztott.txt", c.first.access, c.first.share, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(a, INVALID_HANDLE_VALUE);
    HANDLE b = CreateFileA("c:\\MEGOSZTOTT.TXT", c.second.access, c.second.share, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_EQ(b != INVALID_HANDLE_VALUE, c.allowed)
        << std::hex << c.first.access << "/" << c.first.share << " then " << c.second.access << "/" << c.second.share;
    if (b == INVALID_HANDLE_VALUE)
      EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    else
      CloseHandle(b);
    CloseHandle(a);
    HANDLE again = CreateFileA("C:\\megosztott.txt", R | W, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "closing releases the file";
    CloseHandle(again);
  }
}

TEST(FileSharing, RefusedOpenAndDeleteChangeNothing) {
  TestMachine machine;
  WriteText("C:\\zarolt.txt", "megmarad");
  HANDLE reader = CreateFileA("C:\\zarolt.txt", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_EQ(CreateFileA("C:\\zarolt.txt", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, CREATE_ALWAYS, 0,
                        nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileA("C:\\zarolt.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(MoveFileA("C:\\zarolt.txt", "C:\\mashol.txt"));
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  CloseHandle(reader);
  EXPECT_EQ(HostText(machine.DriveC() + "/zarolt.txt"), "megmarad");
  HANDLE shared = CreateFileA("C:\\zarolt.txt", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  EXPECT_TRUE(DeleteFileA("C:\\zarolt.txt")) << "an open that shares deletion does not stop it";
  CloseHandle(shared);
}

TEST(FileSharing, ALockHoldsAcrossProcesses) {
  TestMachine machine;
  WriteText("C:\\Tessaline.log", "sor\r\n");
  char access[16], share[16];
  std::snprintf(access, sizeof access, "%x", GENERIC_WRITE);
  std::snprintf(share, sizeof share, "%x", 0u);
  testing_support::ChildProcess holder(kHelper, {"hold", "c:\\tessaline.LOG", access, share});
  ASSERT_EQ(holder.ReadLine(), "held");
  EXPECT_EQ(CreateFileA("C:\\Tessaline.log", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                        0, nullptr),
            INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
  EXPECT_FALSE(DeleteFileA("C:\\Tessaline.log"));
  EXPECT_EQ(holder.Wait(), 0);
  EXPECT_EQ(ReadText("C:\\Tessaline.log"), "sor\r\n") << "free once the other process has ended";
}

TEST(FileCalls, ReadWriteAppendAndSeek) {
  TestMachine machine;
  WriteText("C:\\adat.bin", "abc", CREATE_NEW);
  EXPECT_EQ(CreateFileA("C:\\adat.bin", GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
  HANDLE file = CreateFileA("C:\\adat.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_END), 3u);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(file, "defg", 4, &n, nullptr));
  EXPECT_EQ(GetFileSize(file, nullptr), 7u);
  EXPECT_EQ(SetFilePointer(file, -10, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
  EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
  EXPECT_EQ(SetFilePointer(file, 6, nullptr, FILE_BEGIN), 6u);
  ASSERT_TRUE(SetEndOfFile(file));
  EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_BEGIN), 1u);
  char buffer[16] = {};
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(std::string(buffer, n), "bcdef");
  ASSERT_TRUE(ReadFile(file, buffer, sizeof buffer, &n, nullptr));
  EXPECT_EQ(n, 0u) << "reading at the end succeeds with nothing";
  LONG high = 1;
  EXPECT_EQ(SetFilePointer(file, 16, &high, FILE_BEGIN), 16u) << "past the end at 4 GiB + 16";
  EXPECT_EQ(high, 1);
  EXPECT_EQ(GetFileSize(file, nullptr), 6u) << "moving does not grow the file";
  EXPECT_TRUE(CloseHandle(file));
  EXPECT_FALSE(CloseHandle(file));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
  EXPECT_EQ(HostText(machine.DriveC() + "/adat.bin"), "abcdef");

  HANDLE reader = CreateFileA("C:\\adat.bin", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_FALSE(WriteFile(reader, "x", 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  CloseHandle(reader);
  HANDLE writer = CreateFileA("C:\\adat.bin", GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
  EXPECT_FALSE(ReadFile(writer, buffer, 1, &n, nullptr));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_EQ(GetFileSize(writer, nullptr), 0u);
  CloseHandle(writer);
}

TEST(FileCalls, MissingFilesFoldersAndWrongKinds) {
  TestMachine machine;
  WriteText("C:\\WINDOWS\\van.txt", "x");
  struct Case {
    const char* what;
    std::function<bool()> call;
    DWORD error;
  } cases[] = {
      {"open a missing file",
       [] {
         return CreateFileA("C:\\WINDOWS\\nincs.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) !=
                INVALID_HANDLE_VALUE;
       },
       ERROR_FILE_NOT_FOUND},
      {"create in a missing folder",
       [] {
         return CreateFileA("C:\\nincs\\uj.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr) !=
                INVALID_HANDLE_VALUE;
       },
       ERROR_PATH_NOT_FOUND},
      {"open a folder as a file",
       [] {
         return CreateFileA("C:\\WINDOWS", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr) != INVALID_HANDLE_VALUE;
       },
       ERROR_ACCESS_DENIED},
      {"truncate without write access",
       [] {
         return CreateFileA("C:\\WINDOWS\\van.txt", GENERIC_READ, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr) !=
                INVALID_HANDLE_VALUE;
       },
       ERROR_INVALID_PARAMETER},
      {"folder in a missing folder", [] { return bool(CreateDirectoryA("C:\\nincs\\uj", nullptr)); },
       ERROR_PATH_NOT_FOUND},
      {"folder that exists", [] { return bool(CreateDirectoryA("c:\\windows", nullptr)); }, ERROR_ALREADY_EXISTS},
      {"remove a folder with files", [] { return bool(RemoveDirectoryA("C:\\WINDOWS")); }, ERROR_DIR_NOT_EMPTY},
      {"remove a file as a folder", [] { return bool(RemoveDirectoryA("C:\\WINDOWS\\van.txt")); }, ERROR_DIRECTORY},
      {"delete a missing file", [] { return bool(DeleteFileA("C:\\WINDOWS\\nincs.txt")); }, ERROR_FILE_NOT_FOUND},
      {"delete in a missing folder", [] { return bool(DeleteFileA("C:\\nincs\\x.txt")); }, ERROR_PATH_NOT_FOUND},
      {"delete a folder", [] { return bool(DeleteFileA("C:\\WINDOWS\\system32")); }, ERROR_ACCESS_DENIED},
      {"attributes of a missing file", [] { return GetFileAttributesA("C:\\nincs.txt") != INVALID_FILE_ATTRIBUTES; },
       ERROR_FILE_NOT_FOUND},
      {"copy a missing file", [] { return bool(CopyFileA("C:\\nincs.txt", "C:\\masolat.txt", FALSE)); },
       ERROR_FILE_NOT_FOUND},
      {"copy onto an existing file",
       [] { return bool(CopyFileA("C:\\WINDOWS\\van.txt", "C:\\WINDOWS\\VAN.TXT", TRUE)); }, ERROR_FILE_EXISTS},
      {"move onto itself (a trailing blank names the same file)",
       [] { return bool(MoveFileA("C:\\WINDOWS\\van.txt", "C:\\WINDOWS\\van.txt ")); }, ERROR_SUCCESS},
  };
  for (const auto& c : cases) {
    SetLastError(0);
    bool succeeded = c.call();
    EXPECT_EQ(succeeded, c.error == ERROR_SUCCESS) << c.what;
    EXPECT_EQ(GetLastError(), c.error) << c.what;
  }
  EXPECT_FALSE(std::filesystem::exists(machine.DriveC() + "/masolat.txt"));
}

TEST(FileCalls, CopyMoveAndReadOnlyFiles) {
  TestMachine machine;
  WriteText("C:\\eredeti.txt", "eredeti");
  WriteText("C:\\cel.txt", "regi");
  struct timespec times[2] = {{0, UTIME_OMIT}, {1112000000, 0}};
  utimensat(AT_FDCWD, (machine.DriveC() + "/eredeti.txt").c_str(), times, 0);
  ASSERT_TRUE(CopyFileA("C:\\eredeti.txt", "C:\\CEL.TXT", FALSE));
  EXPECT_EQ(HostText(machine.DriveC() + "/cel.txt"), "eredeti");
  struct stat st;
  stat((machine.DriveC() + "/cel.txt").c_str(), &st);
  EXPECT_EQ(st.st_mtime, 1112000000) << "a copy keeps the last-write time";

  EXPECT_FALSE(MoveFileA("C:\\eredeti.txt", "C:\\cel.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
  ASSERT_TRUE(MoveFileExA("C:\\eredeti.txt", "C:\\cel.txt", MOVEFILE_REPLACE_EXISTING));
  EXPECT_EQ(GetFileAttributesA("C:\\eredeti.txt"), INVALID_FILE_ATTRIBUTES);

  ASSERT_TRUE(SetFileAttributesA("C:\\cel.txt", FILE_ATTRIBUTE_READONLY));
  EXPECT_EQ(GetFileAttributesA("C:\\cel.txt"), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_EQ(CreateFileA("C:\\cel.txt", GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(DeleteFileA("C:\\cel.txt"));
  EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
  EXPECT_FALSE(CopyFileA("C:\\WINDOWS\\..\\cel.txt", "C:\\cel.txt", FALSE)) << "a read-only target stays";
  EXPECT_EQ(ReadText("C:\\cel.txt"), "eredeti");
  ASSERT_TRUE(SetFileAttributesA("C:\\cel.txt", FILE_ATTRIBUTE_NORMAL));
  EXPECT_EQ(GetFileAttributesA("C:\\cel.txt"), FILE_ATTRIBUTE_ARCHIVE);
  EXPECT_TRUE(DeleteFileA("C:\\cel.txt"));
  EXPECT_EQ(GetFileAttributesA("C:\\WINDOWS"), FILE_ATTRIBUTE_DIRECTORY);
}

std::vector<std::string> Find(const std::string& pattern) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(pattern.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return {"<error " + std::to_string(GetLastError()) + ">"};
  do names.push_back(data.cFileName + std::string(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? "\\" : ""));
  while (FindNextFileA(search, &data));
  EXPECT_EQ(GetLastError(), ERROR_NO_MORE_FILES);
  FindClose(search);
  return names;
}

TEST(FileSearch, PatternsMatchInEitherLetterCase) {
  TestMachine machine;
  CreateDirectoryA("C:\\Próba"_cp.c_str(), nullptr);
  for (auto name : {"Alma.txt"_cp, "körte.TXT"_cp, "szilva.dat"_cp, "README"_cp})
    WriteText("C:\\Próba\\"_cp + name, name);
  CreateDirectoryA("C:\\Próba\\Mappa"_cp.c_str(), nullptr);
  using V = std::vector<std::string>;
  struct Case {
    std::string pattern;
    V names;
  } cases[] = {
      {"C:\\próba\\*.txt"_cp, {"Alma.txt", "körte.TXT"_cp}},
      {"C:\\Próba\\*"_cp, {".\\", "..\\", "Alma.txt", "körte.TXT"_cp, "Mappa\\", "README", "szilva.dat"}},
      {"C:\\Próba\\*.*"_cp, {".\\", "..\\", "Alma.txt", "körte.TXT"_cp, "Mappa\\", "README", "szilva.dat"}},
      {"C:\\Próba\\?LMA.*"_cp, {"Alma.txt"}},
      {"C:\\Próba\\readme.*"_cp, {"README"}},
      {"C:\\PRÓBA\\mappa"_cp, {"Mappa\\"}},
      {"C:\\Próba\\*.exe"_cp, {"<error 2>"}},
      {"C:\\Nincs\\*"_cp, {"<error 3>"}},
  };
  for (const auto& c : cases) EXPECT_EQ(Find(c.pattern), c.names) << c.pattern;
  for (const auto& name : Find("C:\\*")) EXPECT_NE(name.substr(0, 1), ".") << "a drive's root lists no dots";
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA("C:\\Próba\\szilva.dat"_cp.c_str(), &data);
  EXPECT_EQ(data.nFileSizeLow, 10u);
  FindClose(search);
}

// Python's zipfile writes DOS dates and times: an implementation of its own to compare with.
std::string PythonDosDateTime(const std::string& dateTime) {
  return testing_support::RunPython(
      "import zipfile, io, struct\n"
      "b = io.BytesIO()\n"
      "with zipfile.ZipFile(b, 'w') as z: z.writestr(zipfile.ZipInfo('x', date_time=(" +
      dateTime +
      ")), '')\n"
      "t, d = struct.unpack('<HH', b.getvalue()[10:14])\n"
      "print(d, t)\n");
}

TEST(FileTimes, DosDatesEqualPythonsAtTwoSecondPrecision) {
  struct Case {
    SYSTEMTIME time;
    bool representable;
  } cases[] = {
      {{1980, 1, 2, 1, 0, 0, 0, 0}, true},       {{2005, 3, 1, 7, 14, 30, 15, 730}, true},
      {{2024, 2, 4, 29, 23, 59, 59, 999}, true}, {{2107, 12, 6, 31, 23, 59, 58, 0}, true},
      {{1979, 12, 1, 31, 23, 59, 59, 0}, false}, {{2108, 1, 0, 1, 0, 0, 0, 0}, false},
  };
  for (const auto& c : cases) {
    FILETIME ft;
    ASSERT_TRUE(SystemTimeToFileTime(&c.time, &ft));
    WORD date = 0, time = 0;
    EXPECT_EQ(bool(FileTimeToDosDateTime(&ft, &date, &time)), c.representable) << c.time.wYear;
    if (!c.representable) continue;
    char fields[64];
    std::snprintf(fields, sizeof fields, "%d, %d, %d, %d, %d, %d", c.time.wYear, c.time.wMonth, c.time.wDay,
                  c.time.wHour, c.time.wMinute, c.time.wSecond);
    EXPECT_EQ(std::to_string(date) + " " + std::to_string(time) + "\n", PythonDosDateTime(fields)) << fields;
    FILETIME back;
    ASSERT_TRUE(DosDateTimeToFileTime(date, time, &back));
    SYSTEMTIME s;
    ASSERT_TRUE(FileTimeToSystemTime(&back, &s));
    EXPECT_EQ(s.wSecond, c.time.wSecond / 2 * 2);
    EXPECT_EQ(s.wMinute, c.time.wMinute);
    EXPECT_EQ(s.wDay, c.time.wDay);
    EXPECT_EQ(s.wMilliseconds, 0);
  }
  SYSTEMTIME bad{2023, 2, 0, 29, 0, 0, 0, 0};
  FILETIME ft;
  EXPECT_FALSE(SystemTimeToFileTime(&bad, &ft));
  EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(FileTimes, FileDatesAreLocalDosDatesOfTheLastWrite) {
  TestMachine machine;
  setenv("TZ", "Europe/Budapest", 1);
  tzset();
  struct Case {
    SYSTEMTIME local;
  } cases[] = {{{2005, 3, 1, 7, 14, 30, 15, 730}}, {{2005, 7, 5, 1, 9, 0, 1, 0}}, {{2011, 10, 0, 30, 2, 30, 0, 0}}};
  for (const auto& c : cases) {
    FILETIME local, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&c.local, &local));
    ASSERT_TRUE(LocalFileTimeToFileTime(&local, &utc));
    HANDLE file = CreateFileA("C:\\datum.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
    CloseHandle(file);
    WIN32_FIND_DATAA data;
    HANDLE search = FindFirstFileA("C:\\datum.txt", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    FindClose(search);
    FILETIME found;
    WORD date, time;
    ASSERT_TRUE(FileTimeToLocalFileTime(&data.ftLastWriteTime, &found));
    ASSERT_TRUE(FileTimeToDosDateTime(&found, &date, &time));
    std::string python = testing_support::RunPython(
        "import os, time, zipfile, io, struct\n"
        "t = time.localtime(os.stat('" +
        machine.DriveC() +
        "/datum.txt').st_mtime)\n"
        "b = io.BytesIO()\n"
        "with zipfile.ZipFile(b, 'w') as z: z.writestr(zipfile.ZipInfo('x', date_time=t[:6]), '')\n"
        "t, d = struct.unpack('<HH', b.getvalue()[10:14])\n"
        "print(d, t)\n");
    EXPECT_EQ(std::to_string(date) + " " + std::to_string(time) + "\n", python) << c.local.wMonth;
    EXPECT_EQ(time & 0x1F, c.local.wSecond / 2);
    EXPECT_EQ(time >> 11, c.local.wHour) << "local time, summer time included";
  }
}

TEST(MachineFolders, TempWindowsAndShortPaths) {
  TestMachine machine;
  char buffer[MAX_PATH];
  std::string temp = "C:\\Documents and Settings\\Felhasználó\\Helyi beállítások\\Temp\\"_cp;
  EXPECT_EQ(GetTempPathA(sizeof buffer, buffer), temp.size());
  EXPECT_EQ(std::string(buffer), temp);
  EXPECT_EQ(GetFileAttributesA(temp.c_str()), FILE_ATTRIBUTE_DIRECTORY);
  char small[8] = "intact";
  EXPECT_EQ(GetTempPathA(sizeof small, small), temp.size() + 1);
  EXPECT_STREQ(small, "intact");
  EXPECT_EQ(GetWindowsDirectoryA(buffer, sizeof buffer), 10u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS");
  EXPECT_EQ(GetSystemDirectoryA(buffer, sizeof buffer), 19u);
  EXPECT_STREQ(buffer, "C:\\WINDOWS\\system32");
  std::string longPath = "c:\\documents and settings\\FELHASZNÁLÓ\\Asztal"_cp;
  EXPECT_EQ(GetShortPathNameA(longPath.c_str(), buffer, sizeof buffer), longPath.size());
  EXPECT_EQ(std::string(buffer), longPath) << "no short names: the path as given";
  EXPECT_EQ(GetShortPathNameA("C:\\nincs ilyen mappa", buffer, sizeof buffer), 0u);
  EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST(MachineFolders, TheTemporaryFolderFollowsTheUsersEnvironment) {
  TestMachine machine;
  setenv("VANDREL_USER", "Kovács Péter", 1);
  char buffer[MAX_PATH];
  GetTempPathA(sizeof buffer, buffer);
  EXPECT_EQ(std::string(buffer), "C:\\Documents and Settings\\Kovács Péter\\Helyi beállítások\\Temp\\"_cp);
  EXPECT_TRUE(
      std::filesystem::is_directory(machine.DriveC() + "/Documents and Settings/Kovács Péter/Helyi beállítások/Temp"))
      << "a new user gets a profile";
}

}  // namespace

#include "platform/components/FileUtils.h"

#include "platform/runtime/SysUtils.h"
#include "platform/winapi/LastError.h"

namespace {

// The packed local date of a UTC file time; -1 when it cannot be packed.
int32_t PackedLocal(const FILETIME& utc) {
  FILETIME local;
  WORD date = 0, time = 0;
  if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToDosDateTime(&local, &date, &time)) return -1;
  return int32_t((uint32_t(date) << 16) | time);
}

// Skips the entries whose attributes the search excludes; true at one that fits.
bool Fits(TSearchRec& rec) { return (rec.FindData.dwFileAttributes & DWORD(rec.ExcludeAttr)) == 0; }

void Fill(TSearchRec& rec) {
  rec.Time = PackedLocal(rec.FindData.ftLastWriteTime);
  rec.Size = int64_t((uint64_t(rec.FindData.nFileSizeHigh) << 32) | rec.FindData.nFileSizeLow);
  rec.Attr = int(rec.FindData.dwFileAttributes);
  rec.Name = rec.FindData.cFileName;
}

int NextFitting(TSearchRec& rec) {
  while (!Fits(rec))
    if (!FindNextFileA(rec.FindHandle, &rec.FindData)) return int(GetLastError());
  Fill(rec);
  return 0;
}

}  // namespace

bool FileExists(const std::string& fileName) {
  DWORD attributes = GetFileAttributesA(fileName.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& directory) {
  DWORD attributes = GetFileAttributesA(directory.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateDir(const std::string& directory) { return CreateDirectoryA(directory.c_str(), nullptr); }
bool RemoveDir(const std::string& directory) { return RemoveDirectoryA(directory.c_str()); }

bool ForceDirectories(const std::string& directory) {
  if (directory.empty()) throw EInOutError("Unable to create directory");
  std::string folder = ExcludeTrailingPathDelimiter(directory);
  if (folder.size() < 3 || DirectoryExists(folder) || ExtractFilePath(folder) == folder) return true;
  return ForceDirectories(ExtractFilePath(folder)) && CreateDir(folder);
}

bool DeleteFile(const std::string& fileName) { return DeleteFileA(fileName.c_str()); }
bool RenameFile(const std::string& oldName, const std::string& newName) {
  return MoveFileA(oldName.c_str(), newName.c_str());
}

int32_t FileAge(const std::string& fileName) {
  WIN32_FIND_DATAA data;
  HANDLE search = FindFirstFileA(fileName.c_str(), &data);
  if (search == INVALID_HANDLE_VALUE) return -1;
  FindClose(search);
  if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return -1;
  return PackedLocal(data.ftLastWriteTime);
}

int FileSetDate(const std::string& fileName, int32_t age) {
  HANDLE file = CreateFileA(fileName.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                            0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return int(GetLastError());
  FILETIME local, utc;
  int result = 0;
  if (!DosDateTimeToFileTime(WORD(uint32_t(age) >> 16), WORD(age & 0xFFFF), &local) ||
      !LocalFileTimeToFileTime(&local, &utc) || !SetFileTime(file, nullptr, nullptr, &utc))
    result = int(GetLastError());
  CloseHandle(file);
  return result;
}

TDateTime FileDateToDateTime(int32_t fileDate) {
  uint32_t packed = uint32_t(fileDate);
  WORD date = WORD(packed >> 16), time = WORD(packed & 0xFFFF);
  return EncodeDate(1980 + (date >> 9), (date >> 5) & 15, date & 31) +
         EncodeTime(time >> 11, (time >> 5) & 63, (time & 31) * 2, 0);
}

int32_t DateTimeToFileDate(TDateTime value) {
  uint16_t year, month, day, hour, minute, second, msec;
  DecodeDateTime(value, year, month, day, hour, minute, second, msec);
  if (year < 1980 || year > 2107) return 0;
  uint32_t date = (uint32_t(year - 1980) << 9) | (uint32_t(month) << 5) | day;
  uint32_t time = (uint32_t(hour) << 11) | (uint32_t(minute) << 5) | (second / 2);
  return int32_t((date << 16) | time);
}

int FindFirst(const std::string& path, int attr, TSearchRec& rec) {
  rec.ExcludeAttr = ~attr & (faHidden | faSysFile | faDirectory);
  rec.FindHandle = FindFirstFileA(path.c_str(), &rec.FindData);
  if (rec.FindHandle == INVALID_HANDLE_VALUE) return int(GetLastError());
  int result = NextFitting(rec);
  if (result) FindClose(rec);
  return result;
}

int FindNext(TSearchRec& rec) {
  if (!FindNextFileA(rec.FindHandle, &rec.FindData)) return int(GetLastError());
  return NextFitting(rec);
}

void FindClose(TSearchRec& rec) {
  if (rec.FindHandle != INVALID_HANDLE_VALUE) FindClose(rec.FindHandle);
  rec.FindHandle = INVALID_HANDLE_VALUE;
}

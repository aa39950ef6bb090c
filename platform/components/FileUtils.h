// The component library's file routines over the machine's file layer: existence, folders, deletion,
// renaming, file dates in the packed DOS form of the file search, and the search itself.
#pragma once
#include <cstdint>
#include <string>

#include "platform/runtime/DateTime.h"
#include "platform/runtime/Exceptions.h"
#include "platform/winapi/Files.h"

VCL_EXCEPTION(EInOutError, Exception);

constexpr int faReadOnly = 0x01;
constexpr int faHidden = 0x02;
constexpr int faSysFile = 0x04;
constexpr int faVolumeID = 0x08;
constexpr int faDirectory = 0x10;
constexpr int faArchive = 0x20;
constexpr int faAnyFile = 0x3F;

bool FileExists(const std::string& fileName);
bool DirectoryExists(const std::string& directory);
bool CreateDir(const std::string& directory);
bool RemoveDir(const std::string& directory);
// Creates the folder and its missing parents; an empty name raises EInOutError "Unable to create
// directory".
bool ForceDirectories(const std::string& directory);
bool DeleteFile(const std::string& fileName);
bool RenameFile(const std::string& oldName, const std::string& newName);

// File dates: local time, packed as the DOS date (high word) and time (low word), two-second precision.
// FileAge is -1 for a missing file or a folder; FileSetDate returns 0 or the Win32 error.
int32_t FileAge(const std::string& fileName);
int FileSetDate(const std::string& fileName, int32_t age);
TDateTime FileDateToDateTime(int32_t fileDate);
int32_t DateTimeToFileDate(TDateTime value);

struct TSearchRec {
  int32_t Time = 0;  // packed local date
  int64_t Size = 0;
  int Attr = 0;
  std::string Name;
  int ExcludeAttr = 0;
  HANDLE FindHandle = INVALID_HANDLE_VALUE;
  WIN32_FIND_DATAA FindData{};
};

// Entries matching the path's wildcard whose attributes fit `attr` (hidden, system and folder entries only
// when asked for). 0 on success, else the Win32 error (ERROR_FILE_NOT_FOUND, ERROR_NO_MORE_FILES, ...).
int FindFirst(const std::string& path, int attr, TSearchRec& rec);
int FindNext(TSearchRec& rec);
void FindClose(TSearchRec& rec);

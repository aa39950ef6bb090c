// The file layer of the emulated machine: Windows paths mapped onto host folders (C: under the machine
// root, Z: the host's root folder), and the Win32 file calls over them.
#pragma once
#include <string>
#include <string_view>

#include "platform/winapi/Handles.h"
#include "platform/winapi/WinTypes.h"

// Access rights, sharing, dispositions, attributes and flags of CreateFileA.
constexpr DWORD GENERIC_READ = 0x80000000;
constexpr DWORD GENERIC_WRITE = 0x40000000;
constexpr DWORD GENERIC_EXECUTE = 0x20000000;
constexpr DWORD GENERIC_ALL = 0x10000000;
constexpr DWORD FILE_READ_DATA = 0x0001;
constexpr DWORD FILE_WRITE_DATA = 0x0002;
constexpr DWORD FILE_APPEND_DATA = 0x0004;
constexpr DWORD DELETE = 0x00010000;

constexpr DWORD FILE_SHARE_READ = 0x1;
constexpr DWORD FILE_SHARE_WRITE = 0x2;
constexpr DWORD FILE_SHARE_DELETE = 0x4;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x01;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x02;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x04;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;
constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;

constexpr DWORD FILE_FLAG_WRITE_THROUGH = 0x80000000;
constexpr DWORD FILE_FLAG_OVERLAPPED = 0x40000000;
constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;
constexpr DWORD FILE_FLAG_DELETE_ON_CLOSE = 0x04000000;
constexpr DWORD FILE_FLAG_BACKUP_SEMANTICS = 0x02000000;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;

struct OVERLAPPED {
  ULONG_PTR Internal;
  ULONG_PTR InternalHigh;
  DWORD Offset;
  DWORD OffsetHigh;
  HANDLE hEvent;
};

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  CHAR cFileName[MAX_PATH];
  CHAR cAlternateFileName[14];
};

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES* security, DWORD disposition,
                   DWORD flagsAndAttributes, HANDLE templateFile);
BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD read, OVERLAPPED* overlapped);
BOOL WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, OVERLAPPED* overlapped);
// The outcome of an overlapped operation of a device (a serial port): the bytes transferred, and FALSE
// with the operation's error; ERROR_IO_INCOMPLETE while it runs, unless `wait` waits for its event.
BOOL GetOverlappedResult(HANDLE file, OVERLAPPED* overlapped, LPDWORD transferred, BOOL wait);
DWORD SetFilePointer(HANDLE file, LONG distance, PLONG distanceHigh, DWORD method);
BOOL SetFilePointerEx(HANDLE file, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method);
DWORD GetFileSize(HANDLE file, LPDWORD sizeHigh);
BOOL GetFileSizeEx(HANDLE file, LARGE_INTEGER* size);
BOOL SetEndOfFile(HANDLE file);
BOOL FlushFileBuffers(HANDLE file);
BOOL GetFileTime(HANDLE file, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite);
BOOL SetFileTime(HANDLE file, const FILETIME* creation, const FILETIME* lastAccess, const FILETIME* lastWrite);

BOOL DeleteFileA(LPCSTR fileName);
BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists);
BOOL MoveFileA(LPCSTR existing, LPCSTR target);
BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags);
BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES* security);
BOOL RemoveDirectoryA(LPCSTR path);
DWORD GetFileAttributesA(LPCSTR fileName);
BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes);

// Searches with "*" and "?" in the last component, letters of either case matching; "." and ".." are
// listed for every folder but a drive's root.
HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE search, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE search);

// File times: UTC FILETIMEs, local time by the host's time zone at that moment, and the packed DOS form
// (years 1980 to 2107, two-second precision).
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL LocalFileTimeToFileTime(const FILETIME* local, FILETIME* utc);
BOOL FileTimeToDosDateTime(const FILETIME* time, WORD* dosDate, WORD* dosTime);
BOOL DosDateTimeToFileTime(WORD dosDate, WORD dosTime, FILETIME* time);
BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* system);
BOOL SystemTimeToFileTime(const SYSTEMTIME* system, FILETIME* time);

// Folders of the machine. Each returns the length written (without the terminator), or the size needed
// (with it) when the buffer is too small, or 0 on failure.
DWORD GetTempPathA(DWORD size, LPSTR buffer);
UINT GetWindowsDirectoryA(LPSTR buffer, UINT size);
UINT GetSystemDirectoryA(LPSTR buffer, UINT size);
// Drives have no short names, so the short form of an existing path is the path itself.
DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size);
DWORD GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart);
DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer);
BOOL SetCurrentDirectoryA(LPCSTR path);

namespace vandrel {

// A Windows path mapped onto the host: the host path (components that exist resolved by letter case,
// the rest as given), or the Win32 error that refuses the path.
struct HostPath {
  std::string path;
  DWORD error = 0;
  bool parentExists = false;  // every folder above the last component exists
};

// Maps a Windows path: "\" and "/" separate, drive C: is the machine's C: folder, Z: the host root, a
// relative path starts at the current folder; names Windows refuses (reserved characters, device names,
// over-long paths, other drives, network paths) give an error.
HostPath MapWindowsPath(std::string_view windowsPath);
// The Windows form of a host path ("C:\..." under the machine's C: folder, else "Z:\...").
std::string WindowsPathOf(const std::string& hostPath);
// The full Windows form of a path: absolute, with "\" only, "." and ".." folded, trailing dots and
// blanks of names dropped. Lexical only.
std::string FullWindowsPath(std::string_view windowsPath);

// Copies a text into a Win32 output buffer: the length without the terminator when it fits, else the
// size needed with it (the buffer untouched).
DWORD CopyToBuffer(std::string_view text, LPSTR buffer, DWORD size);

// Devices that CreateFileA opens by name ("COM1", "\\.\COM1"), supplied by the stand-ins that own them.
using DeviceOpener = HANDLE (*)(const std::string& name, DWORD access, DWORD flags);
void RegisterDevice(const std::string& name, DeviceOpener opener);

// The folder of the machine's temporary files ("...\Temp\", with the trailing backslash).
std::string TempFolder();
// The Windows folder ("C:\WINDOWS", without it).
std::string WindowsFolder();

}  // namespace vandrel

// The machine's identity as its registry holds it: computer name, the current user, the Windows version.
#pragma once
#include "platform/winapi/WinTypes.h"

constexpr DWORD MAX_COMPUTERNAME_LENGTH = 15;
constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize;
  DWORD dwMajorVersion;
  DWORD dwMinorVersion;
  DWORD dwBuildNumber;
  DWORD dwPlatformId;
  CHAR szCSDVersion[128];
};

// The computer name (HKLM "SYSTEM\CurrentControlSet\Control\ComputerName\ComputerName"). `size` holds the
// buffer's size and receives the length; a buffer too small fails with ERROR_BUFFER_OVERFLOW and the size
// needed (with the terminator).
BOOL GetComputerNameA(LPSTR buffer, LPDWORD size);
// The user of the process (with localName null; any other name is no connection: ERROR_NOT_CONNECTED).
// Returns NO_ERROR, or ERROR_MORE_DATA with the size needed in `length`.
DWORD WNetGetUserA(LPCSTR localName, LPSTR userName, LPDWORD length);
// The same user; `size` counts the terminator both ways.
BOOL GetUserNameA(LPSTR buffer, LPDWORD size);
// The Windows version: the NT family when HKLM "SOFTWARE\Microsoft\Windows NT\CurrentVersion" names a
// "CurrentVersion" ("5.1", "CurrentBuildNumber", "CSDVersion"), else the 95 family from
// "SOFTWARE\Microsoft\Windows\CurrentVersion" "VersionNumber" ("4.10.2222", "SubVersionNumber").
BOOL GetVersionExA(OSVERSIONINFOA* info);

// The access token of the process and its privileges, as far as shutting down asks for them: the user
// holds the shutdown privilege, disabled until AdjustTokenPrivileges enables it. On a 95-family machine the
// token calls fail with ERROR_CALL_NOT_IMPLEMENTED, as they do there.
#pragma once
#include "platform/winapi/WinTypes.h"

constexpr DWORD TOKEN_QUERY = 0x0008;
constexpr DWORD TOKEN_ADJUST_PRIVILEGES = 0x0020;
constexpr DWORD SE_PRIVILEGE_ENABLED = 0x00000002;
inline constexpr char SE_SHUTDOWN_NAME[] = "SeShutdownPrivilege";
inline constexpr char SE_REMOTE_SHUTDOWN_NAME[] = "SeRemoteShutdownPrivilege";

struct LUID {
  DWORD LowPart;
  LONG HighPart;
};

struct LUID_AND_ATTRIBUTES {
  LUID Luid;
  DWORD Attributes;
};

struct TOKEN_PRIVILEGES {
  DWORD PrivilegeCount;
  LUID_AND_ATTRIBUTES Privileges[1];
};

// The pseudo handle of the calling process.
HANDLE GetCurrentProcess();
// A handle of the calling process's token (on the kernel handle table) with the access asked for.
BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token);
// The identifier of a privilege by name, on this machine (systemName null or empty): ERROR_NO_SUCH_PRIVILEGE
// for a name it does not know.
BOOL LookupPrivilegeValueA(LPCSTR systemName, LPCSTR name, LUID* luid);
// Enables or disables the privileges of `newState` (all of them with `disableAll`); the token needs
// TOKEN_ADJUST_PRIVILEGES. Succeeds with the last error ERROR_SUCCESS, or ERROR_NOT_ALL_ASSIGNED when the
// token does not hold one of them. `previousState`, when given, receives the earlier state of those changed.
BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                           TOKEN_PRIVILEGES* previousState, DWORD* returnLength);

namespace vandrel {
// Whether the process's token has the named privilege enabled.
bool PrivilegeEnabled(const char* name);
// Whether the machine is of the 95 family (Windows 95, 98, Me).
bool Is95FamilyMachine();
}  // namespace vandrel

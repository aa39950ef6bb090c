// Ending the session: ExitWindowsEx restarts nothing here; it appends a line naming its flags
// ("EWX_REBOOT|EWX_FORCE") to the machine's restart record (MachineRecords.h), which the desktop host prints
// when the program ends. Shutting down, restarting and powering off need the shutdown privilege enabled on
// an NT-family machine (Security.h), else ERROR_PRIVILEGE_NOT_HELD; the 95 family asks for none.
#pragma once
#include "platform/winapi/WinTypes.h"

constexpr UINT EWX_LOGOFF = 0x00000000;
constexpr UINT EWX_SHUTDOWN = 0x00000001;
constexpr UINT EWX_REBOOT = 0x00000002;
constexpr UINT EWX_FORCE = 0x00000004;
constexpr UINT EWX_POWEROFF = 0x00000008;
constexpr UINT EWX_FORCEIFHUNG = 0x00000010;

// FALSE with ERROR_INVALID_PARAMETER for flags it does not know.
BOOL ExitWindowsEx(UINT flags, DWORD reason);

// Processes of the machine: CreateProcessA starts a program through the launcher (platform/winapi/Launcher.h)
// and returns handles of the child's process and main thread on the kernel handle table; both are signalled
// when the child ends (WaitForSingleObject), and CloseHandle lets go of them without touching the child.
#pragma once
#include "platform/winapi/Handles.h"
#include "platform/winapi/WinTypes.h"

constexpr DWORD STILL_ACTIVE = 259;
constexpr DWORD CREATE_SUSPENDED = 0x00000004;
constexpr DWORD CREATE_NEW_CONSOLE = 0x00000010;
constexpr DWORD NORMAL_PRIORITY_CLASS = 0x00000020;
constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;

struct STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX;
  DWORD dwY;
  DWORD dwXSize;
  DWORD dwYSize;
  DWORD dwXCountChars;
  DWORD dwYCountChars;
  DWORD dwFillAttribute;
  DWORD dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput;
  HANDLE hStdOutput;
  HANDLE hStdError;
};

struct PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
};

// Starts the program that `applicationName` names, else the first token of `commandLine`: quoted, or
// unquoted, in which case successively longer prefixes up to a blank are tried until one names a file. A
// name without a folder is looked for in the caller's program folder, then in the current folder; ".exe" may
// be added or dropped. The child sees `commandLine` (else `applicationName`) as its command line and starts
// in `currentDirectory` (null: the caller's current folder). The startup information's window settings have
// no effect. A given environment block or CREATE_SUSPENDED fails with ERROR_NOT_SUPPORTED; a missing file
// with ERROR_FILE_NOT_FOUND, a file that is no program with ERROR_BAD_EXE_FORMAT.
BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, SECURITY_ATTRIBUTES* processAttributes,
                    SECURITY_ATTRIBUTES* threadAttributes, BOOL inheritHandles, DWORD creationFlags, LPVOID environment,
                    LPCSTR currentDirectory, STARTUPINFOA* startupInfo, PROCESS_INFORMATION* processInformation);

// Waits until the child's message loop has first been idle, or the child has ended: 0, WAIT_TIMEOUT, or
// WAIT_FAILED (not a process handle). Returns 0 at once for a child that is no program of the machine
// (a script, or a program that does not link the platform), which never tells.
DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds);

// STILL_ACTIVE while the child runs, then its exit code (128 + N when signal N ended it).
BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode);

// The process's Windows command line (CP1250): the one its launcher handed it, else its program by its
// Windows path and its host arguments; read once, at the first call.
LPSTR GetCommandLineA();

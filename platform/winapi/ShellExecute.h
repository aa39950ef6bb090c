// The shell's open verb. ShellExecuteA opens a web address (http, https, ftp, mailto) by writing it, with
// the show command, to the machine's record of opened addresses (MachineRecords.h: "SW_SHOWNORMAL
// http://..."), and nothing of the host starts; it starts a program of the machine through the launcher
// (Launcher.h), with `parameters` as its arguments, in `directory` (null: the caller's current folder);
// anything else fails.
#pragma once
#include <string>

#include "platform/winapi/WinTypes.h"

namespace vandrel {
// Whether the open verb takes the name for a web address: its scheme is http, https, ftp or mailto (any
// letter case) and something follows.
bool IsWebAddress(const std::string& file);
}  // namespace vandrel

// The results of a failure (a success is a value above 32; ERROR_BAD_FORMAT, 11, for a ".exe" file that is no
// program); the last error is set too.
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_NOASSOC = 31;

// `operation` null, empty or "open"; any other verb fails with SE_ERR_NOASSOC, as does a file that is no
// program (a document, a folder). An address holding a control character is refused (SE_ERR_FNF).
HINSTANCE ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory,
                        int showCommand);

// The shell's open verb. ShellExecuteA opens a web address (http, https, ftp, mailto) by writing it, with
// the show command, to the machine's record of opened addresses (MachineRecords.h: "SW_SHOWNORMAL
// http://..."), and nothing of the host starts; it starts a program of the machine through the launcher
// (Launcher.h), with `parameters` as its arguments, in `directory` (null: the caller's current folder);
// anything else fails. A program's name may stand in double quotes.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "platform/winapi/WinTypes.h"

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

// Test switch: a hook that ShellExecuteA runs first with its arguments (null ones as empty texts). A non-zero
// answer is the call's result and nothing is opened or started; 0 lets the call go on. None: no hook.
namespace vandrel::shell_testing {

struct TShellExecuteCall {
  std::string operation, file, parameters, directory;
  int showCommand = 0;
};
using TShellExecuteHook = std::function<intptr_t(const TShellExecuteCall& call)>;
void SetExecuteHook(TShellExecuteHook hook);

}  // namespace vandrel::shell_testing

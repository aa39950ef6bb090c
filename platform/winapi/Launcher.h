// The launcher: the one way a program of the machine is started (the desktop host, CreateProcessA,
// ShellExecuteA). It finds the program's file, starts it as a child process with its Windows command line
// and the machine in its environment, and follows it until it ends.
//
// A regular file that is an ELF program or starts with "#!" is started whatever its host mode: files the
// file layer writes have no execute bit, so the launcher gives the owner's execute bit to a program it
// starts. Any other file fails with ERROR_BAD_EXE_FORMAT.
//
// On the virtual clock a child counts as busy work of the caller's process until it is idle for input (a
// program of the machine) or has ended, at most for the watchdog's time-out (VirtualTime.h).
#pragma once
#include <string>
#include <vector>

#include "platform/winapi/Processes.h"

namespace vandrel {

// The names to look for: as given, then without ".exe" (host programs have none) or with it.
std::vector<std::string> ProgramCandidates(const std::string& path);
// A program named on the host's command line (UTF-8) by a Windows path, or by a host path (known by its Z:
// form): the host file to start and the Windows path the program knows itself by; false when no candidate
// is a regular file.
bool ResolveProgram(const std::string& program, std::string& hostPath, std::string& windowsPath);

// The file that a Windows name of a program names: an absolute name as it stands; a relative one in the
// caller's program folder (with `searchProgramFolder`), then against the current folder. False when no
// candidate is a regular file.
bool FindProgramFile(const std::string& name, bool searchProgramFolder, std::string& hostPath,
                     std::string& windowsPath);

// Command-line splitting as the component library's ParamStr does it: blanks separate, double quotes group
// and are dropped.
std::vector<std::string> SplitCommandLine(const std::string& line);
// An argument as a command line holds it for SplitCommandLine: in double quotes when it is empty or holds a
// blank or a control character. A double quote inside cannot be held: splitting drops every double quote.
std::string QuoteCommandLineArgument(const std::string& argument);

struct ProgramStart {
  std::string hostPath;                  // the file to start
  std::string commandLine;               // the Windows command line the program sees (CP1250)
  std::vector<std::string> arguments;    // its host arguments after the program (UTF-8)
  std::vector<std::string> environment;  // variables added for this start ("NAME=VALUE")
  std::string hostFolder;                // its current folder; empty: the caller's
  bool shown = true;                     // false: started hidden (SW_HIDE), so no user drives it
};

// Starts a program: TRUE with new handles of its process and main thread in `info`, else FALSE with the
// last error set (ERROR_FILE_NOT_FOUND, ERROR_BAD_EXE_FORMAT, ERROR_ACCESS_DENIED, ...). The child's
// environment is the caller's without the launcher's own variables, with VANDREL_ROOT naming this machine,
// VANDREL_COMMAND_LINE its command line, and `environment`.
//
// A script handed on: when the caller's environment names VANDREL_NEXT_SCRIPT (a host path), the next
// program it starts shown gets that script to play (VANDREL_SCRIPT), on the virtual clock when the caller
// runs on it; the variable is then taken out of the caller's environment, so the hand-over happens once.
// The program handed the script plays it once the caller has ended (WaitForHandingProgram).
BOOL StartProgram(const ProgramStart& start, PROCESS_INFORMATION* info);

// A program that was handed a script waits here until the program that handed it has ended, at most 10 s,
// so that the two scripts' outputs follow each other. Returns at once for any other program, and later.
void WaitForHandingProgram();

// Tells the launcher that started this program that its message loop is idle for input (the application
// object calls it at its first idle moment). Later calls do nothing.
void NotifyInputIdle();

}  // namespace vandrel

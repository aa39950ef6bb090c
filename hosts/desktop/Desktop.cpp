// desktop: runs a program of the emulated machine of VANDREL_ROOT as a child process, as the Windows
// desktop starts one, and can drive it from a script of user actions.
//   desktop [--script FILE [--then-script FILE2] | --snapshot] [--virtual-time] PROGRAM [ARGS...]
// PROGRAM is a Windows path ("C:\Program Files\Vandrel\Selvaring.exe", through the machine's file layer) or
// a host path (known to the program by its Z: form); a missing "NAME.exe" is also looked for as "NAME" (host
// programs have no extension), a missing "NAME" as "NAME.exe". The program sees its Windows path and ARGS
// (UTF-8 here, CP1250 there) through its command line, quoted as Windows quotes. --script plays the user
// actions of FILE (platform/components/automation/UserScript.h) and prints a snapshot of the main form after each
// step; --snapshot prints the first one and ends; --virtual-time runs the program on the virtual clock, so
// that waits and timers cost no real time. --then-script hands FILE2 to the next program that PROGRAM
// starts shown, such as a copy of itself that takes over (Launcher.h). The program starts in its own folder, through
// the platform's launcher (platform/winapi/Launcher.h). The machine is created first when the folder has none. The
// program's output goes straight to this one's. When it and the programs it left running have ended (the desktop adopts
// them), the addresses it opened and the restarts it asked for (the machine's records,
// platform/winapi/MachineRecords.h) are printed, one line each: "opened SW_SHOWNORMAL http://...", "restart
// EWX_REBOOT". Exit codes: the program's (128 + N when signal N ended it); 2 usage (also an argument holding a double
// quote, which a command line cannot carry); 3 a script that cannot be read, is malformed or fails in a step; 125 no
// machine; 126 the program cannot be started; 127 it is not found.
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/automation/UserScript.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/FileSystem.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/MachineRecords.h"

namespace {

constexpr int kUsage = 2;
constexpr int kNoMachine = 125;
constexpr int kCannotStart = 126;
constexpr int kNotFound = 127;

int Usage() {
  std::cerr << "usage: desktop [--script FILE [--then-script FILE2] | --snapshot] [--virtual-time] PROGRAM "
               "[ARGS...]\n";
  return kUsage;
}

int Fail(int code, const std::string& message) {
  std::cerr << "desktop: " << message << "\n";
  return code;
}

struct Options {
  std::string script;
  std::string thenScript;
  bool snapshot = false;
  bool virtualTime = false;
  std::string program;
  std::vector<std::string> arguments;
};

// False for a usage error.
bool ParseOptions(int argc, char** argv, Options& o) {
  int i = 1;
  for (; i < argc; ++i) {
    std::string a = argv[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a.rfind("--", 0) != 0) break;
    if (a == "--script" && i + 1 < argc && o.script.empty() && *argv[i + 1]) {
      o.script = argv[++i];
    } else if (a == "--then-script" && i + 1 < argc && o.thenScript.empty() && *argv[i + 1]) {
      o.thenScript = argv[++i];
    } else if (a == "--snapshot" && !o.snapshot) {
      o.snapshot = true;
    } else if (a == "--virtual-time" && !o.virtualTime) {
      o.virtualTime = true;
    } else {
      return false;
    }
  }
  if (i >= argc || !*argv[i] || (o.snapshot && !o.script.empty()) || (!o.thenScript.empty() && o.script.empty()))
    return false;
  o.program = argv[i];
  o.arguments.assign(argv + i + 1, argv + argc);
  return true;
}

// The variables that hand this run's choices to the program.
std::vector<std::string> ScriptEnvironment(const Options& o) {
  std::vector<std::string> env;
  // The full path: the program may change its current folder before it plays the script.
  if (!o.script.empty()) env.push_back("VANDREL_SCRIPT=" + std::filesystem::absolute(o.script).string());
  if (!o.thenScript.empty()) env.push_back("VANDREL_NEXT_SCRIPT=" + std::filesystem::absolute(o.thenScript).string());
  if (o.snapshot) env.push_back("VANDREL_SNAPSHOT=1");
  if (o.virtualTime) env.push_back("VANDREL_CLOCK=virtual");
  return env;
}

// Prints the lines that a record gained since it had `size` bytes.
void PrintRecord(vandrel::MachineRecord record, uint64_t size, const char* label) {
  for (const std::string& line : vandrel::MachineRecordLinesAfter(record, size))
    std::cout << label << " " << cp1250::ToUtf8(line) << "\n";
}

// Waits for the programs that the program left running: they were handed to this process when their parent
// ended.
void WaitForAdopted() {
  while (waitpid(-1, nullptr, 0) > 0 || errno == EINTR) {
  }
}

std::string StartError(const std::string& program) {
  std::string text = SysErrorMessage(GetLastError());
  size_t at = text.find("%1");
  if (at != std::string::npos) text.replace(at, 2, cp1250::FromUtf8(program));
  return cp1250::ToUtf8(text);
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  if (!ParseOptions(argc, argv, o)) return Usage();

  for (const std::string& a : o.arguments)
    if (a.find('"') != std::string::npos) {
      std::cerr << "desktop: an argument cannot hold a double quote: " << a << "\n";
      return Usage();
    }

  for (const std::string& script : {o.script, o.thenScript}) {
    if (script.empty()) continue;
    std::string text, error;
    if (!ReadHostFile(script, text, error)) return Fail(kUserScriptFailed, "cannot read " + script + ": " + error);
    try {
      ReadUserScript(text, TUserVerbs::Standard());
    } catch (const EUserScriptError& e) {
      std::cerr << script << ": " << cp1250::ToUtf8(e.Message()) << "\n";
      return kUserScriptFailed;
    }
  }

  vandrel::CreateDefaultMachine();
  if (!vandrel::MachineExists()) return Fail(kNoMachine, "cannot create the machine at " + vandrel::MachineRoot());

  std::string hostPath, windowsPath;
  if (!vandrel::ResolveProgram(o.program, hostPath, windowsPath)) return Fail(kNotFound, "cannot find " + o.program);
  vandrel::ProgramStart start;
  start.hostPath = hostPath;
  start.commandLine = vandrel::QuoteCommandLineArgument(windowsPath);
  for (const std::string& a : o.arguments)
    start.commandLine += " " + vandrel::QuoteCommandLineArgument(cp1250::FromUtf8(a));
  start.arguments = o.arguments;
  start.environment = ScriptEnvironment(o);
  // As the shell starts a program: in its own folder.
  start.hostFolder = std::filesystem::path(hostPath).parent_path().string();
  uint64_t opened = vandrel::MachineRecordSize(vandrel::MachineRecord::OpenedAddresses);
  uint64_t restarts = vandrel::MachineRecordSize(vandrel::MachineRecord::Restarts);
  std::fflush(nullptr);
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  PROCESS_INFORMATION child{};
  if (!vandrel::StartProgram(start, &child))
    return Fail(kCannotStart, "cannot start " + o.program + ": " + StartError(o.program));
  CloseHandle(child.hThread);
  DWORD exitCode = 0;
  if (WaitForSingleObject(child.hProcess, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(child.hProcess, &exitCode))
    return Fail(kCannotStart, "lost the program: " + cp1250::ToUtf8(SysErrorMessage(GetLastError())));
  CloseHandle(child.hProcess);
  WaitForAdopted();
  PrintRecord(vandrel::MachineRecord::OpenedAddresses, opened, "opened");
  PrintRecord(vandrel::MachineRecord::Restarts, restarts, "restart");
  return int(exitCode);
}

// desktop: runs a program of the emulated machine of VANDREL_ROOT as a child process, as the Windows
// desktop starts one, and can drive it from a script of user actions.
//   desktop [--script FILE | --snapshot] [--virtual-time] PROGRAM [ARGS...]
// PROGRAM is a Windows path ("C:\Program Files\Vandrel\Selvaring.exe", through the machine's file layer) or
// a host path (known to the program by its Z: form); a missing "NAME.exe" is also looked for as "NAME" (host
// programs have no extension), a missing "NAME" as "NAME.exe". The program sees its Windows path and ARGS
// (UTF-8 here, CP1250 there) through its command line, quoted as Windows quotes. --script plays the user
// actions of FILE (platform/components/automation/UserScript.h) and prints a snapshot of the main form after each
// step; --snapshot prints the first one and ends; --virtual-time runs the program on the virtual clock, so
// that waits and timers cost no real time. The machine is created first when the folder has none.
// The program's output goes straight to this one's. Exit codes: the program's (128 + N when signal N ended
// it); 2 usage (also an argument holding a double quote, which a command line cannot carry); 3 a script
// that cannot be read, is malformed or fails in a step; 125 no machine; 126 the program cannot be
// started; 127 it is not found.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/automation/UserScript.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/FileSystem.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Machine.h"

extern char** environ;

namespace {

constexpr int kUsage = 2;
constexpr int kNoMachine = 125;
constexpr int kCannotStart = 126;
constexpr int kNotFound = 127;

int Usage() {
  std::cerr << "usage: desktop [--script FILE | --snapshot] [--virtual-time] PROGRAM [ARGS...]\n";
  return kUsage;
}

int Fail(int code, const std::string& message) {
  std::cerr << "desktop: " << message << "\n";
  return code;
}

struct Options {
  std::string script;
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
    } else if (a == "--snapshot" && !o.snapshot) {
      o.snapshot = true;
    } else if (a == "--virtual-time" && !o.virtualTime) {
      o.virtualTime = true;
    } else {
      return false;
    }
  }
  if (i >= argc || !*argv[i] || (o.snapshot && !o.script.empty())) return false;
  o.program = argv[i];
  o.arguments.assign(argv + i + 1, argv + argc);
  return true;
}

bool IsProgramFile(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWindowsPath(const std::string& path) {
  bool drive =
      path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || path.find('\\') != std::string::npos;
}

// The names to look for: as given, then without ".exe" or with it.
std::vector<std::string> Candidates(const std::string& path) {
  std::vector<std::string> out{path};
  size_t name = path.find_last_of("/\\");
  name = name == std::string::npos ? 0 : name + 1;
  size_t dot = path.rfind('.');
  bool hasExtension = dot != std::string::npos && dot > name;
  if (hasExtension && cp1250::AsciiLower(path.substr(dot)) == ".exe")
    out.push_back(path.substr(0, dot));
  else if (!hasExtension)
    out.push_back(path + ".exe");
  return out;
}

// The host file to start and the Windows path the program knows itself by; false when there is none.
bool ResolveProgram(const std::string& program, std::string& hostPath, std::string& windowsPath) {
  if (IsWindowsPath(program)) {
    windowsPath = vandrel::FullWindowsPath(cp1250::FromUtf8(program));
    for (const std::string& candidate : Candidates(windowsPath)) {
      vandrel::HostPath mapped = vandrel::MapWindowsPath(candidate);
      if (mapped.error == 0 && IsProgramFile(mapped.path)) {
        hostPath = mapped.path;
        return true;
      }
    }
    return false;
  }
  for (const std::string& candidate : Candidates(program))
    if (IsProgramFile(candidate)) {
      hostPath = candidate;
      windowsPath = vandrel::WindowsPathOf(candidate);
      return true;
    }
  return false;
}

// The environment of the child: this one's, with the launcher's variables as this run sets them.
std::vector<std::string> ChildEnvironment(const Options& o, const std::string& commandLine) {
  static const char* const kOwn[] = {
      "VANDREL_ROOT=", "VANDREL_COMMAND_LINE=", "VANDREL_SCRIPT=", "VANDREL_SNAPSHOT=", "VANDREL_CLOCK="};
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    bool own = false;
    for (const char* prefix : kOwn) own = own || std::strncmp(*e, prefix, std::strlen(prefix)) == 0;
    if (!own) env.emplace_back(*e);
  }
  env.push_back("VANDREL_ROOT=" + vandrel::MachineRoot());
  env.push_back("VANDREL_COMMAND_LINE=" + commandLine);
  // The full path: the program may change its current folder before it plays the script.
  if (!o.script.empty()) env.push_back("VANDREL_SCRIPT=" + std::filesystem::absolute(o.script).string());
  if (o.snapshot) env.push_back("VANDREL_SNAPSHOT=1");
  if (o.virtualTime) env.push_back("VANDREL_CLOCK=virtual");
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
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

  if (!o.script.empty()) {
    std::string text, error;
    if (!ReadHostFile(o.script, text, error)) return Fail(kUserScriptFailed, "cannot read " + o.script + ": " + error);
    try {
      ReadUserScript(text, TUserVerbs::Standard());
    } catch (const EUserScriptError& e) {
      std::cerr << o.script << ": " << cp1250::ToUtf8(e.Message()) << "\n";
      return kUserScriptFailed;
    }
  }

  vandrel::CreateDefaultMachine();
  if (!vandrel::MachineExists()) return Fail(kNoMachine, "cannot create the machine at " + vandrel::MachineRoot());

  std::string hostPath, windowsPath;
  if (!ResolveProgram(o.program, hostPath, windowsPath)) return Fail(kNotFound, "cannot find " + o.program);
  std::string commandLine = QuoteCommandLineArgument(windowsPath);
  for (const std::string& a : o.arguments) commandLine += " " + QuoteCommandLineArgument(cp1250::FromUtf8(a));

  std::vector<std::string> args{hostPath};
  args.insert(args.end(), o.arguments.begin(), o.arguments.end());
  std::vector<std::string> env = ChildEnvironment(o, commandLine);
  std::vector<char*> argPointers = Pointers(args), envPointers = Pointers(env);
  std::fflush(nullptr);
  pid_t child;
  int error = posix_spawn(&child, hostPath.c_str(), nullptr, nullptr, argPointers.data(), envPointers.data());
  if (error != 0) return Fail(kCannotStart, "cannot start " + o.program + ": " + std::strerror(error));
  int status = 0;
  while (waitpid(child, &status, 0) < 0)
    if (errno != EINTR) return Fail(kCannotStart, std::string("lost the program: ") + std::strerror(errno));
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

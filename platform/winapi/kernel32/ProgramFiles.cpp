// The launcher's search for a program's file: a Windows or host path, with ".exe" added or dropped.
#include <sys/stat.h>

#include <algorithm>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/Module.h"

namespace {

bool IsRegularFile(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsWindowsPath(const std::string& path) {
  bool drive =
      path.size() >= 2 && path[1] == ':' && ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return drive || path.find('\\') != std::string::npos;
}

bool IsAbsolute(const std::string& name) {
  return (name.size() >= 2 && name[1] == ':') || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
}

std::string ProgramFolder() {
  std::string self = vandrel::WindowsPathOf(vandrel::HostPathOfModule(nullptr));
  return self.substr(0, self.rfind('\\') + 1);
}

}  // namespace

namespace vandrel {

std::vector<std::string> ProgramCandidates(const std::string& path) {
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

bool ResolveProgram(const std::string& program, std::string& hostPath, std::string& windowsPath) {
  if (IsWindowsPath(program)) {
    windowsPath = FullWindowsPath(cp1250::FromUtf8(program));
    for (const std::string& candidate : ProgramCandidates(windowsPath)) {
      HostPath mapped = MapWindowsPath(candidate);
      if (mapped.error == 0 && IsRegularFile(mapped.path)) {
        hostPath = mapped.path;
        return true;
      }
    }
    return false;
  }
  for (const std::string& candidate : ProgramCandidates(program))
    if (IsRegularFile(candidate)) {
      hostPath = candidate;
      windowsPath = WindowsPathOf(candidate);
      return true;
    }
  return false;
}

bool FindProgramFile(const std::string& name, bool searchProgramFolder, std::string& hostPath,
                     std::string& windowsPath) {
  std::vector<std::string> paths;
  if (searchProgramFolder && !IsAbsolute(name)) paths.push_back(ProgramFolder() + name);
  paths.push_back(name);
  for (const std::string& path : paths)
    for (const std::string& candidate : ProgramCandidates(FullWindowsPath(path))) {
      HostPath mapped = MapWindowsPath(candidate);
      if (mapped.error == 0 && IsRegularFile(mapped.path)) {
        hostPath = mapped.path;
        windowsPath = candidate;
        return true;
      }
    }
  return false;
}

std::vector<std::string> SplitCommandLine(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (true) {
    while (i < line.size() && static_cast<unsigned char>(line[i]) <= ' ') ++i;
    if (i >= line.size()) break;
    std::string arg;
    while (i < line.size() && static_cast<unsigned char>(line[i]) > ' ') {
      if (line[i] == '"') {
        ++i;
        while (i < line.size() && line[i] != '"') arg += line[i++];
        if (i < line.size()) ++i;
      } else {
        arg += line[i++];
      }
    }
    out.push_back(arg);
  }
  return out;
}

std::string QuoteCommandLineArgument(const std::string& argument) {
  bool quote = argument.empty() || std::any_of(argument.begin(), argument.end(),
                                               [](char c) { return static_cast<unsigned char>(c) <= ' '; });
  return quote ? "\"" + argument + "\"" : argument;
}

}  // namespace vandrel

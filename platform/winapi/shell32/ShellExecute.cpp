// ShellExecuteA "open": web addresses to the machine's record, programs through the launcher.
#include "platform/winapi/ShellExecute.h"

#include <strings.h>
#include <sys/stat.h>

#include <cstring>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/MachineRecords.h"

namespace {

HINSTANCE Result(int code) { return reinterpret_cast<HINSTANCE>(intptr_t(code)); }

HINSTANCE Fail(int code, DWORD error) {
  SetLastError(error);
  return Result(code);
}

constexpr int kStarted = 42;

std::string ShowCommandName(int show) {
  static const char* const kNames[] = {"SW_HIDE",           "SW_SHOWNORMAL", "SW_SHOWMINIMIZED", "SW_SHOWMAXIMIZED",
                                       "SW_SHOWNOACTIVATE", "SW_SHOW",       "SW_MINIMIZE",      "SW_SHOWMINNOACTIVE",
                                       "SW_SHOWNA",         "SW_RESTORE",    "SW_SHOWDEFAULT",   "SW_FORCEMINIMIZE"};
  return show >= 0 && size_t(show) < std::size(kNames) ? kNames[show] : std::to_string(show);
}

HINSTANCE OpenAddress(const std::string& address, int show) {
  for (unsigned char c : address)
    if (c < ' ' || c == 0x7f) return Fail(SE_ERR_FNF, ERROR_INVALID_NAME);
  DWORD error = 0;
  if (!vandrel::AppendMachineRecord(vandrel::MachineRecord::OpenedAddresses, ShowCommandName(show) + " " + address,
                                    error))
    return Fail(SE_ERR_ACCESSDENIED, error);
  return Result(kStarted);
}

bool IsAbsolute(const std::string& name) {
  return (name.size() >= 2 && name[1] == ':') || (!name.empty() && (name[0] == '\\' || name[0] == '/'));
}

std::string Quoted(const std::string& path) {
  return path.find_first_of(" \t") == std::string::npos ? path : "\"" + path + "\"";
}

bool HasExeExtension(const std::string& path) {
  return path.size() >= 4 && cp1250::AsciiLower(path.substr(path.size() - 4)) == ".exe";
}

HINSTANCE OpenProgram(const std::string& file, LPCSTR parameters, LPCSTR directory) {
  vandrel::ProgramStart start;
  std::string name = file;
  if (directory && *directory) {
    vandrel::HostPath folder = vandrel::MapWindowsPath(directory);
    struct stat st;
    if (folder.error || stat(folder.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
      return Fail(SE_ERR_PNF, ERROR_PATH_NOT_FOUND);
    start.hostFolder = folder.path;
    if (!IsAbsolute(name)) name = std::string(directory) + "\\" + name;
  }
  std::string windowsPath;
  if (!vandrel::FindProgramFile(name, false, start.hostPath, windowsPath)) {
    vandrel::HostPath mapped = vandrel::MapWindowsPath(vandrel::FullWindowsPath(name));
    if (mapped.error == 0 && mapped.parentExists) {
      struct stat st;
      if (stat(mapped.path.c_str(), &st) == 0) return Fail(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);  // a folder
      return Fail(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
    }
    return Fail(mapped.error ? SE_ERR_FNF : SE_ERR_PNF, mapped.error ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
  }
  start.commandLine = Quoted(windowsPath);
  if (parameters && *parameters) {
    start.commandLine += std::string(" ") + parameters;
    for (const std::string& a : vandrel::SplitCommandLine(parameters)) start.arguments.push_back(cp1250::ToUtf8(a));
  }
  PROCESS_INFORMATION info{};
  if (!vandrel::StartProgram(start, &info)) {
    DWORD error = GetLastError();
    if (error == ERROR_BAD_EXE_FORMAT)
      return HasExeExtension(windowsPath) ? Fail(ERROR_BAD_FORMAT, error) : Fail(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    return Fail(error == ERROR_ACCESS_DENIED ? SE_ERR_ACCESSDENIED : SE_ERR_FNF, error);
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return Result(kStarted);
}

}  // namespace

bool vandrel::IsWebAddress(const std::string& file) {
  for (const char* scheme : {"http:", "https:", "ftp:", "mailto:"})
    if (file.size() > std::strlen(scheme) && strncasecmp(file.c_str(), scheme, std::strlen(scheme)) == 0) return true;
  return false;
}

HINSTANCE ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR parameters, LPCSTR directory, int showCommand) {
  if (operation && *operation && strcasecmp(operation, "open") != 0) return Fail(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
  if (!file || !*file) return Fail(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
  if (vandrel::IsWebAddress(file)) return OpenAddress(file, showCommand);
  return OpenProgram(file, parameters, directory);
}

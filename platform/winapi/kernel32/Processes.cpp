// CreateProcessA: the program a command line names, started through the launcher; the process handle's
// waits for input idle and exit code.
#include "platform/winapi/Processes.h"

#include <sys/stat.h>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/kernel32/ChildProcess.h"

using kernel32::ChildObject;
using kernel32::ChildState;

namespace {

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

struct Found {
  std::string hostPath;
  std::string windowsPath;
};

bool FindProgramFile(const std::string& name, bool search, Found& found) {
  return vandrel::FindProgramFile(name, search, found.hostPath, found.windowsPath);
}

// The program of a command line's first token and where its arguments begin: a quoted token as it stands;
// an unquoted one by successively longer prefixes up to a blank, until one names a file.
bool FindCommandLineProgram(const std::string& line, Found& found, size_t& rest) {
  size_t start = 0;
  while (start < line.size() && IsBlank(line[start])) ++start;
  if (start < line.size() && line[start] == '"') {
    size_t close = line.find('"', start + 1);
    std::string name = line.substr(start + 1, close == std::string::npos ? std::string::npos : close - start - 1);
    rest = close == std::string::npos ? line.size() : close + 1;
    return !name.empty() && FindProgramFile(name, true, found);
  }
  for (size_t end = start; end <= line.size(); ++end) {
    if (end < line.size() && !IsBlank(line[end])) continue;
    if (end > start && !IsBlank(line[end - 1]) && FindProgramFile(line.substr(start, end - start), true, found)) {
      rest = end;
      return true;
    }
  }
  return false;
}

std::vector<std::string> HostArguments(const std::vector<std::string>& split) {
  std::vector<std::string> out;
  for (const std::string& a : split) out.push_back(cp1250::ToUtf8(a));
  return out;
}

}  // namespace

BOOL CreateProcessA(LPCSTR applicationName, LPSTR commandLine, SECURITY_ATTRIBUTES*, SECURITY_ATTRIBUTES*, BOOL,
                    DWORD creationFlags, LPVOID environment, LPCSTR currentDirectory, STARTUPINFOA* startupInfo,
                    PROCESS_INFORMATION* processInformation) {
  if (!startupInfo || !processInformation || (!applicationName && !commandLine)) return Fail(ERROR_INVALID_PARAMETER);
  if (environment || (creationFlags & CREATE_SUSPENDED)) return Fail(ERROR_NOT_SUPPORTED);
  vandrel::ProgramStart start;
  Found found;
  if (applicationName) {
    if (!FindProgramFile(applicationName, false, found)) return Fail(ERROR_FILE_NOT_FOUND);
    start.commandLine = commandLine ? commandLine : applicationName;
    std::vector<std::string> split = vandrel::SplitCommandLine(start.commandLine);
    if (!split.empty()) split.erase(split.begin());
    start.arguments = HostArguments(split);
  } else {
    size_t rest = 0;
    start.commandLine = commandLine;
    if (!FindCommandLineProgram(start.commandLine, found, rest)) return Fail(ERROR_FILE_NOT_FOUND);
    start.arguments = HostArguments(vandrel::SplitCommandLine(start.commandLine.substr(rest)));
  }
  start.hostPath = found.hostPath;
  if (currentDirectory) {
    vandrel::HostPath folder = vandrel::MapWindowsPath(currentDirectory);
    struct stat st;
    if (folder.error) return Fail(folder.error);
    if (stat(folder.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return Fail(ERROR_DIRECTORY);
    start.hostFolder = folder.path;
  }
  return vandrel::StartProgram(start, processInformation);
}

DWORD WaitForInputIdle(HANDLE process, DWORD milliseconds) {
  auto object = HandleObjectAs<ChildObject>(process);
  if (!object || object->GetKind() != ChildObject::Kind::Process) {
    SetLastError(ERROR_INVALID_HANDLE);
    return WAIT_FAILED;
  }
  // The child's idle moment as a waitable of its own.
  class InputIdle final : public KernelWaitable {
   public:
    explicit InputIdle(std::shared_ptr<ChildState> state) : state_(std::move(state)) {}
    DWORD TryAcquire() override {
      return !state_->tellsIdle || state_->idle || state_->ended ? WAIT_OBJECT_0 : WAIT_TIMEOUT;
    }

   private:
    std::shared_ptr<ChildState> state_;
  };
  DWORD result = std::make_shared<InputIdle>(object->State())->Wait(milliseconds);
  return result == WAIT_OBJECT_0 ? 0 : result;
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode) {
  auto object = HandleObjectAs<ChildObject>(process);
  if (!object || object->GetKind() != ChildObject::Kind::Process) return Fail(ERROR_INVALID_HANDLE);
  if (!exitCode) return Fail(ERROR_INVALID_PARAMETER);
  auto lock = KernelWaitable::StateLock();
  *exitCode = object->State()->exitCode;
  return TRUE;
}

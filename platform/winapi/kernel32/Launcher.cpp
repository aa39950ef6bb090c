// The launcher: starts a program file as a child process, with the machine and its command line in the
// environment, and follows it on a thread of its own until it ends.
#include "platform/winapi/Launcher.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/runtime/Clock.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/VirtualTime.h"
#include "platform/winapi/kernel32/ChildProcess.h"

extern char** environ;

using kernel32::ChildObject;
using kernel32::ChildState;

namespace {

// The end of the socket pair on which a launched program of the machine tells that it is idle.
constexpr const char* kIdleVariable = "VANDREL_INPUT_IDLE";
// How long a program handed a script waits for the program that handed it to end.
constexpr int kHandingWaitMs = 10000;

int TakeIdleDescriptor() {
  const char* value = std::getenv(kIdleVariable);
  if (!value) return -1;
  char* end = nullptr;
  long fd = std::strtol(value, &end, 10);
  unsetenv(kIdleVariable);
  struct stat st;
  if (*end || fd < 0 || fd > 0x7fffffff || fstat(int(fd), &st) != 0 || !S_ISSOCK(st.st_mode)) return -1;
  fcntl(int(fd), F_SETFD, FD_CLOEXEC);
  return int(fd);
}

// Taken when the platform loads, so that programs this one starts do not inherit it.
std::atomic<int> g_idleDescriptor{TakeIdleDescriptor()};

// The program that handed this one its script, by its process id.
constexpr const char* kHandingVariable = "VANDREL_SCRIPT_AFTER";

pid_t TakeHandingProgram() {
  const char* value = std::getenv(kHandingVariable);
  if (!value) return 0;
  char* end = nullptr;
  long pid = std::strtol(value, &end, 10);
  unsetenv(kHandingVariable);
  return *end || pid <= 0 || pid > 0x7fffffff ? 0 : pid_t(pid);
}

std::atomic<pid_t> g_handingProgram{TakeHandingProgram()};

// Whether the program's file links the platform, so that its application object tells when it is idle.
bool LinksPlatform(const std::string& hostPath) {
  std::string names;
  DWORD error = 0;
  static constexpr char kLibrary[] = "libvandrel.so";
  return vandrel::ReadModuleResource(hostPath, ".dynstr", names, error) &&
         names.find(std::string_view(kLibrary, sizeof kLibrary)) != std::string::npos;  // with its terminator
}

// ERROR_SUCCESS when the file can be started (given the owner's execute bit when it has none).
DWORD CheckProgramFile(const std::string& hostPath, bool& elf) {
  struct stat st;
  if (stat(hostPath.c_str(), &st) != 0) return errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : Win32ErrorFromErrno(errno);
  if (!S_ISREG(st.st_mode)) return ERROR_ACCESS_DENIED;
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Win32ErrorFromErrno(errno);
  char magic[4] = {};
  ssize_t n = read(fd, magic, sizeof magic);
  close(fd);
  elf = n == 4 && std::memcmp(magic,
                              "\x7f"
                              "ELF",
                              4) == 0;
  bool script = n >= 2 && magic[0] == '#' && magic[1] == '!';
  if (!elf && !script) return ERROR_BAD_EXE_FORMAT;
  if (access(hostPath.c_str(), X_OK) != 0 && chmod(hostPath.c_str(), (st.st_mode & 07777) | S_IXUSR) != 0)
    return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

bool IsLauncherVariable(const char* entry) {
  static const char* const kOwn[] = {
      "VANDREL_ROOT=",  "VANDREL_COMMAND_LINE=", "VANDREL_SCRIPT=",      "VANDREL_SNAPSHOT=",
      "VANDREL_CLOCK=", "VANDREL_INPUT_IDLE=",   "VANDREL_NEXT_SCRIPT=", "VANDREL_SCRIPT_AFTER="};
  for (const char* prefix : kOwn)
    if (std::strncmp(entry, prefix, std::strlen(prefix)) == 0) return true;
  return false;
}

// The script that the caller hands on to the next program it shows, taken once.
void AddHandedScript(const vandrel::ProgramStart& start, std::vector<std::string>& env) {
  static const char* const kNext = "VANDREL_NEXT_SCRIPT";
  const char* script = std::getenv(kNext);
  if (!start.shown || !script) return;
  env.push_back(std::string("VANDREL_SCRIPT=") + script);
  env.push_back(std::string(kHandingVariable) + "=" + std::to_string(getpid()));
  if (ClockMode() == TClockMode::Virtual) env.push_back("VANDREL_CLOCK=virtual");
  unsetenv(kNext);
}

std::vector<std::string> ChildEnvironment(const vandrel::ProgramStart& start, int idleDescriptor) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e)
    if (!IsLauncherVariable(*e)) env.emplace_back(*e);
  env.push_back("VANDREL_ROOT=" + vandrel::MachineRoot());
  env.push_back("VANDREL_COMMAND_LINE=" + start.commandLine);
  if (idleDescriptor >= 0) env.push_back(std::string(kIdleVariable) + "=" + std::to_string(idleDescriptor));
  AddHandedScript(start, env);
  env.insert(env.end(), start.environment.begin(), start.environment.end());
  return env;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> out;
  for (std::string& s : strings) out.push_back(s.data());
  out.push_back(nullptr);
  return out;
}

// Follows a child: its idle message (when it tells one), then its end. The child is busy work of the virtual
// clock until one of them comes.
void Follow(std::shared_ptr<ChildState> state, int idleDescriptor, uint64_t hold) {
  if (idleDescriptor >= 0) {
    char byte;
    ssize_t n;
    while ((n = read(idleDescriptor, &byte, 1)) < 0 && errno == EINTR) {
    }
    close(idleDescriptor);
    if (n == 1) {
      {
        auto lock = KernelWaitable::StateLock();
        state->idle = true;
        KernelWaitable::WakeWaiters();
      }
      VirtualHoldEnd(hold);
    }
  }
  int status = 0;
  while (waitpid(state->pid, &status, 0) < 0 && errno == EINTR) {
  }
  {
    auto lock = KernelWaitable::StateLock();
    state->exitCode = WIFSIGNALED(status) ? DWORD(128 + WTERMSIG(status)) : DWORD(WEXITSTATUS(status));
    state->ended = true;
    KernelWaitable::WakeWaiters();
  }
  VirtualHoldEnd(hold);
}

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

}  // namespace

namespace vandrel {

BOOL StartProgram(const ProgramStart& start, PROCESS_INFORMATION* info) {
  if (!info) return Fail(ERROR_INVALID_PARAMETER);
  bool elf = false;
  if (DWORD error = CheckProgramFile(start.hostPath, elf)) return Fail(error);
  auto state = std::make_shared<ChildState>();
  state->tellsIdle = elf && LinksPlatform(start.hostPath);
  int idle[2] = {-1, -1};
  // A socket pair, not a pipe: a program that outlives its launcher must not die of SIGPIPE when it tells.
  if (state->tellsIdle && socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, idle) != 0)
    return Fail(Win32ErrorFromErrno(errno));

  std::vector<std::string> args{start.hostPath};
  args.insert(args.end(), start.arguments.begin(), start.arguments.end());
  std::vector<std::string> env = ChildEnvironment(start, idle[1]);
  std::vector<char*> argPointers = Pointers(args), envPointers = Pointers(env);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (idle[1] >= 0) posix_spawn_file_actions_adddup2(&actions, idle[1], idle[1]);  // clears close-on-exec
  if (!start.hostFolder.empty()) posix_spawn_file_actions_addchdir_np(&actions, start.hostFolder.c_str());
  uint64_t hold = VirtualHoldBegin();
  pid_t pid = 0;
  int error = posix_spawn(&pid, start.hostPath.c_str(), &actions, nullptr, argPointers.data(), envPointers.data());
  posix_spawn_file_actions_destroy(&actions);
  if (idle[1] >= 0) close(idle[1]);
  if (error != 0) {
    if (idle[0] >= 0) close(idle[0]);
    VirtualHoldEnd(hold);
    return Fail(error == ENOEXEC ? ERROR_BAD_EXE_FORMAT : Win32ErrorFromErrno(error));
  }
  state->pid = pid;
  std::thread(Follow, state, idle[0], hold).detach();
  info->hProcess = NewHandle(std::make_shared<ChildObject>(ChildObject::Kind::Process, state));
  info->hThread = NewHandle(std::make_shared<ChildObject>(ChildObject::Kind::Thread, state));
  info->dwProcessId = DWORD(pid);
  info->dwThreadId = DWORD(pid);  // the main thread's id is the process's on the host
  return TRUE;
}

void WaitForHandingProgram() {
  const pid_t pid = g_handingProgram.exchange(0);
  if (pid == 0) return;
  const int fd = int(syscall(SYS_pidfd_open, pid, 0));
  if (fd < 0) return;  // it has ended already
  pollfd ended{fd, POLLIN, 0};
  while (poll(&ended, 1, kHandingWaitMs) < 0 && errno == EINTR) {
  }
  close(fd);
}

void NotifyInputIdle() {
  int fd = g_idleDescriptor.exchange(-1);
  if (fd < 0) return;
  ssize_t ignored = send(fd, "i", 1, MSG_NOSIGNAL);
  (void)ignored;
  close(fd);
}

}  // namespace vandrel

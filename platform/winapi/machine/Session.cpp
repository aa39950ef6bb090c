// The session folder: where it lives, making it, and refusing one that is not private to this user.
#include "platform/winapi/Session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"

namespace vandrel {
namespace {

// Socket paths hold at most 107 bytes; a socket is "<pid>.sock" (at most 15) in "vandrel-<uid>-<hash>" (at
// most 35), each after a slash.
constexpr size_t kMaxBaseLength = 107 - 16 - 36;

std::string BaseFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  std::string base = runtime ? runtime : "";
  struct stat st;
  if (base.empty() || base[0] != '/' || base.size() > kMaxBaseLength || stat(base.c_str(), &st) != 0 ||
      !S_ISDIR(st.st_mode))
    return "/tmp";
  return base;
}

// The machine folder as one full path, whatever the current folder of the process.
std::string FullMachineRoot() {
  std::string root = MachineRoot();
  if (char* real = realpath(root.c_str(), nullptr)) {
    root = real;
    std::free(real);
  } else if (root.empty() || root[0] != '/') {
    char cwd[PATH_MAX];
    if (getcwd(cwd, sizeof cwd)) root = std::string(cwd) + "/" + root;
  }
  return root;
}

}  // namespace

std::string SessionHash(const std::string& text) {
  uint64_t hash = 0xcbf29ce484222325ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 0x100000001b3ull;
  }
  static const char* digits = "0123456789abcdef";
  std::string hex(16, '0');
  for (int i = 15; i >= 0; --i, hash >>= 4) hex[size_t(i)] = digits[hash & 15];
  return hex;
}

std::string SessionFolderPath() {
  const char* user = std::getenv("VANDREL_USER");
  return BaseFolder() + "/vandrel-" + std::to_string(geteuid()) + "-" +
         SessionHash(FullMachineRoot() + '\n' + (user ? user : ""));
}

bool OpenSessionFolder(std::string& path) {
  path = SessionFolderPath();
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    SetLastErrorFromErrno();
    return false;
  }
  struct stat st;
  if (lstat(path.c_str(), &st) != 0) {
    SetLastErrorFromErrno();
    return false;
  }
  if (!S_ISDIR(st.st_mode) || st.st_uid != geteuid() || (st.st_mode & 077) != 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  return true;
}

}  // namespace vandrel

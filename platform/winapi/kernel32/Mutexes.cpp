// Mutexes: an owner thread and a recursion count under the waitables' state lock, and for a named mutex a
// lock file of the session folder held with flock while some thread of this handle owns it.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Session.h"
#include "platform/winapi/Synchronization.h"

namespace {

// Another process lets go of a lock file without telling us; waiters look again this often.
constexpr DWORD kLockFilePollMs = 5;

class MutexObject final : public KernelWaitable {
 public:
  explicit MutexObject(int lockFile) : lockFile_(lockFile) {}
  ~MutexObject() override {
    if (lockFile_ >= 0) close(lockFile_);  // lets go of the lock
  }

  DWORD TryAcquire() override {
    DWORD self = GetCurrentThreadId();
    if (owner_ == self) {
      ++depth_;
      return WAIT_OBJECT_0;
    }
    if (owner_ || !LockFile()) return WAIT_TIMEOUT;
    owner_ = self;
    depth_ = 1;
    return WAIT_OBJECT_0;
  }

  DWORD PollIntervalMs() const override { return lockFile_ >= 0 ? kLockFilePollMs : 0; }

  // With the state lock held: whether another handle holds the lock file now.
  bool HeldElsewhere() {
    if (owner_) return false;
    if (!LockFile()) return true;
    flock(lockFile_, LOCK_UN);
    return false;
  }

  bool Release() {
    auto lock = StateLock();
    if (owner_ != GetCurrentThreadId()) return false;
    if (--depth_ == 0) {
      owner_ = 0;
      if (lockFile_ >= 0) flock(lockFile_, LOCK_UN);
      WakeWaiters();
    }
    return true;
  }

 private:
  bool LockFile() { return lockFile_ < 0 || flock(lockFile_, LOCK_EX | LOCK_NB) == 0; }

  const int lockFile_;  // -1 for a mutex without a name
  DWORD owner_ = 0;     // guarded by the state lock, as is depth_
  unsigned depth_ = 0;
};

// Opens (making it when missing) the lock file of `name`, with the name written inside; -1 with the last
// error set when the session folder is refused or the file cannot be opened.
int OpenLockFile(const std::string& name) {
  std::string folder;
  if (!vandrel::OpenSessionFolder(folder)) return -1;
  int fd = open(vandrel::MutexLockFilePath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (fd < 0) {
    SetLastErrorFromErrno();
    return -1;
  }
  if (lseek(fd, 0, SEEK_END) == 0 && pwrite(fd, name.data(), name.size(), 0) < 0) {
    SetLastErrorFromErrno();
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

std::string vandrel::MutexLockFilePath(const std::string& name) {
  return SessionFolderPath() + "/mutex-" + SessionHash(name) + ".lock";
}

HANDLE CreateMutexA(SECURITY_ATTRIBUTES*, BOOL initialOwner, LPCSTR name) {
  int lockFile = -1;
  if (name && *name && (lockFile = OpenLockFile(name)) < 0) return nullptr;
  auto mutex = std::make_shared<MutexObject>(lockFile);
  DWORD error = ERROR_SUCCESS;
  {
    auto lock = KernelWaitable::StateLock();
    if (initialOwner ? mutex->TryAcquire() != WAIT_OBJECT_0 : mutex->HeldElsewhere()) error = ERROR_ALREADY_EXISTS;
  }
  HANDLE handle = NewHandle(std::move(mutex));
  SetLastError(error);
  return handle;
}

BOOL ReleaseMutex(HANDLE mutex) {
  auto object = HandleObjectAs<MutexObject>(mutex);
  if (!object) return FALSE;
  if (!object->Release()) {
    SetLastError(ERROR_NOT_OWNER);
    return FALSE;
  }
  return TRUE;
}

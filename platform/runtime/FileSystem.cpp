// The host layer of FileSystem.h: POSIX files under their host names, with Windows share modes among the
// opens of this process and errno translated to Win32 codes here.
#include "platform/runtime/FileSystem.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "platform/runtime/Cp1250.h"

namespace {

constexpr uint32_t kFileNotFound = 2;
constexpr uint32_t kPathNotFound = 3;
constexpr uint32_t kTooManyOpenFiles = 4;
constexpr uint32_t kAccessDenied = 5;
constexpr uint32_t kSharingViolation = 32;
constexpr uint32_t kFileExists = 80;
constexpr uint32_t kInvalidParameter = 87;
constexpr uint32_t kDiskFull = 112;
constexpr uint32_t kNegativeSeek = 131;
constexpr uint32_t kFilenameTooLong = 206;
constexpr uint32_t kIoDevice = 1117;

TFileError MakeError(uint32_t code) {
  const char* text = "";
  switch (code) {
    case kFileNotFound: text = "The system cannot find the file specified."; break;
    case kPathNotFound: text = "The system cannot find the path specified."; break;
    case kTooManyOpenFiles: text = "The system cannot open the file."; break;
    case kAccessDenied: text = "Access is denied."; break;
    case kSharingViolation:
      text = "The process cannot access the file because it is being used by another process.";
      break;
    case kFileExists: text = "The file exists."; break;
    case kInvalidParameter: text = "The parameter is incorrect."; break;
    case kDiskFull: text = "There is not enough space on the disk."; break;
    case kNegativeSeek: text = "An attempt was made to move the file pointer before the beginning of the file."; break;
    case kFilenameTooLong: text = "The filename or extension is too long."; break;
    case kIoDevice: text = "The request could not be performed because of an I/O device error."; break;
  }
  return TFileError{code, text};
}

bool DirectoryExists(const std::string& hostPath) {
  std::size_t slash = hostPath.find_last_of('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : hostPath.substr(0, slash);
  struct stat st;
  return !hostPath.empty() && stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

TFileError ErrorFromErrno(int error, const std::string& hostPath = {}) {
  switch (error) {
    case ENOENT: return MakeError(DirectoryExists(hostPath) ? kFileNotFound : kPathNotFound);
    case ENOTDIR: return MakeError(kPathNotFound);
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY: return MakeError(kAccessDenied);
    case EEXIST: return MakeError(kFileExists);
    case EMFILE:
    case ENFILE: return MakeError(kTooManyOpenFiles);
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return MakeError(kDiskFull);
    case ENAMETOOLONG: return MakeError(kFilenameTooLong);
    case EIO: return MakeError(kIoDevice);
    default: return MakeError(kInvalidParameter);
  }
}

// Share-mode bookkeeping of the files this process has open, keyed by device and inode.
struct OpenRecord {
  TFileAccess access;
  TFileShare share;
};

bool Reads(TFileAccess a) { return a != TFileAccess::Write; }
bool Writes(TFileAccess a) { return a != TFileAccess::Read; }
bool AllowsRead(TFileShare s) { return s == TFileShare::DenyWrite || s == TFileShare::DenyNone; }
bool AllowsWrite(TFileShare s) { return s == TFileShare::DenyRead || s == TFileShare::DenyNone; }

bool Compatible(const OpenRecord& held, const OpenRecord& wanted) {
  if (Reads(wanted.access) && !AllowsRead(held.share)) return false;
  if (Writes(wanted.access) && !AllowsWrite(held.share)) return false;
  if (Reads(held.access) && !AllowsRead(wanted.share)) return false;
  if (Writes(held.access) && !AllowsWrite(wanted.share)) return false;
  return true;
}

class ShareTable {
 public:
  using Key = std::pair<dev_t, ino_t>;

  bool Acquire(const Key& key, OpenRecord* record) {
    std::lock_guard lock(mutex_);
    auto& opens = files_[key];
    for (const OpenRecord* held : opens)
      if (!Compatible(*held, *record)) {
        if (opens.empty()) files_.erase(key);
        return false;
      }
    opens.push_back(record);
    return true;
  }

  void Release(const Key& key, OpenRecord* record) {
    std::lock_guard lock(mutex_);
    auto it = files_.find(key);
    if (it == files_.end()) return;
    std::erase(it->second, record);
    if (it->second.empty()) files_.erase(it);
  }

 private:
  std::mutex mutex_;
  std::map<Key, std::vector<OpenRecord*>> files_;
};

ShareTable& Shares() {
  static ShareTable* table = new ShareTable;  // lives until the process ends
  return *table;
}

class HostFile : public IFileHandle {
 public:
  HostFile(int fd, ShareTable::Key key, OpenRecord record) : fd_(fd), key_(key), record_(record) {}
  ~HostFile() override {
    if (registered_) Shares().Release(key_, &record_);
    close(fd_);
  }

  bool Register() { return registered_ = Shares().Acquire(key_, &record_); }

  bool Read(void* buffer, std::size_t count, std::size_t& done, TFileError& error) override {
    done = 0;
    while (done < count) {
      ssize_t n = read(fd_, static_cast<char*>(buffer) + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Fail(error);
      if (n == 0) break;
      done += std::size_t(n);
    }
    return true;
  }

  bool Write(const void* buffer, std::size_t count, std::size_t& done, TFileError& error) override {
    done = 0;
    while (done < count) {
      ssize_t n = write(fd_, static_cast<const char*>(buffer) + done, count - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Fail(error);
      done += std::size_t(n);
    }
    return true;
  }

  bool Seek(int64_t offset, TFileOrigin origin, int64_t& position, TFileError& error) override {
    int whence = origin == TFileOrigin::Begin ? SEEK_SET : origin == TFileOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t base = whence == SEEK_SET ? 0 : lseek(fd_, 0, whence);
    if (base < 0) return Fail(error);
    if (offset < 0 && base + offset < 0) {
      error = MakeError(kNegativeSeek);
      return false;
    }
    off_t at = lseek(fd_, off_t(base + offset), SEEK_SET);
    if (at < 0) return Fail(error);
    position = at;
    return true;
  }

  bool Size(int64_t& size, TFileError& error) override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return Fail(error);
    size = st.st_size;
    return true;
  }

  bool Truncate(TFileError& error) override {
    off_t at = lseek(fd_, 0, SEEK_CUR);
    if (at < 0 || ftruncate(fd_, at) != 0) return Fail(error);
    return true;
  }

 private:
  bool Fail(TFileError& error) {
    error = ErrorFromErrno(errno);
    return false;
  }

  int fd_;
  ShareTable::Key key_;
  OpenRecord record_;
  bool registered_ = false;
};

class HostLayer : public IFileSystem {
 public:
  std::unique_ptr<IFileHandle> Open(const std::string& fileName, TFileAccess access, TFileShare share,
                                    TFileCreation creation, TFileError& error) override {
    std::string path = cp1250::ToUtf8(fileName);
    int flags = O_CLOEXEC | (access == TFileAccess::Read ? O_RDONLY : access == TFileAccess::Write ? O_WRONLY : O_RDWR);
    if (creation == TFileCreation::CreateAlways) flags |= O_CREAT;
    int fd = path.empty() ? (errno = ENOENT, -1) : open(path.c_str(), flags, 0666);
    if (fd < 0) {
      error = ErrorFromErrno(errno, path);
      return nullptr;
    }
    struct stat st;
    bool statted = fstat(fd, &st) == 0;
    if (!statted || S_ISDIR(st.st_mode)) {
      error = statted ? MakeError(kAccessDenied) : ErrorFromErrno(errno);
      close(fd);
      return nullptr;
    }
    auto file = std::make_unique<HostFile>(fd, ShareTable::Key(st.st_dev, st.st_ino), OpenRecord{access, share});
    if (!file->Register()) {
      error = MakeError(kSharingViolation);
      return nullptr;
    }
    // Emptied only once the share check has passed, so a refused create changes nothing.
    if (creation == TFileCreation::CreateAlways && st.st_size > 0 && ftruncate(fd, 0) != 0) {
      error = ErrorFromErrno(errno);
      return nullptr;
    }
    return file;
  }
};

std::atomic<IFileSystem*> g_installed{nullptr};

}  // namespace

IFileSystem& HostFileSystem() {
  static HostLayer* layer = new HostLayer;  // lives until the process ends
  return *layer;
}

IFileSystem& FileSystem() {
  IFileSystem* layer = g_installed.load(std::memory_order_acquire);
  return layer ? *layer : HostFileSystem();
}

IFileSystem* InstallFileSystem(IFileSystem* layer) {
  IFileSystem* previous = g_installed.exchange(layer, std::memory_order_acq_rel);
  return previous ? previous : &HostFileSystem();
}

bool ReadHostFile(const std::string& hostPath, std::string& text, std::string& error) {
  const int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = std::strerror(errno);
    return false;
  }
  std::string content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got > 0) {
      content.append(buffer, size_t(got));
    } else if (got == 0) {
      break;
    } else if (errno != EINTR) {
      error = std::strerror(errno);
      ::close(fd);
      return false;
    }
  }
  ::close(fd);
  text = std::move(content);
  return true;
}

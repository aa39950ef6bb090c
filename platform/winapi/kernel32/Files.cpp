// The Win32 file calls over host files. Share modes hold across processes: every open that reads, writes or
// deletes takes shared byte-range locks (open-file-description locks, released when the file is closed)
// on marker bytes far past any real data, one for each right it uses and one for each it denies; a
// host-wide lock file serialises the check of those markers with the taking of them.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/FileTimes.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"

namespace {

using vandrel::HostPath;
using vandrel::MapWindowsPath;

// ---- share modes ----

constexpr off_t kMarkerBase = 0x7FFFFFFFFFFFFF00;
enum Marker { kHasRead, kHasWrite, kHasDelete, kDenyRead, kDenyWrite, kDenyDelete };

struct Rights {
  bool read = false, write = false, remove = false;
  bool Any() const { return read || write || remove; }
};

Rights RightsOf(DWORD access) {
  Rights r;
  r.read = access & (GENERIC_READ | GENERIC_ALL | FILE_READ_DATA);
  r.write = access & (GENERIC_WRITE | GENERIC_ALL | FILE_WRITE_DATA | FILE_APPEND_DATA);
  r.remove = access & (DELETE | GENERIC_ALL);
  return r;
}

bool Held(int fd, Marker marker) {
  struct flock probe {};
  probe.l_type = F_WRLCK;
  probe.l_whence = SEEK_SET;
  probe.l_start = kMarkerBase + marker;
  probe.l_len = 1;
  if (fcntl(fd, F_OFD_GETLK, &probe) != 0) return false;
  return probe.l_type != F_UNLCK;
}

bool Take(int fd, Marker marker) {
  struct flock lock {};
  lock.l_type = F_RDLCK;
  lock.l_whence = SEEK_SET;
  lock.l_start = kMarkerBase + marker;
  lock.l_len = 1;
  return fcntl(fd, F_OFD_SETLK, &lock) == 0;
}

// Serialises share checks of every process of this host user.
class ShareGate {
 public:
  void lock() {
    mutex_.lock();
    if (fd_ < 0) {
      std::string path = "/tmp/vandrel-share-" + std::to_string(getuid()) + ".lock";
      fd_ = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    }
    if (fd_ >= 0)
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
  }
  void unlock() {
    if (fd_ >= 0) flock(fd_, LOCK_UN);
    mutex_.unlock();
  }

 private:
  std::mutex mutex_;
  int fd_ = -1;
};

ShareGate& Gate() {
  static ShareGate* gate = new ShareGate;  // lives until the process ends
  return *gate;
}

// Checks a new open against the opens that exist and, when it fits, records it. False: sharing violation.
bool AcquireShare(int markerFd, Rights rights, DWORD share) {
  bool shareRead = share & FILE_SHARE_READ, shareWrite = share & FILE_SHARE_WRITE,
       shareDelete = share & FILE_SHARE_DELETE;
  std::lock_guard<ShareGate> guard(Gate());
  if ((rights.read && Held(markerFd, kDenyRead)) || (rights.write && Held(markerFd, kDenyWrite)) ||
      (rights.remove && Held(markerFd, kDenyDelete)) || (!shareRead && Held(markerFd, kHasRead)) ||
      (!shareWrite && Held(markerFd, kHasWrite)) || (!shareDelete && Held(markerFd, kHasDelete)))
    return false;
  if (rights.read) Take(markerFd, kHasRead);
  if (rights.write) Take(markerFd, kHasWrite);
  if (rights.remove) Take(markerFd, kHasDelete);
  if (!shareRead) Take(markerFd, kDenyRead);
  if (!shareWrite) Take(markerFd, kDenyWrite);
  if (!shareDelete) Take(markerFd, kDenyDelete);
  return true;
}

// Whether some open of the file at hostPath denies deleting (or renaming) it.
bool DeleteDenied(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  bool denied;
  {
    std::lock_guard<ShareGate> guard(Gate());
    denied = Held(fd, kDenyDelete);
  }
  close(fd);
  return denied;
}

// ---- file objects ----

class FileObject : public KernelObject {
 public:
  FileObject(int fd, std::string hostPath) : fd_(fd), hostPath_(std::move(hostPath)) {}
  ~FileObject() override {
    if (deleteOnClose_) unlink(hostPath_.c_str());
    if (markerFd_ >= 0 && markerFd_ != fd_) close(markerFd_);
    close(fd_);
  }

  int fd() const { return fd_; }
  bool canRead = false, canWrite = false;
  void SetMarkerFd(int fd) { markerFd_ = fd; }
  void DeleteOnClose() { deleteOnClose_ = true; }

 private:
  int fd_;
  int markerFd_ = -1;
  std::string hostPath_;
  bool deleteOnClose_ = false;
};

struct Devices {
  std::mutex lock;
  std::map<std::string, vandrel::DeviceOpener> openers;  // by upper-case name
};
Devices& DeviceTable() {
  static Devices* devices = new Devices;
  return *devices;
}

// A device name ("COM1", "\\.\COM1") that a stand-in opens, or nullptr.
vandrel::DeviceOpener FindDevice(std::string name) {
  std::replace(name.begin(), name.end(), '/', '\\');
  if (name.compare(0, 4, "\\\\.\\") == 0) name.erase(0, 4);
  if (name.find_first_of("\\:") != std::string::npos) return nullptr;
  Devices& devices = DeviceTable();
  std::lock_guard<std::mutex> guard(devices.lock);
  auto it = devices.openers.find(cp1250::AsciiUpper(name));
  return it == devices.openers.end() ? nullptr : it->second;
}

DWORD MissingError(const HostPath& host) { return host.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND; }

HANDLE Fail(DWORD code) {
  SetLastError(code);
  return INVALID_HANDLE_VALUE;
}

BOOL FailBool(DWORD code) {
  SetLastError(code);
  return FALSE;
}

DWORD ErrnoError() { return Win32ErrorFromErrno(errno, TErrnoContext::Write); }

bool ReadOnly(const struct stat& st) { return !(st.st_mode & S_IWUSR); }

std::shared_ptr<FileObject> FileOf(HANDLE handle) { return HandleObjectAs<FileObject>(handle); }

HANDLE OpenDirectory(const std::string& hostPath) {
  int fd = open(hostPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return Fail(Win32ErrorFromErrno(errno));
  SetLastError(ERROR_SUCCESS);
  return NewHandle(std::make_shared<FileObject>(fd, hostPath));
}

}  // namespace

void vandrel::RegisterDevice(const std::string& name, DeviceOpener opener) {
  Devices& devices = DeviceTable();
  std::lock_guard<std::mutex> guard(devices.lock);
  devices.openers[cp1250::AsciiUpper(name)] = opener;
}

HANDLE CreateFileA(LPCSTR fileName, DWORD access, DWORD shareMode, SECURITY_ATTRIBUTES*, DWORD disposition, DWORD flags,
                   HANDLE) {
  if (!fileName) return Fail(ERROR_PATH_NOT_FOUND);
  if (vandrel::DeviceOpener opener = FindDevice(fileName)) return opener(fileName, access, flags);
  if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING) return Fail(ERROR_INVALID_PARAMETER);
  HostPath host = MapWindowsPath(fileName);
  if (host.error) return Fail(host.error);
  Rights rights = RightsOf(access);
  if (disposition == TRUNCATE_EXISTING && !rights.write) return Fail(ERROR_INVALID_PARAMETER);

  for (int attempt = 0; attempt < 2; ++attempt) {
    struct stat st;
    bool exists = stat(host.path.c_str(), &st) == 0;
    if (!exists && !host.parentExists) return Fail(ERROR_PATH_NOT_FOUND);
    if (exists && S_ISDIR(st.st_mode)) {
      if (disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
      if (!(flags & FILE_FLAG_BACKUP_SEMANTICS)) return Fail(ERROR_ACCESS_DENIED);
      return OpenDirectory(host.path);
    }
    if (exists && disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
    if (!exists && (disposition == OPEN_EXISTING || disposition == TRUNCATE_EXISTING))
      return Fail(ERROR_FILE_NOT_FOUND);
    bool truncate = exists && (disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING);
    if (exists && ReadOnly(st) && (rights.write || truncate)) return Fail(ERROR_ACCESS_DENIED);

    int oflags = O_CLOEXEC | (rights.read && rights.write ? O_RDWR : rights.write ? O_WRONLY : O_RDONLY);
    if (!exists) oflags |= O_CREAT | O_EXCL;
    int fd = open(host.path.c_str(), oflags, 0666);
    if (fd < 0 && errno == EEXIST && !exists) {
      if (disposition == CREATE_NEW) return Fail(ERROR_FILE_EXISTS);
      continue;  // created by someone else meanwhile: open it as an existing file
    }
    if (fd < 0) return Fail(errno == ENOENT ? MissingError(host) : ErrnoError());

    auto file = std::make_shared<FileObject>(fd, host.path);
    file->canRead = rights.read;
    file->canWrite = rights.write;
    if (rights.Any()) {
      int markerFd = rights.read ? fd : open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
      if (markerFd >= 0) {
        file->SetMarkerFd(markerFd);
        if (!AcquireShare(markerFd, rights, shareMode)) return Fail(ERROR_SHARING_VIOLATION);
      }
    }
    // Emptied only once the share check has passed, so a refused open changes nothing.
    if (truncate && ftruncate(fd, 0) != 0) return Fail(ErrnoError());
    if (!exists && (flags & FILE_ATTRIBUTE_READONLY)) fchmod(fd, 0444);
    if (flags & FILE_FLAG_DELETE_ON_CLOSE) file->DeleteOnClose();
    SetLastError(exists && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS) ? ERROR_ALREADY_EXISTS
                                                                                        : ERROR_SUCCESS);
    return NewHandle(std::move(file));
  }
  return Fail(ERROR_SHARING_VIOLATION);
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD toRead, LPDWORD read, OVERLAPPED* overlapped) {
  if (read) *read = 0;
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (!file->canRead) return FailBool(ERROR_ACCESS_DENIED);
  off_t offset = overlapped ? off_t((uint64_t(overlapped->OffsetHigh) << 32) | overlapped->Offset) : -1;
  DWORD done = 0;
  while (done < toRead) {
    char* at = static_cast<char*>(buffer) + done;
    ssize_t n =
        offset >= 0 ? pread(file->fd(), at, toRead - done, offset + done) : ::read(file->fd(), at, toRead - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return FailBool(errno == EISDIR ? ERROR_INVALID_FUNCTION : ErrnoError());
    if (n == 0) break;
    done += DWORD(n);
  }
  if (read) *read = done;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD toWrite, LPDWORD written, OVERLAPPED* overlapped) {
  if (written) *written = 0;
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (!file->canWrite) return FailBool(ERROR_ACCESS_DENIED);
  off_t offset = overlapped ? off_t((uint64_t(overlapped->OffsetHigh) << 32) | overlapped->Offset) : -1;
  DWORD done = 0;
  while (done < toWrite) {
    const char* at = static_cast<const char*>(buffer) + done;
    ssize_t n =
        offset >= 0 ? pwrite(file->fd(), at, toWrite - done, offset + done) : write(file->fd(), at, toWrite - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      if (written) *written = done;
      return FailBool(ErrnoError());
    }
    done += DWORD(n);
  }
  if (written) *written = done;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL SetFilePointerEx(HANDLE handle, LARGE_INTEGER distance, LARGE_INTEGER* newPosition, DWORD method) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (method > FILE_END) return FailBool(ERROR_INVALID_PARAMETER);
  off_t base = method == FILE_BEGIN ? 0 : lseek(file->fd(), 0, method == FILE_CURRENT ? SEEK_CUR : SEEK_END);
  if (base < 0) return FailBool(ErrnoError());
  int64_t target = int64_t(base) + distance.QuadPart;
  if (target < 0) return FailBool(ERROR_NEGATIVE_SEEK);
  if (lseek(file->fd(), off_t(target), SEEK_SET) < 0) return FailBool(ErrnoError());
  if (newPosition) newPosition->QuadPart = target;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, PLONG distanceHigh, DWORD method) {
  LARGE_INTEGER move, at;
  move.QuadPart = distanceHigh ? int64_t((uint64_t(uint32_t(*distanceHigh)) << 32) | uint32_t(distance)) : distance;
  if (!SetFilePointerEx(handle, move, &at, method)) return INVALID_SET_FILE_POINTER;
  if (distanceHigh)
    *distanceHigh = at.HighPart;
  else if (at.QuadPart > 0xFFFFFFFFLL) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_SET_FILE_POINTER;
  }
  return at.LowPart;
}

BOOL GetFileSizeEx(HANDLE handle, LARGE_INTEGER* size) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  struct stat st;
  if (fstat(file->fd(), &st) != 0) return FailBool(ErrnoError());
  size->QuadPart = st.st_size;
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

DWORD GetFileSize(HANDLE handle, LPDWORD sizeHigh) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle, &size)) return INVALID_FILE_SIZE;
  if (sizeHigh) *sizeHigh = DWORD(size.HighPart);
  return size.LowPart;
}

BOOL SetEndOfFile(HANDLE handle) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (!file->canWrite) return FailBool(ERROR_ACCESS_DENIED);
  off_t at = lseek(file->fd(), 0, SEEK_CUR);
  if (at < 0 || ftruncate(file->fd(), at) != 0) return FailBool(ErrnoError());
  return TRUE;
}

BOOL FlushFileBuffers(HANDLE handle) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  if (fsync(file->fd()) != 0 && errno != EINVAL) return FailBool(ErrnoError());
  return TRUE;
}

BOOL GetFileTime(HANDLE handle, FILETIME* creation, FILETIME* lastAccess, FILETIME* lastWrite) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  struct stat st;
  if (fstat(file->fd(), &st) != 0) return FailBool(ErrnoError());
  if (creation) *creation = vandrel::FileTimeOf(st.st_mtim);
  if (lastAccess) *lastAccess = vandrel::FileTimeOf(st.st_atim);
  if (lastWrite) *lastWrite = vandrel::FileTimeOf(st.st_mtim);
  return TRUE;
}

BOOL SetFileTime(HANDLE handle, const FILETIME*, const FILETIME* lastAccess, const FILETIME* lastWrite) {
  auto file = FileOf(handle);
  if (!file) return FALSE;
  struct timespec times[2];
  times[0] = lastAccess ? vandrel::TimespecOf(*lastAccess) : timespec{0, UTIME_OMIT};
  times[1] = lastWrite ? vandrel::TimespecOf(*lastWrite) : timespec{0, UTIME_OMIT};
  if (futimens(file->fd(), times) != 0) return FailBool(ErrnoError());
  return TRUE;
}

BOOL DeleteFileA(LPCSTR fileName) {
  HostPath host = MapWindowsPath(fileName ? fileName : "");
  if (host.error) return FailBool(host.error);
  struct stat st;
  if (lstat(host.path.c_str(), &st) != 0) return FailBool(MissingError(host));
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && ReadOnly(st))) return FailBool(ERROR_ACCESS_DENIED);
  if (DeleteDenied(host.path)) return FailBool(ERROR_SHARING_VIOLATION);
  if (unlink(host.path.c_str()) != 0) return FailBool(ErrnoError());
  return TRUE;
}

BOOL CopyFileA(LPCSTR existing, LPCSTR target, BOOL failIfExists) {
  HANDLE source =
      CreateFileA(existing, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (source == INVALID_HANDLE_VALUE) return FALSE;
  auto sourceFile = FileOf(source);
  struct stat st;
  fstat(sourceFile->fd(), &st);
  HANDLE copy = CreateFileA(target, GENERIC_WRITE, 0, nullptr, failIfExists ? CREATE_NEW : CREATE_ALWAYS, 0, nullptr);
  if (copy == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    CloseHandle(source);
    return FailBool(error);
  }
  std::vector<char> buffer(1 << 16);
  DWORD error = ERROR_SUCCESS;
  for (;;) {
    DWORD got = 0, put = 0;
    if (!ReadFile(source, buffer.data(), DWORD(buffer.size()), &got, nullptr)) {
      error = GetLastError();
      break;
    }
    if (got == 0) break;
    if (!WriteFile(copy, buffer.data(), got, &put, nullptr)) {
      error = GetLastError();
      break;
    }
  }
  FILETIME written = vandrel::FileTimeOf(st.st_mtim);
  if (!error) SetFileTime(copy, nullptr, nullptr, &written);
  if (!error && ReadOnly(st)) fchmod(FileOf(copy)->fd(), st.st_mode & ~0222);
  CloseHandle(copy);
  CloseHandle(source);
  if (error) {
    DeleteFileA(target);
    return FailBool(error);
  }
  SetLastError(ERROR_SUCCESS);
  return TRUE;
}

BOOL MoveFileExA(LPCSTR existing, LPCSTR target, DWORD flags) {
  HostPath from = MapWindowsPath(existing ? existing : "");
  if (from.error) return FailBool(from.error);
  HostPath to = MapWindowsPath(target ? target : "");
  if (to.error) return FailBool(to.error);
  struct stat st, targetSt;
  if (lstat(from.path.c_str(), &st) != 0) return FailBool(MissingError(from));
  if (!to.parentExists) return FailBool(ERROR_PATH_NOT_FOUND);
  bool targetExists = lstat(to.path.c_str(), &targetSt) == 0 && from.path != to.path;
  if (targetExists && (!(flags & MOVEFILE_REPLACE_EXISTING) || S_ISDIR(targetSt.st_mode)))
    return FailBool(ERROR_ALREADY_EXISTS);
  if (targetExists && ReadOnly(targetSt)) return FailBool(ERROR_ACCESS_DENIED);
  if (DeleteDenied(from.path) || (targetExists && DeleteDenied(to.path))) return FailBool(ERROR_SHARING_VIOLATION);
  if (rename(from.path.c_str(), to.path.c_str()) == 0) return TRUE;
  if (errno != EXDEV || S_ISDIR(st.st_mode)) return FailBool(ErrnoError());
  if (!(flags & MOVEFILE_COPY_ALLOWED)) return FailBool(ERROR_NOT_SAME_DEVICE);
  if (!CopyFileA(existing, target, FALSE)) return FALSE;
  return DeleteFileA(existing);
}

BOOL MoveFileA(LPCSTR existing, LPCSTR target) { return MoveFileExA(existing, target, MOVEFILE_COPY_ALLOWED); }

BOOL CreateDirectoryA(LPCSTR path, SECURITY_ATTRIBUTES*) {
  HostPath host = MapWindowsPath(path ? path : "");
  if (host.error) return FailBool(host.error);
  struct stat st;
  if (lstat(host.path.c_str(), &st) == 0) return FailBool(ERROR_ALREADY_EXISTS);
  if (!host.parentExists) return FailBool(ERROR_PATH_NOT_FOUND);
  if (mkdir(host.path.c_str(), 0777) != 0) return FailBool(errno == EEXIST ? ERROR_ALREADY_EXISTS : ErrnoError());
  return TRUE;
}

BOOL RemoveDirectoryA(LPCSTR path) {
  HostPath host = MapWindowsPath(path ? path : "");
  if (host.error) return FailBool(host.error);
  struct stat st;
  if (lstat(host.path.c_str(), &st) != 0) return FailBool(MissingError(host));
  if (!S_ISDIR(st.st_mode)) return FailBool(ERROR_DIRECTORY);
  if (rmdir(host.path.c_str()) != 0)
    return FailBool(errno == ENOTEMPTY || errno == EEXIST ? ERROR_DIR_NOT_EMPTY : ErrnoError());
  return TRUE;
}

DWORD GetFileAttributesA(LPCSTR fileName) {
  HostPath host = MapWindowsPath(fileName ? fileName : "");
  if (host.error) {
    SetLastError(host.error);
    return INVALID_FILE_ATTRIBUTES;
  }
  struct stat st;
  if (stat(host.path.c_str(), &st) != 0) {
    SetLastError(MissingError(host));
    return INVALID_FILE_ATTRIBUTES;
  }
  return vandrel::AttributesOf(st);
}

BOOL SetFileAttributesA(LPCSTR fileName, DWORD attributes) {
  HostPath host = MapWindowsPath(fileName ? fileName : "");
  if (host.error) return FailBool(host.error);
  struct stat st;
  if (stat(host.path.c_str(), &st) != 0) return FailBool(MissingError(host));
  if (S_ISDIR(st.st_mode)) return TRUE;
  mode_t mode = st.st_mode & 07777;
  mode = attributes & FILE_ATTRIBUTE_READONLY ? mode & ~0222 : mode | (S_IWUSR | ((mode & 0044) >> 1));
  if (chmod(host.path.c_str(), mode) != 0) return FailBool(ErrnoError());
  return TRUE;
}

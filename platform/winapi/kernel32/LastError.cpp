// The last-error code and its texts; the only place where errno becomes a Win32 code.
#include "platform/winapi/LastError.h"

#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/winapi/WinInet.h"

namespace {

thread_local DWORD t_lastError = ERROR_SUCCESS;

struct MessageRange {
  DWORD first, last;
  std::string (*text)(DWORD);
};

std::mutex& RangesLock() {
  static std::mutex lock;
  return lock;
}
std::vector<MessageRange>& Ranges() {
  static std::vector<MessageRange> ranges;
  return ranges;
}

const char* SystemText(DWORD code) {
  switch (code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_INVALID_FUNCTION: return "Incorrect function.";
    case ERROR_FILE_NOT_FOUND: return "The system cannot find the file specified.";
    case ERROR_PATH_NOT_FOUND: return "The system cannot find the path specified.";
    case ERROR_TOO_MANY_OPEN_FILES: return "The system cannot open the file.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_INVALID_HANDLE: return "The handle is invalid.";
    case ERROR_NOT_ENOUGH_MEMORY: return "Not enough storage is available to process this command.";
    case ERROR_BAD_FORMAT: return "An attempt was made to load a program with an incorrect format.";
    case ERROR_INVALID_DATA: return "The data is invalid.";
    case ERROR_OUTOFMEMORY: return "Not enough storage is available to complete this operation.";
    case ERROR_INVALID_DRIVE: return "The system cannot find the drive specified.";
    case ERROR_CURRENT_DIRECTORY: return "The directory cannot be removed.";
    case ERROR_NOT_SAME_DEVICE: return "The system cannot move the file to a different disk drive.";
    case ERROR_NO_MORE_FILES: return "There are no more files.";
    case ERROR_NOT_READY: return "The device is not ready.";
    case ERROR_WRITE_FAULT: return "The system cannot write to the specified device.";
    case ERROR_READ_FAULT: return "The system cannot read from the specified device.";
    case ERROR_SHARING_VIOLATION:
      return "The process cannot access the file because it is being used by another process.";
    case ERROR_LOCK_VIOLATION:
      return "The process cannot access the file because another process has locked a portion of the file.";
    case ERROR_HANDLE_EOF: return "Reached the end of the file.";
    case ERROR_NOT_SUPPORTED: return "The request is not supported.";
    case ERROR_BAD_NETPATH: return "The network path was not found.";
    case ERROR_FILE_EXISTS: return "The file exists.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_BROKEN_PIPE: return "The pipe has been ended.";
    case ERROR_BUFFER_OVERFLOW: return "The file name is too long.";
    case ERROR_DISK_FULL: return "There is not enough space on the disk.";
    case ERROR_CALL_NOT_IMPLEMENTED: return "This function is not supported on this system.";
    case ERROR_INSUFFICIENT_BUFFER: return "The data area passed to a system call is too small.";
    case ERROR_INVALID_NAME: return "The filename, directory name, or volume label syntax is incorrect.";
    case ERROR_MOD_NOT_FOUND: return "The specified module could not be found.";
    case ERROR_PROC_NOT_FOUND: return "The specified procedure could not be found.";
    case ERROR_NEGATIVE_SEEK: return "An attempt was made to move the file pointer before the beginning of the file.";
    case ERROR_DIR_NOT_EMPTY: return "The directory is not empty.";
    case ERROR_BAD_PATHNAME: return "The specified path is invalid.";
    case ERROR_ALREADY_EXISTS: return "Cannot create a file when that file already exists.";
    case ERROR_BAD_EXE_FORMAT: return "%1 is not a valid Win32 application.";
    case ERROR_FILENAME_EXCED_RANGE: return "The filename or extension is too long.";
    case ERROR_NO_DATA: return "The pipe is being closed.";
    case ERROR_MORE_DATA: return "More data is available.";
    case WAIT_TIMEOUT: return "The wait operation timed out.";
    case ERROR_NO_MORE_ITEMS: return "No more data is available.";
    case ERROR_DIRECTORY: return "The directory name is invalid.";
    case ERROR_NOT_OWNER: return "Attempt to release mutex not owned by caller.";
    case ERROR_OPERATION_ABORTED:
      return "The I/O operation has been aborted because of either a thread exit or an application request.";
    case ERROR_IO_INCOMPLETE: return "Overlapped I/O event is not in a signaled state.";
    case ERROR_IO_PENDING: return "Overlapped I/O operation is in progress.";
    case ERROR_NOACCESS: return "Invalid access to memory location.";
    case ERROR_INVALID_FLAGS: return "Invalid flags.";
    case ERROR_BADDB: return "The configuration registry database is corrupt.";
    case ERROR_BADKEY: return "The configuration registry key is invalid.";
    case ERROR_CANTOPEN: return "The configuration registry key could not be opened.";
    case ERROR_CANTREAD: return "The configuration registry key could not be read.";
    case ERROR_CANTWRITE: return "The configuration registry key could not be written.";
    case ERROR_KEY_DELETED: return "Illegal operation attempted on a registry key that has been marked for deletion.";
    case ERROR_NO_ASSOCIATION: return "No application is associated with the specified file for this operation.";
    case ERROR_NOT_FOUND: return "Element not found.";
    case ERROR_NOT_ALL_ASSIGNED: return "Not all privileges or groups referenced are assigned to the caller.";
    case ERROR_NO_SUCH_PRIVILEGE: return "A specified privilege does not exist.";
    case ERROR_PRIVILEGE_NOT_HELD: return "A required privilege is not held by the client.";
    case ERROR_INVALID_WINDOW_HANDLE: return "Invalid window handle.";
    case ERROR_TIMEOUT: return "This operation returned because the timeout period expired.";
    case ERROR_RESOURCE_DATA_NOT_FOUND: return "The specified image file did not contain a resource section.";
    case ERROR_RESOURCE_TYPE_NOT_FOUND: return "The specified resource type cannot be found in the image file.";
    case ERROR_RESOURCE_NAME_NOT_FOUND: return "The specified resource name cannot be found in the image file.";
    case ERROR_NOT_CONNECTED: return "This network connection does not exist.";
    case ERROR_SXS_CANT_GEN_ACTCTX:
      return "This application has failed to start because the application configuration is incorrect.";
    case ERROR_SXS_EARLY_DEACTIVATION:
      return "The activation context being deactivated is not the most recently activated one.";
    case ERROR_SXS_INVALID_DEACTIVATION:
      return "The activation context being deactivated is not active for the current thread of execution.";
    default: return nullptr;
  }
}

}  // namespace

DWORD GetLastError() { return t_lastError; }
void SetLastError(DWORD code) { t_lastError = code; }

namespace {

DWORD SocketErrorFromErrno(int error) {
  switch (error) {
    case ETIMEDOUT: return ERROR_INTERNET_TIMEOUT;
    case ECONNRESET:
    case EPIPE: return ERROR_INTERNET_CONNECTION_RESET;
    case ECONNABORTED: return ERROR_INTERNET_CONNECTION_ABORTED;
    case ECONNREFUSED:
    case ENETUNREACH:
    case EHOSTUNREACH:
    case EADDRNOTAVAIL:
    case EAFNOSUPPORT: return ERROR_INTERNET_CANNOT_CONNECT;
    case EMFILE:
    case ENFILE:
    case ENOBUFS: return ERROR_INTERNET_OUT_OF_HANDLES;
    default: return ERROR_INTERNET_INTERNAL_ERROR;
  }
}

}  // namespace

DWORD Win32ErrorFromErrno(int error, TErrnoContext context) {
  switch (context) {
    case TErrnoContext::Socket: return SocketErrorFromErrno(error);
    case TErrnoContext::Write:
      if (error == EDQUOT || error == EFBIG) return ERROR_DISK_FULL;
      break;
    case TErrnoContext::Folder:
      if (error == ENOTDIR) return ERROR_DIRECTORY;
      break;
    case TErrnoContext::File: break;
  }
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
    case EBUSY: return ERROR_ACCESS_DENIED;
    case ECANCELED: return ERROR_OPERATION_ABORTED;
    case EISDIR: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case EEXIST: return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_FILENAME_EXCED_RANGE;
    case EPIPE: return ERROR_BROKEN_PIPE;
    case EWOULDBLOCK: return ERROR_LOCK_VIOLATION;
    case ETIMEDOUT: return ERROR_TIMEOUT;
    case ENOSYS:
    case ENOTSUP: return ERROR_NOT_SUPPORTED;
    case EIO: return ERROR_READ_FAULT;
    case EXDEV: return ERROR_NOT_SAME_DEVICE;
    default: return ERROR_INVALID_FUNCTION;
  }
}

DWORD SetLastErrorFromErrno() {
  DWORD code = Win32ErrorFromErrno(errno);
  SetLastError(code);
  return code;
}

void RegisterErrorMessages(DWORD first, DWORD last, std::string (*text)(DWORD code)) {
  std::lock_guard<std::mutex> guard(RangesLock());
  Ranges().push_back({first, last, text});
}

std::string SysErrorMessage(DWORD code) {
  if (const char* text = SystemText(code)) return text;
  {
    std::lock_guard<std::mutex> guard(RangesLock());
    for (const auto& range : Ranges())
      if (code >= range.first && code <= range.last) return range.text(code);
  }
  return "";
}

void RaiseLastOSError() { RaiseLastOSError(GetLastError()); }

void RaiseLastOSError(DWORD code) {
  if (code == ERROR_SUCCESS) throw EOSError("A call to an OS function failed", code);
  throw EOSError("System Error.  Code: " + std::to_string(code) + ".\r\n" + SysErrorMessage(code), code);
}

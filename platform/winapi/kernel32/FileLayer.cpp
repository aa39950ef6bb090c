// The machine's file layer beneath the component library's file streams: installed when the library
// loads, so every TFileStream, LoadFromFile and SaveToFile opens Windows paths through CreateFileA.
#include "platform/runtime/FileSystem.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"

namespace {

TFileError LastFileError() {
  DWORD code = GetLastError();
  return TFileError{code, SysErrorMessage(code)};
}

class MachineFile : public IFileHandle {
 public:
  explicit MachineFile(HANDLE handle) : handle_(handle) {}
  ~MachineFile() override { CloseHandle(handle_); }

  bool Read(void* buffer, std::size_t count, std::size_t& done, TFileError& error) override {
    done = 0;
    while (done < count) {
      DWORD chunk = DWORD(std::min<std::size_t>(count - done, 1u << 30)), got = 0;
      if (!ReadFile(handle_, static_cast<char*>(buffer) + done, chunk, &got, nullptr)) return Fail(error);
      done += got;
      if (got < chunk) break;
    }
    return true;
  }

  bool Write(const void* buffer, std::size_t count, std::size_t& done, TFileError& error) override {
    done = 0;
    while (done < count) {
      DWORD chunk = DWORD(std::min<std::size_t>(count - done, 1u << 30)), put = 0;
      bool ok = WriteFile(handle_, static_cast<const char*>(buffer) + done, chunk, &put, nullptr);
      done += put;
      if (!ok) return Fail(error);
    }
    return true;
  }

  bool Seek(int64_t offset, TFileOrigin origin, int64_t& position, TFileError& error) override {
    LARGE_INTEGER distance, at;
    distance.QuadPart = offset;
    DWORD method = origin == TFileOrigin::Begin ? FILE_BEGIN : origin == TFileOrigin::Current ? FILE_CURRENT : FILE_END;
    if (!SetFilePointerEx(handle_, distance, &at, method)) return Fail(error);
    position = at.QuadPart;
    return true;
  }

  bool Size(int64_t& size, TFileError& error) override {
    LARGE_INTEGER value;
    if (!GetFileSizeEx(handle_, &value)) return Fail(error);
    size = value.QuadPart;
    return true;
  }

  bool Truncate(TFileError& error) override { return SetEndOfFile(handle_) || Fail(error); }

 private:
  static bool Fail(TFileError& error) {
    error = LastFileError();
    return false;
  }

  HANDLE handle_;
};

class MachineFileSystem : public IFileSystem {
 public:
  std::unique_ptr<IFileHandle> Open(const std::string& fileName, TFileAccess access, TFileShare share,
                                    TFileCreation creation, TFileError& error) override {
    DWORD rights = access == TFileAccess::Read    ? GENERIC_READ
                   : access == TFileAccess::Write ? GENERIC_WRITE
                                                  : GENERIC_READ | GENERIC_WRITE;
    DWORD sharing = share == TFileShare::Exclusive   ? 0
                    : share == TFileShare::DenyWrite ? FILE_SHARE_READ
                    : share == TFileShare::DenyRead  ? FILE_SHARE_WRITE
                                                     : FILE_SHARE_READ | FILE_SHARE_WRITE;
    HANDLE handle = CreateFileA(fileName.c_str(), rights, sharing, nullptr,
                                creation == TFileCreation::CreateAlways ? CREATE_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      error = LastFileError();
      return nullptr;
    }
    return std::make_unique<MachineFile>(handle);
  }
};

MachineFileSystem* const g_layer = [] {
  auto* layer = new MachineFileSystem;  // lives until the process ends
  InstallFileSystem(layer);
  return layer;
}();

}  // namespace

// The shell's link object and the shell-link file it writes: the header (show command, hot key, icon
// index, the target's attributes, times and size), the link info with the target's local path, and the
// UTF-16 strings, each left out when empty.
#include "platform/com/ShellLink.h"

#include <atomic>
#include <cstring>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/com/ClassTable.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Windows.h"

namespace {

std::atomic<HRESULT> g_saveFailure{S_OK};

// Link flags of the header.
constexpr DWORD kHasLinkInfo = 0x02;
constexpr DWORD kHasName = 0x04;
constexpr DWORD kHasWorkingDir = 0x10;
constexpr DWORD kHasArguments = 0x20;
constexpr DWORD kHasIconLocation = 0x40;
constexpr DWORD kIsUnicode = 0x80;

constexpr DWORD kHeaderSize = 0x4C;
constexpr DWORD kLinkInfoHeaderSize = 0x1C;
constexpr DWORD kVolumeIdHeaderSize = 0x10;
constexpr DWORD kVolumeIdAndLocalBasePath = 0x01;
constexpr DWORD kDriveFixed = 3;

constexpr size_t kMaxPathText = MAX_PATH - 1;
constexpr size_t kMaxInfoText = 1023;

// Little-endian output.
class TBytes {
 public:
  void U16(uint32_t v) { Put(v, 2); }
  void U32(uint32_t v) { Put(v, 4); }
  void FileTime(const FILETIME& t) {
    U32(t.dwLowDateTime);
    U32(t.dwHighDateTime);
  }
  void Raw(const void* data, size_t size) { bytes_.append(static_cast<const char*>(data), size); }
  void Zeros(size_t count) { bytes_.append(count, '\0'); }
  // A counted UTF-16 string of the string data.
  void CountedText(const std::string& text) {
    U16(uint32_t(text.size()));
    for (unsigned char c : text) U16(cp1250::ToUnicode(c));
  }
  const std::string& Get() const { return bytes_; }

 private:
  void Put(uint32_t v, int size) {
    for (int i = 0; i < size; ++i) bytes_ += char((v >> (8 * i)) & 0xFF);
  }
  std::string bytes_;
};

bool IsFile(const std::string& path) {
  DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ResolveTarget(const std::string& path) {
  if (path.empty()) return path;
  if (path.find_first_of("\\/:") != std::string::npos) return vandrel::FullWindowsPath(path);
  char folder[MAX_PATH];
  for (UINT (*where)(LPSTR, UINT) : {GetSystemDirectoryA, GetWindowsDirectoryA}) {
    UINT length = where(folder, sizeof folder);
    if (length == 0 || length >= sizeof folder) continue;
    std::string candidate = std::string(folder, length) + "\\" + path;
    if (IsFile(candidate)) return candidate;
  }
  return path;
}

// The link info: a fixed volume and the local path, with an empty common path suffix.
void WriteLinkInfo(TBytes& out, const std::string& localPath) {
  const DWORD volumeIdSize = kVolumeIdHeaderSize + 1;  // an empty label
  const DWORD localPathOffset = kLinkInfoHeaderSize + volumeIdSize;
  const DWORD suffixOffset = localPathOffset + DWORD(localPath.size()) + 1;
  out.U32(suffixOffset + 1);
  out.U32(kLinkInfoHeaderSize);
  out.U32(kVolumeIdAndLocalBasePath);
  out.U32(kLinkInfoHeaderSize);  // volume id
  out.U32(localPathOffset);
  out.U32(0);  // no network link
  out.U32(suffixOffset);
  out.U32(volumeIdSize);
  out.U32(kDriveFixed);
  out.U32(0);  // serial number
  out.U32(kVolumeIdHeaderSize);
  out.Zeros(1);
  out.Raw(localPath.c_str(), localPath.size() + 1);
  out.Zeros(1);
}

class TShellLink : public TComObjectImpl<IShellLinkA, IPersistFile> {
 public:
  HRESULT SetDescription(LPCSTR name) override { return SetText(description_, name, kMaxInfoText); }
  HRESULT SetWorkingDirectory(LPCSTR dir) override { return SetText(workingDir_, dir, kMaxPathText); }
  HRESULT SetArguments(LPCSTR args) override { return SetText(arguments_, args, kMaxInfoText); }
  HRESULT SetHotkey(WORD hotkey) override {
    hotkey_ = hotkey;
    dirty_ = true;
    return S_OK;
  }
  HRESULT SetShowCmd(int showCmd) override {
    showCmd_ = showCmd;
    dirty_ = true;
    return S_OK;
  }
  HRESULT SetIconLocation(LPCSTR iconPath, int icon) override {
    HRESULT hr = SetText(iconPath_, iconPath, kMaxPathText);
    if (SUCCEEDED(hr)) iconIndex_ = icon;
    return hr;
  }
  HRESULT SetPath(LPCSTR file) override {
    std::string target;
    HRESULT hr = SetText(target, file, kMaxPathText);
    if (FAILED(hr)) return hr;
    target = ResolveTarget(target);
    if (target.size() > kMaxPathText) return E_INVALIDARG;
    target_ = target;
    return S_OK;
  }

  HRESULT GetClassID(CLSID* classId) override {
    if (!classId) return E_POINTER;
    *classId = CLSID_ShellLink;
    return S_OK;
  }
  HRESULT IsDirty() override { return dirty_ ? S_OK : S_FALSE; }
  HRESULT Save(LPCOLESTR fileName, BOOL remember) override {
    std::string path = fileName ? OleStrToString(fileName) : file_;
    if (path.empty()) return E_INVALIDARG;
    if (HRESULT failure = g_saveFailure.load(); failure != S_OK) return failure;
    HRESULT hr = WriteLinkFile(path, Bytes());
    if (SUCCEEDED(hr) && remember) {
      file_ = path;
      dirty_ = false;
    }
    return hr;
  }

 private:
  HRESULT SetText(std::string& slot, LPCSTR text, size_t limit) {
    if (!text || std::strlen(text) > limit) return E_INVALIDARG;
    slot = text;
    dirty_ = true;
    return S_OK;
  }

  std::string Bytes() const {
    WIN32_FIND_DATAA found{};
    if (!target_.empty() && target_.find_first_of("*?") == std::string::npos) {
      HANDLE search = FindFirstFileA(target_.c_str(), &found);
      if (search == INVALID_HANDLE_VALUE)
        found = WIN32_FIND_DATAA{};
      else
        FindClose(search);
    }
    DWORD flags = kIsUnicode;
    if (!target_.empty()) flags |= kHasLinkInfo;
    if (!description_.empty()) flags |= kHasName;
    if (!workingDir_.empty()) flags |= kHasWorkingDir;
    if (!arguments_.empty()) flags |= kHasArguments;
    if (!iconPath_.empty()) flags |= kHasIconLocation;

    TBytes out;
    out.U32(kHeaderSize);
    out.Raw(&CLSID_ShellLink, sizeof CLSID_ShellLink);
    out.U32(flags);
    out.U32(found.dwFileAttributes);
    out.FileTime(found.ftCreationTime);
    out.FileTime(found.ftLastAccessTime);
    out.FileTime(found.ftLastWriteTime);
    out.U32(found.nFileSizeLow);
    out.U32(uint32_t(iconIndex_));
    out.U32(uint32_t(showCmd_));
    out.U16(hotkey_);
    out.Zeros(10);  // reserved
    if (flags & kHasLinkInfo) WriteLinkInfo(out, target_);
    for (const std::string* text : {&description_, &workingDir_, &arguments_, &iconPath_})
      if (!text->empty()) out.CountedText(*text);
    out.U32(0);  // the terminal block of the extra data
    return out.Get();
  }

  static HRESULT WriteLinkFile(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return HRESULT_FROM_WIN32(GetLastError());
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
    DWORD error = ok ? 0 : GetLastError();
    CloseHandle(file);
    if (!ok) {
      DeleteFileA(path.c_str());
      return HRESULT_FROM_WIN32(error ? error : ERROR_WRITE_FAULT);
    }
    return S_OK;
  }

  std::string target_, description_, workingDir_, arguments_, iconPath_;
  int iconIndex_ = 0;
  int showCmd_ = SW_SHOWNORMAL;
  WORD hotkey_ = 0;
  bool dirty_ = false;
  std::string file_;
};

const bool g_registered = [] {
  RegisterComClass(CLSID_ShellLink, ComCreatorOf<TShellLink>());
  return true;
}();

}  // namespace

namespace vandrel::shell_link_testing {
void SetSaveFailure(HRESULT failure) { g_saveFailure = failure; }
}  // namespace vandrel::shell_link_testing

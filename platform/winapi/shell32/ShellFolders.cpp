// Special folders, the temporary folder and the Windows folders, read from the machine's registry.
#include "platform/winapi/ShellFolders.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "platform/com/ComTypes.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace {

constexpr HRESULT kOk = 0;
constexpr HRESULT kFalse = 1;

std::string UserProfile() { return vandrel::UserProfileFolder(vandrel::CurrentUserName()); }

// Expands the machine's environment names that settings use.
std::string Expand(std::string text) {
  struct Variable {
    const char* name;
    std::string (*value)();
  };
  static const Variable kVariables[] = {
      {"%USERPROFILE%", UserProfile},           {"%SYSTEMROOT%", vandrel::WindowsFolder},
      {"%WINDIR%", vandrel::WindowsFolder},     {"%SYSTEMDRIVE%", [] { return std::string("C:"); }},
      {"%USERNAME%", vandrel::CurrentUserName},
  };
  for (auto& variable : kVariables) {
    std::string upper = cp1250::AsciiUpper(text);
    size_t at = upper.find(variable.name);
    if (at != std::string::npos) text.replace(at, std::strlen(variable.name), variable.value());
  }
  return text;
}

std::string WithTrailingBackslash(std::string path) {
  if (path.empty() || path.back() != '\\') path += '\\';
  return path;
}

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// The folder of a CSIDL: nullopt for an unknown id, empty when the machine does not name it.
std::optional<std::string> FolderOf(int csidl) {
  struct UserFolder {
    int csidl;
    bool common;
    const char* value;
  };
  static const UserFolder kFolders[] = {
      {CSIDL_DESKTOP, false, "Desktop"},
      {CSIDL_DESKTOPDIRECTORY, false, "Desktop"},
      {CSIDL_PROGRAMS, false, "Programs"},
      {CSIDL_PERSONAL, false, "Personal"},
      {CSIDL_FAVORITES, false, "Favorites"},
      {CSIDL_STARTMENU, false, "Start Menu"},
      {CSIDL_APPDATA, false, "AppData"},
      {CSIDL_LOCAL_APPDATA, false, "Local AppData"},
      {CSIDL_INTERNET_CACHE, false, "Cache"},
      {CSIDL_COMMON_DESKTOPDIRECTORY, true, "Common Desktop"},
      {CSIDL_COMMON_APPDATA, true, "Common AppData"},
      {CSIDL_COMMON_DOCUMENTS, true, "Common Documents"},
  };
  switch (csidl) {
    case CSIDL_WINDOWS: return vandrel::WindowsFolder();
    case CSIDL_SYSTEM: return vandrel::WindowsFolder() + "\\system32";
    case CSIDL_PROGRAM_FILES:
      return vandrel::ReadMachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir").value_or("");
  }
  for (auto& folder : kFolders) {
    if (folder.csidl != csidl) continue;
    auto value = folder.common
                     ? vandrel::ReadMachineString(
                           "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", folder.value)
                     : vandrel::ReadUserString(vandrel::CurrentUserName(), kShellFolders, folder.value);
    return Expand(value.value_or(""));
  }
  return std::nullopt;
}

bool FolderExists(const std::string& windowsPath) {
  DWORD attributes = GetFileAttributesA(windowsPath.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void CreateFolders(const std::string& windowsPath) {
  std::string full = vandrel::FullWindowsPath(windowsPath);
  for (size_t at = full.find('\\', 3); at != std::string::npos; at = full.find('\\', at + 1))
    CreateDirectoryA(full.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(full.c_str(), nullptr);
}

}  // namespace

namespace vandrel {

std::string WindowsFolder() {
  std::string folder =
      vandrel::ReadMachineString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot").value_or("");
  return folder.empty() ? "C:\\WINDOWS" : folder;
}

std::string TempFolder() {
  std::string folder = Expand(ReadUserString(CurrentUserName(), "Environment", "TEMP").value_or(""));
  if (folder.empty()) folder = WindowsFolder() + "\\Temp";
  return WithTrailingBackslash(FullWindowsPath(folder));
}

}  // namespace vandrel

DWORD GetTempPathA(DWORD size, LPSTR buffer) { return vandrel::CopyToBuffer(vandrel::TempFolder(), buffer, size); }

UINT GetWindowsDirectoryA(LPSTR buffer, UINT size) {
  return vandrel::CopyToBuffer(vandrel::WindowsFolder(), buffer, size);
}

UINT GetSystemDirectoryA(LPSTR buffer, UINT size) {
  return vandrel::CopyToBuffer(vandrel::WindowsFolder() + "\\system32", buffer, size);
}

HRESULT SHGetFolderPathA(HWND, int folder, HANDLE, DWORD, LPSTR path) {
  if (!path) return E_INVALIDARG;
  path[0] = '\0';
  auto found = FolderOf(folder & ~CSIDL_FLAG_CREATE);
  if (!found) return E_INVALIDARG;
  if (found->empty()) return E_FAIL;
  std::string full = vandrel::FullWindowsPath(*found);
  if (full.size() >= MAX_PATH) return E_FAIL;
  if ((folder & CSIDL_FLAG_CREATE) && !FolderExists(full)) CreateFolders(full);
  std::memcpy(path, full.c_str(), full.size() + 1);
  return FolderExists(full) ? kOk : kFalse;
}

HRESULT SHGetSpecialFolderLocation(HWND owner, int folder, LPITEMIDLIST* list) {
  if (!list) return E_INVALIDARG;
  *list = nullptr;
  char path[MAX_PATH];
  HRESULT hr = SHGetFolderPathA(owner, folder, nullptr, SHGFP_TYPE_CURRENT, path);
  if (hr < 0) return hr;
  size_t length = std::strlen(path) + 1;
  // One item (its size, then the path with its terminator) and the empty item that ends the list.
  auto* bytes = static_cast<BYTE*>(std::calloc(1, sizeof(USHORT) + length + sizeof(USHORT)));
  if (!bytes) return E_OUTOFMEMORY;
  USHORT cb = USHORT(sizeof(USHORT) + length);
  std::memcpy(bytes, &cb, sizeof cb);
  std::memcpy(bytes + sizeof(USHORT), path, length);
  *list = reinterpret_cast<LPITEMIDLIST>(bytes);
  return kOk;
}

BOOL SHGetPathFromIDListA(LPCITEMIDLIST list, LPSTR path) {
  if (!list || !path) return FALSE;
  USHORT cb;
  std::memcpy(&cb, list, sizeof cb);
  if (cb <= sizeof(USHORT)) {
    path[0] = '\0';
    return FALSE;
  }
  const char* text = reinterpret_cast<const char*>(list) + sizeof(USHORT);
  size_t length = std::min<size_t>(cb - sizeof(USHORT), MAX_PATH);
  std::memcpy(path, text, length);
  path[length - 1] = '\0';
  return TRUE;
}

void ILFree(LPITEMIDLIST list) { std::free(list); }

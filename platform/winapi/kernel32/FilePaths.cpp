// Windows paths onto host paths and back: drives, separators, CP1250 names, letter case, refused names.
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"

namespace vandrel {
namespace {

constexpr size_t kMaxComponent = 255;

std::vector<std::string> Split(std::string_view text, char separator) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find(separator, start);
    if (end == std::string_view::npos) end = text.size();
    parts.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Windows drops trailing dots and blanks of every name.
std::string StripTrailingDotsAndBlanks(std::string name) {
  if (name == "." || name == "..") return name;
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

bool IsDeviceName(const std::string& name) {
  std::string base = cp1250::AsciiUpper(name.substr(0, name.find('.')));
  while (!base.empty() && base.back() == ' ') base.pop_back();
  static const char* const kFixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* fixed : kFixed)
    if (base == fixed) return true;
  return base.size() == 4 && (base.compare(0, 3, "COM") == 0 || base.compare(0, 3, "LPT") == 0) && base[3] >= '1' &&
         base[3] <= '9';
}

DWORD CheckName(const std::string& name) {
  if (name.size() > kMaxComponent) return ERROR_FILENAME_EXCED_RANGE;
  for (unsigned char c : name)
    if (c < 0x20 || std::strchr("<>:\"|?*", c)) return ERROR_INVALID_NAME;
  if (IsDeviceName(name)) return ERROR_INVALID_NAME;
  return ERROR_SUCCESS;
}

bool Exists(const std::string& hostPath) {
  struct stat st;
  return lstat(hostPath.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& hostPath) {
  struct stat st;
  return stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The entry of a host folder whose CP1250 name equals `name` in either letter case (the smallest such name
// when several do), or empty.
std::string FindByCase(const std::string& folder, const std::string& name) {
  DIR* dir = opendir(folder.empty() ? "/" : folder.c_str());
  if (!dir) return {};
  std::string wanted = cp1250::Upper(name), found;
  while (dirent* entry = readdir(dir)) {
    std::string candidate = entry->d_name;
    if (candidate == "." || candidate == "..") continue;
    if (cp1250::Upper(cp1250::FromUtf8(candidate)) != wanted) continue;
    if (found.empty() || candidate < found) found = candidate;
  }
  closedir(dir);
  return found;
}

std::string HostCurrentFolder() {
  std::vector<char> buffer(4096);
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) return "/";
    buffer.resize(buffer.size() * 2);
  }
  return buffer.data();
}

// Folds "." and ".." of an absolute host path.
std::string NormalHostPath(const std::string& path) {
  std::vector<std::string> kept;
  for (auto& part : Split(path, '/')) {
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string out;
  for (auto& part : kept) out += "/" + part;
  return out.empty() ? "/" : out;
}

bool UnderFolder(const std::string& path, const std::string& folder, std::string& rest) {
  if (path.compare(0, folder.size(), folder) != 0) return false;
  if (path.size() == folder.size()) {
    rest.clear();
    return true;
  }
  if (path[folder.size()] != '/') return false;
  rest = path.substr(folder.size() + 1);
  return true;
}

std::string RealPath(const std::string& path) {
  char* real = realpath(path.c_str(), nullptr);
  if (!real) return {};
  std::string out = real;
  free(real);
  return out;
}

}  // namespace

std::string FullWindowsPath(std::string_view windowsPath) {
  std::string path(windowsPath);
  std::replace(path.begin(), path.end(), '/', '\\');
  if (path.compare(0, 4, "\\\\?\\") == 0) path.erase(0, 4);
  if (path.compare(0, 2, "\\\\") == 0) return path;  // network paths are not folded
  std::string drive, rest;
  if (path.size() >= 2 && IsDriveLetter(path[0]) && path[1] == ':') {
    drive = std::string(1, char(std::toupper(static_cast<unsigned char>(path[0])))) + ":";
    rest = path.substr(2);
    if (rest.empty() || rest[0] != '\\') {
      std::string current = WindowsPathOf(HostCurrentFolder());
      rest = current.compare(0, 2, drive) == 0 ? current.substr(2) + "\\" + rest : "\\" + rest;
    }
  } else {
    std::string current = WindowsPathOf(HostCurrentFolder());
    drive = current.substr(0, 2);
    rest = !path.empty() && path[0] == '\\' ? path : current.substr(2) + "\\" + path;
  }
  bool trailing = !rest.empty() && rest.back() == '\\';
  std::vector<std::string> kept;
  for (auto& raw : Split(rest, '\\')) {
    std::string part = StripTrailingDotsAndBlanks(raw);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!kept.empty()) kept.pop_back();
      continue;
    }
    kept.push_back(part);
  }
  std::string out = drive;
  for (auto& part : kept) out += "\\" + part;
  if (kept.empty() || trailing) out += "\\";
  return out;
}

HostPath MapWindowsPath(std::string_view windowsPath) {
  HostPath result;
  if (windowsPath.empty()) {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }
  std::string full = FullWindowsPath(windowsPath);
  if (full.compare(0, 2, "\\\\") == 0) {
    result.error = full.compare(0, 4, "\\\\.\\") == 0 ? ERROR_FILE_NOT_FOUND : ERROR_BAD_NETPATH;
    return result;
  }
  if (full.size() >= MAX_PATH) {
    result.error = ERROR_FILENAME_EXCED_RANGE;
    return result;
  }
  std::string base;
  if (full[0] == 'C')
    base = DriveCFolder();
  else if (full[0] != 'Z') {
    result.error = ERROR_PATH_NOT_FOUND;
    return result;
  }
  std::vector<std::string> names;
  for (auto& part : Split(std::string_view(full).substr(3), '\\'))
    if (!part.empty()) names.push_back(part);
  for (auto& name : names)
    if (DWORD error = CheckName(name)) {
      result.error = error;
      return result;
    }
  // Fast road: the path exists exactly as written.
  std::string exact = base;
  for (auto& name : names) exact += "/" + cp1250::ToUtf8(name);
  if (Exists(exact) || names.empty()) {
    result.path = exact.empty() ? "/" : exact;
    result.parentExists = true;
    return result;
  }
  std::string host = base;
  for (size_t i = 0; i < names.size(); ++i) {
    std::string name = cp1250::ToUtf8(names[i]);
    bool last = i + 1 == names.size();
    if (!IsDirectory(host.empty() ? "/" : host)) {
      for (size_t j = i; j < names.size(); ++j) host += "/" + cp1250::ToUtf8(names[j]);
      result.path = host;
      return result;
    }
    if (!Exists(host + "/" + name)) {
      std::string found = FindByCase(host, names[i]);
      if (!found.empty()) name = found;
    }
    host += "/" + name;
    if (last) result.parentExists = true;
  }
  result.path = host;
  return result;
}

std::string WindowsPathOf(const std::string& hostPath) {
  std::string absolute = hostPath.empty() || hostPath[0] != '/' ? HostCurrentFolder() + "/" + hostPath : hostPath;
  absolute = NormalHostPath(absolute);
  std::string rest;
  std::string driveC = NormalHostPath(DriveCFolder());
  std::string prefix = "Z:";
  if (UnderFolder(absolute, driveC, rest)) {
    prefix = "C:";
  } else {
    std::string realDrive = RealPath(driveC), realPath = RealPath(absolute);
    if (!realDrive.empty() && !realPath.empty() && UnderFolder(realPath, realDrive, rest))
      prefix = "C:";
    else
      rest = absolute.substr(1);
  }
  std::replace(rest.begin(), rest.end(), '/', '\\');
  return prefix + "\\" + cp1250::FromUtf8(rest);
}

DWORD CopyToBuffer(std::string_view text, LPSTR buffer, DWORD size) {
  if (!buffer || text.size() + 1 > size) return DWORD(text.size() + 1);
  std::memcpy(buffer, text.data(), text.size());
  buffer[text.size()] = '\0';
  return DWORD(text.size());
}

}  // namespace vandrel

DWORD GetFullPathNameA(LPCSTR fileName, DWORD size, LPSTR buffer, LPSTR* filePart) {
  if (!fileName || !*fileName) {
    SetLastError(ERROR_INVALID_NAME);
    return 0;
  }
  std::string full = vandrel::FullWindowsPath(fileName);
  DWORD n = vandrel::CopyToBuffer(full, buffer, size);
  if (filePart && n < size) {
    size_t slash = full.find_last_of('\\');
    *filePart = slash + 1 < full.size() ? buffer + slash + 1 : nullptr;
  }
  SetLastError(ERROR_SUCCESS);
  return n;
}

DWORD GetCurrentDirectoryA(DWORD size, LPSTR buffer) {
  std::string current = vandrel::WindowsPathOf(vandrel::HostCurrentFolder());
  return vandrel::CopyToBuffer(current, buffer, size);
}

BOOL SetCurrentDirectoryA(LPCSTR path) {
  vandrel::HostPath host = vandrel::MapWindowsPath(path ? path : "");
  if (host.error) {
    SetLastError(host.error);
    return FALSE;
  }
  if (chdir(host.path.c_str()) != 0) {
    SetLastError(Win32ErrorFromErrno(errno, TErrnoContext::Folder));
    return FALSE;
  }
  return TRUE;
}

DWORD GetShortPathNameA(LPCSTR longPath, LPSTR shortPath, DWORD size) {
  vandrel::HostPath host = vandrel::MapWindowsPath(longPath ? longPath : "");
  if (host.error) {
    SetLastError(host.error);
    return 0;
  }
  struct stat st;
  if (stat(host.path.c_str(), &st) != 0) {
    SetLastError(host.parentExists ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND);
    return 0;
  }
  return vandrel::CopyToBuffer(longPath, shortPath, size);
}

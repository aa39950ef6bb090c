// FindFirstFileA and its kin: a folder's entries under CP1250 names, matched against a wildcard pattern
// in either letter case, in the order of their upper-case names.
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/FileTimes.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"

namespace {

class Search : public KernelObject {
 public:
  std::vector<WIN32_FIND_DATAA> entries;
  size_t next = 0;
};

// "*" any run, "?" one character; both already upper-cased.
bool Match(const char* pattern, const char* name) {
  const char* star = nullptr;
  const char* resume = nullptr;
  while (*name) {
    if (*pattern == '?' || *pattern == *name) {
      ++pattern, ++name;
    } else if (*pattern == '*') {
      star = pattern++;
      resume = name;
    } else if (star) {
      pattern = star + 1;
      name = ++resume;
    } else {
      return false;
    }
  }
  while (*pattern == '*') ++pattern;
  return *pattern == '\0';
}

// DOS rules on top: "*.*" is everything, and "name.*" also matches "name".
bool MatchName(const std::string& pattern, const std::string& name) {
  if (pattern == "*" || pattern == "*.*") return true;
  if (Match(pattern.c_str(), name.c_str())) return true;
  return pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
         Match(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
}

WIN32_FIND_DATAA EntryOf(const std::string& name, const struct stat& st) {
  WIN32_FIND_DATAA data{};
  data.dwFileAttributes = vandrel::AttributesOf(st);
  data.ftCreationTime = vandrel::FileTimeOf(st.st_mtim);
  data.ftLastAccessTime = vandrel::FileTimeOf(st.st_atim);
  data.ftLastWriteTime = vandrel::FileTimeOf(st.st_mtim);
  uint64_t size = S_ISDIR(st.st_mode) ? 0 : uint64_t(st.st_size);
  data.nFileSizeHigh = DWORD(size >> 32);
  data.nFileSizeLow = DWORD(size);
  std::memcpy(data.cFileName, name.data(), std::min<size_t>(name.size(), MAX_PATH - 1));
  return data;
}

HANDLE NotFound(DWORD code) {
  SetLastError(code);
  return INVALID_HANDLE_VALUE;
}

}  // namespace

HANDLE FindFirstFileA(LPCSTR pattern, WIN32_FIND_DATAA* data) {
  if (!pattern || !data) return NotFound(ERROR_INVALID_PARAMETER);
  std::string full(pattern);
  std::replace(full.begin(), full.end(), '/', '\\');
  size_t slash = full.find_last_of('\\');
  if (slash == std::string::npos && full.size() >= 2 && full[1] == ':') slash = 1;
  std::string folder = slash == std::string::npos ? "." : full.substr(0, slash + 1);
  std::string name = slash == std::string::npos ? full : full.substr(slash + 1);
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name.empty()) return NotFound(ERROR_FILE_NOT_FOUND);
  vandrel::HostPath host = vandrel::MapWindowsPath(folder);
  if (host.error) return NotFound(host.error);
  struct stat st;
  if (stat(host.path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return NotFound(ERROR_PATH_NOT_FOUND);
  for (unsigned char c : name)
    if (c < 0x20 || std::strchr("<>:\"|", c)) return NotFound(ERROR_INVALID_NAME);

  std::string wanted = cp1250::Upper(name);
  bool driveRoot = vandrel::FullWindowsPath(folder).size() == 3;
  std::vector<std::pair<std::string, WIN32_FIND_DATAA>> found;
  if (DIR* dir = opendir(host.path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string hostName = entry->d_name;
      bool dots = hostName == "." || hostName == "..";
      if (dots && driveRoot) continue;
      std::string windowsName = cp1250::FromUtf8(hostName);
      std::string folded = cp1250::Upper(windowsName);
      if (!MatchName(wanted, folded)) continue;
      struct stat entrySt;
      if (stat((host.path + "/" + hostName).c_str(), &entrySt) != 0) continue;
      found.emplace_back(dots ? std::string(1, '\0') + folded : folded, EntryOf(windowsName, entrySt));
    }
    closedir(dir);
  }
  if (found.empty()) return NotFound(ERROR_FILE_NOT_FOUND);
  std::sort(found.begin(), found.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  auto search = std::make_shared<Search>();
  for (auto& entry : found) search->entries.push_back(entry.second);
  *data = search->entries[0];
  search->next = 1;
  SetLastError(ERROR_SUCCESS);
  return NewHandle(std::move(search));
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
  auto search = HandleObjectAs<Search>(handle);
  if (!search) return FALSE;
  if (search->next >= search->entries.size()) {
    SetLastError(ERROR_NO_MORE_FILES);
    return FALSE;
  }
  *data = search->entries[search->next++];
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  if (!HandleObjectAs<Search>(handle)) return FALSE;
  return CloseHandle(handle);
}

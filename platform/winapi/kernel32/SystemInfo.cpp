// Computer name, user name and Windows version, read from the machine's registry on every call.
#include "platform/winapi/SystemInfo.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace {

std::string MachineString(const char* key, const char* name) {
  return vandrel::ReadMachineString(key, name).value_or("");
}

// "a.b.c" into up to `count` numbers.
void ParseVersion(const std::string& text, DWORD* parts, int count) {
  size_t start = 0;
  for (int i = 0; i < count && start <= text.size(); ++i) {
    size_t end = std::min(text.find('.', start), text.size());
    parts[i] = DWORD(std::strtoul(text.substr(start, end - start).c_str(), nullptr, 10));
    start = end + 1;
  }
}

}  // namespace

BOOL GetComputerNameA(LPSTR buffer, LPDWORD size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string name = MachineString("SYSTEM\\CurrentControlSet\\Control\\ComputerName\\ComputerName", "ComputerName");
  if (name.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return FALSE;
  }
  if (!buffer || *size < name.size() + 1) {
    *size = DWORD(name.size() + 1);
    SetLastError(ERROR_BUFFER_OVERFLOW);
    return FALSE;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = DWORD(name.size());
  return TRUE;
}

DWORD WNetGetUserA(LPCSTR localName, LPSTR userName, LPDWORD length) {
  if (localName && *localName) return ERROR_NOT_CONNECTED;
  if (!length) return ERROR_INVALID_PARAMETER;
  std::string user = vandrel::CurrentUserName();
  if (!userName || *length < user.size() + 1) {
    *length = DWORD(user.size() + 1);
    return ERROR_MORE_DATA;
  }
  std::memcpy(userName, user.c_str(), user.size() + 1);
  return ERROR_SUCCESS;
}

BOOL GetUserNameA(LPSTR buffer, LPDWORD size) {
  if (!size) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string user = vandrel::CurrentUserName();
  bool fits = buffer && *size >= user.size() + 1;
  *size = DWORD(user.size() + 1);
  if (!fits) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  std::memcpy(buffer, user.c_str(), user.size() + 1);
  return TRUE;
}

BOOL GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize < sizeof(OSVERSIONINFOA)) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  DWORD size = info->dwOSVersionInfoSize;
  std::memset(reinterpret_cast<char*>(info) + sizeof(DWORD), 0, sizeof(OSVERSIONINFOA) - sizeof(DWORD));
  info->dwOSVersionInfoSize = size;
  std::string csd;
  std::string nt = MachineString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentVersion");
  DWORD parts[3] = {0, 0, 0};
  if (!nt.empty()) {
    info->dwPlatformId = VER_PLATFORM_WIN32_NT;
    ParseVersion(nt, parts, 2);
    ParseVersion(MachineString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CurrentBuildNumber"), parts + 2, 1);
    csd = MachineString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "CSDVersion");
  } else {
    info->dwPlatformId = VER_PLATFORM_WIN32_WINDOWS;
    ParseVersion(MachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "VersionNumber"), parts, 3);
    csd = MachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "SubVersionNumber");
    // The 95 family keeps the major and minor version in the high word of the build number.
    parts[2] = (parts[0] << 24) | (parts[1] << 16) | (parts[2] & 0xFFFF);
  }
  info->dwMajorVersion = parts[0];
  info->dwMinorVersion = parts[1];
  info->dwBuildNumber = parts[2];
  std::strncpy(info->szCSDVersion, csd.c_str(), sizeof info->szCSDVersion - 1);
  return TRUE;
}

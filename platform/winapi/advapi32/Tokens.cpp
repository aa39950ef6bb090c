// The process's access token: one set of privileges for the process, reached through token handles.
#include <strings.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <iterator>
#include <mutex>

#include "platform/winapi/Handles.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Security.h"
#include "platform/winapi/SystemInfo.h"

namespace {

struct Privilege {
  const char* name;
  DWORD luid;
  bool held;  // by the user's token
};

// The privileges this machine knows, by their identifiers on Windows.
constexpr Privilege kPrivileges[] = {{SE_SHUTDOWN_NAME, 19, true}, {SE_REMOTE_SHUTDOWN_NAME, 24, false}};

struct TokenState {
  std::mutex lock;
  bool enabled[std::size(kPrivileges)] = {};
};

TokenState& Token() {
  static TokenState* state = new TokenState;
  return *state;
}

class TokenObject final : public KernelObject {
 public:
  explicit TokenObject(DWORD access) : access_(access) {}
  DWORD Access() const { return access_; }

 private:
  const DWORD access_;
};

BOOL Fail(DWORD error) {
  SetLastError(error);
  return FALSE;
}

// The index of a known privilege, or -1.
int IndexOf(const LUID& luid) {
  for (size_t i = 0; i < std::size(kPrivileges); ++i)
    if (luid.HighPart == 0 && luid.LowPart == kPrivileges[i].luid) return int(i);
  return -1;
}

}  // namespace

namespace vandrel {

bool Is95FamilyMachine() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS;
}

bool PrivilegeEnabled(const char* name) {
  std::lock_guard<std::mutex> guard(Token().lock);
  for (size_t i = 0; i < std::size(kPrivileges); ++i)
    if (std::strcmp(kPrivileges[i].name, name) == 0) return Token().enabled[i];
  return false;
}

}  // namespace vandrel

HANDLE GetCurrentProcess() { return reinterpret_cast<HANDLE>(intptr_t(-1)); }

BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess, HANDLE* token) {
  if (vandrel::Is95FamilyMachine()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  if (!token) return Fail(ERROR_NOACCESS);
  if (process != GetCurrentProcess()) return Fail(ERROR_ACCESS_DENIED);
  *token = NewHandle(std::make_shared<TokenObject>(desiredAccess));
  return TRUE;
}

BOOL LookupPrivilegeValueA(LPCSTR systemName, LPCSTR name, LUID* luid) {
  if (vandrel::Is95FamilyMachine()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  if (systemName && *systemName) return Fail(ERROR_NOT_SUPPORTED);
  if (!name || !luid) return Fail(ERROR_NOACCESS);
  for (const Privilege& p : kPrivileges)
    if (strcasecmp(p.name, name) == 0) {
      *luid = LUID{p.luid, 0};
      return TRUE;
    }
  return Fail(ERROR_NO_SUCH_PRIVILEGE);
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL disableAll, TOKEN_PRIVILEGES* newState, DWORD bufferLength,
                           TOKEN_PRIVILEGES* previousState, DWORD* returnLength) {
  if (vandrel::Is95FamilyMachine()) return Fail(ERROR_CALL_NOT_IMPLEMENTED);
  auto object = HandleObjectAs<TokenObject>(token);
  if (!object) return FALSE;
  if (!(object->Access() & TOKEN_ADJUST_PRIVILEGES) || (previousState && !(object->Access() & TOKEN_QUERY)))
    return Fail(ERROR_ACCESS_DENIED);
  if (!disableAll && !newState) return Fail(ERROR_INVALID_PARAMETER);
  TokenState& state = Token();
  std::lock_guard<std::mutex> guard(state.lock);
  // What changes: each privilege once, with its new state.
  bool wanted[std::size(kPrivileges)];
  bool touched[std::size(kPrivileges)] = {};
  bool allAssigned = true;
  for (size_t i = 0; i < std::size(kPrivileges); ++i) wanted[i] = state.enabled[i];
  if (disableAll) {
    for (size_t i = 0; i < std::size(kPrivileges); ++i) touched[i] = true, wanted[i] = false;
  } else {
    const LUID_AND_ATTRIBUTES* entries = newState->Privileges;  // PrivilegeCount of them
    for (DWORD k = 0; k < newState->PrivilegeCount; ++k) {
      int i = IndexOf(entries[k].Luid);
      if (i < 0 || !kPrivileges[i].held) {
        allAssigned = false;
        continue;
      }
      touched[i] = true;
      wanted[i] = (entries[k].Attributes & SE_PRIVILEGE_ENABLED) != 0;
    }
  }
  DWORD changed = 0;
  for (size_t i = 0; i < std::size(kPrivileges); ++i) changed += touched[i] && wanted[i] != state.enabled[i];
  if (previousState) {
    DWORD needed =
        DWORD(offsetof(TOKEN_PRIVILEGES, Privileges) + std::max<DWORD>(changed, 1) * sizeof(LUID_AND_ATTRIBUTES));
    if (returnLength) *returnLength = needed;
    if (bufferLength < needed) return Fail(ERROR_INSUFFICIENT_BUFFER);
    LUID_AND_ATTRIBUTES* earlier = previousState->Privileges;
    previousState->PrivilegeCount = 0;
    for (size_t i = 0; i < std::size(kPrivileges); ++i)
      if (touched[i] && wanted[i] != state.enabled[i])
        earlier[previousState->PrivilegeCount++] = {LUID{kPrivileges[i].luid, 0},
                                                    state.enabled[i] ? SE_PRIVILEGE_ENABLED : 0};
  }
  for (size_t i = 0; i < std::size(kPrivileges); ++i) state.enabled[i] = wanted[i];
  SetLastError(allAssigned ? ERROR_SUCCESS : ERROR_NOT_ALL_ASSIGNED);
  return TRUE;
}

// The registry of the emulated machine: the Win32 registry calls, REGEDIT4 import and export, and test
// hooks. HKEY_LOCAL_MACHINE is the machine's, HKEY_CURRENT_USER the current user's, HKEY_CLASSES_ROOT is
// HKEY_LOCAL_MACHINE\SOFTWARE\Classes. Names compare in either letter case and keep their case; keys and
// values enumerate in the order they were added. Every call reads and writes the databases afresh.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi/WinTypes.h"

using REGSAM = DWORD;
using LSTATUS = LONG;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(uintptr_t(0x80000000));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(uintptr_t(0x80000001));
inline HKEY const HKEY_LOCAL_MACHINE = reinterpret_cast<HKEY>(uintptr_t(0x80000002));
inline HKEY const HKEY_USERS = reinterpret_cast<HKEY>(uintptr_t(0x80000003));
inline HKEY const HKEY_CURRENT_CONFIG = reinterpret_cast<HKEY>(uintptr_t(0x80000005));

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_DELETE = 0x00010000;
constexpr REGSAM KEY_READ = 0x00020019;
constexpr REGSAM KEY_WRITE = 0x00020006;
constexpr REGSAM KEY_EXECUTE = 0x00020019;
constexpr REGSAM KEY_ALL_ACCESS = 0x000F003F;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM access, HKEY* result);
LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options, REGSAM access,
                     SECURITY_ATTRIBUTES* security, HKEY* result, LPDWORD disposition);
LONG RegCloseKey(HKEY key);
// With data null, reports the size; with a buffer too small, ERROR_MORE_DATA and the size needed.
LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size);
LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValueA(HKEY key, LPCSTR valueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has).
LONG RegDeleteKeyA(HKEY key, LPCSTR subKey);
LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPSTR keyClass,
                   LPDWORD classLength, FILETIME* lastWrite);
LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataLength);
LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLength, LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength,
                      LPDWORD maxValueLength, LPDWORD securityDescriptor, FILETIME* lastWrite);
LONG RegFlushKey(HKEY key);

namespace vandrel {

// Imports REGEDIT4 text (CP1250) into the machine's registry: all of it, or nothing and a message that
// names the line at fault.
bool ImportRegistryText(std::string_view text, std::string& error);
// REGEDIT4 text (CP1250, CR LF) of a key and everything below it, named by its full path
// ("HKEY_LOCAL_MACHINE\SOFTWARE"); an empty path exports HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER.
bool ExportRegistryText(std::string_view key, std::string& text, std::string& error);

// The machine's own settings, read straight from its registry beneath the key handles (for the stand-ins):
// a string value (REG_SZ or REG_EXPAND_SZ, without its terminator) of HKEY_LOCAL_MACHINE or of a user's
// HKEY_CURRENT_USER; nullopt when the key or value is missing or of another type.
std::optional<std::string> ReadMachineString(std::string_view keyPath, const std::string& name);
std::optional<std::string> ReadUserString(const std::string& user, std::string_view keyPath, const std::string& name);
// Every REG_SZ value of a key, in order.
std::vector<std::string> ReadMachineStrings(std::string_view keyPath);
std::vector<std::string> ReadUserStrings(const std::string& user, std::string_view keyPath);
// The names of a machine key's subkeys, in order; none when the key is missing.
std::vector<std::string> ReadMachineSubkeys(std::string_view keyPath);
// Whether the machine's registry holds the default machine; puts it there once (several processes may try).
bool MachineRegistryCreated();
void CreateMachineRegistry();

}  // namespace vandrel

// Test hooks: count the keys opened or created, and make chosen keys fail to open or create.
namespace vandrel::registry_testing {

// RegOpenKeyExA and RegCreateKeyExA calls since the last reset.
unsigned OpenCount();
void ResetOpenCount();
// Opening or creating the key of this full path ("HKEY_CURRENT_USER\Software\X", any letter case) fails
// with `error` until the failures are cleared.
void FailKey(const std::string& fullPath, DWORD error);
void ClearKeyFailures();

}  // namespace vandrel::registry_testing

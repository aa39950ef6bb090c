// Reads what a COM registration wrote under HKEY_CLASSES_ROOT.
#pragma once
#include <string>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace testing_support {

// The string value `name` (the default value when empty) of a key of HKEY_CLASSES_ROOT, or "<no key>" /
// "<no value>".
inline std::string ClassesRootValue(const std::string& key, const char* name = "") {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "<no key>";
  char buffer[512]{};
  DWORD size = sizeof buffer - 1, type = 0;
  LONG status = RegQueryValueExA(h, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(h);
  return status == ERROR_SUCCESS ? std::string(buffer) : "<no value>";
}

}  // namespace testing_support

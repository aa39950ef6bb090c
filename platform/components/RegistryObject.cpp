#include "platform/components/RegistryObject.h"

#include <vector>

#include "platform/winapi/LastError.h"

namespace {

TRegDataType RegDataOf(DWORD type) {
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

DWORD TypeOf(TRegDataType type) {
  switch (type) {
    case rdString: return REG_SZ;
    case rdExpandString: return REG_EXPAND_SZ;
    case rdInteger: return REG_DWORD;
    case rdBinary: return REG_BINARY;
    default: return REG_NONE;
  }
}

[[noreturn]] void ReadError(const std::string& name) {
  throw ERegistryException("Invalid data type for '" + name + "'");
}

bool Relative(const std::string& key) { return key.empty() || key[0] != '\\'; }

std::string WithoutLeadingBackslash(const std::string& key) { return Relative(key) ? key : key.substr(1); }

}  // namespace

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY root) {
  if (root == rootKey_) return;
  CloseKey();
  rootKey_ = root;
}

HKEY TRegistry::BaseKey(bool relative) const { return relative && currentKey_ ? currentKey_ : rootKey_; }

HKEY TRegistry::OpenRelative(const std::string& key, REGSAM access, bool create, std::string& path) {
  bool relative = Relative(key);
  std::string subKey = WithoutLeadingBackslash(key);
  HKEY opened = nullptr;
  LONG rc = create ? RegCreateKeyExA(BaseKey(relative), subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                     nullptr, &opened, nullptr)
                   : RegOpenKeyExA(BaseKey(relative), subKey.c_str(), 0, access, &opened);
  if (rc != ERROR_SUCCESS) return nullptr;
  path = relative && !currentPath_.empty() && !subKey.empty() ? currentPath_ + "\\" + subKey
         : relative && subKey.empty()                         ? currentPath_
                                                              : subKey;
  return opened;
}

void TRegistry::ChangeKey(HKEY key, const std::string& path) {
  CloseKey();
  currentKey_ = key;
  currentPath_ = path;
  while (!currentPath_.empty() && currentPath_.back() == '\\') currentPath_.pop_back();
}

bool TRegistry::OpenKey(const std::string& key, bool canCreate) {
  std::string path;
  HKEY opened = OpenRelative(key, access_, canCreate, path);
  if (!opened) return false;
  ChangeKey(opened, path);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  for (REGSAM access : {KEY_READ, REGSAM(0x00020000 | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS), KEY_QUERY_VALUE}) {
    std::string path;
    if (HKEY opened = OpenRelative(key, access, false, path)) {
      access_ = access;
      ChangeKey(opened, path);
      return true;
    }
  }
  return false;
}

void TRegistry::CloseKey() {
  if (!currentKey_) return;
  if (!LazyWrite) RegFlushKey(currentKey_);
  RegCloseKey(currentKey_);
  currentKey_ = nullptr;
  currentPath_.clear();
}

bool TRegistry::CreateKey(const std::string& key) {
  std::string path;
  HKEY created = OpenRelative(key, access_, true, path);
  if (!created) throw ERegistryException("Failed to create key " + key);
  RegCloseKey(created);
  return true;
}

bool TRegistry::DeleteKey(const std::string& key) {
  std::string path;
  HKEY doomed = OpenRelative(key, KEY_ALL_ACCESS, false, path);
  if (doomed) {
    // Children first, last one first, each through a registry of its own.
    std::vector<std::string> children;
    char name[256];
    for (DWORD i = 0;; ++i) {
      DWORD length = sizeof name;
      if (RegEnumKeyExA(doomed, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
      children.emplace_back(name, length);
    }
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
      TRegistry child(access_);
      child.rootKey_ = doomed;
      child.DeleteKey(*it);
    }
    RegCloseKey(doomed);
  }
  return RegDeleteKeyA(BaseKey(Relative(key)), WithoutLeadingBackslash(key).c_str()) == ERROR_SUCCESS;
}

bool TRegistry::KeyExists(const std::string& key) {
  std::string path;
  HKEY opened = OpenRelative(key, REGSAM(0x00020000 | KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS), false, path);
  if (opened) RegCloseKey(opened);
  return opened != nullptr;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info) {
  info = TRegKeyInfo{};
  DWORD subKeys = 0, maxSubKey = 0, values = 0, maxValueName = 0, maxData = 0;
  if (RegQueryInfoKeyA(currentKey_, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr, &values, &maxValueName,
                       &maxData, nullptr, &info.FileTime) != ERROR_SUCCESS)
    return false;
  info.NumSubKeys = int(subKeys);
  info.MaxSubKeyLen = int(maxSubKey);
  info.NumValues = int(values);
  info.MaxValueLen = int(maxValueName);
  info.MaxDataLen = int(maxData);
  return true;
}

bool TRegistry::HasSubKeys() {
  TRegKeyInfo info;
  return GetKeyInfo(info) && info.NumSubKeys > 0;
}

void TRegistry::GetKeyNames(TStrings& names) {
  names.Clear();
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  std::string name(size_t(info.MaxSubKeyLen) + 1, '\0');
  for (int i = 0; i < info.NumSubKeys; ++i) {
    DWORD length = DWORD(name.size());
    if (RegEnumKeyExA(currentKey_, DWORD(i), name.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      names.Add(name.substr(0, length));
  }
}

void TRegistry::GetValueNames(TStrings& names) {
  names.Clear();
  TRegKeyInfo info;
  if (!GetKeyInfo(info)) return;
  std::string name(size_t(info.MaxValueLen) + 1, '\0');
  for (int i = 0; i < info.NumValues; ++i) {
    DWORD length = DWORD(name.size());
    if (RegEnumValueA(currentKey_, DWORD(i), name.data(), &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS)
      names.Add(name.substr(0, length));
  }
}

bool TRegistry::ValueExists(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

bool TRegistry::DeleteValue(const std::string& name) {
  return RegDeleteValueA(currentKey_, name.c_str()) == ERROR_SUCCESS;
}

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
  DWORD type = REG_NONE, size = 0;
  info = TRegDataInfo{rdUnknown, 0};
  if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return false;
  info = TRegDataInfo{RegDataOf(type), int(size)};
  return true;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.RegData : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.DataSize : -1;
}

int TRegistry::GetData(const std::string& name, void* buffer, int size, TRegDataType& type) {
  DWORD stored = REG_NONE, length = DWORD(size);
  if (RegQueryValueExA(currentKey_, name.c_str(), nullptr, &stored, static_cast<BYTE*>(buffer), &length) !=
      ERROR_SUCCESS)
    throw ERegistryException("Failed to get data for '" + name + "'");
  type = RegDataOf(stored);
  return int(length);
}

void TRegistry::PutData(const std::string& name, const void* buffer, int size, TRegDataType type) {
  if (RegSetValueExA(currentKey_, name.c_str(), 0, TypeOf(type), static_cast<const BYTE*>(buffer), DWORD(size)) !=
      ERROR_SUCCESS)
    throw ERegistryException("Failed to set data for '" + name + "'");
}

std::string TRegistry::ReadString(const std::string& name) {
  int size = GetDataSize(name);
  if (size <= 0) return {};
  std::string text(size_t(size), '\0');
  TRegDataType type;
  text.resize(size_t(GetData(name, text.data(), size, type)));
  if (type != rdString && type != rdExpandString) ReadError(name);
  return text.substr(0, text.find('\0'));
}

int32_t TRegistry::ReadInteger(const std::string& name) {
  int32_t value = 0;
  TRegDataType type;
  GetData(name, &value, sizeof value, type);
  if (type != rdInteger) ReadError(name);
  return value;
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

double TRegistry::ReadFloat(const std::string& name) {
  double value = 0;
  TRegDataType type;
  int length = GetData(name, &value, sizeof value, type);
  if (type != rdBinary || length != int(sizeof value)) ReadError(name);
  return value;
}

TDateTime TRegistry::ReadDateTime(const std::string& name) { return ReadFloat(name); }

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int size) {
  TRegDataInfo info;
  if (!GetDataInfo(name, info)) return 0;
  if ((info.RegData != rdBinary && info.RegData != rdUnknown) || info.DataSize > size) ReadError(name);
  TRegDataType type;
  return GetData(name, buffer, info.DataSize, type);
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), int(value.size() + 1), rdString);
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  PutData(name, value.c_str(), int(value.size() + 1), rdExpandString);
}

void TRegistry::WriteInteger(const std::string& name, int32_t value) { PutData(name, &value, sizeof value, rdInteger); }

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteFloat(const std::string& name, double value) { PutData(name, &value, sizeof value, rdBinary); }

void TRegistry::WriteDateTime(const std::string& name, TDateTime value) { WriteFloat(name, value); }

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
  PutData(name, buffer, size, rdBinary);
}

// The Win32 registry calls over the registry's databases: key handles with their access rights, the
// predefined roots, and the test hooks.
#include "platform/winapi/Registry.h"

#include <atomic>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_set>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/advapi32/RegistryStore.h"
#include "platform/winapi/advapi32/RegistryText.h"

using namespace vandrel::registry;

namespace {

struct RegKey {
  std::shared_ptr<Hive> hive;
  KeyId id = kRootKey;
  REGSAM access = KEY_ALL_ACCESS;
  std::string path;  // full path, as opened: "HKEY_CURRENT_USER\Software\..."
};

struct HandleTable {
  std::mutex lock;
  std::unordered_set<RegKey*> keys;
};
HandleTable& Handles() {
  static HandleTable* table = new HandleTable;
  return *table;
}

struct Hooks {
  std::mutex lock;
  std::atomic<unsigned> opens{0};
  std::map<std::string, DWORD> failures;  // by folded full path
};
Hooks& TestHooks() {
  static Hooks* hooks = new Hooks;
  return *hooks;
}

DWORD HookedFailure(const std::string& fullPath) {
  Hooks& hooks = TestHooks();
  hooks.opens++;
  std::lock_guard<std::mutex> guard(hooks.lock);
  if (hooks.failures.empty()) return ERROR_SUCCESS;
  auto it = hooks.failures.find(Fold(fullPath));
  return it == hooks.failures.end() ? ERROR_SUCCESS : it->second;
}

bool Predefined(HKEY key) {
  uintptr_t v = reinterpret_cast<uintptr_t>(key);
  return v >= 0x80000000 && v <= 0x80000006;
}

// The key a handle stands for (a copy for the predefined roots); error when the handle is not open.
DWORD Resolve(HKEY key, RegKey& out) {
  if (key == HKEY_LOCAL_MACHINE || key == HKEY_CLASSES_ROOT) {
    out.hive = MachineHive();
    if (!out.hive) return ERROR_BADDB;
    out.path = key == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CLASSES_ROOT";
    if (key == HKEY_CLASSES_ROOT) {
      KeyId classes = kRootKey;
      DWORD rc = out.hive->Run(Mode::Read, [&](Transaction& t) {
        auto found = t.Find(kRootKey, ClassesPath());
        if (found) classes = *found;
        return DWORD(found ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
      });
      if (rc == ERROR_FILE_NOT_FOUND)
        rc = out.hive->Run(Mode::Write, [&](Transaction& t) {
          bool created;
          classes = t.Create(kRootKey, ClassesPath(), created);
          return DWORD(ERROR_SUCCESS);
        });
      if (rc) return rc;
      out.id = classes;
    }
    return ERROR_SUCCESS;
  }
  if (key == HKEY_CURRENT_USER) {
    out.hive = UserHive(vandrel::CurrentUserName());
    out.path = "HKEY_CURRENT_USER";
    return out.hive ? ERROR_SUCCESS : ERROR_BADDB;
  }
  if (Predefined(key)) return ERROR_BADKEY;
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  RegKey* open = reinterpret_cast<RegKey*>(key);
  if (!table.keys.count(open)) return ERROR_INVALID_HANDLE;
  out = *open;
  return ERROR_SUCCESS;
}

HKEY NewKeyHandle(const RegKey& key) {
  RegKey* handle = new RegKey(key);
  HandleTable& table = Handles();
  std::lock_guard<std::mutex> guard(table.lock);
  table.keys.insert(handle);
  return reinterpret_cast<HKEY>(handle);
}

DWORD SplitSubKey(LPCSTR subKey, std::vector<std::string>& names) {
  if (!subKey || !*subKey) return ERROR_SUCCESS;
  if (!SplitKeyPath(subKey, names)) return ERROR_BAD_PATHNAME;
  for (auto& name : names)
    if (!ValidRegistryName(name, kMaxKeyName)) return ERROR_INVALID_PARAMETER;
  return ERROR_SUCCESS;
}

std::string JoinPath(const std::string& base, const std::vector<std::string>& names) {
  std::string path = base;
  for (auto& name : names) path += "\\" + name;
  return path;
}

// Runs one operation on an open key: checks the handle's rights and that the key still exists.
LONG OnKey(HKEY key, REGSAM needed, Mode mode, const std::function<DWORD(Transaction&, const RegKey&)>& work) {
  RegKey resolved;
  if (DWORD rc = Resolve(key, resolved)) return LONG(rc);
  if (needed && !(resolved.access & needed)) return ERROR_ACCESS_DENIED;
  return LONG(resolved.hive->Run(mode, [&](Transaction& t) {
    if (!t.KeyExists(resolved.id)) return DWORD(ERROR_KEY_DELETED);
    return work(t, resolved);
  }));
}

// Copies bytes out under the two-call size protocol.
DWORD CopyData(const std::string& bytes, LPBYTE data, LPDWORD size) {
  if (!data) {
    if (size) *size = DWORD(bytes.size());
    return ERROR_SUCCESS;
  }
  if (!size) return ERROR_INVALID_PARAMETER;
  bool fits = *size >= bytes.size();
  *size = DWORD(bytes.size());
  if (!fits) return ERROR_MORE_DATA;
  if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
  return ERROR_SUCCESS;
}

DWORD CopyName(const std::string& name, LPSTR buffer, LPDWORD length) {
  if (!buffer || !length) return ERROR_INVALID_PARAMETER;
  if (*length < name.size() + 1) return ERROR_MORE_DATA;
  std::memcpy(buffer, name.data(), name.size());
  buffer[name.size()] = '\0';
  *length = DWORD(name.size());
  return ERROR_SUCCESS;
}

// The base key of an open or create, the names below it and the key to open, with its path and access;
// a scripted failure of that path answers here.
DWORD ResolveSubKey(HKEY key, LPCSTR subKey, REGSAM access, RegKey& base, std::vector<std::string>& names,
                    RegKey& opened) {
  if (DWORD rc = Resolve(key, base)) return rc;
  if (DWORD rc = SplitSubKey(subKey, names)) return rc;
  opened = base;
  opened.path = JoinPath(base.path, names);
  opened.access = access;
  return HookedFailure(opened.path);
}

}  // namespace

LONG RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD, REGSAM access, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegKey base, opened;
  std::vector<std::string> names;
  if (DWORD rc = ResolveSubKey(key, subKey, access, base, names, opened)) return LONG(rc);
  DWORD rc = base.hive->Run(Mode::Read, [&](Transaction& t) {
    if (!t.KeyExists(base.id)) return DWORD(ERROR_KEY_DELETED);
    auto found = t.Find(base.id, names);
    if (!found) return DWORD(ERROR_FILE_NOT_FOUND);
    opened.id = *found;
    return DWORD(ERROR_SUCCESS);
  });
  if (rc) return LONG(rc);
  *result = NewKeyHandle(opened);
  return ERROR_SUCCESS;
}

LONG RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD, LPSTR, DWORD, REGSAM access, SECURITY_ATTRIBUTES*, HKEY* result,
                     LPDWORD disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  RegKey base, opened;
  std::vector<std::string> names;
  if (DWORD rc = ResolveSubKey(key, subKey, access, base, names, opened)) return LONG(rc);
  bool created = false;
  DWORD rc = base.hive->Run(Mode::Write, [&](Transaction& t) {
    if (!t.KeyExists(base.id)) return DWORD(ERROR_KEY_DELETED);
    if (auto found = t.Find(base.id, names)) {
      opened.id = *found;
      return DWORD(ERROR_SUCCESS);
    }
    if (!(base.access & KEY_CREATE_SUB_KEY)) return DWORD(ERROR_ACCESS_DENIED);
    if (t.Depth(base.id) + names.size() > kMaxKeyDepth) return DWORD(ERROR_INVALID_PARAMETER);
    opened.id = t.Create(base.id, names, created);
    return DWORD(ERROR_SUCCESS);
  });
  if (rc) return LONG(rc);
  if (disposition) *disposition = created ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  *result = NewKeyHandle(opened);
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (Predefined(key)) return ERROR_SUCCESS;
  RegKey* open = reinterpret_cast<RegKey*>(key);
  {
    HandleTable& table = Handles();
    std::lock_guard<std::mutex> guard(table.lock);
    if (!table.keys.erase(open)) return ERROR_INVALID_HANDLE;
  }
  delete open;
  return ERROR_SUCCESS;
}

LONG RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (data && !size) return ERROR_INVALID_PARAMETER;
  std::string name = valueName ? valueName : "";
  return OnKey(key, KEY_QUERY_VALUE, Mode::Read, [&](Transaction& t, const RegKey& k) {
    auto value = t.GetValue(k.id, name);
    if (!value) return DWORD(ERROR_FILE_NOT_FOUND);
    if (type) *type = value->type;
    return CopyData(value->data, data, size);
  });
}

LONG RegSetValueExA(HKEY key, LPCSTR valueName, DWORD, DWORD type, const BYTE* data, DWORD size) {
  if (!data && size) return ERROR_NOACCESS;
  std::string name = valueName ? valueName : "";
  if (name.size() > kMaxValueName) return ERROR_INVALID_PARAMETER;
  Value value{name, type, std::string(reinterpret_cast<const char*>(data), data ? size : 0)};
  return OnKey(key, KEY_SET_VALUE, Mode::Write, [&](Transaction& t, const RegKey& k) {
    t.SetValue(k.id, value);
    return DWORD(ERROR_SUCCESS);
  });
}

LONG RegDeleteValueA(HKEY key, LPCSTR valueName) {
  std::string name = valueName ? valueName : "";
  return OnKey(key, KEY_SET_VALUE, Mode::Write, [&](Transaction& t, const RegKey& k) {
    return DWORD(t.DeleteValue(k.id, name) ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND);
  });
}

LONG RegDeleteKeyA(HKEY key, LPCSTR subKey) {
  std::vector<std::string> names;
  if (!subKey || !*subKey) return ERROR_INVALID_PARAMETER;
  if (DWORD rc = SplitSubKey(subKey, names)) return LONG(rc);
  if (names.empty()) return ERROR_INVALID_PARAMETER;
  return OnKey(key, KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_DELETE, Mode::Write, [&](Transaction& t, const RegKey& k) {
    std::vector<std::string> parentNames(names.begin(), names.end() - 1);
    auto parent = t.Find(k.id, parentNames);
    if (!parent) return DWORD(ERROR_FILE_NOT_FOUND);
    auto child = t.Find(*parent, {names.back()});
    if (!child) return DWORD(ERROR_FILE_NOT_FOUND);
    if (t.HasChildren(*child)) return DWORD(ERROR_ACCESS_DENIED);
    t.DeleteChild(*parent, names.back());
    return DWORD(ERROR_SUCCESS);
  });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPSTR keyClass, LPDWORD classLength,
                   FILETIME* lastWrite) {
  return OnKey(key, KEY_ENUMERATE_SUB_KEYS, Mode::Read, [&](Transaction& t, const RegKey& k) {
    auto child = t.ChildName(k.id, index);
    if (!child) return DWORD(ERROR_NO_MORE_ITEMS);
    if (DWORD rc = CopyName(*child, name, nameLength)) return rc;
    if (keyClass && classLength && *classLength) keyClass[0] = '\0';
    if (classLength) *classLength = 0;
    if (lastWrite) *lastWrite = FILETIME{0, 0};
    return DWORD(ERROR_SUCCESS);
  });
}

LONG RegEnumValueA(HKEY key, DWORD index, LPSTR name, LPDWORD nameLength, LPDWORD, LPDWORD type, LPBYTE data,
                   LPDWORD dataLength) {
  if (data && !dataLength) return ERROR_INVALID_PARAMETER;
  return OnKey(key, KEY_QUERY_VALUE, Mode::Read, [&](Transaction& t, const RegKey& k) {
    auto value = t.ValueAt(k.id, index);
    if (!value) return DWORD(ERROR_NO_MORE_ITEMS);
    if (DWORD rc = CopyName(value->name, name, nameLength)) return rc;
    if (type) *type = value->type;
    return CopyData(value->data, data, dataLength);
  });
}

LONG RegQueryInfoKeyA(HKEY key, LPSTR keyClass, LPDWORD classLength, LPDWORD, LPDWORD subKeys, LPDWORD maxSubKeyLength,
                      LPDWORD maxClassLength, LPDWORD values, LPDWORD maxValueNameLength, LPDWORD maxValueLength,
                      LPDWORD securityDescriptor, FILETIME* lastWrite) {
  return OnKey(key, KEY_QUERY_VALUE, Mode::Read, [&](Transaction& t, const RegKey& k) {
    KeyInfo info = t.Info(k.id);
    if (keyClass && classLength && *classLength) keyClass[0] = '\0';
    if (classLength) *classLength = 0;
    if (subKeys) *subKeys = info.subKeys;
    if (maxSubKeyLength) *maxSubKeyLength = info.maxSubKeyLen;
    if (maxClassLength) *maxClassLength = 0;
    if (values) *values = info.values;
    if (maxValueNameLength) *maxValueNameLength = info.maxValueNameLen;
    if (maxValueLength) *maxValueLength = info.maxValueLen;
    if (securityDescriptor) *securityDescriptor = 0;
    if (lastWrite) *lastWrite = FILETIME{0, 0};
    return DWORD(ERROR_SUCCESS);
  });
}

LONG RegFlushKey(HKEY key) {
  RegKey resolved;
  return LONG(Resolve(key, resolved));
}

namespace vandrel::registry_testing {

unsigned OpenCount() { return TestHooks().opens.load(); }
void ResetOpenCount() { TestHooks().opens = 0; }

void FailKey(const std::string& fullPath, DWORD error) {
  Hooks& hooks = TestHooks();
  std::lock_guard<std::mutex> guard(hooks.lock);
  hooks.failures[Fold(fullPath)] = error;
}

void ClearKeyFailures() {
  Hooks& hooks = TestHooks();
  std::lock_guard<std::mutex> guard(hooks.lock);
  hooks.failures.clear();
}

}  // namespace vandrel::registry_testing

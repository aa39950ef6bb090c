// The registry's storage: one SQLite database per hive (the machine's, and one per user), written through
// and read afresh on every call, so that every process of the machine sees the last write of any other.
// Internal to the registry calls, the registry text and the machine.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/winapi/WinTypes.h"

namespace vandrel::registry {

using KeyId = int64_t;
constexpr KeyId kRootKey = 1;

// The limits of the registry API: a key name of 255 characters, a value name of 16 383, 512 levels of keys
// below a hive's root; no name holds a NUL character.
constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxValueName = 16383;
constexpr size_t kMaxKeyDepth = 512;
inline bool ValidRegistryName(std::string_view name, size_t maxLength) {
  return name.size() <= maxLength && name.find('\0') == std::string_view::npos;
}

struct Value {
  std::string name;
  DWORD type = 0;
  std::string data;
};

struct KeyInfo {
  DWORD subKeys = 0, maxSubKeyLen = 0;
  DWORD values = 0, maxValueNameLen = 0, maxValueLen = 0;
};

class Hive;

// The operations of one transaction on one hive. Names compare in either letter case (CP1250) and keep
// the case they were created with; children and values come in the order they were added.
class Transaction {
 public:
  explicit Transaction(Hive& hive) : hive_(hive) {}
  bool KeyExists(KeyId key);
  // The name of a key as it was created.
  std::string KeyName(KeyId key);
  // How many keys a key is below the hive's root (the root is 0).
  size_t Depth(KeyId key);
  // The key at a path of names below `key`; nullopt when some name is missing.
  std::optional<KeyId> Find(KeyId key, const std::vector<std::string>& names);
  // The key at the path, creating what is missing; `created` tells whether the last key is new.
  KeyId Create(KeyId key, const std::vector<std::string>& names, bool& created);
  std::optional<Value> GetValue(KeyId key, const std::string& name);
  void SetValue(KeyId key, const Value& value);
  bool DeleteValue(KeyId key, const std::string& name);
  bool HasChildren(KeyId key);
  // Deletes a child key with its values; it must have no children itself.
  bool DeleteChild(KeyId key, const std::string& name);
  // Deletes a key, its values and everything below it.
  void DeleteTree(KeyId key);
  std::optional<std::string> ChildName(KeyId key, DWORD index);
  std::optional<Value> ValueAt(KeyId key, DWORD index);
  std::vector<std::pair<KeyId, std::string>> Children(KeyId key);
  std::vector<Value> Values(KeyId key);
  KeyInfo Info(KeyId key);
  std::string Meta(const std::string& name);
  void SetMeta(const std::string& name, const std::string& value);

 private:
  Hive& hive_;
};

enum class Mode { Read, Write };

class Hive {
 public:
  ~Hive();
  // Runs `work` in one transaction (a write transaction takes the database's write lock at its start and
  // waits for other writers up to the busy time-out). Returns ERROR_SUCCESS, or the error code of a
  // database failure, or what `work` returned; a non-zero result rolls back.
  DWORD Run(Mode mode, const std::function<DWORD(Transaction&)>& work);
  const std::string& Path() const { return path_; }

  struct Impl;

 private:
  friend class Transaction;
  friend std::shared_ptr<Hive> OpenHive(const std::string& hostPath);
  Hive() = default;
  std::unique_ptr<Impl> impl_;
  std::string path_;
};

// The hive of a database file, opened once per process; nullptr when it cannot be opened.
std::shared_ptr<Hive> OpenHive(const std::string& hostPath);
std::shared_ptr<Hive> MachineHive();
// The hive of a user; the user's profile is created when it has none yet.
std::shared_ptr<Hive> UserHive(const std::string& user);

// The upper-case form under which names compare.
std::string Fold(const std::string& name);
// The path of names below the classes root in the machine's hive.
std::vector<std::string> ClassesPath();
// Splits "A\B\C" into names; false on an empty name (only a trailing backslash is allowed).
bool SplitKeyPath(std::string_view path, std::vector<std::string>& names);
// A string value (REG_SZ or REG_EXPAND_SZ, without its terminator) read straight from a hive, for the
// machine's own settings; nullopt when the key or value is missing or of another type.
std::optional<std::string> ReadStoredString(const std::shared_ptr<Hive>& hive, std::string_view keyPath,
                                            const std::string& name);

}  // namespace vandrel::registry

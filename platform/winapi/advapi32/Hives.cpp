// The machine's hives as the machine sees them: a user's profile made when the user's hive is first opened,
// the default machine put into the machine's hive, and string settings read straight from the hives.
#include <mutex>
#include <set>

#include "platform/winapi/LastError.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/advapi32/RegistryStore.h"
#include "platform/winapi/advapi32/RegistryText.h"

namespace vandrel {
namespace {

using namespace registry;

// Runs `collect` on a key in a read transaction, when the key exists.
template <class Collect>
void ReadKey(const std::shared_ptr<Hive>& hive, std::string_view keyPath, Collect collect) {
  std::vector<std::string> names;
  if (!hive || !SplitKeyPath(keyPath, names)) return;
  hive->Run(Mode::Read, [&](Transaction& t) {
    if (auto id = t.Find(kRootKey, names)) collect(t, *id);
    return DWORD(ERROR_SUCCESS);
  });
}

std::vector<std::string> StringsOf(const std::shared_ptr<Hive>& hive, std::string_view keyPath) {
  std::vector<std::string> texts;
  ReadKey(hive, keyPath, [&](Transaction& t, KeyId key) {
    for (auto& value : t.Values(key))
      if (value.type == REG_SZ) texts.push_back(value.data.substr(0, value.data.find('\0')));
  });
  return texts;
}

std::vector<std::string> SubkeysOf(const std::shared_ptr<Hive>& hive, std::string_view keyPath) {
  std::vector<std::string> subkeys;
  ReadKey(hive, keyPath, [&](Transaction& t, KeyId key) {
    for (auto& child : t.Children(key)) subkeys.push_back(child.second);
  });
  return subkeys;
}

}  // namespace

namespace registry {

std::shared_ptr<Hive> UserHive(const std::string& user) {
  std::string path = UserHivePath(user);
  auto hive = OpenHive(path);
  if (!hive) return nullptr;
  static std::mutex* lock = new std::mutex;
  static auto* ready = new std::set<std::string>;  // hives of this process known to have their profile
  {
    std::lock_guard<std::mutex> guard(*lock);
    if (ready->count(path)) return hive;
  }
  bool created = false;
  DWORD rc = hive->Run(Mode::Write, [&](Transaction& t) {
    if (t.Meta("profile") == "1") return DWORD(ERROR_SUCCESS);
    DWORD applied = ApplyRegistryText(ParseRegistryText(DefaultUserTextFor(user)).ops, nullptr, &t);
    if (!applied) t.SetMeta("profile", "1");
    created = !applied;
    return applied;
  });
  if (rc) return hive;
  if (created) MakeProfileFolders(user);
  std::lock_guard<std::mutex> guard(*lock);
  ready->insert(path);
  return hive;
}

}  // namespace registry

std::optional<std::string> ReadMachineString(std::string_view keyPath, const std::string& name) {
  return ReadStoredString(MachineHive(), keyPath, name);
}

std::optional<std::string> ReadUserString(const std::string& user, std::string_view keyPath, const std::string& name) {
  return ReadStoredString(UserHive(user), keyPath, name);
}

std::vector<std::string> ReadMachineStrings(std::string_view keyPath) { return StringsOf(MachineHive(), keyPath); }

std::vector<std::string> ReadMachineSubkeys(std::string_view keyPath) { return SubkeysOf(MachineHive(), keyPath); }

std::vector<std::string> ReadUserStrings(const std::string& user, std::string_view keyPath) {
  return StringsOf(UserHive(user), keyPath);
}

void EnsureUserProfile(const std::string& user) { UserHive(user); }

bool MachineRegistryCreated() {
  auto hive = MachineHive();
  std::string flag;
  if (hive)
    hive->Run(Mode::Read, [&](Transaction& t) {
      flag = t.Meta("machine");
      return DWORD(ERROR_SUCCESS);
    });
  return flag == "1";
}

void CreateMachineRegistry() {
  auto hive = MachineHive();
  if (!hive) return;
  ParsedText parsed = ParseRegistryText(DefaultMachineText());
  hive->Run(Mode::Write, [&](Transaction& t) {
    if (t.Meta("machine") == "1") return DWORD(ERROR_SUCCESS);
    DWORD rc = ApplyRegistryText(parsed.ops, &t, nullptr);
    if (!rc) t.SetMeta("machine", "1");
    return rc;
  });
}

}  // namespace vandrel

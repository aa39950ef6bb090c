// The machine folder, its users and their profiles, and the creation of the default machine.
#include "platform/winapi/Machine.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <mutex>
#include <set>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Locale.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/RegistryStore.h"
#include "platform/winapi/RegistryText.h"

namespace vandrel {
namespace {

using namespace registry;

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// A host folder and its missing parents.
void MakeHostFolders(const std::string& path) {
  struct stat st;
  if (path.empty() || stat(path.c_str(), &st) == 0) return;
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) MakeHostFolders(path.substr(0, slash));
  mkdir(path.c_str(), 0777);
}

// A Windows folder and its missing parents.
void MakeFolders(const std::string& windowsPath) {
  std::string full = FullWindowsPath(windowsPath);
  if (full[0] == 'C') MakeHostFolders(DriveCFolder());
  for (size_t at = full.find('\\', 3); at != std::string::npos; at = full.find('\\', at + 1))
    CreateDirectoryA(full.substr(0, at).c_str(), nullptr);
  CreateDirectoryA(full.c_str(), nullptr);
}

std::vector<std::string> Names(std::string_view path) {
  std::vector<std::string> names;
  SplitKeyPath(path, names);
  return names;
}

std::string ReadString(const std::shared_ptr<Hive>& hive, std::string_view key, const std::string& name) {
  return ReadStoredString(hive, key, name).value_or("");
}

std::vector<std::string> ReadStrings(const std::shared_ptr<Hive>& hive, std::string_view key) {
  std::vector<std::string> texts;
  hive->Run(Mode::Read, [&](Transaction& t) {
    if (auto id = t.Find(kRootKey, Names(key)))
      for (auto& value : t.Values(*id))
        if (value.type == REG_SZ) texts.push_back(value.data.substr(0, value.data.find('\0')));
    return DWORD(ERROR_SUCCESS);
  });
  return texts;
}

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void MakeProfileFolders(const std::shared_ptr<Hive>& hive) {
  for (auto& folder : ReadStrings(hive, kShellFolders)) MakeFolders(folder);
  std::string temp = ReadString(hive, "Environment", "TEMP");
  if (!temp.empty()) MakeFolders(temp);
  std::string favourites = ReadString(hive, kShellFolders, "Favorites");
  std::string links = ReadString(hive, "Software\\Microsoft\\Internet Explorer\\Toolbar", "LinksFolderName");
  if (!favourites.empty() && !links.empty()) MakeFolders(favourites + "\\" + links);
}

void MakeMachineFolders(const std::shared_ptr<Hive>& hive) {
  MakeHostFolders(DriveCFolder());
  std::string windows = ReadString(hive, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot");
  if (windows.empty()) windows = "C:\\WINDOWS";
  MakeFolders(windows + "\\system32");
  MakeFolders(windows + "\\Temp");
  for (const char* name : {"ProgramFilesDir", "CommonFilesDir"}) {
    std::string folder = ReadString(hive, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", name);
    if (!folder.empty()) MakeFolders(folder);
  }
  for (auto& folder : ReadStrings(hive, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))
    MakeFolders(folder);
}

// The user template with the profile folder put in, escaped for a quoted REGEDIT4 string.
std::string UserText(const std::string& user) {
  std::string profile;
  for (char c : UserProfileFolder(user)) {
    if (c == '\\' || c == '"') profile += '\\';
    profile += c;
  }
  std::string text = DefaultUserText();
  const std::string marker = "%USERPROFILE%";
  for (size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + profile.size()))
    text.replace(at, marker.size(), profile);
  return text;
}

// A time format without its seconds and the separator before them ("H:mm:ss" -> "H:mm").
std::string WithoutSeconds(std::string format) {
  size_t seconds = format.find('s');
  if (seconds == std::string::npos) return format;
  size_t end = std::min(format.find_first_not_of('s', seconds), format.size());
  size_t start = seconds > 0 && !std::isalpha(static_cast<unsigned char>(format[seconds - 1])) ? seconds - 1 : seconds;
  format.erase(start, end - start);
  return format;
}

}  // namespace

std::string MachineRoot() {
  std::string root = Env("VANDREL_ROOT");
  if (root.empty()) {
    std::string data = Env("XDG_DATA_HOME");
    if (data.empty()) data = Env("HOME") + "/.local/share";
    root = data + "/vandrel";
  }
  if (root[0] != '/') {
    char* cwd = getcwd(nullptr, 0);
    root = std::string(cwd ? cwd : "") + "/" + root;
    free(cwd);
  }
  return WithoutTrailingSlashes(root);
}

std::string DriveCFolder() { return MachineRoot() + "/drive_c"; }
std::string RegistryFolder() { return MachineRoot() + "/registry"; }
std::string MachineHivePath() { return RegistryFolder() + "/machine.db"; }

std::string UserHivePath(const std::string& user) {
  std::string name = cp1250::ToUtf8(user);
  for (char& c : name)
    if (c == '/') c = '_';
  return RegistryFolder() + "/users/" + name + ".db";
}

std::string CurrentUserName() {
  std::string user = Env("VANDREL_USER");
  if (!user.empty()) return cp1250::FromUtf8(user);
  user = ReadString(MachineHive(), "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "DefaultUserName");
  return user.empty() ? "Felhasználó"_cp : user;
}

std::string UserProfileFolder(const std::string& user) { return "C:\\Documents and Settings\\" + user; }

bool MachineExists() {
  struct stat st;
  if (stat(MachineHivePath().c_str(), &st) != 0) return false;
  auto hive = MachineHive();
  std::string flag;
  if (hive) hive->Run(Mode::Read, [&](Transaction& t) {
      flag = t.Meta("machine");
      return DWORD(ERROR_SUCCESS);
    });
  return flag == "1";
}

void CreateDefaultMachine() {
  auto hive = MachineHive();
  if (!hive) return;
  ParsedText parsed = ParseRegistryText(DefaultMachineText());
  hive->Run(Mode::Write, [&](Transaction& t) {
    if (t.Meta("machine") == "1") return DWORD(ERROR_SUCCESS);
    DWORD rc = ApplyRegistryText(parsed.ops, &t, nullptr);
    if (!rc) t.SetMeta("machine", "1");
    return rc;
  });
  MakeMachineFolders(hive);
  EnsureUserProfile(CurrentUserName());
}

void EnsureUserProfile(const std::string& user) { UserHive(user); }

void ApplyUserLocale() {
  auto hive = UserHive(CurrentUserName());
  auto read = [&](const char* name) { return ReadString(hive, "Control Panel\\International", name); };
  TFormatSettings& settings = FormatSettings();
  auto separator = [&](const char* name, char& target) {
    std::string text = read(name);
    if (!text.empty()) target = text[0];
  };
  if (std::string date = read("sShortDate"); !date.empty()) settings.ShortDateFormat = date;
  if (std::string time = read("sTimeFormat"); !time.empty()) {
    settings.LongTimeFormat = time;
    // The short time is the long one without its seconds, unless the locale names one.
    std::string shortTime = read("sShortTime");
    settings.ShortTimeFormat = shortTime.empty() ? WithoutSeconds(time) : shortTime;
  }
  separator("sDate", settings.DateSeparator);
  separator("sTime", settings.TimeSeparator);
  separator("sDecimal", settings.DecimalSeparator);
  separator("sThousand", settings.ThousandSeparator);
}

void StartMachine() {
  CreateDefaultMachine();
  ApplyUserLocale();
}

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
    DWORD applied = ApplyRegistryText(ParseRegistryText(UserText(user)).ops, nullptr, &t);
    if (!applied) t.SetMeta("profile", "1");
    created = !applied;
    return applied;
  });
  if (rc) return hive;
  if (created) MakeProfileFolders(hive);
  std::lock_guard<std::mutex> guard(*lock);
  ready->insert(path);
  return hive;
}

}  // namespace registry
}  // namespace vandrel

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

namespace vandrel {
namespace {

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

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

void MakeMachineFolders() {
  MakeHostFolders(DriveCFolder());
  std::string windows = ReadMachineString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot").value_or("");
  if (windows.empty()) windows = "C:\\WINDOWS";
  MakeFolders(windows + "\\system32");
  MakeFolders(windows + "\\Temp");
  for (const char* name : {"ProgramFilesDir", "CommonFilesDir"}) {
    std::string folder = ReadMachineString("SOFTWARE\\Microsoft\\Windows\\CurrentVersion", name).value_or("");
    if (!folder.empty()) MakeFolders(folder);
  }
  for (auto& folder : ReadMachineStrings("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders"))
    MakeFolders(folder);
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
  user = ReadMachineString("SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", "DefaultUserName").value_or("");
  return user.empty() ? "Felhasználó"_cp : user;
}

std::string UserProfileFolder(const std::string& user) { return "C:\\Documents and Settings\\" + user; }

// The user template with the profile folder put in, escaped for a quoted REGEDIT4 string.
std::string DefaultUserTextFor(const std::string& user) {
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

void MakeProfileFolders(const std::string& user) {
  for (auto& folder : ReadUserStrings(user, kShellFolders)) MakeFolders(folder);
  std::string temp = ReadUserString(user, "Environment", "TEMP").value_or("");
  if (!temp.empty()) MakeFolders(temp);
  std::string favourites = ReadUserString(user, kShellFolders, "Favorites").value_or("");
  std::string links =
      ReadUserString(user, "Software\\Microsoft\\Internet Explorer\\Toolbar", "LinksFolderName").value_or("");
  if (!favourites.empty() && !links.empty()) MakeFolders(favourites + "\\" + links);
}

bool MachineExists() {
  struct stat st;
  return stat(MachineHivePath().c_str(), &st) == 0 && MachineRegistryCreated();
}

void CreateDefaultMachine() {
  CreateMachineRegistry();
  MakeMachineFolders();
  EnsureUserProfile(CurrentUserName());
}

void ApplyUserLocale() {
  std::string user = CurrentUserName();
  auto read = [&](const char* name) { return ReadUserString(user, "Control Panel\\International", name).value_or(""); };
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

}  // namespace vandrel

// The ADSL road: the computer check, the system and its network components, the PPPoE package's uninstaller
// and installer with the verdicts of their logs, the restart, and the finish.
#include <algorithm>
#include <climits>
#include <cstring>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/FileUtils.h"
#include "platform/components/RegistryObject.h"
#include "platform/runtime/Clock.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Strings.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/ExitWindows.h"
#include "platform/winapi/Handles.h"
#include "platform/winapi/IpHelper.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Processes.h"
#include "platform/winapi/Security.h"
#include "platform/winapi/SystemInfo.h"
#include "wizard/Main.h"

namespace {

// The adapter buffer of the first request; a larger one follows when the machine needs it.
constexpr ULONG kAdapterBuffer = 5120;

// The system codes, applied in this order: a later match replaces an earlier one.
struct TOSRule {
  DWORD platformId;
  DWORD majorFrom, majorTo;
  int minor;  // -1: any
  const char* code;
};
constexpr TOSRule kOSRules[] = {
    {VER_PLATFORM_WIN32_NT, 5, 5, -1, "W2K"},
    {VER_PLATFORM_WIN32_NT, 5, 5, 1, "WXP"},
    {VER_PLATFORM_WIN32_NT, 5, 5, 2, ".NET"},
    {VER_PLATFORM_WIN32_NT, 0, 4, -1, "WNT"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 4, 90, "WME"},
    {VER_PLATFORM_WIN32_WINDOWS, 4, 4, 10, "W98"},
    {VER_PLATFORM_WIN32_WINDOWS, 0, UINT_MAX, 0, "W95"},
};

// Where a system keeps its network components: the key whose subkeys they are, the value that describes one,
// and the value that names it (in the subkey's "Ndi" subkey on the 95 family; none: the subkey's own name).
struct TComponentLayout {
  const char* key;
  const char* description;
  const char* id;
  bool idInNdi;
};
constexpr TComponentLayout k95Components = {"\\SYSTEM\\CurrentControlSet\\Services\\Class\\NetTrans", "DriverDesc",
                                            "DeviceID", true};
constexpr TComponentLayout kNT4Components = {"\\SYSTEM\\CurrentControlSet\\Services", "DisplayName", nullptr, false};
constexpr TComponentLayout kNTComponents = {
    "\\SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E975-E325-11CE-BFC1-08002BE10318}", "Description",
    "ComponentId", false};

const char* const kClientComponent = "Trelvinp";

// The logs of a run, their markers as the normalised text holds them, and the verdicts: `missing` without a
// main log, 0 with the success marker, `failureCode` with the failure marker, `neither` without either.
struct TLogMarkers {
  const char* mainLog;
  const char* secondLog;  // where the restart flag is asked for
  const char* success;
  const char* failure;  // null: none
  int missing, failureCode, neither;
};
constexpr TLogMarkers kNTInstall = {
    "trelvinfejlesztointlog", "trelvintelepitesilog", "INSTALLENDS(0)", "INSTALLENDS(80070490)", 2, 3, 1};
constexpr TLogMarkers k95Install = {
    "trelvinfejlesztoi98log", "trelvintelepitesilog", ":SUCCESS", "FAILURE(137)", 2, 4, 1};
constexpr TLogMarkers kNTUninstall = {
    "trelvinfejlesztointlog", "trelvinletelepitesilog", "UNINSTALLENDS(0)", nullptr, 0, 0, 2};
constexpr TLogMarkers k95Uninstall = {"trelvinfejlesztoi98log", "trelvinletelepitesilog", ":SUCCESS", nullptr, 0, 0, 2};
const char* const kRestartMarker = "REBOOTNEEDED";

// A log as the checks search it: past its first 4 characters (when it has more than 3), up to its first NUL,
// its lines joined by CR LF, upper-cased and without blanks. Raises while another process holds it for writing.
std::string ReadLogText(const std::string& path) {
  TObjectPtr<TFileStream> file(TFileStream::Create(path, fmOpenRead | fmShareDenyWrite));
  std::string text(size_t(file->Size()), '\0');
  text.resize(size_t(file->Read(text.data(), int64_t(text.size()))));
  if (text.size() > 3) text.erase(0, 4);
  text.resize(std::min(text.size(), text.find('\0')));
  TObjectPtr<TStringList> lines(TStringList::Create());
  lines->SetText(text);
  text = cp1250::Upper(lines->Text());
  std::string stripped;
  stripped.reserve(text.size());
  for (char c : text)
    if (c != ' ') stripped += c;
  return stripped;
}

bool Holds(const std::string& text, const char* marker) { return text.find(marker) != std::string::npos; }

// The failure pair of a step: the title, and the body text that follows it by the step's code.
std::pair<int, int> Stop(int title, int code) { return {title, title + code}; }

class THourGlass {
 public:
  THourGlass() { Screen->SetCursor(crHourGlass); }
  ~THourGlass() { Screen->SetCursor(crDefault); }
  THourGlass(const THourGlass&) = delete;
  THourGlass& operator=(const THourGlass&) = delete;
};

// The handles of a started program, closed on every way out.
class TProcessHandles {
 public:
  PROCESS_INFORMATION info{};
  TProcessHandles() = default;
  ~TProcessHandles() {
    if (info.hThread) CloseHandle(info.hThread);
    if (info.hProcess) CloseHandle(info.hProcess);
  }
  TProcessHandles(const TProcessHandles&) = delete;
  TProcessHandles& operator=(const TProcessHandles&) = delete;
};

}  // namespace

// ---- the computer check

bool TFMain::TestComputer() {
  SetAdslTestRunning(true);
  EnableDisableButtons(this);
  lbADSLVizsgalat->SetCaption(GetText(123));
  lbADSLVizsgalatVaras->Show();
  Application->ProcessPendingMessages();
  pbADSLVizsgalat->SetPosition(0);
  const int adapters = CountAdapters();
  for (int step = 1; step <= 30; ++step) {
    pbADSLVizsgalat->SetPosition(step);
    Application->ProcessPendingMessages();
    ClockSleep(10);
  }
  lbADSLVizsgalat->SetCaption(GetText(165));
  lbADSLVizsgalatVaras->Hide();
  pbADSLVizsgalat->SetPosition(0);
  SetAdslTestRunning(false);
  return adapters > 0;
}

namespace {

// The descriptions of the machine's adapters; none when the request fails.
std::vector<std::string> AdapterDescriptions() {
  std::vector<std::string> descriptions;
  std::vector<unsigned char> buffer(kAdapterBuffer);
  ULONG size = ULONG(buffer.size());
  DWORD result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  // The adapters may grow between two requests: a few more tries with the size the last one asked for.
  for (int retry = 0; result == ERROR_BUFFER_OVERFLOW && retry < 3; ++retry) {
    buffer.resize(size);
    result = GetAdaptersInfo(reinterpret_cast<IP_ADAPTER_INFO*>(buffer.data()), &size);
  }
  if (result != ERROR_SUCCESS) return descriptions;
  for (auto* adapter = reinterpret_cast<const IP_ADAPTER_INFO*>(buffer.data()); adapter; adapter = adapter->Next)
    descriptions.emplace_back(adapter->Description, strnlen(adapter->Description, sizeof adapter->Description));
  return descriptions;
}

}  // namespace

std::string TFMain::ListAdapters() {
  std::string list;
  for (const std::string& description : AdapterDescriptions()) list += description + "\r\n";
  return list;
}

int TFMain::CountAdapters() { return int(AdapterDescriptions().size()); }

// ---- the system and its components

TOSVersion TFMain::GetOSVersion() {
  TOSVersion version;
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return version;
  version.platformId = info.dwPlatformId;
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  for (const TOSRule& rule : kOSRules)
    if (info.dwPlatformId == rule.platformId && info.dwMajorVersion >= rule.majorFrom &&
        info.dwMajorVersion <= rule.majorTo && (rule.minor < 0 || info.dwMinorVersion == DWORD(rule.minor)))
      version.code = rule.code;
  return version;
}

bool TFMain::HasBuiltInPPPoE() {
  const std::string code = GetOSVersion().code;
  return code == "WXP" || code == ".NET";
}

std::string TFMain::ListNetComponents() {
  const TOSVersion version = GetOSVersion();
  const TComponentLayout& layout = version.platformId != VER_PLATFORM_WIN32_NT ? k95Components
                                   : version.code == "WNT"                     ? kNT4Components
                                                                               : kNTComponents;
  std::string list;
  TObjectPtr<TRegistry> registry(TRegistry::Create(KEY_READ));
  registry->SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry->OpenKeyReadOnly(layout.key)) return list;
  TObjectPtr<TStringList> components(TStringList::Create());
  registry->GetKeyNames(*components);
  for (int i = 0; i < components->Count(); ++i) {
    const std::string key = std::string(layout.key) + "\\" + components->Strings(i);
    try {
      if (!registry->OpenKeyReadOnly(key) || !registry->ValueExists(layout.description)) continue;
      const std::string description = registry->ReadString(layout.description);
      std::string id = components->Strings(i);
      if (layout.id) {
        if (!registry->OpenKeyReadOnly(layout.idInNdi ? key + "\\Ndi" : key) || !registry->ValueExists(layout.id))
          continue;
        id = registry->ReadString(layout.id);
      }
      list += id + "=" + description + "\r\n";
    } catch (const ERegistryException&) {
      // A value of another type names no component.
    }
  }
  return list;
}

bool TFMain::IsPPPoEClientInstalled() {
  TObjectPtr<TStringList> components(TStringList::Create());
  components->SetText(ListNetComponents());
  return !components->Values(kClientComponent).empty();
}

// ---- the package's installers and their logs

std::string TFMain::GetWindowsDir() {
  char folder[1024];
  const UINT length = GetWindowsDirectoryA(folder, sizeof folder);
  if (length == 0 || length >= sizeof folder) return {};
  return IncludeTrailingPathDelimiter(std::string(folder, length));
}

std::string TFMain::GetSystemDriveRoot() {
  const std::string folder = GetWindowsDir();
  return folder.empty() ? std::string() : folder.substr(0, 1) + ":\\";
}

std::string TFMain::LogPath(const char* setting) { return GetSystemDriveRoot() + GetSetting(setting); }

void TFMain::DeleteInstallLogs() {
  for (const char* log :
       {"trelvinfejlesztointlog", "trelvinfejlesztoi98log", "trelvintelepitesilog", "trelvinletelepitesilog"}) {
    const std::string path = LogPath(log);
    if (FileExists(path)) DeleteFile(path);
  }
}

int TFMain::RunProgram(const std::string& path, const std::string& arguments) {
  try {
    if (!FileExists(path)) return 1;
    // Quoted, so that "C:\Program Files\..." never starts "C:\Program.exe".
    std::string commandLine = "\"" + path + "\"" + arguments;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    TProcessHandles process;
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr, nullptr,
                        &startup, &process.info))
      return 3;
    WaitForInputIdle(process.info.hProcess, INFINITE);
    WaitForSingleObject(process.info.hProcess, INFINITE);
    return 0;
  } catch (...) {
    return 2;
  }
}

// The package's programs run with its silent switch.
int TFMain::RunUninstaller(const std::string& path) { return RunPackageProgram(path); }
int TFMain::RunInstaller(const std::string& path) { return RunPackageProgram(path); }
int TFMain::RunPackageProgram(const std::string& path) {
  return RunProgram(path, " " + GetSetting("trelvinnematelepitesikapcsolo"));
}

int TFMain::RunToolbarInstaller() { return RunProgram(GetSetting("toolbartelepito"), ""); }

namespace {

// The verdict of a run's logs, at the paths of the main log and the second one.
int LogVerdict(const TLogMarkers& markers, const std::string& main, const std::string& second, bool& restart) {
  restart = false;
  int verdict = 1;
  try {
    if (!FileExists(main)) return markers.missing;
    const std::string text = ReadLogText(main);
    verdict = Holds(text, markers.success) ? 0 : markers.neither;
    // Tested after the success marker, so a log with both has failed.
    if (markers.failure && Holds(text, markers.failure)) verdict = markers.failureCode;
    if (verdict == 0) restart = FileExists(second) && Holds(ReadLogText(second), kRestartMarker);
  } catch (...) {
    // The verdict reached so far.
  }
  return verdict;
}

}  // namespace

int TFMain::CheckUninstallLog(bool& restart) {
  const TLogMarkers& markers = GetOSVersion().platformId == VER_PLATFORM_WIN32_NT ? kNTUninstall : k95Uninstall;
  return LogVerdict(markers, LogPath(markers.mainLog), LogPath(markers.secondLog), restart);
}

int TFMain::CheckInstallLog(bool& restart) {
  const TLogMarkers& markers = GetOSVersion().platformId == VER_PLATFORM_WIN32_NT ? kNTInstall : k95Install;
  return LogVerdict(markers, LogPath(markers.mainLog), LogPath(markers.secondLog), restart);
}

void TFMain::Reboot() {
  // The 95 family has no tokens: their calls fail there, and the restart is asked for all the same.
  HANDLE token = nullptr;
  if (OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    TOKEN_PRIVILEGES privileges{};
    if (LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid)) {
      privileges.PrivilegeCount = 1;
      privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
      AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
    }
    CloseHandle(token);
  }
  ExitWindowsEx(EWX_REBOOT, 0);
}

// ---- the finish

void TFMain::FocusForm() {
  try {
    SetFocus();
  } catch (...) {
    // A form that cannot take the focus goes on without it.
  }
}

void TFMain::FocusAndPump() {
  FocusForm();
  Application->ProcessPendingMessages();
}

void TFMain::ADSLFinish() {
  THourGlass cursor;
  const auto [title, body] = RunADSLFinishSteps();
  if (title)
    ShowErrorTexts(title, body);
  else
    Close();
}

std::pair<int, int> TFMain::RunADSLFinishSteps() {
  SetFinishing(true);
  bool restart = false, asked = false;
  if (rbADSLTrelvinTorlesIgen->Checked() && IsPPPoEClientInstalled()) {
    DeleteInstallLogs();
    const int run = RunUninstaller(GetSetting("trelvinletelepito"));
    FocusAndPump();
    if (run) return Stop(172, run);
    if (const int verdict = CheckUninstallLog(asked)) return Stop(176, verdict);
    restart = restart || asked;
  }
  const bool builtIn = HasBuiltInPPPoE();
  if (rbADSLTrelvinTelepitesIgen->Checked() && !builtIn) {
    DeleteInstallLogs();
    const int run = RunInstaller(GetSetting("trelvintelepito"));
    FocusAndPump();
    if (run) return Stop(179, run);
    if (const int verdict = CheckInstallLog(asked)) return Stop(183, verdict);
    restart = restart || asked;
  }
  const std::string entry = GetSetting("adslkapcsolatneve");
  const std::string user = edADSLTarcsazasiNev->Text(), password = edADSLTarcsazasiJelszo->Text();
  if (builtIn) {
    DeleteDialEntry(entry);
    if (!CreateDialEntry(entry, true, "", "", user, password).empty()) return {190, 191};
  } else {
    const std::string error =
        DialEntryExists(entry)
            ? SetDialCredentials(entry, user, password)
            : CreateDialEntry(entry, false, GetSetting("trelvinvirtualismodemnev"), "", user, password);
    if (!error.empty()) return {169, 170};
  }
  CreateConnectionShortcut(entry, GetSetting("adslikonneve"));
  if (!SetStartPage()) return {65, 66};
  if (!SetFavorites()) return {67, 68};
  if (rbADSLToolbarIgen->Checked()) {
    const int run = RunToolbarInstaller();
    FocusAndPump();
    if (run) return {188, 189};
  }
  if (rbADSLLevelezesIgen->Checked() && !SetupTypedMailAccount()) return {69, 70};
  if (restart) {
    FocusForm();
    if (Application->MessageBox(GetText(171), Application->Title(), MB_YESNO | MB_ICONQUESTION) == IDYES) Reboot();
  }
  return {0, 0};
}

// The modem test: the chosen modem's port and initialisation command from the registry, sent over the
// serial port, and the wait for a line "OK".
#include "wizard/MainModem.h"

#include <string_view>
#include <vector>

#include "platform/components/Application.h"
#include "platform/components/RegistryObject.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/SystemInfo.h"
#include "wizard/Main.h"

namespace {

constexpr const char* kNtClasses = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr const char* kModems95 = "SYSTEM\\CurrentControlSet\\Services\\Class\\Modem";
constexpr int kModemTestTicks = 30;

using Registry = mox_detail::Owned<TRegistry>;
using InstanceLookup = std::string (*)(const std::string& instanceKey, const std::string& name);

// The key under HKEY_LOCAL_MACHINE opened for reading; null when it cannot be.
Registry OpenMachineKey(const std::string& key) {
  Registry registry(TRegistry::Create(KEY_READ));
  registry->SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry->OpenKeyReadOnly("\\" + key)) return nullptr;
  return registry;
}

std::vector<std::string> Names(TRegistry& registry, void (TRegistry::*list)(TStrings&)) {
  mox_detail::Owned<TStringList> names(TStringList::Create());
  (registry.*list)(*names);
  std::vector<std::string> result;
  for (int i = 0; i < names->Count(); ++i) result.push_back(names->Strings(i));
  return result;
}

// The subkeys' full paths, in registry order; none when the key cannot be opened.
std::vector<std::string> Subkeys(const std::string& key) {
  std::vector<std::string> paths;
  Registry registry = OpenMachineKey(key);
  if (!registry) return paths;
  for (const std::string& name : Names(*registry, &TRegistry::GetKeyNames)) paths.push_back(key + "\\" + name);
  return paths;
}

// The instance key, opened when its name value is the name; null otherwise.
Registry MatchingInstance(const std::string& instanceKey, const char* nameValue, const std::string& name) {
  Registry instance = OpenMachineKey(instanceKey);
  if (!instance || instance->ReadString(nameValue) != name) return nullptr;
  return instance;
}

std::string PortOf(const std::string& instanceKey, const char* nameValue, const std::string& name) {
  try {
    Registry instance = MatchingInstance(instanceKey, nameValue, name);
    return instance ? instance->ReadString("AttachedTo") : std::string();
  } catch (...) {
    return {};
  }
}

std::string InitOf(const std::string& instanceKey, const char* nameValue, const std::string& name) {
  try {
    Registry init = MatchingInstance(instanceKey, nameValue, name);
    if (!init || !init->OpenKeyReadOnly("Init")) return {};
    std::string choice;
    for (const std::string& value : Names(*init, &TRegistry::GetValueNames)) {
      std::string command = init->ReadString(value);
      if (choice.empty() || command.size() < choice.size()) choice = std::move(command);
    }
    return choice;
  } catch (...) {
    return {};
  }
}

bool NtFamily() {
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  return GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

// The first non-empty answer of the look-up over the modem instances: on NT those of the first device
// class whose "Class" is "MODEM" in any case, elsewhere those of the 95 family's modem key.
std::string SearchModems(const std::string& name, InstanceLookup nt, InstanceLookup other) {
  try {
    if (!NtFamily()) {
      for (const std::string& instance : Subkeys(kModems95))
        if (std::string found = other(instance, name); !found.empty()) return found;
      return {};
    }
    for (const std::string& cls : Subkeys(kNtClasses)) {
      if (UpperCase(ReadDeviceClass(cls)) != "MODEM") continue;
      for (const std::string& instance : Subkeys(cls))
        if (std::string found = nt(instance, name); !found.empty()) return found;
      return {};
    }
  } catch (...) {
  }
  return {};
}

}  // namespace

std::string ReadDeviceClass(const std::string& key) {
  try {
    Registry registry = OpenMachineKey(key);
    return registry ? registry->ReadString("Class") : std::string();
  } catch (...) {
    return {};
  }
}

std::string FindModemPortByFriendlyName(const std::string& instanceKey, const std::string& name) {
  return PortOf(instanceKey, "FriendlyName", name);
}

std::string FindModemPortByModel(const std::string& instanceKey, const std::string& name) {
  return PortOf(instanceKey, "Model", name);
}

std::string FindModemInitByFriendlyName(const std::string& instanceKey, const std::string& name) {
  return InitOf(instanceKey, "FriendlyName", name);
}

std::string FindModemInitByModel(const std::string& instanceKey, const std::string& name) {
  return InitOf(instanceKey, "Model", name);
}

std::string ConvertCrTokens(const std::string& text) {
  constexpr std::string_view kToken = "<cr>";
  std::string converted;
  std::string_view rest = text;
  // A carriage return cannot be part of a token, so the next one lies in the rest.
  for (size_t at; (at = rest.find(kToken)) != std::string_view::npos;) {
    converted.append(rest.substr(0, at)).push_back('\r');
    rest = rest.substr(at + kToken.size(), 255);
  }
  return converted.append(rest);
}

std::string TFMain::GetModemPort(const std::string& name) {
  return SearchModems(name, FindModemPortByFriendlyName, FindModemPortByModel);
}

std::string TFMain::GetModemInitString(const std::string& name) {
  return ConvertCrTokens(SearchModems(name, FindModemInitByFriendlyName, FindModemInitByModel));
}

bool TFMain::TestModem() {
  bool answered = false;
  SetModemTestRunning(true);
  EnableDisableButtons(this);
  lbModemVizsgalat->SetCaption(GetText(96));
  lbModemVizsgalatVaras->Show();
  Application->ProcessPendingMessages();
  pbModemVizsgalat->SetPosition(0);
  try {
    SetModemAnswered(false);
    const std::string modem = cbModem->Text();
    cpModemTest->SetPortNum(GetModemPort(modem));
    cpModemTest->Open();
    cpModemTest->WriteStr(GetModemInitString(modem));
    trModemTest->SetEnabled(true);
    // A terminated application waits for no message, so its test ends here too.
    while (!ModemAnswered() && trModemTest->Enabled() && !Application->Terminated()) Application->HandleMessage();
    trModemTest->SetEnabled(false);
    cpModemTest->Close();
    answered = ModemAnswered();
  } catch (...) {
    // Not reported; the timer stops and the port closes all the same.
    trModemTest->SetEnabled(false);
    try {
      cpModemTest->Close();
    } catch (...) {
    }
  }
  lbModemVizsgalat->SetCaption(GetText(97));
  lbModemVizsgalatVaras->Hide();
  pbModemVizsgalat->SetPosition(0);
  SetModemTestRunning(false);
  return answered;
}

void TFMain::trModemTestTimer(TObject*) {
  pbModemVizsgalat->SetPosition(pbModemVizsgalat->Position() + 1);
  if (pbModemVizsgalat->Position() >= kModemTestTicks) trModemTest->SetEnabled(false);
  Application->ProcessPendingMessages();
}

void TFMain::cpModemTestRxChar(TObject*, int count) {
  std::string received;
  cpModemTest->ReadStr(received, count);
  // Lines end at CR or LF (a pair counts once); only this event's bytes are looked at.
  std::string_view rest = received;
  while (!rest.empty()) {
    size_t end = rest.find_first_of("\r\n");
    if (rest.substr(0, end) == "OK") {
      SetModemAnswered(true);
      return;
    }
    if (end == std::string_view::npos) return;
    rest.remove_prefix(end + 1);
  }
}

// The machine's dial-up devices: its modems where Windows registers them, then its other RAS devices.
#include <cstring>
#include <utility>
#include <vector>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Ras.h"
#include "platform/winapi/Registry.h"
#include "platform/winapi/SystemInfo.h"
#include "platform/winapi/rasapi32/CallHook.h"
#include "platform/winapi/rasapi32/Phonebook.h"

namespace {

using Device = std::pair<std::string, std::string>;  // type, name

constexpr const char* kNtClasses = "SYSTEM\\CurrentControlSet\\Control\\Class";
constexpr const char* kModems95 = "SYSTEM\\CurrentControlSet\\Services\\Class\\Modem";
constexpr const char* kOtherDevices = "SYSTEM\\CurrentControlSet\\Services\\RasMan\\Devices";

std::vector<std::string> Subkeys(const std::string& path) {
  std::vector<std::string> names;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
  char name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = sizeof name;
    if (RegEnumKeyExA(key, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  RegCloseKey(key);
  return names;
}

std::string Value(const std::string& path, const char* name) {
  return vandrel::ReadMachineString(path, name).value_or(std::string());
}

// NT: the instances of the first device class named "Modem".
void AddNtModems(std::vector<Device>& devices) {
  for (const std::string& cls : Subkeys(kNtClasses)) {
    const std::string path = std::string(kNtClasses) + "\\" + cls;
    if (cp1250::Upper(Value(path, "Class")) != "MODEM") continue;
    for (const std::string& instance : Subkeys(path)) {
      std::string name = Value(path + "\\" + instance, "FriendlyName");
      if (!name.empty()) devices.emplace_back(RASDT_Modem, name);
    }
    return;
  }
}

void Add95Modems(std::vector<Device>& devices) {
  for (const std::string& instance : Subkeys(kModems95)) {
    std::string name = Value(std::string(kModems95) + "\\" + instance, "Model");
    if (!name.empty()) devices.emplace_back(RASDT_Modem, name);
  }
}

std::vector<Device> MachineDevices() {
  std::vector<Device> devices;
  OSVERSIONINFOA version{};
  version.dwOSVersionInfoSize = sizeof version;
  if (GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_NT)
    AddNtModems(devices);
  else
    Add95Modems(devices);
  for (const std::string& device : Subkeys(kOtherDevices)) {
    const std::string path = std::string(kOtherDevices) + "\\" + device;
    std::string type = Value(path, "Type"), name = Value(path, "Name");
    if (!type.empty() && !name.empty()) devices.emplace_back(type, name);
  }
  return devices;
}

}  // namespace

DWORD RasEnumDevicesA(RASDEVINFOA* buffer, LPDWORD bytes, LPDWORD devices) {
  if (DWORD hooked = ras::HookedResult("RasEnumDevicesA")) return hooked;
  if (!bytes || !devices) return ERROR_INVALID_PARAMETER;
  if (buffer && buffer->dwSize != sizeof(RASDEVINFOA)) return ERROR_INVALID_SIZE;
  const std::vector<Device> found = MachineDevices();
  const DWORD needed = DWORD(found.size() * sizeof(RASDEVINFOA));
  *devices = DWORD(found.size());
  if (needed > 0 && (!buffer || *bytes < needed)) {
    *bytes = needed;
    return ERROR_BUFFER_TOO_SMALL;
  }
  *bytes = needed;
  for (size_t i = 0; i < found.size(); ++i) {
    RASDEVINFOA& record = buffer[i];
    std::memset(&record, 0, sizeof record);
    record.dwSize = sizeof record;
    ras::CopyField(record.szDeviceType, found[i].first);
    ras::CopyField(record.szDeviceName, found[i].second);
  }
  return ERROR_SUCCESS;
}

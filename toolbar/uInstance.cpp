#include "toolbar/uInstance.h"

#include <mutex>
#include <vector>

#include "deskband/vekMD5.h"
#include "deskband/vekUtils.h"
#include "platform/com/Guid.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/SystemInfo.h"

const GUID kToolbarGUID = "{11111111-2B8D-44AF-82FA-F86E57899FB8}"_guid;

namespace {

struct InstanceState {
  std::mutex lock;
  int initialisations = 0;
  DWORD versionMS = 0, versionLS = 0;
  std::string machineId = "???", userId = "???";
};

InstanceState& State() {
  static InstanceState state;
  return state;
}

HMODULE g_moduleForTesting = nullptr;

std::string ModuleFileName() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(InstanceModule(), path, sizeof path);
  return path;
}

std::string UpperHex(const std::string& bytes) {
  std::string hex;
  for (unsigned char b : bytes) hex += IntToHex(int(b), 2);
  return hex;
}

// A registry value as the identifiers take it: text unchanged, a number as its decimal text, bytes raw.
std::string IdentityValue(const char* key, const char* name) {
  return RegReadValue(HKEY_LOCAL_MACHINE, key, name, Variant("???")).AsString();
}

// A name into a zero-filled buffer of 261 bytes; empty on failure.
template <class Query>
std::string NameOf(Query query) {
  std::vector<char> buffer(261, '\0');
  DWORD size = DWORD(buffer.size());
  if (!query(buffer.data(), &size)) return {};
  return std::string(buffer.data());
}

}  // namespace

std::string GetToolbarGUID() { return GUIDToString(kToolbarGUID); }

HMODULE InstanceModule() { return g_moduleForTesting ? g_moduleForTesting : HInstance(); }
void SetInstanceModuleForTesting(HMODULE module) { g_moduleForTesting = module; }

std::string ModuleBaseNameOf(const std::string& fileName) {
  std::string name = ExtractFileName(fileName);
  return name.substr(0, name.size() - ExtractFileExt(name).size());
}

std::string GetModuleBaseName() { return ModuleBaseNameOf(ModuleFileName()); }

bool ReadFileVersion(const std::string& fileName, DWORD& ms, DWORD& ls) {
  DWORD handle = 0;
  DWORD size = GetFileVersionInfoSizeA(fileName.c_str(), &handle);
  if (size == 0) return false;
  std::vector<char> block(size);
  VS_FIXEDFILEINFO* info = nullptr;
  UINT length = 0;
  if (!GetFileVersionInfoA(fileName.c_str(), handle, size, block.data()) ||
      !VerQueryValueA(block.data(), "\\", reinterpret_cast<LPVOID*>(&info), &length) || !info)
    return false;
  ms = info->dwFileVersionMS;
  ls = info->dwFileVersionLS;
  return true;
}

std::string VersionText(DWORD ms, DWORD ls) {
  return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls)) + "." +
         std::to_string(LOWORD(ls));
}

void ComputeIdentifiers(std::string& machine, std::string& user) {
  std::string productId = IdentityValue("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProductId");
  std::string digitalId = IdentityValue("\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "DigitalProductId");
  std::string hash = IdentityValue("\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Setup", "PrivateHash");
  std::string userName = UpperCase(NameOf([](LPSTR b, LPDWORD n) { return WNetGetUserA(nullptr, b, n) == 0; }));
  std::string computer = UpperCase(NameOf([](LPSTR b, LPDWORD n) { return GetComputerNameA(b, n) != 0; }));
  std::string common = productId + "|" + digitalId + "|" + hash + "|" + computer;
  machine = UpperHex(MD5Hash(common));
  user = UpperHex(MD5Hash(common + "|" + userName));
}

void InitializeInstanceUnit() {
  InstanceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.initialisations++ > 0) return;
  if (!ReadFileVersion(ModuleFileName(), s.versionMS, s.versionLS)) s.versionMS = s.versionLS = 0;
  ComputeIdentifiers(s.machineId, s.userId);
}

void FinalizeInstanceUnit() {
  InstanceState& s = State();
  std::lock_guard<std::mutex> guard(s.lock);
  if (s.initialisations == 0 || --s.initialisations > 0) return;
  s.versionMS = s.versionLS = 0;
  s.machineId = s.userId = "???";
}

DWORD ModuleVersionMS() { return State().versionMS; }
DWORD ModuleVersionLS() { return State().versionLS; }
std::string ModuleVersionText() { return VersionText(ModuleVersionMS(), ModuleVersionLS()); }

std::string MachineIdentifier() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().machineId;
}

std::string UserIdentifier() {
  std::lock_guard<std::mutex> guard(State().lock);
  return State().userId;
}

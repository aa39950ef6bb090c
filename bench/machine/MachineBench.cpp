// Per-call costs of the emulated machine: registry reads and writes (each a transaction of its own on the
// SQLite store), the configuration's read path through TRegistry, and mapping Windows paths onto host
// paths (exact, and resolved by letter case).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/components/RegistryObject.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace {

// One machine for the whole run, under /tmp.
struct Machine {
  std::string root;
  Machine() {
    char folder[] = "/tmp/vandrel-bench-XXXXXX";
    root = mkdtemp(folder);
    setenv("VANDREL_ROOT", root.c_str(), 1);
    vandrel::CreateDefaultMachine();
  }
  ~Machine() { std::filesystem::remove_all(root); }
};
Machine& TheMachine() {
  static Machine machine;
  return machine;
}

HKEY BenchKey() {
  TheMachine();
  HKEY key = nullptr;
  RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Bench", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
  DWORD value = 42;
  RegSetValueExA(key, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  return key;
}

void BM_RegQueryValue(benchmark::State& state) {
  HKEY key = BenchKey();
  for (auto _ : state) {
    DWORD value = 0, size = 4;
    RegQueryValueExA(key, "Value", nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &size);
    benchmark::DoNotOptimize(value);
  }
  RegCloseKey(key);
}
BENCHMARK(BM_RegQueryValue);

void BM_RegSetValue(benchmark::State& state) {
  HKEY key = BenchKey();
  DWORD value = 0;
  for (auto _ : state) {
    ++value;
    RegSetValueExA(key, "Value", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4);
  }
  RegCloseKey(key);
}
BENCHMARK(BM_RegSetValue);

void BM_RegOpenKeyFromCurrentUser(benchmark::State& state) {
  RegCloseKey(BenchKey());
  for (auto _ : state) {
    HKEY key = nullptr;
    RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Bench", 0, KEY_READ, &key);
    RegCloseKey(key);
  }
}
BENCHMARK(BM_RegOpenKeyFromCurrentUser);

void BM_TRegistryReadInteger(benchmark::State& state) {
  RegCloseKey(BenchKey());
  TRegistry registry;
  registry.OpenKey("\\Software\\Bench", false);
  for (auto _ : state) benchmark::DoNotOptimize(registry.ValueExists("Value") ? registry.ReadInteger("Value") : 0);
}
BENCHMARK(BM_TRegistryReadInteger);

void BM_MapExactPath(benchmark::State& state) {
  TheMachine();
  std::string path = "C:\\Documents and Settings\\Felhasználó\\Helyi beállítások\\Application Data"_cp;
  for (auto _ : state) benchmark::DoNotOptimize(vandrel::MapWindowsPath(path));
}
BENCHMARK(BM_MapExactPath);

void BM_MapPathByLetterCase(benchmark::State& state) {
  TheMachine();
  std::string path = "c:\\DOCUMENTS AND SETTINGS\\felhasználó\\HELYI BEÁLLÍTÁSOK\\application data"_cp;
  for (auto _ : state) benchmark::DoNotOptimize(vandrel::MapWindowsPath(path));
}
BENCHMARK(BM_MapPathByLetterCase);

}  // namespace

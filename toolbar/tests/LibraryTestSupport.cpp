#include "toolbar/tests/LibraryTestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/runtime/Streams.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Registry.h"

namespace library_test {

namespace fs = std::filesystem;

std::string HostFolder(const testing_support::TestMachine& machine) {
  return machine.DriveC() + "/Program Files/Vandrel/Pellandra";
}

void InstallShippedFiles(const testing_support::TestMachine& machine) {
  fs::create_directories(HostFolder(machine));
  for (const char* name : {".files", "toolbar.xml", "buttons.bmp"})
    fs::copy_file(std::string(VANDREL_SOURCE_DIR) + "/toolbar/default/" + name, HostFolder(machine) + "/" + name,
                  fs::copy_options::overwrite_existing);
}

void InstallLibrary(const testing_support::TestMachine& machine) {
  InstallShippedFiles(machine);
  for (const char* name : {"Pellandra.so", "libvandrel.so"})
    fs::copy_file(std::string(VANDREL_BINARY_DIR) + "/bin/" + name, HostFolder(machine) + "/" + name,
                  fs::copy_options::overwrite_existing);
}

HMODULE LoadSampleAsLibrary(const testing_support::TestMachine& machine, const std::string& sample) {
  fs::create_directories(HostFolder(machine));
  fs::copy_file(std::string(VANDREL_BINARY_DIR) + "/tests/" + sample, HostFolder(machine) + "/Pellandra.so",
                fs::copy_options::overwrite_existing);
  HMODULE library = LoadLibraryA(kLibrary.c_str());
  EXPECT_NE(library, nullptr);
  return library;
}

void WorkOffline() {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                            nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            0);
  const DWORD offline = 1;
  EXPECT_EQ(
      RegSetValueExA(key, "GlobalUserOffline", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&offline), sizeof offline),
      0);
  RegCloseKey(key);
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
  TFileStream file(path, fmCreate);
  file.WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

std::string ReadWholeFile(const std::string& path) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return "";
  TFileStream file(path, fmOpenRead | fmShareDenyNone);
  std::string bytes(size_t(file.Size()), '\0');
  file.ReadBuffer(bytes.data(), int64_t(bytes.size()));
  return bytes;
}

}  // namespace library_test

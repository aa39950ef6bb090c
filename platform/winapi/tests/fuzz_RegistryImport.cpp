// REGEDIT4 text imported into a scratch machine, on any bytes: an import is all or nothing, and what the
// registry then holds exports to text that imports again and exports the same.
#include <sys/stat.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/testing/FuzzMachineFolder.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace {

std::string Export() {
  std::string text, error;
  if (!vandrel::ExportRegistryText("", text, error)) std::abort();
  return text;
}

// Deletes every key below the two roots, so that each input starts from an empty registry.
void Empty() {
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    const char* name = root == HKEY_LOCAL_MACHINE ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
    char child[256];
    DWORD length = sizeof child;
    while (RegEnumKeyExA(root, 0, child, &length, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
      std::string error;
      if (!vandrel::ImportRegistryText("REGEDIT4\n[-" + std::string(name) + "\\" + child + "]\n", error)) std::abort();
      length = sizeof child;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static testing_support::FuzzMachineFolder machine;
  Empty();
  const std::string before = Export();
  std::string error;
  if (!vandrel::ImportRegistryText(std::string_view(reinterpret_cast<const char*>(data), size), error)) {
    if (error.compare(0, 5, "line ") != 0 || Export() != before) std::abort();  // refused whole, with its line
    return 0;
  }
  const std::string exported = Export();
  Empty();
  if (!vandrel::ImportRegistryText(exported, error) || Export() != exported) std::abort();
  return 0;
}

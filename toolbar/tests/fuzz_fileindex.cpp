// Any bytes as a storage's ".files" index: every key it lists resolves to the local name of its first line,
// and copying the storage into another either raises the library's error or leaves the same index there.
// The index is the storage's own record, trusted to name files inside it: names that would reach outside
// the scratch folders are not copied.
#include <sys/stat.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/testing/FuzzMachineFolder.h"
#include "toolbar/uFileStorage.h"

namespace {

// A machine folder of its own with two storages.
struct FuzzMachine {
  testing_support::FuzzMachineFolder folder;
  const std::string& root = folder.root;
  TFileStorage* source = nullptr;
  TFileStorage* target = nullptr;

  FuzzMachine() {
    source = TFileStorage::Create("C:\\Source");
    target = TFileStorage::Create("C:\\Target");
    std::ofstream(root + "/drive_c/Source/a.xml") << "<TOOLBAR/>";
  }
  ~FuzzMachine() {
    source->Free();
    target->Free();
  }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static FuzzMachine machine;
  std::ofstream(machine.root + "/drive_c/Source/.files", std::ios::binary | std::ios::trunc)
      .write(reinterpret_cast<const char*>(data), std::streamsize(size));
  TFileStorageFileList index;
  index.LoadFromFile("C:\\Source\\.files");
  bool plainNames = true;
  for (int i = 0; i < index.Count(); ++i) {
    const std::string name = index.LocalNames(i);
    plainNames = plainNames && name.find_first_of(":\\/") == std::string::npos && name.find("..") == std::string::npos;
  }
  for (int i = 0; i < index.Count(); ++i) {
    const std::string key = index.Keys(i);
    int first = index.IndexOfKey(key);
    if (first < 0 || first > i) std::abort();
    if (IsURLKey(key) && !IsAbsoluteLocalKey(key)) {  // an absolute local key names its own file
      // The key resolves as written, or to the line of the address it combines to.
      int line = index.IndexOfKey(machine.source->CombineURL(key));
      try {
        std::string name = machine.source->GetLocalName(key);
        if (line < 0 || name != index.LocalNames(line)) std::abort();
      } catch (const EStorageFileNotFound&) {
        if (line >= 0) std::abort();
      }
    }
  }
  if (!plainNames) return 0;
  try {
    machine.target->CopyFrom(*machine.source);
    TFileStorageFileList copied;
    copied.LoadFromFile("C:\\Target\\.files");
    if (copied.Text() != index.Text()) std::abort();
  } catch (const Exception&) {
  }
  return 0;
}

// The machine folder of a fuzz target: made afresh in /tmp and named by VANDREL_ROOT for the process (with an
// empty drive C:), removed when the target's process ends. Header only: fuzz targets link no test support.
#pragma once
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace testing_support {

struct FuzzMachineFolder {
  std::string root;

  FuzzMachineFolder() {
    char folder[] = "/tmp/vandrel-fuzz-XXXXXX";
    if (!mkdtemp(folder)) std::abort();
    root = folder;
    setenv("VANDREL_ROOT", folder, 1);
    mkdir((root + "/drive_c").c_str(), 0700);
  }
  ~FuzzMachineFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(root, ignored);
  }
  FuzzMachineFolder(const FuzzMachineFolder&) = delete;
  FuzzMachineFolder& operator=(const FuzzMachineFolder&) = delete;
};

}  // namespace testing_support

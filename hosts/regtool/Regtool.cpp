// regtool: the emulated machine's registry as REGEDIT4 text, on the machine of VANDREL_ROOT.
//   regtool init           creates the default machine when it does not exist
//   regtool import FILE    imports a REGEDIT4 file (CP1250), all of it or nothing
//   regtool export [KEY]   writes the key and all below it (default: HKEY_LOCAL_MACHINE and
//                          HKEY_CURRENT_USER) as REGEDIT4 text (CP1250) on standard output
#include <cstdio>
#include <iostream>
#include <string>

#include "platform/runtime/Cp1250.h"
#include "platform/runtime/FileSystem.h"
#include "platform/winapi/Machine.h"
#include "platform/winapi/Registry.h"

namespace {

int Usage() {
  std::cerr << "usage: regtool init | import FILE.reg | export [KEY]\n";
  return 2;
}

int Fail(const std::string& message) {
  std::cerr << "regtool: " << message << "\n";
  return 1;
}

int Import(const std::string& file) {
  std::string text, error;
  if (!ReadHostFile(file, text, error)) return Fail("cannot read " + file + ": " + error);
  if (!vandrel::ImportRegistryText(text, error)) return Fail(file + ": " + cp1250::ToUtf8(error));
  return 0;
}

int Export(const std::string& key) {
  std::string text, error;
  if (!vandrel::ExportRegistryText(cp1250::FromUtf8(key), text, error)) return Fail(cp1250::ToUtf8(error));
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : Fail("cannot write the output");
}

}  // namespace

int main(int argc, char** argv) {
  std::string command = argc > 1 ? argv[1] : "";
  if (command == "init" && argc == 2) {
    vandrel::CreateDefaultMachine();
    return vandrel::MachineExists() ? 0 : Fail("cannot create the machine at " + vandrel::MachineRoot());
  }
  if (command == "import" && argc == 3) return Import(argv[2]);
  if (command == "export" && argc <= 3) return Export(argc == 3 ? argv[2] : "");
  return Usage();
}

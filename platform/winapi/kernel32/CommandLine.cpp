// The process's command line, as a launcher handed it or as the host started the process.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Launcher.h"
#include "platform/winapi/Module.h"

namespace {

// The program by its Windows path, then the host's arguments (UTF-8 there, CP1250 here).
std::string HostCommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string line = vandrel::QuoteCommandLineArgument(vandrel::WindowsPathOf(vandrel::HostPathOfModule(nullptr)));
  size_t start = all.find('\0');
  while (start != std::string::npos && start + 1 < all.size()) {
    size_t end = all.find('\0', start + 1);
    line += ' ' + vandrel::QuoteCommandLineArgument(cp1250::FromUtf8(all.substr(start + 1, end - start - 1)));
    start = end;
  }
  return line;
}

std::string TakeLauncherCommandLine() {
  const char* handed = std::getenv("VANDREL_COMMAND_LINE");
  if (!handed) return HostCommandLine();
  std::string line = handed;
  unsetenv("VANDREL_COMMAND_LINE");  // the program's own children get theirs from their launcher
  return line;
}

}  // namespace

LPSTR GetCommandLineA() {
  static std::string line = TakeLauncherCommandLine();
  return line.data();
}

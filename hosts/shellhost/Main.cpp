// shellhost: the stand-in for the Windows shell on the machine of VANDREL_ROOT.
//   shellhost register LIBRARY      what regsvr32 does: loads the library and calls DllRegisterServer
//   shellhost unregister LIBRARY    ... DllUnregisterServer
//   shellhost run [--browser] [--seconds N] [--script FILE] [--virtual-time] CLSID
//                                   hosts the band in a taskbar (or a browser window) and plays the script
// A library is named by its Windows path, or by a host path (taken as its Z: form).
#include <iostream>
#include <string>
#include <vector>

#include "hosts/shellhost/ShellHost.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  return ShellHostMain(args, std::cout, std::cerr);
}

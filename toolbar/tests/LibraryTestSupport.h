// Support of the toolbar library's tests: its install folder on a test machine, the shipped definition,
// and whole files by Windows path.
#pragma once
#include <string>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/WinTypes.h"

namespace library_test {

// Where the library is installed, and the instance GUID it registers under.
inline const std::string kFolder = "C:\\Program Files\\Vandrel\\Pellandra";
inline const std::string kLibrary = kFolder + "\\Pellandra.so";
inline const std::string kGuid = "{11111111-2B8D-44AF-82FA-F86E57899FB8}";
// The URL the shipped root definition is published under (its index key).
inline const std::string kRootURL = "http://eszkoztar.vandrel.hu/pellandra/toolbar.xml";

// The install folder as a host path.
std::string HostFolder(const testing_support::TestMachine& machine);
// The shipped definition files (".files", toolbar.xml, buttons.bmp) into the install folder.
void InstallShippedFiles(const testing_support::TestMachine& machine);
// The built library with libvandrel.so beside it, and the shipped files.
void InstallLibrary(const testing_support::TestMachine& machine);
// A copy of a sample library of the platform's tests as the install folder's Pellandra.so, loaded.
HMODULE LoadSampleAsLibrary(const testing_support::TestMachine& machine, const std::string& sample);

// The user's Internet settings say "work offline" (GlobalUserOffline): a band's worker looks no name up.
void WorkOffline();

// A whole file by Windows path; reading a missing one gives "".
void WriteWholeFile(const std::string& path, const std::string& bytes);
std::string ReadWholeFile(const std::string& path);

}  // namespace library_test

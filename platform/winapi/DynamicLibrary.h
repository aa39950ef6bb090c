// Binding at run time: LoadLibraryA, GetModuleHandleA, GetProcAddress, FreeLibrary over a table of named
// stand-in modules ("kernel32.dll" and what other stand-ins register) and over real shared libraries
// loaded by their Windows path.
#pragma once
#include <initializer_list>
#include <string>

#include "platform/winapi/WinTypes.h"

// An entry point; cast it to the function type the caller expects (this type casts to any other).
using FARPROC = void (*)();

// A name without a folder is a stand-in module first, then a file in the program's folder, the current
// folder, the system folder and the Windows folder (".dll" added when the name has no extension).
HMODULE LoadLibraryA(LPCSTR fileName);
// A module already loaded (null: the program), by file name or Windows path; null with
// ERROR_MOD_NOT_FOUND when it is not.
HMODULE GetModuleHandleA(LPCSTR moduleName);
FARPROC GetProcAddress(HMODULE module, LPCSTR procName);
BOOL FreeLibrary(HMODULE module);

namespace vandrel {

// Whether FreeLibrary is unloading this module now, on the calling thread: what Windows tells a library's
// DllMain on DLL_PROCESS_DETACH by FreeLibrary, as against the end of the process (when a library frees
// nothing, since other threads may still use it).
bool IsUnloadingModule(HMODULE module);

struct StandInExport {
  const char* name;
  FARPROC address;
};

// Adds exports to a stand-in module ("kernel32.dll"), creating the module on first use. Stand-in modules
// live in the system folder and are always loaded.
void RegisterStandInExports(const std::string& moduleName, std::initializer_list<StandInExport> exports);
// The Windows path of a stand-in module's handle, empty for any other handle.
std::string StandInModulePath(HMODULE module);

}  // namespace vandrel

// Test switches: hide chosen exports or whole stand-in modules, so that callers take their "not supported"
// roads. VANDREL_HIDE_EXPORTS sets them for a whole process: "kernel32.dll:CreateActCtxA,ActivateActCtx;
// rnaph.dll" (a module with a list of exports hides those exports, a module alone hides the module).
namespace vandrel::dynamic_testing {

void HideExport(const std::string& moduleName, const std::string& exportName, bool hidden = true);
void HideModule(const std::string& moduleName, bool hidden = true);
void ShowEverything();

}  // namespace vandrel::dynamic_testing

// Identity of this toolbar instance: its GUID, the base name and version of the library file, and the
// anonymous machine and user identifiers, computed once when the library loads.
#pragma once
#include <string>

#include "platform/com/ComTypes.h"
#include "platform/winapi/WinTypes.h"

// The instance GUID compiled into the library.
extern const GUID kToolbarGUID;

// The instance GUID in registry form: braces, upper-case hexadecimal, hyphens.
std::string GetToolbarGUID();
// The library's file name without folder and extension (the script-visible name of the toolbar object).
std::string GetModuleBaseName();

// The unit's initialisation and finalisation, each run once however often called (a counter guards
// them): the module version and the identifiers of this machine and user.
void InitializeInstanceUnit();
void FinalizeInstanceUnit();

// The two halves of the library's file version; 0 when it has no version resource.
DWORD ModuleVersionMS();
DWORD ModuleVersionLS();
// The version as four decimal numbers joined by "." ("1.2.3.4").
std::string ModuleVersionText();
// 32 upper-case hexadecimal digits each; "???" before the unit has been initialised.
std::string MachineIdentifier();
std::string UserIdentifier();

// The pieces, for the library's own file and for tests with other files.
std::string ModuleBaseNameOf(const std::string& fileName);
bool ReadFileVersion(const std::string& fileName, DWORD& ms, DWORD& ls);
std::string VersionText(DWORD ms, DWORD ls);
// The identifiers of the current machine and user, computed now.
void ComputeIdentifiers(std::string& machine, std::string& user);
// The library the instance unit describes: the one the toolbar code is linked into, unless a test names
// another.
HMODULE InstanceModule();
void SetInstanceModuleForTesting(HMODULE module);

// Run-time binding of the RAS functions that Windows 95 keeps in "rnaph.dll": looked up in "rasapi32.dll"
// with "A", or else, for good, in "rnaph.dll" under the plain name.
#pragma once
#include <string>

#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Ras.h"

// The entry point of a RAS function. The library is chosen at the first look-up that finds one and stays
// loaded; failures raise Exception ("Error opening rasapi.dll", "Error opening rnaph.dll", "Function NAME
// not found!").
FARPROC GetRasProc(const std::string& name);

// The ANSI functions of these names, bound through GetRasProc.
DWORD RasDeleteEntry(LPCSTR phonebook, LPCSTR entryName);
DWORD RasSetEntryProperties(LPCSTR phonebook, LPCSTR entryName, const RASENTRYA* entry, DWORD entrySize,
                            const BYTE* deviceInfo, DWORD deviceInfoSize);
DWORD RasEnumDevices(RASDEVINFOA* buffer, LPDWORD bytes, LPDWORD devices);

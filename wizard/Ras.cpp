#include "wizard/Ras.h"

#include "platform/runtime/Exceptions.h"

namespace {

// The binding, process-wide: the library, and whether it is bound and to the fallback.
HMODULE g_library = nullptr;
bool g_bound = false;
bool g_fallback = false;

FARPROC Find(const std::string& name) { return GetProcAddress(g_library, name.c_str()); }

template <class F>
F* Bound(const char* name) {
  return reinterpret_cast<F*>(GetRasProc(name));
}

}  // namespace

FARPROC GetRasProc(const std::string& name) {
  if (g_bound) {
    if (FARPROC entry = Find(g_fallback ? name : name + "A")) return entry;
    throw Exception("Function " + name + " not found!");
  }
  g_library = LoadLibraryA("rasapi32.dll");
  if (!g_library) throw Exception("Error opening rasapi.dll");
  if (FARPROC entry = Find(name + "A")) {
    g_bound = true;
    return entry;
  }
  g_library = LoadLibraryA("rnaph.dll");
  if (!g_library) throw Exception("Error opening rnaph.dll");
  FARPROC entry = Find(name);
  if (!entry) throw Exception("Function " + name + " not found!");
  g_bound = true;
  g_fallback = true;
  return entry;
}

DWORD RasDeleteEntry(LPCSTR phonebook, LPCSTR entryName) {
  return Bound<decltype(RasDeleteEntryA)>("RasDeleteEntry")(phonebook, entryName);
}

DWORD RasSetEntryProperties(LPCSTR phonebook, LPCSTR entryName, const RASENTRYA* entry, DWORD entrySize,
                            const BYTE* deviceInfo, DWORD deviceInfoSize) {
  return Bound<decltype(RasSetEntryPropertiesA)>("RasSetEntryProperties")(phonebook, entryName, entry, entrySize,
                                                                          deviceInfo, deviceInfoSize);
}

DWORD RasEnumDevices(RASDEVINFOA* buffer, LPDWORD bytes, LPDWORD devices) {
  return Bound<decltype(RasEnumDevicesA)>("RasEnumDevices")(buffer, bytes, devices);
}

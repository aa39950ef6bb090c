// The exports of "rasapi32.dll", and those of "rnaph.dll" under their plain names.
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Ras.h"

namespace {

template <class F>
FARPROC Entry(F* function) {
  return reinterpret_cast<FARPROC>(function);
}

const bool g_exported = [] {
  vandrel::RegisterStandInExports("rasapi32.dll", {{"RasSetEntryPropertiesA", Entry(&RasSetEntryPropertiesA)},
                                                   {"RasGetEntryPropertiesA", Entry(&RasGetEntryPropertiesA)},
                                                   {"RasDeleteEntryA", Entry(&RasDeleteEntryA)},
                                                   {"RasSetEntryDialParamsA", Entry(&RasSetEntryDialParamsA)},
                                                   {"RasGetEntryDialParamsA", Entry(&RasGetEntryDialParamsA)},
                                                   {"RasEnumDevicesA", Entry(&RasEnumDevicesA)},
                                                   {"RasDialA", Entry(&RasDialA)},
                                                   {"RasHangUpA", Entry(&RasHangUpA)},
                                                   {"RasGetErrorStringA", Entry(&RasGetErrorStringA)}});
  vandrel::RegisterStandInExports("rnaph.dll", {{"RasSetEntryProperties", Entry(&RasSetEntryPropertiesA)},
                                                {"RasDeleteEntry", Entry(&RasDeleteEntryA)},
                                                {"RasEnumDevices", Entry(&RasEnumDevicesA)}});
  return true;
}();

}  // namespace

// Named resources that the build embeds in a program or library (cmake: vandrel_resource_files), found by
// module, type and name as Windows finds them. Each is a record in the binary's ".vandrel_rsrc" section:
// the tag "VDRLRES1", the type and the name (zero-padded to 16 and 48 bytes), the 32-bit size, 4 spare
// bytes, then the data; records start at multiples of 8 bytes.
#pragma once
#include "platform/winapi/Module.h"

using HRSRC = void*;

inline LPCSTR const RT_CURSOR = MAKEINTRESOURCEA(1);
inline LPCSTR const RT_BITMAP = MAKEINTRESOURCEA(2);
inline LPCSTR const RT_ICON = MAKEINTRESOURCEA(3);
inline LPCSTR const RT_RCDATA = MAKEINTRESOURCEA(10);

// Names are compared without regard to case; a numeric type or name (MAKEINTRESOURCEA) is written "#1".
// None, with ERROR_RESOURCE_NAME_NOT_FOUND (or ERROR_RESOURCE_TYPE_NOT_FOUND), when the module has none.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
// The resource's data stays loaded for the life of the process.
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

namespace vandrel {
constexpr const char* kResourceSection = ".vandrel_rsrc";
constexpr char kResourceTag[9] = "VDRLRES1";
}  // namespace vandrel

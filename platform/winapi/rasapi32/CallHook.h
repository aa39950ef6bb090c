// The test hook that RAS calls run first (Ras.h).
#pragma once
#include "platform/winapi/WinTypes.h"

namespace ras {

// The hook's answer for that call, 0 without a hook.
DWORD HookedResult(const char* function);

}  // namespace ras

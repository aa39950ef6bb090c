// Global memory blocks, as the clipboard hands them over. A moveable block is reached through GlobalLock;
// a fixed block's handle is its address.
#pragma once
#include <cstddef>

#include "platform/winapi/WinTypes.h"

constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

HGLOBAL GlobalAlloc(UINT flags, size_t bytes);
HGLOBAL GlobalReAlloc(HGLOBAL mem, size_t bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
size_t GlobalSize(HGLOBAL mem);
// Returns none on success, the handle on failure.
HGLOBAL GlobalFree(HGLOBAL mem);
// The number of blocks alive (for leak checks in tests).
size_t GlobalBlockCount();

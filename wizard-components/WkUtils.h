// Drawing a bitmap stretched with one colour transparent, the "not implemented" stop, global-memory blocks
// and byte helpers.
#pragma once
#include <cstdint>
#include <string>

#include "platform/components/Graphics.h"
#include "platform/winapi/Bitmaps.h"

// StretchBitmapKeyed from the rectangle's left and top, right - left wide and bottom - top high.
void StretchBitmapRectTransparent(TCanvas* dest, int x, int y, int width, int height, const RECT& source,
                                  TBitmap* bitmap, TColor transparent);
// Draws the bitmap's source rectangle stretched into the destination one. A width or height below 1 is the
// bitmap's; a source width or height below 1 takes the whole bitmap. clNone draws opaquely with the
// canvas's copy mode; otherwise the transparent colour (clDefault: the bottom-left pixel's; white for a
// monochrome bitmap) shows the canvas through. The bitmap's canvas is locked and its change handler
// detached meanwhile; both are restored on every path.
void StretchBitmapKeyed(TCanvas* dest, TBitmap* bitmap, TColor transparent, int x, int y, int width, int height, int sx,
                        int sy, int sw, int sh);
// Stretches the source rectangle onto the destination, leaving the destination where the source has the key
// colour (an RGB value), through masks made for the call.
void KeyedStretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh,
                     HPALETTE palette, COLORREF key);
// The colour's RGB value with the palette-relative flag.
COLORREF PaletteRelativeColor(TColor color);

// Shows "Function not yet implemented" in an information box (default cursor), then aborts silently.
[[noreturn]] void RaiseNotImplemented();

// A zero-filled, locked block of global memory; none for a size of 0 or below. EOutOfMemory "Out of memory"
// when it cannot be had. FreeGlobalBlock frees a block (if any) and clears the reference.
void* AllocGlobalBlock(int32_t size);
void FreeGlobalBlock(void*& block);

// Whether the first n bytes are equal (true for n of 0 or below); 4-byte words first, then the rest.
bool SameBytes(const void* a, const void* b, int32_t n);
void* OffsetPointer(void* p, int32_t n);
// Copies n bytes; the areas may overlap.
void CopyBytes(void* dest, const void* source, int32_t n);
// A resource string: a text of a unit's string table.
using TResString = const char*;
void AssignResString(TResString text, std::string& result);

// Logical palettes. The screen is true colour, so realising a palette maps nothing; contexts record the
// palette selected into them, and PALETTEINDEX colours drawn there take its entries.
#pragma once
#include "platform/winapi/Bitmaps.h"

struct PALETTEENTRY {
  BYTE peRed, peGreen, peBlue, peFlags;
};

struct LOGPALETTE {
  WORD palVersion;
  WORD palNumEntries;
  PALETTEENTRY palPalEntry[1];
};

constexpr BYTE PC_RESERVED = 0x01;
constexpr BYTE PC_EXPLICIT = 0x02;
constexpr BYTE PC_NOCOLLAPSE = 0x04;

// 1 to 1024 entries of version 0x300; otherwise none with ERROR_INVALID_PARAMETER.
HPALETTE CreatePalette(const LOGPALETTE* palette);
// Answers the previous palette of the context (the stock DEFAULT_PALETTE at first).
HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground);
// The number of entries mapped into the system palette: always 0 on the true-colour screen; GDI_ERROR for
// a bad context.
UINT RealizePalette(HDC dc);
// Copies up to `count` entries from `start`; with `entries` null answers the palette's entry count.
UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries);
// The index of the entry nearest to the colour (least squared distance, the lower index on a tie).
UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color);

constexpr UINT GDI_ERROR = 0xFFFFFFFF;

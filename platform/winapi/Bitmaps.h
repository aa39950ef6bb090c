// GDI bitmaps, device-independent bitmaps, blits and the drawing attributes of a device context.
//
// Pixel model: the screen is true colour (32 bits per pixel). A device-dependent colour bitmap has the
// screen's depth; a monochrome one has 1 bit (0 black, 1 white). A DIB section keeps the depth, colour table
// and bit fields it was made with; its rows are padded to 4 bytes and stored bottom-up unless its height was
// negative. The only mapping mode is MM_TEXT: coordinates are pixels.
//
// Raster operations are the 256 ternary operations of pattern (the selected brush), source and destination,
// applied bitwise: on colour indices when the destination has 8 bits or fewer, else on the 24-bit RGB value.
// Converting a source pixel for the destination:
//   - colour to a monochrome device-dependent bitmap: 1 where the pixel equals the source context's
//     background colour, else 0;
//   - a monochrome device-dependent bitmap to colour: 0 becomes the destination context's text colour,
//     1 its background colour;
//   - between other bitmaps: the same index when both have the same depth and colour table, else the
//     destination's nearest colour (least squared RGB distance; the lower index on a tie).
// StretchBlt samples by nearest neighbour: destination column i (0 <= i < |dw|) takes source column
// sx + ((2i + 1) |sw|) / (2 |dw|), mirrored when exactly one of the widths is negative; rows likewise. Every
// stretch mode stretches this way (the mode is only recorded). Pixels outside the source are not drawn.
#pragma once
#include "platform/winapi/GdiObjects.h"

using COLORREF = DWORD;
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) { return COLORREF(r) | COLORREF(g) << 8 | COLORREF(b) << 16; }
constexpr BYTE GetRValue(COLORREF c) { return BYTE(c); }
constexpr BYTE GetGValue(COLORREF c) { return BYTE(c >> 8); }
constexpr BYTE GetBValue(COLORREF c) { return BYTE(c >> 16); }
constexpr COLORREF PALETTEINDEX(WORD i) { return 0x01000000u | i; }
constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b) { return 0x02000000u | RGB(r, g, b); }
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;

struct BITMAP {
  LONG bmType;
  LONG bmWidth;
  LONG bmHeight;
  LONG bmWidthBytes;
  WORD bmPlanes;
  WORD bmBitsPixel;
  LPVOID bmBits;
};

struct BITMAPINFOHEADER {
  DWORD biSize;
  LONG biWidth;
  LONG biHeight;
  WORD biPlanes;
  WORD biBitCount;
  DWORD biCompression;
  DWORD biSizeImage;
  LONG biXPelsPerMeter;
  LONG biYPelsPerMeter;
  DWORD biClrUsed;
  DWORD biClrImportant;
};

struct RGBQUAD {
  BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved;
};

struct BITMAPINFO {
  BITMAPINFOHEADER bmiHeader;
  RGBQUAD bmiColors[1];
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
  WORD bfType;
  DWORD bfSize;
  WORD bfReserved1;
  WORD bfReserved2;
  DWORD bfOffBits;
};
#pragma pack(pop)

struct DIBSECTION {
  BITMAP dsBm;
  BITMAPINFOHEADER dsBmih;
  DWORD dsBitfields[3];
  HANDLE dshSection;
  DWORD dsOffset;
};

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;

constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;

constexpr int MM_TEXT = 1;
constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

// Bitmaps. CreateBitmap makes a monochrome bitmap for 1 plane of 1 bit and a colour one (of the screen's
// depth) otherwise; `bits` (rows padded to 2 bytes, top-down, as Windows lays out a device-dependent bitmap)
// may be null (all black). CreateCompatibleBitmap makes a bitmap like the one selected into the context
// (monochrome for a memory context that holds its default bitmap), colour for a window context or none.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
// A DIB section of 1, 4, 8, 16, 24 or 32 bits (BI_RGB, or BI_BITFIELDS for 16 and 32 with the three masks
// after the header) with DIB_RGB_COLORS; `*bits` receives the pixel memory, which lives until the bitmap
// is deleted. The header is kept as given (GetObject hands it back).
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD offset);
// BITMAP for any bitmap, DIBSECTION (when `size` holds one) for a DIB section; a palette's entry count
// (a WORD); LOGBRUSH for a brush. Answers the bytes written, 0 for an unknown handle.
int GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
template <class H>
int GetObject(H object, int size, LPVOID buffer) {
  return GetObjectA(AsGdiObject(object), size, buffer);
}

// Reads `lines` rows from row `start` (counted from the bottom) at the header's depth (1, 4, 8, 16 as
// 5-5-5, 24 or 32), bottom-up, or top-down for a negative height; with `bits` null and a bit count of 0
// only fills the header (size, depth, image size). At the source's own depth (8 bits or fewer) indices and
// colour table are kept; at 1 bit other sources map to black (0) and white (1), at 4 bits to the 16
// standard VGA colours, at 8 bits to the 6 x 6 x 6 colour cube (levels 0, 51, ..., 255; red outermost),
// each by nearest colour, the lower index on a tie. Answers the rows read; 0 with the last error set for
// a bad handle, depth or usage.
int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage);
// Writes rows given at the header's depth into the bitmap, converting colours as a blit does.
int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);

// The colour table of the DIB section selected into a memory context (8 bits or fewer): entries copied.
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);

// Blits; a context without a bitmap (a memory context holding its default 1 x 1 bitmap) draws nothing.
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, DWORD rop);
BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int sx, int sy, int sw, int sh, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop);

// Drawing attributes; each answers the previous value (0, or CLR_INVALID for colours, on a bad context).
COLORREF SetBkColor(HDC dc, COLORREF color);
COLORREF GetBkColor(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF color);
COLORREF GetTextColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
// Only MM_TEXT; other modes fail (0, ERROR_INVALID_PARAMETER).
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);

// A pixel as an RGB value (CLR_INVALID outside the bitmap); SetPixel answers the colour it stored.
COLORREF GetPixel(HDC dc, int x, int y);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF color);

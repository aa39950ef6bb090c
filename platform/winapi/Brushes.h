// Brushes, stock objects, and filling rectangles and regions with a brush.
#pragma once
#include "platform/winapi/Bitmaps.h"

constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;

struct LOGBRUSH {
  UINT lbStyle;
  COLORREF lbColor;
  ULONG_PTR lbHatch;
};

constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int DEFAULT_PALETTE = 15;

HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateBrushIndirect(const LOGBRUSH* brush);
// The stock brushes and DEFAULT_PALETTE (20 entries); deleting a stock object does nothing.
HGDIOBJ GetStockObject(int object);

// Paints with the brush (a null brush paints nothing); answer FALSE for a bad context or brush.
int FillRect(HDC dc, const RECT* rect, HBRUSH brush);
BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush);
// Paints a frame `width` pixels wide and `height` high along the inside of the region's border: the pixels
// of the region that lie within that distance of a pixel outside it. Sizes below 1 fail.
BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height);

// Regions: sets of pixels built from rectangles, rounded rectangles, ellipses and polygons, combined with
// the boolean operations, and window regions (a window owns the region set on it).
//
// Pixel model: a shape covers the pixels whose centre (x + 0.5, y + 0.5) lies inside it; rectangles cover
// [left, right) x [top, bottom). A rounded rectangle is the rectangle with its corners cut by the quarter
// ellipses of the given corner width and height; a polygon follows the fill mode (winding or alternate).
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/winapi/GdiObjects.h"

constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* rect);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreatePolygonRgn(const POINT* points, int count, int fillMode);
int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode);
BOOL SetRectRgn(HRGN region, int left, int top, int right, int bottom);
int OffsetRgn(HRGN region, int dx, int dy);
BOOL PtInRegion(HRGN region, int x, int y);
BOOL EqualRgn(HRGN a, HRGN b);
int GetRgnBox(HRGN region, RECT* box);
// The region's rectangles, in bands from top to bottom and left to right within a band.
std::vector<RECT> RegionRects(HRGN region);

// The window takes ownership of the region (none removes it); a later SetWindowRgn deletes the old one.
int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw);
// Copies the window's region into `dest`; ERROR when the window has none.
int GetWindowRgn(HWND hwnd, HRGN dest);

// Test switch: a hook that CombineRgn, SetWindowRgn and FrameRgn run first with their name ("CombineRgn";
// GetWindowRgn copies through CombineRgn, FrameRgn's own combinations are not asked). A non-zero answer is
// the error the call fails with: it becomes the last error, the call changes nothing and returns its
// failure value. None: no hook.
namespace vandrel::gdi_testing {

using TGdiCallHook = std::function<DWORD(const std::string& function)>;
void SetCallHook(TGdiCallHook hook);
// What the hook answers for a call (0 without a hook); the hooked calls ask it first.
DWORD CallHookAnswer(const char* function);

}  // namespace vandrel::gdi_testing

// Brushes, stock objects, and filling rectangles and regions.
#include <algorithm>
#include <mutex>

#include "platform/runtime/Format.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Regions.h"
#include "platform/winapi/gdi32/Raster.h"
#include "platform/winapi/gdi32/RegionCombine.h"

namespace {

HGDIOBJ StockBrush(UINT style, COLORREF color) {
  auto brush = std::make_unique<BrushObject>();
  brush->brush = LOGBRUSH{style, color, 0};
  brush->stock = true;
  return AddGdiObject(std::move(brush));
}

// The 20 colours of the system palette that Windows reserves.
HGDIOBJ StockPalette() {
  static const BYTE kColors[20][3] = {
      {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
      {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
      {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
      {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255},
  };
  auto palette = std::make_unique<PaletteObject>();
  for (const auto& c : kColors) palette->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
  palette->stock = true;
  return AddGdiObject(std::move(palette));
}

struct Stock {
  HGDIOBJ objects[16] = {};
};

const Stock& Stocks() {
  static const Stock* stock = [] {
    auto* s = new Stock;
    s->objects[WHITE_BRUSH] = StockBrush(BS_SOLID, RGB(255, 255, 255));
    s->objects[LTGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(192, 192, 192));
    s->objects[GRAY_BRUSH] = StockBrush(BS_SOLID, RGB(128, 128, 128));
    s->objects[DKGRAY_BRUSH] = StockBrush(BS_SOLID, RGB(64, 64, 64));
    s->objects[BLACK_BRUSH] = StockBrush(BS_SOLID, RGB(0, 0, 0));
    s->objects[NULL_BRUSH] = StockBrush(BS_NULL, 0);
    s->objects[DEFAULT_PALETTE] = StockPalette();
    return s;
  }();
  return *stock;
}

// Paints one rectangle with the brush, as PatBlt with PATCOPY through a context that holds the brush.
void PaintRect(HDC dc, const RECT& r, HBRUSH brush) {
  HGDIOBJ old = SelectObject(dc, AsGdiObject(brush));
  PatBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, PATCOPY);
  SelectObject(dc, old);
}

std::string BrushText(const BrushObject* brush) {
  return brush->brush.lbStyle == BS_NULL ? "null" : ColorText(brush->brush.lbColor);
}

// What a region call paints: the target of the context, the brush and the region's bounding box.
struct RegionPaint {
  Target target;
  BrushObject* brush = nullptr;
  RECT box{0, 0, 0, 0};
};

// Finds what a region call paints; false, with the error set, for a bad context, brush or region.
bool FindRegionPaint(HDC dc, HRGN region, HBRUSH brush, RegionPaint& paint) {
  auto* context = FindGdi<DeviceContext>(dc);
  paint.brush = FindGdi<BrushObject>(brush);
  if (!context || !paint.brush || GetObjectType(AsGdiObject(region)) != OBJ_REGION) {
    SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  TargetOf(context, paint.target);
  GetRgnBox(region, &paint.box);
  return true;
}

}  // namespace

HBRUSH CreateSolidBrush(COLORREF color) {
  LOGBRUSH brush{BS_SOLID, color, 0};
  return CreateBrushIndirect(&brush);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (!brush || (brush->lbStyle != BS_SOLID && brush->lbStyle != BS_NULL)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<BrushObject>();
  object->brush = *brush;
  return reinterpret_cast<HBRUSH>(AddGdiObject(std::move(object)));
}

HGDIOBJ GetStockObject(int object) {
  if (object < 0 || object >= 16) return nullptr;
  return Stocks().objects[object];
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  auto lock = DrawLock();
  auto* context = FindGdi<DeviceContext>(dc);
  auto* object = FindGdi<BrushObject>(brush);
  if (!context || !object || !rect) {
    SetLastError(ERROR_INVALID_HANDLE);
    return FALSE;
  }
  Target t;
  TargetOf(context, t);
  LogCall(t, "FillRect",
          Format("%d,%d,%d,%d ", {rect->left, rect->top, rect->right, rect->bottom}) + BrushText(object));
  if (object->brush.lbStyle == BS_NULL) return TRUE;
  QuietLog quiet;
  PaintRect(dc, *rect, brush);
  return TRUE;
}

BOOL FillRgn(HDC dc, HRGN region, HBRUSH brush) {
  auto lock = DrawLock();
  RegionPaint paint;
  if (!FindRegionPaint(dc, region, brush, paint)) return FALSE;
  std::vector<RECT> parts = RegionRects(region);
  const RECT& box = paint.box;
  LogCall(paint.target, "FillRgn",
          Format("%d,%d,%d,%d in %d ", {box.left, box.top, box.right, box.bottom, int64_t(parts.size())}) +
              BrushText(paint.brush));
  if (paint.brush->brush.lbStyle == BS_NULL) return TRUE;
  QuietLog quiet;
  for (const RECT& r : parts) PaintRect(dc, r, brush);
  return TRUE;
}

BOOL FrameRgn(HDC dc, HRGN region, HBRUSH brush, int width, int height) {
  if (DWORD error = vandrel::gdi_testing::CallHookAnswer("FrameRgn")) {
    SetLastError(error);
    return FALSE;
  }
  if (width < 1 || height < 1) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  auto lock = DrawLock();
  RegionPaint paint;
  if (!FindRegionPaint(dc, region, brush, paint)) return FALSE;
  const RECT& box = paint.box;
  LogCall(
      paint.target, "FrameRgn",
      Format("%d,%d,%d,%d %dx%d ", {box.left, box.top, box.right, box.bottom, width, height}) + BrushText(paint.brush));
  QuietLog quiet;
  // The inside is the region shifted by the frame's size each way, intersected; the frame is the rest.
  HRGN inside = CreateRectRgn(0, 0, 0, 0);
  HRGN shifted = CreateRectRgn(0, 0, 0, 0);
  CombineRegions(inside, region, nullptr, RGN_COPY);
  const int moves[4][2] = {{width, 0}, {-width, 0}, {0, height}, {0, -height}};
  for (const auto& m : moves) {
    CombineRegions(shifted, region, nullptr, RGN_COPY);
    OffsetRgn(shifted, m[0], m[1]);
    CombineRegions(inside, inside, shifted, RGN_AND);
  }
  HRGN frame = CreateRectRgn(0, 0, 0, 0);
  CombineRegions(frame, region, inside, RGN_DIFF);
  BOOL done = FillRgn(dc, frame, brush);
  DeleteObject(frame);
  DeleteObject(shifted);
  DeleteObject(inside);
  return done;
}

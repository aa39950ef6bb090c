// Logical palettes; the true-colour screen realises nothing.
#include <algorithm>

#include "platform/winapi/LastError.h"
#include "platform/winapi/gdi32/Raster.h"

HPALETTE CreatePalette(const LOGPALETTE* palette) {
  if (!palette || palette->palVersion != 0x300 || palette->palNumEntries < 1 || palette->palNumEntries > 1024) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto object = std::make_unique<PaletteObject>();
  object->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
  return reinterpret_cast<HPALETTE>(AddGdiObject(std::move(object)));
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL forceBackground) {
  auto lock = DrawLock();
  auto* context = FindGdi<DeviceContext>(dc);
  if (!context || !FindGdi<PaletteObject>(palette)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Target t;
  TargetOf(context, t);
  LogCall(t, "SelectPalette", forceBackground ? "background" : "foreground");
  return reinterpret_cast<HPALETTE>(SelectObject(dc, AsGdiObject(palette)));
}

UINT RealizePalette(HDC dc) {
  auto lock = DrawLock();
  auto* context = FindGdi<DeviceContext>(dc);
  if (!context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return GDI_ERROR;
  }
  Target t;
  TargetOf(context, t);
  LogCall(t, "RealizePalette", "");
  return 0;
}

UINT GetPaletteEntries(HPALETTE palette, UINT start, UINT count, PALETTEENTRY* entries) {
  auto lock = DrawLock();
  auto* object = FindGdi<PaletteObject>(palette);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  UINT size = UINT(object->entries.size());
  if (!entries) return size;
  if (start >= size) return 0;
  UINT n = std::min(count, size - start);
  std::copy_n(object->entries.begin() + start, n, entries);
  return n;
}

UINT SetPaletteEntries(HPALETTE palette, UINT start, UINT count, const PALETTEENTRY* entries) {
  auto lock = DrawLock();
  auto* object = FindGdi<PaletteObject>(palette);
  if (!object || !entries) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  UINT size = UINT(object->entries.size());
  if (start >= size) return 0;
  UINT n = std::min(count, size - start);
  std::copy_n(entries, n, object->entries.begin() + start);
  return n;
}

UINT GetNearestPaletteIndex(HPALETTE palette, COLORREF color) {
  auto lock = DrawLock();
  auto* object = FindGdi<PaletteObject>(palette);
  if (!object) {
    SetLastError(ERROR_INVALID_HANDLE);
    return CLR_INVALID;
  }
  std::vector<RGBQUAD> table;
  for (const PALETTEENTRY& e : object->entries) table.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
  return NearestIndex(table.data(), table.size(), color & 0xFFFFFF);
}

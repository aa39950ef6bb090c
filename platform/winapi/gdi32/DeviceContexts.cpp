// Drawing attributes of device contexts, where a context draws, and how it resolves colours.
#include "platform/winapi/LastError.h"
#include "platform/winapi/gdi32/Raster.h"

namespace {

template <class T>
T Exchange(HDC dc, T DeviceContext::*field, T value, T failed) {
  auto lock = DrawLock();
  auto* context = FindGdi<DeviceContext>(dc);
  if (!context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return failed;
  }
  T previous = context->*field;
  context->*field = value;
  return previous;
}

template <class T>
T Read(HDC dc, T DeviceContext::*field, T failed) {
  auto lock = DrawLock();
  auto* context = FindGdi<DeviceContext>(dc);
  return context ? context->*field : failed;
}

}  // namespace

std::unique_lock<std::recursive_mutex> DrawLock() {
  static std::recursive_mutex* lock = new std::recursive_mutex;
  return std::unique_lock(*lock);
}

HGDIOBJ DefaultObject(const DeviceContext& dc, DWORD type) {
  switch (type) {
    case OBJ_BRUSH: return GetStockObject(WHITE_BRUSH);
    case OBJ_PAL: return GetStockObject(DEFAULT_PALETTE);
    case OBJ_BITMAP: return dc.memory ? StockBitmap() : nullptr;
    default: return nullptr;
  }
}

HGDIOBJ CurrentObject(const DeviceContext& dc, DWORD type) {
  auto it = dc.selected.find(type);
  return it == dc.selected.end() ? DefaultObject(dc, type) : it->second;
}

bool TargetOf(DeviceContext* dc, Target& target) {
  target = Target{};
  if (!dc) return false;
  if (!dc->memory) {
    if (!dc->window) return true;
    target.window = dc->window;
    target.bitmap = SurfaceFor(dc->window, target.dx, target.dy, target.clip, dc->wholeWindow);
    return true;
  }
  HGDIOBJ selected = CurrentObject(*dc, OBJ_BITMAP);
  if (selected == StockBitmap()) return true;
  target.bitmap = FindGdi<BitmapObject>(selected);
  if (target.bitmap) target.clip = RECT{0, 0, target.bitmap->width, target.bitmap->height};
  return true;
}

COLORREF ResolveColor(DeviceContext* dc, COLORREF color) {
  if ((color >> 24) == 1) {
    auto* palette = FindGdi<PaletteObject>(CurrentObject(*dc, OBJ_PAL));
    WORD index = WORD(color);
    if (!palette || index >= palette->entries.size()) return 0;
    const PALETTEENTRY& e = palette->entries[index];
    return RGB(e.peRed, e.peGreen, e.peBlue);
  }
  return color & 0xFFFFFF;
}

COLORREF SetBkColor(HDC dc, COLORREF color) { return Exchange(dc, &DeviceContext::bkColor, color, CLR_INVALID); }
COLORREF GetBkColor(HDC dc) { return Read(dc, &DeviceContext::bkColor, CLR_INVALID); }
COLORREF SetTextColor(HDC dc, COLORREF color) { return Exchange(dc, &DeviceContext::textColor, color, CLR_INVALID); }
COLORREF GetTextColor(HDC dc) { return Read(dc, &DeviceContext::textColor, CLR_INVALID); }

int SetBkMode(HDC dc, int mode) {
  if (mode != TRANSPARENT && mode != OPAQUE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Exchange(dc, &DeviceContext::bkMode, mode, 0);
}
int GetBkMode(HDC dc) { return Read(dc, &DeviceContext::bkMode, 0); }

int SetStretchBltMode(HDC dc, int mode) {
  if (mode < BLACKONWHITE || mode > HALFTONE) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Exchange(dc, &DeviceContext::stretchMode, mode, 0);
}
int GetStretchBltMode(HDC dc) { return Read(dc, &DeviceContext::stretchMode, 0); }

int SetMapMode(HDC dc, int mode) {
  if (mode != MM_TEXT) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  return Exchange(dc, &DeviceContext::mapMode, mode, 0);
}
int GetMapMode(HDC dc) { return Read(dc, &DeviceContext::mapMode, 0); }

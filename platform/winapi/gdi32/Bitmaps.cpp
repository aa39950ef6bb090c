// Making bitmaps and describing GDI objects.
#include <cstring>

#include "platform/winapi/LastError.h"
#include "platform/winapi/gdi32/Raster.h"

namespace {

HBITMAP Add(std::unique_ptr<BitmapObject> bitmap) { return reinterpret_cast<HBITMAP>(AddGdiObject(std::move(bitmap))); }

std::unique_ptr<BitmapObject> Ddb(int width, int height, bool mono) {
  auto bitmap = std::make_unique<BitmapObject>();
  if (!bitmap->Allocate(width, height, mono ? 1 : 32)) return nullptr;
  bitmap->topDown = true;
  if (mono) bitmap->colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  return bitmap;
}

bool ValidDibDepth(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

}  // namespace

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits) {
  if (width < 0 || height < 0 || planes != 1 || bitsPerPixel == 0 || bitsPerPixel > 32) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto lock = DrawLock();
  bool mono = bitsPerPixel == 1;
  auto bitmap = Ddb(width, height, mono);
  if (!bitmap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (bits) {
    // Device-dependent rows are padded to 2 bytes; only 1 and 32 bits match a depth of ours.
    size_t in = (size_t(width) * bitsPerPixel + 15) / 16 * 2;
    const auto* src = static_cast<const uint8_t*>(bits);
    if (bitsPerPixel == 1 || bitsPerPixel == 32)
      for (int y = 0; y < height; ++y) std::memcpy(bitmap->Row(y), src + size_t(y) * in, in);
  }
  return Add(std::move(bitmap));
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height) {
  auto lock = DrawLock();
  auto* context = FindGdi<DeviceContext>(dc);
  if (!context) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  Target target;
  TargetOf(context, target);
  bool mono = context->memory && (!target.bitmap || target.bitmap->MonoDdb());
  auto bitmap = Ddb(width < 0 ? 0 : width, height < 0 ? 0 : height, mono);
  if (!bitmap) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  return Add(std::move(bitmap));
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* info, UINT usage, void** bits, HANDLE, DWORD) {
  if (bits) *bits = nullptr;
  if (!info || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int depth = h.biBitCount;
  bool fields = h.biCompression == BI_BITFIELDS;
  if (!ValidDibDepth(depth) || h.biPlanes != 1 || h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN ||
      (h.biCompression != BI_RGB && !(fields && (depth == 16 || depth == 32)))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  auto lock = DrawLock();
  auto bitmap = std::make_unique<BitmapObject>();
  bitmap->dib = true;
  bitmap->topDown = h.biHeight < 0;
  const auto* tail = reinterpret_cast<const uint8_t*>(info) + h.biSize;
  if (fields) std::memcpy(bitmap->masks, tail, sizeof bitmap->masks);
  if (!bitmap->Allocate(h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, depth)) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return nullptr;
  }
  if (depth <= 8) {
    size_t count = h.biClrUsed && h.biClrUsed < (1u << depth) ? h.biClrUsed : size_t(1) << depth;
    std::memcpy(bitmap->colors.data(), tail, count * sizeof(RGBQUAD));
  }
  bitmap->header = h;
  bitmap->header.biSize = sizeof(BITMAPINFOHEADER);
  bitmap->header.biSizeImage = DWORD(bitmap->data.size());
  if (bits) *bits = bitmap->data.data();
  return Add(std::move(bitmap));
}

int GetObjectA(HGDIOBJ object, int size, LPVOID buffer) {
  auto lock = DrawLock();
  GdiObject* found = FindGdiObject(object);
  if (auto* bitmap = dynamic_cast<BitmapObject*>(found)) {
    BITMAP bm{0,
              bitmap->width,
              bitmap->height,
              LONG(bitmap->dib ? bitmap->Stride() : (size_t(bitmap->width) * size_t(bitmap->bits) + 15) / 16 * 2),
              1,
              WORD(bitmap->bits),
              bitmap->dib ? bitmap->data.data() : nullptr};
    if (bitmap->dib && size >= int(sizeof(DIBSECTION))) {
      if (!buffer) return sizeof(DIBSECTION);
      DIBSECTION ds{};
      ds.dsBm = bm;
      ds.dsBmih = bitmap->header;
      if (bitmap->header.biCompression == BI_BITFIELDS)
        std::memcpy(ds.dsBitfields, bitmap->masks, sizeof ds.dsBitfields);
      std::memcpy(buffer, &ds, sizeof ds);
      return sizeof(DIBSECTION);
    }
    if (!buffer) return sizeof(BITMAP);
    if (size < int(sizeof(BITMAP))) return 0;
    std::memcpy(buffer, &bm, sizeof bm);
    return sizeof(BITMAP);
  }
  if (auto* palette = dynamic_cast<PaletteObject*>(found)) {
    if (!buffer) return sizeof(WORD);
    if (size < int(sizeof(WORD))) return 0;
    WORD count = WORD(palette->entries.size());
    std::memcpy(buffer, &count, sizeof count);
    return sizeof(WORD);
  }
  if (auto* brush = dynamic_cast<BrushObject*>(found)) {
    if (!buffer) return sizeof(LOGBRUSH);
    if (size < int(sizeof(LOGBRUSH))) return 0;
    std::memcpy(buffer, &brush->brush, sizeof(LOGBRUSH));
    return sizeof(LOGBRUSH);
  }
  SetLastError(ERROR_INVALID_HANDLE);
  return 0;
}

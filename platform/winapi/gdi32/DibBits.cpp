// Reading and writing a bitmap's rows as a device-independent bitmap of a chosen depth.
#include <algorithm>
#include <cstring>

#include "platform/winapi/LastError.h"
#include "platform/winapi/gdi32/Raster.h"

namespace {

constexpr RGBQUAD kVga[16] = {
    {0, 0, 0, 0},     {0, 0, 128, 0},     {0, 128, 0, 0},     {0, 128, 128, 0},   {128, 0, 0, 0}, {128, 0, 128, 0},
    {128, 128, 0, 0}, {192, 192, 192, 0}, {128, 128, 128, 0}, {0, 0, 255, 0},     {0, 255, 0, 0}, {0, 255, 255, 0},
    {255, 0, 0, 0},   {255, 0, 255, 0},   {255, 255, 0, 0},   {255, 255, 255, 0},
};

// The fixed table of a depth for sources of another depth.
std::vector<RGBQUAD> FixedTable(int depth) {
  if (depth == 1) return {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  if (depth == 4) return std::vector<RGBQUAD>(std::begin(kVga), std::end(kVga));
  std::vector<RGBQUAD> cube(256, RGBQUAD{0, 0, 0, 0});
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b)
        cube[size_t(r * 36 + g * 6 + b)] = RGBQUAD{BYTE(b * 51), BYTE(g * 51), BYTE(r * 51), 0};
  return cube;
}

bool ValidDepth(int d) { return d == 1 || d == 4 || d == 8 || d == 16 || d == 24 || d == 32; }

// A bitmap in the caller's layout (its rows are filled by the caller).
BitmapObject Layout(const BITMAPINFOHEADER& h, int width, int height) {
  BitmapObject b;
  b.width = width;
  b.height = height;
  b.bits = h.biBitCount;
  b.dib = true;
  b.topDown = h.biHeight < 0;
  if (b.bits == 16) b.masks[0] = 0x7C00, b.masks[1] = 0x03E0, b.masks[2] = 0x001F;
  if (b.bits == 32) b.masks[0] = 0xFF0000, b.masks[1] = 0x00FF00, b.masks[2] = 0x0000FF;
  return b;
}

}  // namespace

int GetDIBits(HDC, HBITMAP handle, UINT start, UINT lines, LPVOID bits, BITMAPINFO* info, UINT usage) {
  auto lock = DrawLock();
  auto* bitmap = FindGdi<BitmapObject>(handle);
  if (!bitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!info || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BITMAPINFOHEADER& h = info->bmiHeader;
  bool topDown = h.biHeight < 0;
  if (!bits && h.biBitCount == 0) {
    h.biWidth = bitmap->width;
    h.biHeight = bitmap->height;
    h.biPlanes = 1;
    h.biBitCount = WORD(bitmap->bits);
    h.biCompression = BI_RGB;
    h.biSizeImage = DWORD(bitmap->Stride() * size_t(bitmap->height));
    return bitmap->height ? bitmap->height : 1;
  }
  int depth = h.biBitCount;
  if (!ValidDepth(depth)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  h.biWidth = bitmap->width;
  h.biHeight = topDown ? -bitmap->height : bitmap->height;
  h.biPlanes = 1;
  h.biCompression = BI_RGB;
  h.biClrUsed = 0;
  BitmapObject out = Layout(h, bitmap->width, bitmap->height);
  h.biSizeImage = DWORD(out.Stride() * size_t(bitmap->height));
  bool keepIndexes = bitmap->Indexed() && bitmap->bits == depth;
  if (depth <= 8) {
    out.colors = keepIndexes ? bitmap->colors : FixedTable(depth);
    std::memcpy(info->bmiColors, out.colors.data(), out.colors.size() * sizeof(RGBQUAD));
  }
  if (start >= UINT(bitmap->height)) return 0;
  if (lines > UINT(bitmap->height) - start) lines = UINT(bitmap->height) - start;
  if (!bits) return int(lines);
  bool raw = keepIndexes || out.SameFormat(*bitmap);
  out.height = int(lines);
  out.data.assign(out.Stride() * lines, 0);
  for (UINT i = 0; i < lines; ++i) {
    int y = topDown ? int(start + i) : bitmap->height - 1 - int(start + i);  // source row from the top
    int oy = topDown ? int(i) : int(lines - 1 - i);
    for (int x = 0; x < bitmap->width; ++x) {
      uint32_t v = bitmap->Get(x, y);
      out.Put(x, oy, raw ? v : out.ValueOf(bitmap->ColorOf(v)));
    }
  }
  std::memcpy(bits, out.data.data(), out.data.size());
  return int(lines);
}

int SetDIBits(HDC, HBITMAP handle, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage) {
  auto lock = DrawLock();
  auto* bitmap = FindGdi<BitmapObject>(handle);
  if (!bitmap) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  if (!info || !bits || usage != DIB_RGB_COLORS || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) ||
      !ValidDepth(info->bmiHeader.biBitCount) || info->bmiHeader.biCompression != BI_RGB) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  const BITMAPINFOHEADER& h = info->bmiHeader;
  int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  if (h.biWidth <= 0 || rows <= 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  BitmapObject in = Layout(h, h.biWidth, int(lines));
  if (in.bits <= 8) {
    in.colors.assign(size_t(1) << in.bits, RGBQUAD{0, 0, 0, 0});
    size_t count = h.biClrUsed && h.biClrUsed < in.colors.size() ? h.biClrUsed : in.colors.size();
    std::memcpy(in.colors.data(), info->bmiColors, count * sizeof(RGBQUAD));
  }
  const auto* src = static_cast<const uint8_t*>(bits);
  in.data.assign(src, src + in.Stride() * lines);
  bool raw = bitmap->SameFormat(in);
  int written = 0;
  for (UINT i = 0; i < lines; ++i) {
    int fromBottom = int(start + i);
    if (fromBottom >= bitmap->height || fromBottom >= rows) break;
    int y = h.biHeight < 0 ? fromBottom : bitmap->height - 1 - fromBottom;
    int iy = h.biHeight < 0 ? int(i) : int(lines) - 1 - int(i);
    for (int x = 0; x < bitmap->width && x < in.width; ++x) {
      uint32_t v = in.Get(x, iy);
      bitmap->Put(x, y, raw ? v : bitmap->ValueOf(in.ColorOf(v)));
    }
    ++written;
  }
  return written;
}

namespace {

BitmapObject* SelectedDib(HDC dc) {
  auto* context = FindGdi<DeviceContext>(dc);
  if (!context || !context->memory) return nullptr;
  auto* bitmap = FindGdi<BitmapObject>(CurrentObject(*context, OBJ_BITMAP));
  return bitmap && bitmap->dib && bitmap->Indexed() ? bitmap : nullptr;
}

}  // namespace

UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors) {
  auto lock = DrawLock();
  BitmapObject* bitmap = SelectedDib(dc);
  if (!bitmap || !colors || start >= bitmap->colors.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(bitmap->colors.size()) - start);
  std::memcpy(colors, bitmap->colors.data() + start, n * sizeof(RGBQUAD));
  return n;
}

UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors) {
  auto lock = DrawLock();
  BitmapObject* bitmap = SelectedDib(dc);
  if (!bitmap || !colors || start >= bitmap->colors.size()) return 0;
  UINT n = std::min<UINT>(count, UINT(bitmap->colors.size()) - start);
  std::memcpy(bitmap->colors.data() + start, colors, n * sizeof(RGBQUAD));
  return n;
}

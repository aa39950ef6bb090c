#include "platform/components/DibSections.h"

#include <cstring>

#include "platform/components/Graphics.h"
#include "platform/winapi/GdiObjects.h"

size_t DibStride(int width, int bits) { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }

HBITMAP MakeDibSection(const TDibLayout& layout, uint8_t** pixels) {
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  std::memcpy(info.data(), &layout.header, sizeof layout.header);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  header->biSize = sizeof(BITMAPINFOHEADER);
  header->biPlanes = 1;
  if (layout.header.biCompression == BI_BITFIELDS)
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), layout.masks, sizeof layout.masks);
  else if (!layout.table.empty())
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), layout.table.data(),
                std::min<size_t>(layout.table.size(), 256) * sizeof(RGBQUAD));
  void* bits = nullptr;
  HBITMAP bitmap =
      CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &bits, nullptr, 0);
  if (!bitmap) throw EOutOfResources("Out of system resources");
  if (pixels) *pixels = static_cast<uint8_t*>(bits);
  return bitmap;
}

bool ReadDib(HBITMAP bitmap, TDibLayout& layout, std::string* rows) {
  DIBSECTION ds{};
  int got = GetObject(bitmap, sizeof ds, &ds);
  if (!got) return false;
  int width = ds.dsBm.bmWidth, height = ds.dsBm.bmHeight, bits = ds.dsBm.bmBitsPixel;
  size_t stride = DibStride(width, bits);
  layout = TDibLayout{};
  HDC dc = CreateCompatibleDC(nullptr);
  if (got == int(sizeof ds)) {
    layout.header = ds.dsBmih;
    layout.header.biHeight = height;
    if (layout.header.biCompression == BI_BITFIELDS) std::memcpy(layout.masks, ds.dsBitfields, sizeof layout.masks);
    if (bits <= 8) {
      layout.table.assign(size_t(1) << bits, RGBQUAD{0, 0, 0, 0});
      HGDIOBJ old = SelectObject(dc, AsGdiObject(bitmap));
      GetDIBColorTable(dc, 0, UINT(layout.table.size()), layout.table.data());
      SelectObject(dc, old);
    }
    const auto* memory = static_cast<const uint8_t*>(ds.dsBm.bmBits);
    if (rows) rows->assign(stride * size_t(height), '\0');
    for (int y = 0; rows && y < height; ++y) {
      // Row y from the bottom; a top-down section keeps its top row first.
      int from = ds.dsBmih.biHeight < 0 ? height - 1 - y : y;
      std::memcpy(rows->data() + size_t(y) * stride, memory + size_t(from) * stride, stride);
    }
  } else {
    layout.header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, WORD(bits), BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
    std::memcpy(info.data(), &layout.header, sizeof layout.header);
    std::string scratch;
    std::string& out = rows ? *rows : scratch;
    out.assign(stride * size_t(height), '\0');
    GetDIBits(dc, bitmap, 0, UINT(height), rows ? out.data() : nullptr, reinterpret_cast<BITMAPINFO*>(info.data()),
              DIB_RGB_COLORS);
    if (bits <= 8) {
      layout.table.resize(size_t(1) << bits);
      std::memcpy(layout.table.data(), info.data() + sizeof(BITMAPINFOHEADER), layout.table.size() * sizeof(RGBQUAD));
    }
  }
  layout.header.biSizeImage = DWORD(stride * size_t(height));
  DeleteDC(dc);
  return true;
}

// Drawing an icon: the surface under the rectangle is read into a 32-bit DIB section, the icon's pixels
// are put on it by mask and image or by alpha, and it is copied back.
#include "platform/components/DibSections.h"
#include "platform/components/Icons.h"
#include "platform/winapi/GdiObjects.h"

namespace {

uint32_t Blend(uint32_t surface, uint32_t pixel) {
  uint32_t alpha = pixel >> 24, out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    uint32_t s = pixel >> shift & 0xFF, d = surface >> shift & 0xFF;
    out |= ((s * alpha + d * (255 - alpha) + 127) / 255) << shift;
  }
  return out;
}

}  // namespace

void TIcon::Draw(TCanvas* canvas, const RECT& rect) {
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (Empty() || width <= 0 || height <= 0) return;
  HDC dc = canvas->Handle();
  TDibLayout layout;
  layout.header.biSize = sizeof(BITMAPINFOHEADER);
  layout.header.biWidth = width;
  layout.header.biHeight = -height;
  layout.header.biPlanes = 1;
  layout.header.biBitCount = 32;
  uint8_t* memory = nullptr;
  HBITMAP surface = MakeDibSection(layout, &memory);
  HDC work = CreateCompatibleDC(dc);
  HGDIOBJ old = SelectObject(work, AsGdiObject(surface));
  BitBlt(work, 0, 0, width, height, dc, rect.left, rect.top, SRCCOPY);
  auto* rows = reinterpret_cast<uint32_t*>(memory);
  for (int y = 0; y < height; ++y) {
    int sy = int((2 * int64_t(y) + 1) * height_ / (2 * int64_t(height)));
    for (int x = 0; x < width; ++x) {
      int sx = int((2 * int64_t(x) + 1) * width_ / (2 * int64_t(width)));
      uint32_t& d = rows[size_t(y) * size_t(width) + size_t(x)];
      uint32_t pixel = pixels_[Index(sx, sy)];
      if (blended_)
        d = Blend(d, pixel);
      else
        d = ((mask_[Index(sx, sy)] ? d : 0) ^ pixel) & 0xFFFFFF;
    }
  }
  BitBlt(dc, rect.left, rect.top, width, height, work, 0, 0, SRCCOPY);
  SelectObject(work, old);
  DeleteDC(work);
  DeleteObject(AsGdiObject(surface));
}

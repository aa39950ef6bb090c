#include "platform/winapi/tests/GdiTestSupport.h"

#include <cstring>
#include <vector>

namespace gditest {

MemoryCanvas::MemoryCanvas(HBITMAP bitmap)
    : dc_(CreateCompatibleDC(nullptr)), bitmap_(bitmap), old_(SelectObject(dc_, AsGdiObject(bitmap))) {}

MemoryCanvas::~MemoryCanvas() {
  SelectObject(dc_, old_);
  DeleteDC(dc_);
  DeleteObject(bitmap_);
}

HBITMAP Dib(int width, int height, int bits, const std::vector<RGBQUAD>& colors) {
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD), 0);
  auto* header = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), width, height, 1, WORD(bits), BI_RGB, 0, 0, 0, 0, 0};
  if (!colors.empty())
    std::memcpy(info.data() + sizeof(BITMAPINFOHEADER), colors.data(), colors.size() * sizeof(RGBQUAD));
  void* pixels = nullptr;
  return CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS, &pixels, nullptr, 0);
}

HBITMAP Mono(int width, int height) { return CreateBitmap(width, height, 1, 1, nullptr); }

}  // namespace gditest

// Test support for the GDI: memory contexts holding a bitmap, and DIB sections of any depth.
#pragma once
#include <vector>

#include "platform/winapi/Bitmaps.h"

namespace gditest {

// A memory context with a bitmap selected into it; both are deleted at the end of its life.
class MemoryCanvas {
 public:
  explicit MemoryCanvas(HBITMAP bitmap);
  ~MemoryCanvas();
  MemoryCanvas(const MemoryCanvas&) = delete;
  MemoryCanvas& operator=(const MemoryCanvas&) = delete;
  HDC dc() const { return dc_; }
  HBITMAP bitmap() const { return bitmap_; }

 private:
  HDC dc_;
  HBITMAP bitmap_;
  HGDIOBJ old_;
};

// A bottom-up DIB section; the table (for 8 bits or fewer) is padded with black.
HBITMAP Dib(int width, int height, int bits, const std::vector<RGBQUAD>& colors = {});
// A monochrome device-dependent bitmap.
HBITMAP Mono(int width, int height);

}  // namespace gditest

// Bitmaps and BMP files for the tests of WkGraph.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/winapi/Bitmaps.h"
#include "wizard-components/WkGraph.h"

namespace wkgraph_test {

// A pf24bit bitmap whose pixel (x, y), y = 0 at the top, has the colour `rgb(x, y)` as 0xRRGGBB.
std::unique_ptr<TBitmap> Bitmap24(int width, int height, const std::function<uint32_t(int x, int y)>& rgb);
// BitmapToDibStream's bytes, expecting the stream at position 0.
std::string Converted(TBitmap& bitmap, int depth, ReductionMethod method);
std::string Saved(TBitmap& bitmap);

struct TBmpFile {
  uint32_t fileSize = 0, offBits = 0;
  BITMAPINFOHEADER info{};
  std::vector<RGBQUAD> table;
  std::string pixels;  // from the pixel offset to the end
  // The colour (0xRRGGBB) of pixel x of storage row y of an 8-bit file.
  uint32_t Colour8(int x, int y) const;
  uint8_t Index8(int x, int y) const { return uint8_t(pixels[size_t(y) * Stride() + size_t(x)]); }
  size_t Stride() const { return (size_t(info.biWidth) * info.biBitCount + 31) / 32 * 4; }
};
TBmpFile ParseBmp(const std::string& bytes);

std::string Hex(const std::string& bytes);
std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
std::string Table(const std::vector<RGBQUAD>& table);

}  // namespace wkgraph_test

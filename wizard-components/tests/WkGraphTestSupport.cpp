#include "WkGraphTestSupport.h"

#include <gtest/gtest.h>

#include <cstring>

namespace wkgraph_test {

std::unique_ptr<TBitmap> Bitmap24(int width, int height, const std::function<uint32_t(int x, int y)>& rgb) {
  std::unique_ptr<TBitmap> bitmap(TBitmap::Create());
  bitmap->SetSize(width, height);
  bitmap->SetPixelFormat(pf24bit);
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bitmap->ScanLine(y);
    for (int x = 0; x < width; ++x) {
      uint32_t c = rgb(x, y);
      row[3 * x] = uint8_t(c), row[3 * x + 1] = uint8_t(c >> 8), row[3 * x + 2] = uint8_t(c >> 16);
    }
  }
  return bitmap;
}

std::string Converted(TBitmap& bitmap, int depth, ReductionMethod method) {
  std::unique_ptr<TMemoryStream> stream = BitmapToDibStream(&bitmap, depth, method);
  EXPECT_EQ(stream->Position(), 0);
  return std::string(static_cast<const char*>(stream->Memory()), size_t(stream->Size()));
}

std::string Saved(TBitmap& bitmap) {
  TStringStream stream;
  bitmap.SaveToStream(&stream);
  return stream.DataString();
}

uint32_t TBmpFile::Colour8(int x, int y) const {
  const RGBQUAD& q = table.at(Index8(x, y));
  return uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
}

TBmpFile ParseBmp(const std::string& bytes) {
  TBmpFile f;
  if (bytes.size() < 54 || bytes.compare(0, 2, "BM") != 0) {
    ADD_FAILURE() << "not a BMP file";
    return f;
  }
  std::memcpy(&f.fileSize, bytes.data() + 2, 4);
  std::memcpy(&f.offBits, bytes.data() + 10, 4);
  std::memcpy(&f.info, bytes.data() + 14, sizeof f.info);
  size_t colours = f.info.biBitCount <= 8 ? size_t(1) << f.info.biBitCount : 0;
  f.table.resize(colours);
  if (colours && 54 + 4 * colours <= bytes.size()) std::memcpy(f.table.data(), bytes.data() + 54, 4 * colours);
  if (f.offBits <= bytes.size()) f.pixels = bytes.substr(f.offBits);
  return f;
}

std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string out;
  for (unsigned char b : bytes) out += {kDigits[b >> 4], kDigits[b & 15]};
  return out;
}

std::string Le16(uint16_t v) { return {char(v), char(v >> 8)}; }
std::string Le32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

std::string Table(const std::vector<RGBQUAD>& table) {
  std::string out;
  for (const RGBQUAD& q : table) out += {char(q.rgbBlue), char(q.rgbGreen), char(q.rgbRed), char(q.rgbReserved)};
  return out;
}

}  // namespace wkgraph_test

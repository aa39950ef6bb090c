#include "platform/testing/BmpWriter.h"

namespace testing_support {

namespace {

void Put(std::string& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(char(value >> (8 * i) & 0xFF));
}

}  // namespace

std::string Bmp24(int width, int height, const std::function<uint32_t(int x, int y)>& pixel) {
  uint32_t stride = (uint32_t(width) * 3 + 3) / 4 * 4;
  std::string out = "BM";
  Put(out, 54 + stride * uint32_t(height), 4);
  Put(out, 0, 4);
  Put(out, 54, 4);
  Put(out, 40, 4);
  Put(out, uint32_t(width), 4);
  Put(out, uint32_t(height), 4);
  Put(out, 1, 2);
  Put(out, 24, 2);
  for (int i = 0; i < 6; ++i) Put(out, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    for (int x = 0; x < width; ++x) Put(out, pixel(x, y), 3);
    out.append(stride - uint32_t(width) * 3, '\0');
  }
  return out;
}

}  // namespace testing_support

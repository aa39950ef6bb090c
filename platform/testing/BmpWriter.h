// Writes small 24-bit BMP files for tests: rows bottom-up, info header, no palette.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

namespace testing_support {

// The bytes of a width x height BMP file whose pixel (x, y), y = 0 at the top, has the colour
// `pixel(x, y)` as 0x00RRGGBB.
std::string Bmp24(int width, int height, const std::function<uint32_t(int x, int y)>& pixel);

}  // namespace testing_support

// The fixed palettes of WkGraph: levels, channel ramps and greys.
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "wizard-components/WkGraph.h"
#include "wizard-components/WkGraphReduce.h"

namespace {

// A table of channel levels and, for every channel value, the index of the nearest level (the lower on a
// tie).
struct TLevels {
  const uint8_t* levels;
  int count;
  uint8_t nearest[256];
};

constexpr uint8_t kLevels4[] = {0, 85, 170, 255};
constexpr uint8_t kLevels6[] = {0, 51, 102, 153, 204, 255};
constexpr uint8_t kLevels7[] = {0, 43, 85, 128, 170, 213, 255};
constexpr uint8_t kLevels8[] = {0, 36, 73, 109, 146, 182, 219, 255};

TLevels gLevels4{kLevels4, 4, {}}, gLevels6{kLevels6, 6, {}}, gLevels7{kLevels7, 7, {}}, gLevels8{kLevels8, 8, {}};

void BuildNearest(TLevels& t) {
  for (int value = 0; value < 256; ++value) {
    int best = 0;
    for (int i = 1; i < t.count; ++i)
      if (std::abs(value - t.levels[i]) < std::abs(value - t.levels[best])) best = i;
    t.nearest[value] = uint8_t(best);
  }
}

}  // namespace

void InitColorReduction() {
  static std::once_flag once;
  std::call_once(once, [] {
    for (TLevels* t : {&gLevels4, &gLevels6, &gLevels7, &gLevels8}) BuildNearest(*t);
  });
}

namespace {

// The palette of every red, green and blue level, red outermost, the rest filled with the byte 128; each
// pixel becomes the entry of its channels' nearest levels.
void ReduceLevels(TDibPixels& pixels, RGBQUAD* table, const TLevels& red, const TLevels& green, const TLevels& blue) {
  InitColorReduction();
  std::memset(table, 128, 256 * sizeof(RGBQUAD));
  int i = 0;
  for (int r = 0; r < red.count; ++r)
    for (int g = 0; g < green.count; ++g)
      for (int b = 0; b < blue.count; ++b) table[i++] = RGBQUAD{blue.levels[b], green.levels[g], red.levels[r], 0};
  MapPixels(pixels, [&](uint8_t b, uint8_t g, uint8_t r, int, int) {
    return uint8_t((red.nearest[r] * green.count + green.nearest[g]) * blue.count + blue.nearest[b]);
  });
}

}  // namespace

void ReduceLevels784(TDibPixels& pixels, RGBQUAD* table) { ReduceLevels(pixels, table, gLevels7, gLevels8, gLevels4); }

void ReduceLevels666(TDibPixels& pixels, RGBQUAD* table) { ReduceLevels(pixels, table, gLevels6, gLevels6, gLevels6); }

void ReduceChannelCycle(TDibPixels& pixels, RGBQUAD* table) {
  std::memset(table, 0, 256 * sizeof(RGBQUAD));
  for (int i = 0; i < 64; ++i) {
    table[i].rgbRed = uint8_t(4 * i);
    table[64 + i].rgbGreen = uint8_t(4 * i);
    table[128 + i].rgbBlue = uint8_t(4 * i);
  }
  MapPixels(pixels, [](uint8_t blue, uint8_t green, uint8_t red, int x, int y) {
    switch ((x + y) % 3) {
      case 0: return uint8_t(red >> 2);
      case 1: return uint8_t(64 + (green >> 2));
      default: return uint8_t(128 + (blue >> 2));
    }
  });
}

void ReduceGrayscale(TDibPixels& pixels, RGBQUAD* table) {
  for (int i = 0; i < 256; ++i) table[i] = RGBQUAD{uint8_t(i), uint8_t(i), uint8_t(i), 0};
  MapPixels(pixels, [](uint8_t blue, uint8_t green, uint8_t red, int, int) { return GreyOf(blue, green, red); });
}

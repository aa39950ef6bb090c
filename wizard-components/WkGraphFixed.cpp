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

void ReduceLevels784(TDibPixels& pixels, RGBQUAD* table) {
  InitColorReduction();
  std::memset(table, 128, 256 * sizeof(RGBQUAD));
  for (int r = 0; r < 7; ++r)
    for (int g = 0; g < 8; ++g)
      for (int b = 0; b < 4; ++b) table[r * 32 + g * 4 + b] = RGBQUAD{kLevels4[b], kLevels8[g], kLevels7[r], 0};
  MapPixels(pixels, [](uint8_t blue, uint8_t green, uint8_t red, int, int) {
    return uint8_t(gLevels7.nearest[red] * 32 + gLevels8.nearest[green] * 4 + gLevels4.nearest[blue]);
  });
}

void ReduceLevels666(TDibPixels& pixels, RGBQUAD* table) {
  InitColorReduction();
  std::memset(table, 128, 256 * sizeof(RGBQUAD));
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) table[r * 36 + g * 6 + b] = RGBQUAD{kLevels6[b], kLevels6[g], kLevels6[r], 0};
  MapPixels(pixels, [](uint8_t blue, uint8_t green, uint8_t red, int, int) {
    return uint8_t(gLevels6.nearest[red] * 36 + gLevels6.nearest[green] * 6 + gLevels6.nearest[blue]);
  });
}

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

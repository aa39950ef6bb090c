// The reduction methods of WkGraph. Each writes a 256-entry colour table and turns the 24-bit pixels of a
// bottom-up DIB into 8-bit ones in the same buffer: an 8-bit row is never longer than its 24-bit one and is
// written behind the read position, so the padding at the end of an 8-bit row keeps what was there.
#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/winapi/Bitmaps.h"
#include "wizard-components/WkUtils.h"

// A zero-filled block of global memory for the duration of a conversion.
class TWorkBlock {
 public:
  // EOutOfResources "Out of system resources" for a size past what one block can hold.
  explicit TWorkBlock(size_t size);
  ~TWorkBlock() { FreeGlobalBlock(block_); }
  TWorkBlock(const TWorkBlock&) = delete;
  TWorkBlock& operator=(const TWorkBlock&) = delete;
  uint8_t* Bytes() const { return static_cast<uint8_t*>(block_); }
  template <class T>
  T* As() const {
    return static_cast<T*>(block_);
  }

 private:
  void* block_;
};

struct TDibPixels {
  uint8_t* bits;  // the rows in storage order, bottom-up
  int width, height;

  size_t Stride24() const { return (size_t(width) * 24 + 31) / 32 * 4; }
  size_t Stride8() const { return (size_t(width) * 8 + 31) / 32 * 4; }
  size_t Count() const { return size_t(width) * size_t(height); }
};

// Calls f(blue, green, red) for every 24-bit pixel in storage order while f answers true; false when f
// stopped the walk.
template <class F>
bool EachPixel24(const TDibPixels& p, F f) {
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* row = p.bits + size_t(y) * p.Stride24();
    for (int x = 0; x < p.width; ++x, row += 3)
      if (!f(row[0], row[1], row[2])) return false;
  }
  return true;
}

// Replaces every pixel by f(blue, green, red, x, y), an 8-bit index; y is the storage row.
template <class F>
void MapPixels(TDibPixels& p, F f) {
  for (int y = 0; y < p.height; ++y) {
    const uint8_t* in = p.bits + size_t(y) * p.Stride24();
    uint8_t* out = p.bits + size_t(y) * p.Stride8();
    for (int x = 0; x < p.width; ++x, in += 3) {
      uint8_t blue = in[0], green = in[1], red = in[2];
      out[x] = f(blue, green, red, x, y);
    }
  }
}

// The up to `wanted` most frequent colours; the rest of the table grey 128.
void ReducePopularity(TDibPixels& pixels, RGBQUAD* table, int wanted);
// Median cut into at most `wanted` boxes; answers the colours made. The rest of the table is zero.
int ReduceMedianCut(TDibPixels& pixels, RGBQUAD* table, int wanted);
void ReduceLevels784(TDibPixels& pixels, RGBQUAD* table);
void ReduceLevels666(TDibPixels& pixels, RGBQUAD* table);
void ReduceChannelCycle(TDibPixels& pixels, RGBQUAD* table);
void ReduceGrayscale(TDibPixels& pixels, RGBQUAD* table);
// The grey of a colour: (77 red + 150 green + 29 blue) div 256.
inline uint8_t GreyOf(uint8_t blue, uint8_t green, uint8_t red) {
  return uint8_t((77 * red + 150 * green + 29 * blue) >> 8);
}

// Windows BMP files: reading every common layout into a DIB section, and writing a bitmap at its depth.
#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/components/DibSections.h"
#include "platform/components/Graphics.h"

namespace {

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void CheckImageSize(int64_t width, int64_t height) {
  if (width * height > kMaxImagePixels) throw EOutOfResources("Out of system resources");
}

// One colour channel of a 16- or 32-bit pixel: a contiguous mask, scaled to 0..255 (truncating).
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint64_t max = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (!m) return;
    while (!(m & 1)) {
      m >>= 1;
      ++shift;
    }
    if (m & (m + 1)) InvalidBitmap();  // not contiguous
    max = m;
  }
  uint32_t Take(uint32_t value) const { return mask ? uint32_t(uint64_t((value & mask) >> shift) * 255 / max) : 0; }
};

struct DecodedBmp {
  TDibLayout layout;
  std::string rows;  // bottom-up
  bool alpha = false;
};

// Decodes a whole BMP file held in memory.
DecodedBmp DecodeBmp(const uint8_t* p, size_t n) {
  if (n < 18 || p[0] != 'B' || p[1] != 'M') InvalidBitmap();
  uint32_t offBits = U32(p + 10), headerSize = U32(p + 14);
  int64_t width, height;
  unsigned bits;
  uint32_t compression = BI_RGB, colorsUsed = 0, important = 0;
  int32_t xppm = 0, yppm = 0;
  size_t entrySize = 4;
  size_t paletteStart = 14 + size_t(headerSize);
  uint32_t masks[4] = {0, 0, 0, 0};
  if (headerSize == 12) {
    if (n < 26) InvalidBitmap();
    width = U16(p + 18);
    height = U16(p + 20);
    if (U16(p + 22) != 1) InvalidBitmap();
    bits = U16(p + 24);
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24) InvalidBitmap();
    entrySize = 3;
  } else if (headerSize == 40 || headerSize == 52 || headerSize == 56 || headerSize == 108 || headerSize == 124) {
    if (n < 14 + size_t(headerSize)) InvalidBitmap();
    width = int32_t(U32(p + 18));
    height = int32_t(U32(p + 22));
    if (U16(p + 26) != 1) InvalidBitmap();
    bits = U16(p + 28);
    compression = U32(p + 30);
    xppm = int32_t(U32(p + 38));
    yppm = int32_t(U32(p + 42));
    colorsUsed = U32(p + 46);
    important = U32(p + 50);
    if (compression == BI_BITFIELDS) {
      if (bits != 16 && bits != 32) InvalidBitmap();
      if (headerSize == 40) {
        if (n < 66) InvalidBitmap();
        paletteStart += 12;
      }
      for (int i = 0; i < 3; ++i) masks[i] = U32(p + 54 + 4 * i);
      if (headerSize >= 56) masks[3] = U32(p + 66);
    } else if (compression != BI_RGB) {
      InvalidBitmap();
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) InvalidBitmap();
  } else {
    InvalidBitmap();
  }
  if (width <= 0 || height == 0 || height == INT32_MIN) InvalidBitmap();
  bool topDown = height < 0;
  if (topDown) height = -height;
  Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);

  DecodedBmp out;
  TDibLayout& layout = out.layout;
  if (bits <= 8) {
    size_t count = colorsUsed ? colorsUsed : size_t(1) << bits;
    if (count > (size_t(1) << bits)) InvalidBitmap();
    if (paletteStart > n || (n - paletteStart) / entrySize < count) InvalidBitmap();
    layout.table.assign(size_t(1) << bits, RGBQUAD{0, 0, 0, 0});
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = p + paletteStart + i * entrySize;
      layout.table[i] = RGBQUAD{e[0], e[1], e[2], entrySize == 4 ? e[3] : BYTE(0)};
    }
    paletteStart += count * entrySize;
  }
  if (offBits < paletteStart || offBits > n) InvalidBitmap();
  uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  if (uint64_t(height) > (n - offBits) / stride) InvalidBitmap();
  CheckImageSize(width, height);

  // 32 bits with an alpha mask become plain 0xAARRGGBB pixels; everything else keeps its stored values.
  bool convert = bits == 32 && compression == BI_BITFIELDS && masks[3];
  layout.header =
      BITMAPINFOHEADER{40,   int32_t(width), int32_t(height), 1,        WORD(bits), convert ? BI_RGB : compression, 0,
                       xppm, yppm,           colorsUsed,      important};
  if (compression == BI_BITFIELDS && !convert) std::copy(masks, masks + 3, layout.masks);
  out.alpha = convert;
  out.rows.resize(size_t(stride) * size_t(height));
  for (int64_t row = 0; row < height; ++row) {
    const uint8_t* src = p + offBits + size_t(row) * stride;
    uint8_t* dst = reinterpret_cast<uint8_t*>(out.rows.data()) + size_t(topDown ? height - 1 - row : row) * stride;
    if (!convert) {
      std::memcpy(dst, src, size_t(stride));
      continue;
    }
    for (int64_t x = 0; x < width; ++x) {
      uint32_t v = U32(src + x * 4);
      uint32_t pixel = alpha.Take(v) << 24 | red.Take(v) << 16 | green.Take(v) << 8 | blue.Take(v);
      std::memcpy(dst + x * 4, &pixel, 4);
    }
  }
  return out;
}

void Put16(std::string& out, uint16_t v) { out += {char(v), char(v >> 8)}; }
void Put32(std::string& out, uint32_t v) { out += {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

}  // namespace

void TBitmap::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
  stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
  DecodedBmp decoded = DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  uint8_t* pixels = nullptr;
  HBITMAP bitmap = MakeDibSection(decoded.layout, &pixels);
  std::memcpy(pixels, decoded.rows.data(), decoded.rows.size());
  Replace(bitmap, decoded.alpha);
}

void TBitmap::SaveToStream(TStream* stream) {
  TDibLayout layout;
  std::string rows;
  if (!handle_ || !ReadDib(handle_, layout, &rows)) {
    if (!handle_) return;
    throw EInvalidGraphic("Bitmap image is not valid");
  }
  const BITMAPINFOHEADER& h = layout.header;
  bool fields = h.biCompression == BI_BITFIELDS;
  uint32_t colors = h.biBitCount <= 8 ? 1u << h.biBitCount : 0;
  uint32_t offBits = 14 + 40 + (fields ? 12 : 0) + 4 * colors;
  std::string out;
  out.reserve(offBits + rows.size());
  out += "BM";
  Put32(out, uint32_t(offBits + rows.size()));
  Put32(out, 0);
  Put32(out, offBits);
  Put32(out, 40);
  Put32(out, uint32_t(h.biWidth));
  Put32(out, uint32_t(h.biHeight));
  Put16(out, 1);
  Put16(out, h.biBitCount);
  Put32(out, fields ? BI_BITFIELDS : BI_RGB);
  Put32(out, uint32_t(rows.size()));
  Put32(out, uint32_t(h.biXPelsPerMeter));
  Put32(out, uint32_t(h.biYPelsPerMeter));
  Put32(out, colors && h.biClrUsed == colors ? colors : 0);
  Put32(out, !colors || h.biClrImportant <= colors ? h.biClrImportant : 0);
  if (fields)
    for (DWORD m : layout.masks) Put32(out, m);
  for (const RGBQUAD& q : layout.table) out += {char(q.rgbBlue), char(q.rgbGreen), char(q.rgbRed), char(q.rgbReserved)};
  out += rows;
  stream->WriteBuffer(out.data(), int64_t(out.size()));
}

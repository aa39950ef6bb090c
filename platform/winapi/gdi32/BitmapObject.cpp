// Pixels of bitmaps: storing and reading values at every depth, colour matching and raster operations.
#include <cstring>
#include <new>

#include "platform/winapi/gdi32/Raster.h"

namespace {

// The most pixels one bitmap may have (as the component library's limit): 64 Mi.
constexpr int64_t kMaxPixels = int64_t(1) << 26;

int ShiftOf(DWORD mask) {
  int shift = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++shift;
  return shift;
}

// A channel of a masked pixel scaled to 0..255 (truncating), and back (rounding).
uint32_t Take(uint32_t value, DWORD mask) {
  if (!mask) return 0;
  uint64_t max = mask >> ShiftOf(mask);
  return uint32_t(uint64_t((value & mask) >> ShiftOf(mask)) * 255 / max);
}

uint32_t Give(uint32_t channel, DWORD mask) {
  if (!mask) return 0;
  uint64_t max = mask >> ShiftOf(mask);
  return uint32_t((uint64_t(channel) * max + 127) / 255) << ShiftOf(mask) & mask;
}

}  // namespace

bool BitmapObject::Allocate(int w, int h, int bitsPerPixel) {
  if (w < 0 || h < 0 || int64_t(w) * h > kMaxPixels) return false;
  width = w;
  height = h;
  bits = bitsPerPixel;
  bool noMasks = !masks[0] && !masks[1] && !masks[2];
  if (bits == 16 && noMasks) masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  if (bits == 32 && noMasks) masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  try {
    data.assign(Stride() * size_t(h), 0);
    if (Indexed()) colors.resize(size_t(1) << bits, RGBQUAD{0, 0, 0, 0});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

uint32_t BitmapObject::Get(int x, int y) const {
  const uint8_t* row = Row(y);
  switch (bits) {
    case 1: return row[x >> 3] >> (7 - (x & 7)) & 1;
    case 4: return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4;
    case 8: return row[x];
    case 16: return uint32_t(row[2 * x] | row[2 * x + 1] << 8);
    case 24: return uint32_t(row[3 * x] | row[3 * x + 1] << 8 | row[3 * x + 2] << 16);
    default: {
      uint32_t v;
      std::memcpy(&v, row + 4 * size_t(x), 4);
      return v;
    }
  }
}

void BitmapObject::Put(int x, int y, uint32_t v) {
  uint8_t* row = Row(y);
  switch (bits) {
    case 1: {
      uint8_t bit = uint8_t(0x80 >> (x & 7));
      row[x >> 3] = uint8_t(v & 1 ? row[x >> 3] | bit : row[x >> 3] & ~bit);
      break;
    }
    case 4:
      row[x >> 1] = uint8_t(x & 1 ? (row[x >> 1] & 0xF0) | (v & 15) : (row[x >> 1] & 0x0F) | (v & 15) << 4);
      break;
    case 8: row[x] = uint8_t(v); break;
    case 16:
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    case 24:
      row[3 * x] = uint8_t(v);
      row[3 * x + 1] = uint8_t(v >> 8);
      row[3 * x + 2] = uint8_t(v >> 16);
      break;
    default: std::memcpy(row + 4 * size_t(x), &v, 4); break;
  }
}

COLORREF BitmapObject::ColorOf(uint32_t v) const {
  if (Indexed()) {
    if (v >= colors.size()) return 0;
    const RGBQUAD& c = colors[v];
    return RGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
  }
  if (bits == 24 || EightBitChannels()) return RGB(BYTE(v >> 16), BYTE(v >> 8), BYTE(v));
  return RGB(BYTE(Take(v, masks[0])), BYTE(Take(v, masks[1])), BYTE(Take(v, masks[2])));
}

uint32_t BitmapObject::ValueOf(COLORREF c) const {
  if (Indexed()) {
    if (c != lastColor_) {
      lastColor_ = c;
      lastIndex_ = NearestIndex(colors.data(), colors.size(), c);
    }
    return lastIndex_;
  }
  if (bits == 24 || EightBitChannels())
    return uint32_t(GetBValue(c)) | uint32_t(GetGValue(c)) << 8 | uint32_t(GetRValue(c)) << 16;
  return Give(GetRValue(c), masks[0]) | Give(GetGValue(c), masks[1]) | Give(GetBValue(c), masks[2]);
}

bool BitmapObject::SameFormat(const BitmapObject& o) const {
  if (bits != o.bits) return false;
  if (Indexed())
    return colors.size() == o.colors.size() &&
           std::memcmp(colors.data(), o.colors.data(), colors.size() * sizeof(RGBQUAD)) == 0;
  return bits == 24 || std::memcmp(masks, o.masks, sizeof masks) == 0;
}

uint32_t NearestIndex(const RGBQUAD* colors, size_t count, COLORREF color) {
  int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
  uint32_t best = 0;
  int64_t bestDistance = INT64_MAX;
  for (size_t i = 0; i < count; ++i) {
    int dr = colors[i].rgbRed - r, dg = colors[i].rgbGreen - g, db = colors[i].rgbBlue - b;
    int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = uint32_t(i);
      if (!d) break;
    }
  }
  return best;
}

uint32_t ApplyRop(DWORD rop, uint32_t p, uint32_t s, uint32_t d) {
  switch (rop) {
    case SRCCOPY: return s;
    case SRCAND: return s & d;
    case SRCPAINT: return s | d;
    case NOTSRCCOPY: return ~s;
    case SRCINVERT: return s ^ d;
    case PATCOPY: return p;
    case BLACKNESS: return 0;
    case WHITENESS: return ~0u;
    case DSTINVERT: return ~d;
    default: break;
  }
  // The operation's code is its truth table: bit (4p + 2s + d) of the code is the result.
  uint32_t code = rop >> 16 & 0xFF, out = 0;
  for (int bit = 0; bit < 32; ++bit) {
    unsigned index = (p >> bit & 1) << 2 | (s >> bit & 1) << 1 | (d >> bit & 1);
    out |= (code >> index & 1) << bit;
  }
  return out;
}

HGDIOBJ StockBitmap() {
  static HGDIOBJ handle = [] {
    auto bitmap = std::make_unique<BitmapObject>();
    bitmap->stock = true;
    bitmap->Allocate(1, 1, 1);
    bitmap->topDown = true;
    bitmap->colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    return AddGdiObject(std::move(bitmap));
  }();
  return handle;
}

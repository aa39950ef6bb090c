#include "platform/components/Icons.h"

#include <algorithm>
#include <string>

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic("Icon image is not valid"); }

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void CheckImageSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0) throw ERangeError("Range check error");
  if (width * height > kMaxImagePixels) throw EOutOfResources("Out of system resources");
}

struct DecodedIcon {
  int width = 0, height = 0;
  std::vector<uint32_t> pixels;
  std::vector<bool> mask;
};

// The first image of an icon file: its bitmap header, palette, colour rows and mask rows, bottom-up.
DecodedIcon DecodeIco(const uint8_t* data, size_t size) {
  if (size < 6 + 16 || U16(data) != 0 || U16(data + 2) != 1 || U16(data + 4) == 0) InvalidIcon();
  const uint8_t* entry = data + 6;
  uint64_t length = U32(entry + 8), offset = U32(entry + 12);
  if (offset > size || length > size - offset || length < 40) InvalidIcon();
  const uint8_t* image = data + offset;
  uint32_t headerSize = U32(image);
  if (headerSize < 40 || headerSize > length) InvalidIcon();
  int64_t width = int32_t(U32(image + 4)), doubled = int32_t(U32(image + 8));
  unsigned planes = U16(image + 12), bits = U16(image + 14);
  uint32_t compression = U32(image + 16), used = U32(image + 32);
  if (width <= 0 || doubled <= 0 || doubled % 2 || planes != 1 || compression != 0) InvalidIcon();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) InvalidIcon();
  int64_t height = doubled / 2;
  CheckImageSize(width, height);
  // A palette: the colours of 1, 4 and 8 bits; an image of more bits may carry one it does not use.
  uint64_t colours = used ? used : (bits <= 8 ? 1u << bits : 0);
  if (bits <= 8 && colours > (1u << bits)) InvalidIcon();
  uint64_t colourStride = (uint64_t(width) * bits + 31) / 32 * 4, maskStride = (uint64_t(width) + 31) / 32 * 4;
  uint64_t needed = headerSize + colours * 4 + (colourStride + maskStride) * uint64_t(height);
  // A 32-bit image may come without its mask: its alpha tells the transparent pixels.
  bool hasMask = needed <= length;
  if (!hasMask && (bits != 32 || needed - maskStride * uint64_t(height) > length)) InvalidIcon();
  const uint8_t* palette = image + headerSize;
  const uint8_t* rows = palette + colours * 4;
  const uint8_t* maskRows = rows + colourStride * uint64_t(height);

  DecodedIcon icon;
  icon.width = int(width);
  icon.height = int(height);
  icon.pixels.resize(size_t(width) * size_t(height));
  icon.mask.resize(icon.pixels.size());
  bool anyAlpha = false;
  for (int64_t y = 0; y < height; ++y) {
    const uint8_t* row = rows + colourStride * uint64_t(height - 1 - y);
    const uint8_t* maskRow = hasMask ? maskRows + maskStride * uint64_t(height - 1 - y) : nullptr;
    for (int64_t x = 0; x < width; ++x) {
      uint32_t pixel;
      if (bits <= 8) {
        unsigned perByte = 8 / bits, shift = 8 - bits * (unsigned(x % perByte) + 1);
        unsigned index = (row[x / perByte] >> shift) & ((1u << bits) - 1);
        if (index >= colours) InvalidIcon();
        const uint8_t* c = palette + index * 4;
        pixel = 0xFF000000u | uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | c[0];
      } else if (bits == 24) {
        const uint8_t* c = row + x * 3;
        pixel = 0xFF000000u | uint32_t(c[2]) << 16 | uint32_t(c[1]) << 8 | c[0];
      } else {
        pixel = U32(row + x * 4);
        anyAlpha = anyAlpha || (pixel >> 24) != 0;
      }
      size_t at = size_t(y) * size_t(width) + size_t(x);
      icon.pixels[at] = pixel;
      icon.mask[at] = hasMask && ((maskRow[x / 8] >> (7 - x % 8)) & 1);
    }
  }
  if (anyAlpha)
    for (size_t i = 0; i < icon.pixels.size(); ++i) icon.mask[i] = (icon.pixels[i] >> 24) == 0;
  else if (bits == 32)
    for (uint32_t& p : icon.pixels) p |= 0xFF000000u;
  return icon;
}

}  // namespace

TIcon::TIcon() { SetTransparent(true); }

void TIcon::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
  stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
  DecodedIcon decoded = DecodeIco(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  width_ = decoded.width;
  height_ = decoded.height;
  pixels_ = std::move(decoded.pixels);
  mask_ = std::move(decoded.mask);
}

void TIcon::Assign(TPersistent* source) {
  if (!source) {
    SetSize(0, 0);
    return;
  }
  if (auto* icon = DynamicAs<TIcon>(source)) {
    width_ = icon->width_;
    height_ = icon->height_;
    pixels_ = icon->pixels_;
    mask_ = icon->mask_;
    return;
  }
  inherited::Assign(source);
}

void TIcon::SetSize(int width, int height) {
  CheckImageSize(width, height);
  width_ = width;
  height_ = height;
  pixels_.assign(size_t(width) * size_t(height), 0);
  mask_.assign(pixels_.size(), true);
}

TColor TIcon::Pixels(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  return mask_[Index(x, y)] ? clNone : PixelToColor(pixels_[Index(x, y)]);
}

void TIcon::SetPixels(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  if (color == clNone) {
    SetPixel32(x, y, 0, true);
    return;
  }
  TColor rgb = ColorToRGB(color);
  SetPixel32(x, y, 0xFF000000u | uint32_t(rgb & 0xFF) << 16 | uint32_t(rgb & 0xFF00) | uint32_t(rgb >> 16 & 0xFF),
             false);
}

void TIcon::SetPixel32(int x, int y, uint32_t pixel, bool transparent) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[Index(x, y)] = pixel;
  mask_[Index(x, y)] = transparent;
}

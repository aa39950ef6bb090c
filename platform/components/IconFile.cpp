// Icon files: choosing and decoding an image, and writing one.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/components/Icons.h"

namespace {

[[noreturn]] void InvalidIcon() { throw EInvalidGraphic("Icon image is not valid"); }

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Entry {
  const uint8_t* image;
  uint32_t length;
  int64_t width, height;
  unsigned bits;
};

// The directory's images, each within the file; the size and depth come from its bitmap header (a PNG
// image's from the directory, so that it can be chosen and then refused).
std::vector<Entry> ReadDirectory(const uint8_t* data, size_t size) {
  if (size < 6 || U16(data) != 0 || U16(data + 2) != 1 || U16(data + 4) == 0) InvalidIcon();
  size_t count = U16(data + 4);
  if (count > (size - 6) / 16) InvalidIcon();
  std::vector<Entry> entries;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = data + 6 + 16 * i;
    uint64_t length = U32(e + 8), offset = U32(e + 12);
    if (offset > size || length > size - offset || length < 40) InvalidIcon();
    Entry entry{data + offset, uint32_t(length), e[0] ? e[0] : 256, e[1] ? e[1] : 256, U16(e + 6)};
    if (std::memcmp(entry.image, kPngSignature, 8) != 0) {
      entry.width = int32_t(U32(entry.image + 4));
      entry.height = int32_t(U32(entry.image + 8)) / 2;
      entry.bits = U16(entry.image + 14);
    }
    entries.push_back(entry);
  }
  return entries;
}

const Entry& Choose(const std::vector<Entry>& entries) {
  auto distance = [](const Entry& e) { return std::llabs(e.width - 32) + std::llabs(e.height - 32); };
  const Entry* best = &entries[0];
  for (const Entry& e : entries)
    if (distance(e) < distance(*best) || (distance(e) == distance(*best) && e.bits > best->bits)) best = &e;
  return *best;
}

void CheckImageSize(int64_t width, int64_t height) {
  if (width * height > kMaxImagePixels) throw EOutOfResources("Out of system resources");
}

// A bitmap header, palette, colour rows and mask rows, bottom-up.
TIconImage DecodeImage(const uint8_t* image, uint64_t length) {
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
  if (colours > length) InvalidIcon();
  uint64_t colourStride = (uint64_t(width) * bits + 31) / 32 * 4, maskStride = (uint64_t(width) + 31) / 32 * 4;
  uint64_t needed = headerSize + colours * 4 + (colourStride + maskStride) * uint64_t(height);
  // A 32-bit image may come without its mask: its alpha tells the transparent pixels.
  bool hasMask = needed <= length;
  if (!hasMask && (bits != 32 || needed - maskStride * uint64_t(height) > length)) InvalidIcon();
  const uint8_t* palette = image + headerSize;
  const uint8_t* rows = palette + colours * 4;
  const uint8_t* maskRows = rows + colourStride * uint64_t(height);

  TIconImage icon;
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
  icon.blended = anyAlpha;
  if (anyAlpha)
    for (size_t i = 0; i < icon.pixels.size(); ++i) icon.mask[i] = (icon.pixels[i] >> 24) == 0;
  else if (bits == 32)
    for (uint32_t& p : icon.pixels) p |= 0xFF000000u;
  return icon;
}

void Put16(std::string& out, unsigned v) { out += {char(v & 0xFF), char(v >> 8 & 0xFF)}; }
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

TIconImage DecodeIconFile(const uint8_t* data, size_t size) {
  std::vector<Entry> entries = ReadDirectory(data, size);
  const Entry& chosen = Choose(entries);
  return DecodeImage(chosen.image, chosen.length);
}

std::string EncodeIconFile(const TIconImage& image) {
  unsigned bits = image.blended ? 32 : 24;
  size_t stride = (size_t(image.width) * bits + 31) / 32 * 4, maskStride = (size_t(image.width) + 31) / 32 * 4;
  std::string rows, mask;
  rows.reserve(stride * size_t(image.height));
  mask.reserve(maskStride * size_t(image.height));
  for (int y = image.height - 1; y >= 0; --y) {
    std::string maskRow(maskStride, '\0');
    size_t start = rows.size();
    for (int x = 0; x < image.width; ++x) {
      size_t at = size_t(y) * size_t(image.width) + size_t(x);
      uint32_t p = image.pixels[at];
      rows += {char(p & 0xFF), char(p >> 8 & 0xFF), char(p >> 16 & 0xFF)};
      if (bits == 32) rows += char(p >> 24);
      if (image.mask[at]) maskRow[size_t(x) / 8] = char(maskRow[size_t(x) / 8] | 0x80 >> (x % 8));
    }
    rows.resize(start + stride, '\0');
    mask += maskRow;
  }
  uint32_t length = uint32_t(40 + rows.size() + mask.size());
  std::string out;
  Put16(out, 0), Put16(out, 1), Put16(out, 1);
  out += {char(image.width & 0xFF), char(image.height & 0xFF), '\0', '\0'};
  Put16(out, 1), Put16(out, bits), Put32(out, length), Put32(out, 22);
  Put32(out, 40), Put32(out, uint32_t(image.width)), Put32(out, uint32_t(image.height) * 2);
  Put16(out, 1), Put16(out, bits), Put32(out, 0), Put32(out, uint32_t(rows.size() + mask.size()));
  for (int i = 0; i < 4; ++i) Put32(out, 0);
  return out + rows + mask;
}

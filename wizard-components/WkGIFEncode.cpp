// Encoding a frame: its bitmap as a BMP stream of 1, 4 or 8 bits (true colour reduced to 8 bits), the
// stream's palette as the frame's table and its pixels as LZW data.
#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/components/DibSections.h"
#include "wizard-components/WkGConst.h"
#include "wizard-components/WkGIF.h"
#include "wizard-components/WkGIFProgress.h"
#include "wizard-components/WkGraph.h"

namespace {

constexpr int kHashSlots = 17777;
constexpr int kMaxCode = 4094;  // the table starts again when the next free code reaches it
constexpr uint16_t kEmpty = 0xFFFF;

// One string of the table: its prefix code and last pixel.
struct Entry {
  uint16_t prefix;
  uint16_t code;
  uint8_t suffix;
  uint8_t spare;
};

// Codes least significant bit first into 255-byte sub-blocks.
class CodeWriter {
 public:
  explicit CodeWriter(TStream* out) : out_(out) {}
  void Put(int code, int width) {
    uint32_t bits = uint32_t(code) << (bitIndex_ & 7);
    for (size_t at = size_t(bitIndex_ >> 3); bits; bits >>= 8) buffer_[at++] |= uint8_t(bits);
    bitIndex_ += width;
    if (bitIndex_ < 2040) return;
    out_->WriteBuffer(block_, 256);
    buffer_[0] = buffer_[255];
    buffer_[1] = buffer_[256];
    std::memset(buffer_ + 2, 0, 258);
    bitIndex_ -= 2040;
  }
  // The last bytes as a sub-block when there are any, then the terminator.
  void Flush() {
    const int size = (bitIndex_ + 7) / 8;
    block_[0] = uint8_t(size);
    block_[size + 1] = 0;
    if (size == 0) return out_->WriteBuffer(block_ + 1, 1);
    out_->WriteBuffer(block_, size + 2);
  }

 private:
  TStream* out_;
  uint8_t block_[261] = {255};  // the length byte, then the 260-byte buffer
  uint8_t* const buffer_ = block_ + 1;
  int bitIndex_ = 0;
};

int Pixel(const uint8_t* row, int x, int bits) {
  if (bits == 8) return row[x];
  if (bits == 4) return x & 1 ? row[x >> 1] & 15 : row[x >> 1] >> 4;
  return row[x >> 3] >> (7 - (x & 7)) & 1;
}

uint32_t Dword(const uint8_t* p) { return uint32_t(p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24); }

// The BMP file's information header and pixels, when it is one the encoder takes.
bool ParseBmp(TMemoryStream& stream, BITMAPINFOHEADER& header, const uint8_t*& pixels) {
  const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
  const size_t size = size_t(stream.Size());
  if (size < 54 || bytes[0] != 'B' || bytes[1] != 'M') return false;
  std::memcpy(&header, bytes + 14, sizeof header);
  const size_t offset = Dword(bytes + 10), bits = header.biBitCount;
  if ((bits != 1 && bits != 4 && bits != 8) || header.biCompression != 0 || header.biSize < 40) return false;
  if (header.biWidth <= 0 || header.biHeight <= 0 || 14 + size_t(header.biSize) + (4u << bits) > size) return false;
  if (offset > size || (size - offset) / size_t(header.biHeight) < DibStride(header.biWidth, int(bits))) return false;
  pixels = bytes + offset;
  return true;
}

}  // namespace

void EncodeLzw(TStream* out, const BITMAPINFOHEADER& header, bool interlaced, TGIFImage* image, const uint8_t* pixels) {
  TGIFProgress progress(image);
  progress.Run([&] {
    const int bits = header.biBitCount, width = header.biWidth, height = header.biHeight;
    const int initialWidth = bits == 1 ? 3 : bits + 1;
    const uint8_t minimum = uint8_t(initialWidth - 1);
    out->WriteBuffer(&minimum, 1);
    const int clear = 1 << minimum, end = clear + 1;
    std::unique_ptr<uint16_t[]> slots(new uint16_t[kHashSlots]);
    std::unique_ptr<Entry[]> entries(new Entry[4096]);
    int codeWidth = initialWidth, capacity = 1 << codeWidth, next = end;
    std::memset(slots.get(), 0xFF, sizeof(uint16_t) * kHashSlots);
    CodeWriter codes(out);
    codes.Put(clear, codeWidth);
    const size_t stride = DibStride(width, bits);
    std::vector<int> rows;
    GifRowOrder(height, interlaced, rows);
    int current = 0, counter = 0;
    uint32_t hash = 0;
    for (int r = 0; r < height; ++r) {
      const uint8_t* row = pixels + size_t(height - 1 - rows[size_t(r)]) * stride;
      for (int x = 0; x < width; ++x) {
        const int p = Pixel(row, x, bits);
        if (++counter == 1) {
          current = p;
          hash = uint32_t(301 * p + 903);
          continue;
        }
        hash = (uint32_t(p + counter + 4) * hash) % kHashSlots;
        uint32_t slot = hash;
        while (slots[slot] != kEmpty && (entries[slots[slot]].prefix != current || entries[slots[slot]].suffix != p))
          slot = slot + 1 == kHashSlots ? 0 : slot + 1;
        if (slots[slot] != kEmpty) {
          current = entries[slots[slot]].code;
          continue;
        }
        codes.Put(current, codeWidth);
        ++next;
        entries[next] = Entry{uint16_t(current), uint16_t(next), uint8_t(p), 0};
        slots[slot] = uint16_t(next);
        current = p;
        hash = uint32_t(301 * p + 903);
        counter = 1;
        if (next == capacity) {
          capacity <<= 1;
          ++codeWidth;
        } else if (next == kMaxCode) {
          codes.Put(current, codeWidth);
          codes.Put(clear, codeWidth);
          counter = 0;
          next = end;
          codeWidth = initialWidth;
          capacity = 1 << codeWidth;
          std::memset(slots.get(), 0xFF, sizeof(uint16_t) * kHashSlots);
        }
      }
      progress.Stage(psRunning, int(int64_t(r + 1) * 100 / height));
    }
    // A string is open unless the table started again at the last pixel, which was then written.
    if (counter > 0) codes.Put(current, codeWidth);
    codes.Put(end, codeWidth);
    codes.Flush();
  });
}

void TGIFFrame::Encode() {
  if (!bitmap_ || bitmap_->Empty() || bitmap_->Width() == 0 || bitmap_->Height() == 0)
    throw EInvalidGraphicOperation(SGIFNoData);
  if (bitmap_->Width() > 0xFFFF || bitmap_->Height() > 0xFFFF) throw EInvalidGraphicOperation(SGIFEncodingError);
  std::unique_ptr<TMemoryStream> stream;
  const TPixelFormat format = bitmap_->PixelFormat();
  if (format != pf1bit && format != pf4bit && format != pf8bit)
    stream = BitmapToDibStream(bitmap_, 8, grayScale_ ? rmGrayscale : DefaultReductionMethod);
  if (!stream || stream->Size() == 0) {
    stream.reset(TMemoryStream::Create());
    bitmap_->SaveToStream(stream.get());
  }
  BITMAPINFOHEADER header;
  const uint8_t* pixels;
  if (!ParseBmp(*stream, header, pixels)) throw EInvalidGraphicOperation(SGIFEncodingError);
  interlaced_ = false;
  TGIFItem* item = item_;
  const auto* palette = static_cast<const uint8_t*>(stream->Memory()) + 14 + header.biSize;
  item->colorTable.count = 1 << header.biBitCount;
  for (int i = 0; i < item->colorTable.count; ++i) {
    item->colorTable.colors[i][0] = palette[4 * i + 2];
    item->colorTable.colors[i][1] = palette[4 * i + 1];
    item->colorTable.colors[i][2] = palette[4 * i];
  }
  item->imageData->Clear();
  try {
    EncodeLzw(item->imageData, header, false, owner_, pixels);
  } catch (const EAbort&) {
    Reset();
    throw;
  } catch (...) {
    item->imageData->Clear();
    throw;
  }
  item->bitsPerPixel = uint8_t(header.biBitCount);
  TGIFData* data = owner_->data_;
  localColorTable_ = data->colorTable.count > 0;
  if (!localColorTable_) {
    data->colorTable = item->colorTable;
    data->bitsPerPixel = item->bitsPerPixel;
  }
  item->width = header.biWidth;
  item->height = header.biHeight;
  owner_->screenWidth_ = uint16_t(std::max<int>(owner_->screenWidth_, std::min(left_ + item->width, 0xFFFF)));
  owner_->screenHeight_ = uint16_t(std::max<int>(owner_->screenHeight_, std::min(top_ + item->height, 0xFFFF)));
}

// Decoding a frame: the LZW codes into pixels in stream order, the rows (interlaced or not) into a
// bottom-up pixel buffer of 1, 4 or 8 bits, and the buffer into the frame's bitmap.
#include <cstring>
#include <memory>

#include "platform/components/DibSections.h"
#include "wizard-components/WkGConst.h"
#include "wizard-components/WkGIF.h"

namespace {

constexpr int kMaxCodeBits = 12;
constexpr int kTableSize = 1 << kMaxCodeBits;

// Codes least significant bit first across the data sub-blocks.
class CodeReader {
 public:
  CodeReader(const uint8_t* p, const uint8_t* end) : p_(p), end_(end) {}
  // False when the data ends (a terminator, or the end of the bytes) before the code is whole.
  bool Next(int width, int& code) {
    while (bits_ < width) {
      if (left_ == 0) {
        if (p_ >= end_ || *p_ == 0) return false;
        left_ = *p_++;
        if (left_ > size_t(end_ - p_)) left_ = size_t(end_ - p_);
        if (left_ == 0) return false;
      }
      buffer_ |= uint32_t(*p_++) << bits_;
      bits_ += 8;
      --left_;
    }
    code = int(buffer_ & ((1u << width) - 1));
    buffer_ >>= width;
    bits_ -= width;
    return true;
  }
  const uint8_t* Position() const { return p_; }

 private:
  const uint8_t* p_;
  const uint8_t* end_;
  size_t left_ = 0;
  uint32_t buffer_ = 0;
  int bits_ = 0;
};

// Progress by whole percents of the data read.
class ProgressReport {
 public:
  ProgressReport(TGIFImage* image, const uint8_t* start, size_t size)
      : image_(image && image->OnProgress ? image : nullptr), start_(start), size_(size) {}
  void Stage(TProgressStage stage, int percent, const std::string& message = "") {
    if (image_) image_->Progress(image_, stage, BYTE(percent), false, RECT{0, 0, 0, 0}, message);
  }
  void At(const uint8_t* p) {
    if (!image_ || size_ == 0) return;
    int percent = int(size_t(p - start_) * 100 / size_);
    if (percent == last_) return;
    last_ = percent;
    Stage(psRunning, percent);
  }

 private:
  TGIFImage* image_;
  const uint8_t* start_;
  size_t size_;
  int last_ = -1;
};

// The pixels of the data in stream order into `out` (total pixels); what is not reached is left as it is.
// Every string of the table was written once, where it was made, so an expansion is a copy from there.
// Returns whether the data was damaged.
bool DecodeCodes(const uint8_t* data, size_t size, int bits, uint8_t* out, size_t total, size_t& written,
                 ProgressReport& progress) {
  written = 0;
  if (size == 0) return total > 0;
  bool corrupted = false;
  int minimum = data[0];
  if (minimum < 2 || minimum > 9) {
    minimum = minimum < 2 ? 2 : 9;
    corrupted = true;
  }
  const int clear = 1 << minimum, end = clear + 1;
  const uint8_t mask = uint8_t((1u << bits) - 1);
  std::unique_ptr<uint32_t[]> at(new uint32_t[kTableSize]);
  std::unique_ptr<uint16_t[]> length(new uint16_t[kTableSize]);
  int width = minimum + 1, next = clear + 2;
  bool full = false, havePrevious = false;
  size_t p = 0, previousAt = 0, previousLength = 0;
  CodeReader codes(data + 1, data + size);
  int code;
  while (p < total) {
    if (!codes.Next(width, code)) {
      corrupted = true;
      break;
    }
    progress.At(codes.Position());
    if (code == clear) {
      width = minimum + 1;
      next = clear + 2;
      full = false;
      havePrevious = false;
      continue;
    }
    if (code == end) break;
    size_t n;
    if (code < clear) {
      out[p] = uint8_t(code) & mask;
      n = 1;
    } else if (!havePrevious || code > next) {
      corrupted = true;
      break;
    } else if (code < next) {
      n = length[code];
      std::memcpy(out + p, out + at[code], std::min(n, total - p));
    } else {
      // Not yet in the table: the previous string and its first pixel.
      n = previousLength + 1;
      std::memcpy(out + p, out + previousAt, std::min(previousLength, total - p));
      if (p + previousLength < total) out[p + previousLength] = out[previousAt];
    }
    if (havePrevious && !full) {
      at[next] = uint32_t(previousAt);
      length[next] = uint16_t(previousLength + 1);
      if (++next == 1 << width) {
        if (width < kMaxCodeBits)
          ++width;
        else
          full = true;
      }
    }
    havePrevious = true;
    previousAt = p;
    previousLength = n;
    p += n;
  }
  written = std::min(p, total);
  return corrupted;
}

// The image row of each row in stream order.
void RowOrder(int height, bool interlaced, std::vector<int>& rows) {
  rows.clear();
  rows.reserve(size_t(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return;
  }
  static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = kStart[pass]; y < height; y += kStep[pass]) rows.push_back(y);
}

void PackRow(const uint8_t* from, int width, int depth, uint8_t* to) {
  if (depth == 8) {
    std::memcpy(to, from, size_t(width));
  } else if (depth == 4) {
    for (int x = 0; x + 1 < width; x += 2) to[x >> 1] = uint8_t(from[x] << 4 | from[x + 1]);
    if (width & 1) to[width >> 1] = uint8_t(from[width - 1] << 4);
  } else {
    for (int x = 0; x < width; ++x) to[x >> 3] |= uint8_t(from[x] << (7 - (x & 7)));
  }
}

}  // namespace

int GifBitmapDepth(int bitsPerPixel) {
  if (bitsPerPixel < 1 || bitsPerPixel > 8) throw EInvalidGraphicOperation(SGIFWrongColorCount);
  return bitsPerPixel == 1 ? 1 : bitsPerPixel <= 4 ? 4 : 8;
}

int GifTableBits(int count) {
  for (int bits = 1; bits <= 8; ++bits)
    if (count == 1 << bits) return bits;
  throw EInvalidGraphicOperation(SGIFWrongColorCount);
}

bool DecodeLzw(const TGIFItem& item, bool interlaced, int depth, uint8_t* pixels, size_t stride, TGIFImage* image) {
  const auto* data = static_cast<const uint8_t*>(item.imageData->Memory());
  size_t size = size_t(item.imageData->Size());
  ProgressReport progress(image, data, size);
  progress.Stage(psStarting, 0);
  try {
    const size_t width = size_t(item.width), height = size_t(item.height);
    bool corrupted = false;
    if (width > 0 && height > 0) {
      std::unique_ptr<uint8_t[]> linear(new uint8_t[width * height]);
      size_t written = 0;
      int bits = std::min(int(item.bitsPerPixel), depth);
      corrupted = DecodeCodes(data, size, bits, linear.get(), width * height, written, progress);
      std::vector<int> rows;
      RowOrder(int(height), interlaced, rows);
      // Rows the data never reached stay zero.
      for (size_t r = 0; r * width < written; ++r) {
        if ((r + 1) * width > written) std::memset(linear.get() + written, 0, (r + 1) * width - written);
        PackRow(linear.get() + r * width, int(width), depth, pixels + (height - 1 - size_t(rows[r])) * stride);
      }
    }
    progress.Stage(psEnding, 100);
    return corrupted;
  } catch (const Exception& e) {
    progress.Stage(psEnding, 0, e.Message());
    throw;
  } catch (const std::exception& e) {
    progress.Stage(psEnding, 0, e.what());
    throw;
  }
}

void TGIFFrame::LoadDecoded(TBitmap* target, const TGIFColorTable& table) {
  const TGIFItem& item = *item_;
  int depth = GifBitmapDepth(item.bitsPerPixel);
  if (item.width <= 0 || item.height <= 0) return;
  if (int64_t(item.width) * item.height > kMaxImagePixels) throw EOutOfResources("Out of system resources");
  const size_t stride = DibStride(item.width, depth), colors = size_t(1) << depth;
  const size_t offset = 54 + 4 * colors, imageSize = size_t(item.height) * stride;
  std::string file(offset + imageSize, '\0');
  auto put = [&file](size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) file[at + size_t(i)] = char(value >> (8 * i));
  };
  file[0] = 'B', file[1] = 'M';
  put(2, uint32_t(file.size()), 4);
  put(10, uint32_t(offset), 4);
  put(14, 40, 4);
  put(18, uint32_t(item.width), 4);
  put(22, uint32_t(item.height), 4);
  put(26, 1, 2);
  put(28, uint32_t(depth), 2);
  put(34, uint32_t(imageSize), 4);
  for (size_t i = 0; i < colors; ++i) {
    uint8_t* entry = reinterpret_cast<uint8_t*>(file.data()) + 54 + 4 * i;
    if (int(i) < table.count) {
      entry[0] = table.colors[i][2], entry[1] = table.colors[i][1], entry[2] = table.colors[i][0], entry[3] = 0;
    } else {
      std::memset(entry, 128, 4);
    }
  }
  corrupted_ |= DecodeLzw(item, interlaced_, depth, reinterpret_cast<uint8_t*>(file.data()) + offset, stride, owner_);
  TStringStream stream(std::move(file));
  target->LoadFromStream(&stream);
}

void TGIFFrame::Decode() {
  LoadDecoded(bitmap_, item_->colorTable);
  if (!bitmap_->Empty() && !bitmap_->Monochrome()) bitmap_->SetHandleType(bmDDB);
}

// Bitmaps as BMP files in memory streams: read-outs through GetDIBits and the 8-bit reduction.
#include "wizard-components/WkGraph.h"

#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/components/DibSections.h"
#include "platform/winapi/Palettes.h"
#include "wizard-components/WkGraphReduce.h"

namespace {

constexpr size_t kFileHeader = sizeof(BITMAPFILEHEADER);
constexpr size_t kInfoHeader = sizeof(BITMAPINFOHEADER);

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

size_t TableSize(int depth) { return depth <= 8 ? sizeof(RGBQUAD) << depth : 0; }

// The information header of the bitmap at a depth: a DIB section's own header, else one of the bitmap's
// size; bottom-up, uncompressed, with the image size and colour counts of that depth.
BITMAPINFOHEADER HeaderFor(HBITMAP bitmap, int depth) {
  DIBSECTION ds{};
  int got = GetObject(bitmap, sizeof ds, &ds);
  if (!got) InvalidBitmap();
  BITMAPINFOHEADER h{};
  if (got == int(sizeof ds) && ds.dsBmih.biSize >= kInfoHeader) {
    h = ds.dsBmih;
  } else {
    h.biWidth = ds.dsBm.bmWidth;
    h.biHeight = ds.dsBm.bmHeight;
  }
  h.biSize = kInfoHeader;
  h.biHeight = std::abs(h.biHeight);
  h.biPlanes = 1;
  h.biBitCount = WORD(depth);
  h.biCompression = BI_RGB;
  h.biSizeImage = DWORD(DibStride(h.biWidth, depth) * size_t(h.biHeight));
  h.biClrUsed = 0;
  h.biClrImportant = 0;
  return h;
}

// A BMP file in a work block: the file header, the information header, the colour table and the pixels.
// The file starts 2 bytes into the block, so that the headers after the 14-byte file header are aligned.
class TDibFile {
 public:
  TDibFile(const BITMAPINFOHEADER& header, size_t pixelBytes)
      : offset_(kFileHeader + kInfoHeader + TableSize(header.biBitCount)),
        size_(offset_ + pixelBytes),
        block_(kLead + size_) {
    BITMAPFILEHEADER file{0x4D42, DWORD(size_), 0, 0, DWORD(offset_)};
    std::memcpy(Bytes(), &file, sizeof file);
    std::memcpy(Info(), &header, sizeof header);
  }
  BITMAPFILEHEADER* File() const { return reinterpret_cast<BITMAPFILEHEADER*>(Bytes()); }
  BITMAPINFO* Info() const { return reinterpret_cast<BITMAPINFO*>(Bytes() + kFileHeader); }
  RGBQUAD* Table() const { return reinterpret_cast<RGBQUAD*>(Bytes() + kFileHeader + kInfoHeader); }
  uint8_t* Pixels() const { return Bytes() + offset_; }
  uint8_t* Bytes() const { return block_.Bytes() + kLead; }
  size_t HeaderSize() const { return offset_; }
  size_t Size() const { return size_; }

 private:
  static constexpr size_t kLead = 2;
  size_t offset_, size_;
  TWorkBlock block_;
};

// The bitmap read out at a depth (the colours mapped as GetDIBits maps them), through its palette if it
// has one.
std::unique_ptr<TDibFile> ReadOut(TBitmap* bitmap, int depth) {
  BITMAPINFOHEADER h = HeaderFor(bitmap->Handle(), depth);
  auto file = std::make_unique<TDibFile>(h, h.biSizeImage);
  HDC dc = CreateCompatibleDC(nullptr);
  HPALETTE palette = bitmap->Palette(), old = nullptr;
  if (palette) {
    old = SelectPalette(dc, palette, FALSE);
    RealizePalette(dc);
  }
  GetDIBits(dc, bitmap->Handle(), 0, UINT(h.biHeight), file->Pixels(), file->Info(), DIB_RGB_COLORS);
  if (palette) SelectPalette(dc, old, FALSE);
  DeleteDC(dc);
  return file;
}

// The important colours of the 8-bit header (0: all).
DWORD Reduce(TDibPixels& pixels, RGBQUAD* table, ReductionMethod method) {
  switch (method) {
    case rmPopularity: ReducePopularity(pixels, table, 256); return 0;
    case rmMedianCut: return DWORD(ReduceMedianCut(pixels, table, 256));
    case rmLevels784: ReduceLevels784(pixels, table); return 224;
    case rmLevels666: ReduceLevels666(pixels, table); return 216;
    case rmChannelCycle: ReduceChannelCycle(pixels, table); return 0;
    case rmGrayscale: ReduceGrayscale(pixels, table); return 0;
  }
  RaiseNotImplemented();
}

// A 24-bit read-out reduced in place; the stream takes a header block of the 8-bit header and table, then
// the 8-bit pixels.
void WriteReduced(TBitmap* bitmap, ReductionMethod method, TStream& stream) {
  std::unique_ptr<TDibFile> read = ReadOut(bitmap, 24);
  if (read->Info()->bmiHeader.biBitCount != 24) RaiseNotImplemented();
  BITMAPINFOHEADER h = HeaderFor(bitmap->Handle(), 8);
  TDibFile reduced(h, 0);
  TDibPixels pixels{read->Pixels(), h.biWidth, h.biHeight};
  reduced.Info()->bmiHeader.biClrImportant = Reduce(pixels, reduced.Table(), method);
  reduced.File()->bfSize = DWORD(reduced.HeaderSize() + h.biSizeImage);
  stream.WriteBuffer(reduced.Bytes(), int64_t(reduced.HeaderSize()));
  stream.WriteBuffer(pixels.bits, int64_t(h.biSizeImage));
}

// A read-out at 1, 4 or 24 bits; greys at 24 for rmGrayscale.
void WriteReadOut(TBitmap* bitmap, int depth, ReductionMethod method, TStream& stream) {
  std::unique_ptr<TDibFile> read = ReadOut(bitmap, depth);
  if (depth == 24 && method == rmGrayscale) {
    const BITMAPINFOHEADER& h = read->Info()->bmiHeader;
    TDibPixels pixels{read->Pixels(), h.biWidth, h.biHeight};
    for (int y = 0; y < pixels.height; ++y) {
      uint8_t* p = pixels.bits + size_t(y) * pixels.Stride24();
      for (int x = 0; x < pixels.width; ++x, p += 3) p[0] = p[1] = p[2] = GreyOf(p[0], p[1], p[2]);
    }
  }
  stream.WriteBuffer(read->Bytes(), int64_t(read->Size()));
}

int DepthOf(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    case pf32bit: return 32;
    default: return 0;
  }
}

}  // namespace

TWorkBlock::TWorkBlock(size_t size) : block_(nullptr) {
  if (size > size_t(INT32_MAX)) throw EOutOfResources("Out of system resources");
  block_ = AllocGlobalBlock(int32_t(size));
}

std::unique_ptr<TMemoryStream> BitmapToDibStream(TBitmap* bitmap, int depth, ReductionMethod method) {
  if (!bitmap || !bitmap->Handle()) InvalidBitmap();
  std::unique_ptr<TMemoryStream> stream(TMemoryStream::Create());
  if (DepthOf(bitmap->PixelFormat()) == depth && method != rmGrayscale)
    bitmap->SaveToStream(stream.get());
  else if (depth == 1 || depth == 4 || depth == 24)
    WriteReadOut(bitmap, depth, method, *stream);
  else if (depth == 8)
    WriteReduced(bitmap, method, *stream);
  else
    RaiseNotImplemented();
  stream->SetPosition(0);
  return stream;
}

std::unique_ptr<TMemoryStream> BitmapToDibStreamForColors(TBitmap* bitmap, int colors) {
  int depth = colors <= 2 ? 1 : colors <= 16 ? 4 : colors <= 256 ? 8 : 24;
  return BitmapToDibStream(bitmap, depth, DefaultReductionMethod);
}

TPixelFormat BitmapPixelFormat(TBitmap* bitmap) { return bitmap->PixelFormat(); }

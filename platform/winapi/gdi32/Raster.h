// Private to gdi32: the pixels behind bitmaps and window surfaces, palettes and brushes as GDI objects,
// where a context draws, and the lock that serialises drawing.
#pragma once
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/winapi/Brushes.h"
#include "platform/winapi/Palettes.h"

// Pixels in DIB layout: rows padded to 4 bytes, bottom-up unless topDown.
class BitmapObject : public GdiObject {
 public:
  DWORD ObjectType() const override { return OBJ_BITMAP; }

  int width = 0, height = 0, bits = 32;
  bool dib = false, topDown = false;
  BITMAPINFOHEADER header{};    // a DIB section's header as it was made
  DWORD masks[3] = {0, 0, 0};   // 16 and 32 bits: red, green, blue
  std::vector<RGBQUAD> colors;  // 8 bits or fewer: 2^bits entries
  std::vector<uint8_t> data;

  // Sets up the pixels (zeroed) and the default masks; false when too large.
  bool Allocate(int w, int h, int bitsPerPixel);
  size_t Stride() const { return (size_t(width) * size_t(bits) + 31) / 32 * 4; }
  // Row y counted from the top.
  uint8_t* Row(int y) { return data.data() + size_t(topDown ? y : height - 1 - y) * Stride(); }
  const uint8_t* Row(int y) const { return data.data() + size_t(topDown ? y : height - 1 - y) * Stride(); }
  // The stored value of a pixel: an index for 8 bits or fewer, else the raw pixel.
  uint32_t Get(int x, int y) const;
  void Put(int x, int y, uint32_t value);
  bool Indexed() const { return bits <= 8; }
  // 32 bits as 8-8-8 (the masks' scaling is then the identity).
  bool EightBitChannels() const {
    return bits == 32 && masks[0] == 0xFF0000 && masks[1] == 0x00FF00 && masks[2] == 0x0000FF;
  }
  bool MonoDdb() const { return !dib && bits == 1; }
  // The RGB colour of a stored value, and the value that stands for a colour (the nearest entry when
  // indexed).
  COLORREF ColorOf(uint32_t value) const;
  uint32_t ValueOf(COLORREF color) const;
  bool SameFormat(const BitmapObject& other) const;

 private:
  mutable COLORREF lastColor_ = CLR_INVALID;
  mutable uint32_t lastIndex_ = 0;
};

class PaletteObject : public GdiObject {
 public:
  DWORD ObjectType() const override { return OBJ_PAL; }
  std::vector<PALETTEENTRY> entries;
};

class BrushObject : public GdiObject {
 public:
  DWORD ObjectType() const override { return OBJ_BRUSH; }
  LOGBRUSH brush{};
};

// Where a context draws: a bitmap, the offset of the context's origin in it, the clip rectangle (bitmap
// coordinates), and the window of a window context.
struct Target {
  BitmapObject* bitmap = nullptr;
  int dx = 0, dy = 0;
  RECT clip{0, 0, 0, 0};
  HWND window = nullptr;
};

// Serialises every drawing call of the process.
std::unique_lock<std::recursive_mutex> DrawLock();
// The target of a context; false for a bad handle. A memory context without a bitmap of its own has an
// empty target.
bool TargetOf(DeviceContext* dc, Target& target);
// The surface of a window context's top-level window, made or resized to the window's size.
BitmapObject* SurfaceFor(HWND window, int& dx, int& dy, RECT& clip, bool wholeWindow);
// The object of a type selected into the context.
HGDIOBJ CurrentObject(const DeviceContext& dc, DWORD type);
// A colour as drawn in the context: palette indexes through its palette, the palette-relative flag dropped.
COLORREF ResolveColor(DeviceContext* dc, COLORREF color);
// Nearest colour in a table (least squared distance, lower index on a tie).
uint32_t NearestIndex(const RGBQUAD* colors, size_t count, COLORREF color);
// One ternary raster operation over a value: bits of the pattern, source and destination.
uint32_t ApplyRop(DWORD rop, uint32_t pattern, uint32_t source, uint32_t dest);
// Writes a call to the drawing log when the target is a window.
void LogCall(const Target& target, const char* call, const std::string& arguments);
// Keeps the calls made while it lives out of the log (a call that draws through other calls logs itself).
struct QuietLog {
  QuietLog();
  ~QuietLog();
  QuietLog(const QuietLog&) = delete;
  QuietLog& operator=(const QuietLog&) = delete;
};
std::string RectText(int x, int y, int w, int h);
std::string ColorText(COLORREF color);
// The 1 x 1 monochrome bitmap that a new memory context holds.
HGDIOBJ StockBitmap();

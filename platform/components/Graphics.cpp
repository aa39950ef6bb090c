#include "platform/components/Graphics.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <map>
#include <mutex>

#include "platform/components/ModuleTeardown.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/runtime/SysUtils.h"

namespace {

struct ColorName {
  TColor value;
  const char* name;
};

constexpr ColorName kColorNames[] = {
    {clBlack, "clBlack"},
    {clMaroon, "clMaroon"},
    {clGreen, "clGreen"},
    {clOlive, "clOlive"},
    {clNavy, "clNavy"},
    {clPurple, "clPurple"},
    {clTeal, "clTeal"},
    {clGray, "clGray"},
    {clSilver, "clSilver"},
    {clRed, "clRed"},
    {clLime, "clLime"},
    {clYellow, "clYellow"},
    {clBlue, "clBlue"},
    {clFuchsia, "clFuchsia"},
    {clAqua, "clAqua"},
    {clLtGray, "clLtGray"},
    {clDkGray, "clDkGray"},
    {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"},
    {clSkyBlue, "clSkyBlue"},
    {clCream, "clCream"},
    {clMedGray, "clMedGray"},
    {clNone, "clNone"},
    {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"},
    {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"},
    {clMenu, "clMenu"},
    {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"},
    {clMenuText, "clMenuText"},
    {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"},
    {clActiveBorder, "clActiveBorder"},
    {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"},
    {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"},
    {clBtnShadow, "clBtnShadow"},
    {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"},
    {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"},
    {cl3DDkShadow, "cl3DDkShadow"},
    {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
    {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"},
    {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"},
    {clMenuBar, "clMenuBar"},
};

// The classic Windows scheme, by system colour index.
int32_t SystemColor(int index) {
  switch (index) {
    case 1: return 0x808000;
    case 2: return 0x6A240A;
    case 3: return 0x808080;
    case 5: return 0xFFFFFF;
    case 6: return 0x000000;
    case 7: return 0x000000;
    case 8: return 0x000000;
    case 9: return 0xFFFFFF;
    case 12: return 0x808080;
    case 13: return 0x6A240A;
    case 14: return 0xFFFFFF;
    case 16: return 0x808080;
    case 17: return 0x808080;
    case 18: return 0x000000;
    case 20: return 0xFFFFFF;
    case 21: return 0x404040;
    case 23: return 0x000000;
    case 24: return 0xE1FFFF;
    case 26: return 0x800000;
    case 27: return 0xF0CAA6;
    case 28: return 0xC0C0C0;
    case 29: return 0x6A240A;
    default: return 0xC8D0D4;  // scroll bar, menu, borders, faces, lights
  }
}

// The width units of a character (see the header).
int Units(unsigned char c) {
  if (c < 0x20) return 0;
  if (std::strchr(" .,:;'!|iljI", c)) return 3;
  if (std::strchr("mwMW", c)) return 9;
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || (c >= 0x80 && cp1250::ToLowerByte(c) != c)) return 7;
  return 6;
}

struct Formats {
  std::mutex lock;
  std::map<std::string, std::pair<std::string, TGraphicClass>> byExtension;  // upper-case extension
};

Formats& F() {
  static Formats* f = [] {
    auto* formats = new Formats;
    AtModuleUnload(TUnloadStage::Tables, [formats] { delete formats; });
    return formats;
  }();
  return *f;
}

std::string ExtKey(std::string ext) {
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return cp1250::Upper(ext);
}

}  // namespace

int32_t ColorToRGB(TColor color) {
  if (color < 0) return SystemColor(color & 0xFF);
  return color;
}

std::string ColorToString(TColor color) {
  for (const ColorName& c : kColorNames)
    if (c.value == color) return c.name;
  return Format("$%.8x", {int64_t(uint32_t(color))});
}

bool IdentToColor(const std::string& ident, TColor* color) {
  for (const ColorName& c : kColorNames)
    if (cp1250::Upper(c.name) == cp1250::Upper(ident)) {
      *color = c.value;
      return true;
    }
  return false;
}

TColor StringToColor(const std::string& text) {
  TColor c;
  if (IdentToColor(text, &c)) return c;
  return TColor(StrToInt(text));
}

void TFont::Assign(TPersistent* source) {
  if (auto* f = DynamicAs<TFont>(source)) {
    name_ = f->name_;
    height_ = f->height_;
    style_ = f->style_;
    color_ = f->color_;
    Changed();
    return;
  }
  inherited::Assign(source);
}

void TFont::SetName(const std::string& name) {
  if (name == name_) return;
  name_ = name;
  Changed();
}

void TFont::SetHeight(int height) {
  if (height == height_) return;
  height_ = height;
  Changed();
}

int TFont::Size() const { return -int(std::lround(height_ * 72.0 / PixelsPerInch())); }

void TFont::SetSize(int size) { SetHeight(-int(std::lround(size * double(PixelsPerInch()) / 72.0))); }

void TFont::SetStyle(TFontStyles style) {
  if (style == style_) return;
  style_ = style;
  Changed();
}

void TFont::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  Changed();
}

bool TFont::Equals(const TFont& o) const {
  return name_ == o.name_ && height_ == o.height_ && style_ == o.style_ && color_ == o.color_;
}

void TFont::Changed() {
  if (OnChange) OnChange(this);
}

int TextWidthOf(const TFont& font, const std::string& text) {
  int em = std::abs(font.Height());
  bool bold = font.Style() & fsBold;
  int width = 0;
  for (unsigned char c : text) {
    int u = Units(c);
    if (!u) continue;
    width += (em * u + 5) / 11 + (bold ? 1 : 0);
  }
  return width;
}

int TextHeightOf(const TFont& font) {
  int em = std::abs(font.Height());
  return em + em / 5;
}

TCanvas::TCanvas() : font_(new TFont), brush_(new TBrush) {}

TCanvas::~TCanvas() {
  font_->Free();
  brush_->Free();
}

int TCanvas::TextHeight(const std::string&) const { return TextHeightOf(*font_); }

void TCanvas::Lock() {
  lock_.Enter();
  ++lockCount_;
}

void TCanvas::Unlock() {
  --lockCount_;
  lock_.Leave();
}

void TGraphic::LoadFromFile(const std::string& fileName) {
  TFileStream* stream = TFileStream::Create(fileName, fmOpenRead | fmShareDenyWrite);
  try {
    LoadFromStream(stream);
  } catch (...) {
    stream->Free();
    throw;
  }
  stream->Free();
}

void RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicClass make) {
  std::lock_guard g(F().lock);
  F().byExtension[ExtKey(extension)] = {description, std::move(make)};
}

void UnregisterFileFormat(const std::string& extension) {
  std::lock_guard g(F().lock);
  F().byExtension.erase(ExtKey(extension));
}

bool FindFileFormat(const std::string& extension, std::string* description, TGraphicClass* make) {
  std::lock_guard g(F().lock);
  auto it = F().byExtension.find(ExtKey(extension));
  if (it == F().byExtension.end()) return false;
  if (description) *description = it->second.first;
  if (make) *make = it->second.second;
  return true;
}

TPicture::~TPicture() {
  if (graphic_) graphic_->Free();
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string ext = ExtractFileExt(fileName);
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  TGraphicClass make;
  if (!FindFileFormat(ext, nullptr, &make))
    throw EInvalidGraphic(Format("Unknown picture file extension (.%s)", {ext}));
  TGraphic* graphic = make();
  try {
    graphic->LoadFromFile(fileName);
  } catch (...) {
    graphic->Free();
    throw;
  }
  SetGraphic(graphic);
}

void TPicture::SetGraphic(TGraphic* graphic) {
  if (graphic == graphic_) return;
  if (graphic_) graphic_->Free();
  graphic_ = graphic;
  if (OnChange) OnChange(this);
}

void TPicture::Assign(TPersistent* source) {
  if (!source) {
    SetGraphic(nullptr);
    return;
  }
  inherited::Assign(source);
}

// ---- bitmaps ----

namespace {

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

uint16_t U16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;

void CheckImageSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0) throw ERangeError("Range check error");
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

struct DecodedBitmap {
  int width = 0, height = 0;
  TPixelFormat format = pfDevice;
  std::vector<uint32_t> pixels;
};

// Decodes a whole BMP file held in memory.
DecodedBitmap DecodeBmp(const uint8_t* p, size_t n) {
  if (n < 18 || p[0] != 'B' || p[1] != 'M') InvalidBitmap();
  uint32_t offBits = U32(p + 10), headerSize = U32(p + 14);
  int64_t width, height;
  unsigned bits;
  uint32_t compression = kBiRgb, colorsUsed = 0;
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
    colorsUsed = U32(p + 46);
    if (compression == kBiBitfields) {
      if (bits != 16 && bits != 32) InvalidBitmap();
      if (headerSize == 40) {
        if (n < 66) InvalidBitmap();
        paletteStart += 12;
      }
      for (int i = 0; i < 3; ++i) masks[i] = U32(p + 54 + 4 * i);
      if (headerSize >= 56) masks[3] = U32(p + 66);
    } else if (compression != kBiRgb) {
      InvalidBitmap();
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) InvalidBitmap();
  } else {
    InvalidBitmap();
  }
  if (width <= 0 || height == 0 || height == INT32_MIN) InvalidBitmap();
  bool topDown = height < 0;
  if (topDown) height = -height;
  if (compression == kBiRgb && bits == 16) {
    masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
  } else if (compression == kBiRgb && bits == 32) {
    masks[0] = 0xFF0000, masks[1] = 0x00FF00, masks[2] = 0x0000FF;
  }

  std::vector<uint32_t> palette;
  if (bits <= 8) {
    size_t count = colorsUsed ? colorsUsed : size_t(1) << bits;
    if (count > (size_t(1) << bits)) InvalidBitmap();
    if (paletteStart > n || (n - paletteStart) / entrySize < count) InvalidBitmap();
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* e = p + paletteStart + i * entrySize;
      palette.push_back(0xFF000000u | uint32_t(e[2]) << 16 | uint32_t(e[1]) << 8 | e[0]);
    }
    paletteStart += count * entrySize;
  }
  if (offBits < paletteStart || offBits > n) InvalidBitmap();
  uint64_t stride = (uint64_t(width) * bits + 31) / 32 * 4;
  if (uint64_t(height) > (n - offBits) / stride) InvalidBitmap();
  CheckImageSize(width, height);

  DecodedBitmap out;
  out.width = int(width);
  out.height = int(height);
  switch (bits) {
    case 1: out.format = pf1bit; break;
    case 4: out.format = pf4bit; break;
    case 8: out.format = pf8bit; break;
    case 16: out.format = masks[1] == 0x03E0 ? pf15bit : pf16bit; break;
    case 24: out.format = pf24bit; break;
    default: out.format = pf32bit; break;
  }
  out.pixels.resize(size_t(width) * size_t(height));
  Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  for (int64_t row = 0; row < height; ++row) {
    const uint8_t* src = p + offBits + size_t(row) * stride;
    uint32_t* dst = out.pixels.data() + size_t(topDown ? row : height - 1 - row) * size_t(width);
    for (int64_t x = 0; x < width; ++x) {
      uint32_t pixel;
      if (bits <= 8) {
        size_t bit = size_t(x) * bits;
        unsigned index = (src[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
        pixel = index < palette.size() ? palette[index] : 0xFF000000u;
      } else if (bits == 24) {
        const uint8_t* s = src + x * 3;
        pixel = 0xFF000000u | uint32_t(s[2]) << 16 | uint32_t(s[1]) << 8 | s[0];
      } else {
        uint32_t v = bits == 16 ? U16(src + x * 2) : U32(src + x * 4);
        pixel = (alpha.mask ? alpha.Take(v) : 255u) << 24 | red.Take(v) << 16 | green.Take(v) << 8 | blue.Take(v);
      }
      dst[x] = pixel;
    }
  }
  return out;
}

const bool g_bitmapFormat = (RegisterFileFormat("bmp", "Bitmaps", [] { return TBitmap::Create(); }), true);

}  // namespace

void TBitmap::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  std::string bytes(size_t(std::max<int64_t>(size, 0)), '\0');
  stream->ReadBuffer(bytes.data(), int64_t(bytes.size()));
  DecodedBitmap decoded = DecodeBmp(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  width_ = decoded.width;
  height_ = decoded.height;
  pixelFormat_ = decoded.format;
  pixels_ = std::move(decoded.pixels);
}

void TBitmap::Assign(TPersistent* source) {
  if (!source) {
    SetSize(0, 0);
    return;
  }
  if (auto* b = DynamicAs<TBitmap>(source)) {
    width_ = b->width_;
    height_ = b->height_;
    pixelFormat_ = b->pixelFormat_;
    pixels_ = b->pixels_;
    return;
  }
  inherited::Assign(source);
}

void TBitmap::SetSize(int width, int height) {
  CheckImageSize(width, height);
  pixels_.assign(size_t(width) * size_t(height), 0xFF000000u);
  width_ = width;
  height_ = height;
  pixelFormat_ = pf32bit;
}

TColor TBitmap::Pixels(int x, int y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return -1;
  return PixelToColor(Pixel32(x, y));
}

void TBitmap::SetPixels(int x, int y, TColor color) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  int32_t rgb = ColorToRGB(color);
  pixels_[size_t(y) * size_t(width_) + size_t(x)] =
      0xFF000000u | uint32_t(rgb & 0xFF) << 16 | uint32_t(rgb & 0xFF00) | uint32_t(rgb >> 16 & 0xFF);
}

TColor TBitmap::TransparentColor() const { return Empty() ? clDefault : Pixels(0, height_ - 1); }

// Bitmaps over GDI bitmap handles: formats, handle types, palettes, pixels, drawing and the clipboard.
#include <algorithm>
#include <cstring>

#include "platform/components/DibSections.h"
#include "platform/components/Graphics.h"
#include "platform/winapi/Clipboard.h"
#include "platform/winapi/Palettes.h"

namespace {

bool IsBlackAndWhite(const std::vector<RGBQUAD>& table) {
  return table.size() == 2 && table[0].rgbRed == 0 && table[0].rgbGreen == 0 && table[0].rgbBlue == 0 &&
         table[1].rgbRed == 255 && table[1].rgbGreen == 255 && table[1].rgbBlue == 255;
}

// The fixed colour table GetDIBits gives a depth of 8 bits or fewer.
std::vector<RGBQUAD> FixedTable(HBITMAP source, int bits) {
  std::vector<uint8_t> info(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
  auto* h = reinterpret_cast<BITMAPINFOHEADER*>(info.data());
  *h = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 1, 1, WORD(bits), BI_RGB, 0, 0, 0, 0, 0};
  GetDIBits(nullptr, source, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(info.data()), DIB_RGB_COLORS);
  std::vector<RGBQUAD> table(size_t(1) << bits);
  std::memcpy(table.data(), info.data() + sizeof(BITMAPINFOHEADER), table.size() * sizeof(RGBQUAD));
  return table;
}

// Copies the pixels of one bitmap onto another at (0, 0).
void CopyPixels(HBITMAP from, HBITMAP to, int width, int height) {
  HDC src = CreateCompatibleDC(nullptr), dst = CreateCompatibleDC(nullptr);
  HGDIOBJ oldSrc = SelectObject(src, AsGdiObject(from)), oldDst = SelectObject(dst, AsGdiObject(to));
  BitBlt(dst, 0, 0, width, height, src, 0, 0, SRCCOPY);
  SelectObject(src, oldSrc);
  SelectObject(dst, oldDst);
  DeleteDC(src);
  DeleteDC(dst);
}

void CheckSize(int64_t width, int64_t height) {
  if (width < 0 || height < 0) throw ERangeError("Range check error");
  if (width * height > kMaxImagePixels) throw EOutOfResources("Out of system resources");
}

HBITMAP Ddb(int width, int height, bool mono) {
  HBITMAP b = CreateBitmap(width, height, 1, mono ? 1 : 32, nullptr);
  if (!b) throw EOutOfResources("Out of system resources");
  return b;
}

BITMAP Describe(HBITMAP handle) {
  BITMAP bm{};
  if (handle) GetObject(handle, sizeof bm, &bm);
  return bm;
}

bool IsDib(HBITMAP handle) {
  DIBSECTION ds;
  return handle && GetObject(handle, sizeof ds, &ds) == int(sizeof ds);
}

}  // namespace

TBitmapCanvas::~TBitmapCanvas() { FreeContext(); }

void TBitmapCanvas::CreateHandle() {
  HDC dc = CreateCompatibleDC(nullptr);
  if (bitmap_->handle_) oldBitmap_ = SelectObject(dc, AsGdiObject(bitmap_->handle_));
  if (HPALETTE palette = bitmap_->Palette()) {
    oldPalette_ = SelectPalette(dc, palette, TRUE);
    RealizePalette(dc);
  }
  SetHandle(dc);
}

void TBitmapCanvas::FreeContext() {
  if (!HandleAllocated()) return;
  HDC dc = Handle();
  if (oldBitmap_) SelectObject(dc, oldBitmap_);
  if (oldPalette_) SelectPalette(dc, oldPalette_, TRUE);
  oldBitmap_ = nullptr;
  oldPalette_ = nullptr;
  ClearHandle();
  DeleteDC(dc);
}

TBitmap::~TBitmap() {
  if (canvas_) canvas_->Free();
  if (handle_) DeleteObject(handle_);
  FreePalette();
}

void TBitmap::Replace(HBITMAP handle, bool alpha) {
  if (canvas_) canvas_->FreeContext();
  if (handle_ && handle_ != handle) DeleteObject(handle_);
  FreePalette();
  handle_ = handle;
  alpha_ = alpha;
  SetPaletteModified(true);
  Changed(this);
}

void TBitmap::FreePalette() {
  if (palette_) DeleteObject(palette_);
  palette_ = nullptr;
}

int TBitmap::Width() const { return Describe(handle_).bmWidth; }
int TBitmap::Height() const { return Describe(handle_).bmHeight; }

TPixelFormat TBitmap::PixelFormat() const {
  if (!handle_) return pfDevice;
  DIBSECTION ds{};
  if (GetObject(handle_, sizeof ds, &ds) != int(sizeof ds)) return ds.dsBm.bmBitsPixel == 1 ? pf1bit : pfDevice;
  switch (ds.dsBm.bmBitsPixel) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16:
      return ds.dsBmih.biCompression == BI_BITFIELDS &&
                     (ds.dsBitfields[0] != 0x7C00 || ds.dsBitfields[1] != 0x03E0 || ds.dsBitfields[2] != 0x001F)
                 ? pf16bit
                 : pf15bit;
    case 24: return pf24bit;
    case 32: return pf32bit;
    default: return pfCustom;
  }
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (!handle_ || format == PixelFormat() || format == pfCustom) return;
  if (format == pfDevice) {
    SetHandleType(bmDDB);
    return;
  }
  int width = Width(), height = Height();
  TDibLayout layout;
  static const int kBits[] = {0, 1, 4, 8, 16, 16, 24, 32};
  int bits = kBits[format];
  layout.header = BITMAPINFOHEADER{40, std::max(width, 1), std::max(height, 1), 1, WORD(bits), BI_RGB, 0, 0, 0, 0, 0};
  if (format == pf16bit) {
    layout.header.biCompression = BI_BITFIELDS;
    layout.masks[0] = 0xF800, layout.masks[1] = 0x07E0, layout.masks[2] = 0x001F;
  }
  if (bits <= 8) {
    TDibLayout own;
    if (handle_ && ReadDib(handle_, own, nullptr) && own.header.biBitCount == bits)
      layout.table = own.table;
    else
      layout.table = FixedTable(handle_, bits);
  }
  HBITMAP fresh = MakeDibSection(layout, nullptr);
  CopyPixels(handle_, fresh, width, height);
  Replace(fresh);
}

TBitmapHandleType TBitmap::HandleType() const { return handle_ && !IsDib(handle_) ? bmDDB : bmDIB; }

void TBitmap::SetHandleType(TBitmapHandleType type) {
  if (!handle_ || type == HandleType()) return;
  int width = Width(), height = Height();
  if (type == bmDDB) {
    HBITMAP fresh = Ddb(width, height, Monochrome());
    CopyPixels(handle_, fresh, width, height);
    Replace(fresh);
    return;
  }
  TDibLayout layout;
  std::string rows;
  ReadDib(handle_, layout, &rows);
  uint8_t* pixels = nullptr;
  HBITMAP fresh = MakeDibSection(layout, &pixels);
  std::memcpy(pixels, rows.data(), rows.size());
  Replace(fresh);
}

bool TBitmap::Monochrome() const {
  BITMAP bm = Describe(handle_);
  if (!handle_ || bm.bmBitsPixel != 1) return false;
  if (!IsDib(handle_)) return true;
  TDibLayout layout;
  return ReadDib(handle_, layout, nullptr) && IsBlackAndWhite(layout.table);
}

void TBitmap::SetMonochrome(bool value) {
  if (!handle_ || (value == Monochrome() && HandleType() == bmDDB)) return;
  int width = Width(), height = Height();
  HBITMAP fresh = Ddb(width, height, value);
  CopyPixels(handle_, fresh, width, height);
  Replace(fresh);
}

void TBitmap::SetHandle(HBITMAP handle) {
  if (handle == handle_) return;
  Replace(handle);
}

HBITMAP TBitmap::ReleaseHandle() {
  if (canvas_) canvas_->FreeContext();
  HBITMAP handle = handle_;
  handle_ = nullptr;
  FreePalette();
  Changed(this);
  return handle;
}

HPALETTE TBitmap::Palette() const {
  if (palette_ || !handle_) return palette_;
  TDibLayout layout;
  if (!IsDib(handle_) || !ReadDib(handle_, layout, nullptr) || layout.table.empty()) return nullptr;
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + layout.table.size() * sizeof(PALETTEENTRY));
  auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
  log->palVersion = 0x300;
  log->palNumEntries = WORD(layout.table.size());
  for (size_t i = 0; i < layout.table.size(); ++i)
    log->palPalEntry[i] = PALETTEENTRY{layout.table[i].rgbRed, layout.table[i].rgbGreen, layout.table[i].rgbBlue, 0};
  palette_ = CreatePalette(log);
  return palette_;
}

void TBitmap::SetPalette(HPALETTE palette) {
  if (palette == palette_) return;
  if (canvas_) canvas_->FreeContext();
  FreePalette();
  palette_ = palette;
  if (palette && IsDib(handle_) && Describe(handle_).bmBitsPixel <= 8) {
    std::vector<PALETTEENTRY> entries(GetPaletteEntries(palette, 0, 0, nullptr));
    GetPaletteEntries(palette, 0, UINT(entries.size()), entries.data());
    std::vector<RGBQUAD> table;
    for (const PALETTEENTRY& e : entries) table.push_back(RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0});
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, AsGdiObject(handle_));
    SetDIBColorTable(dc, 0, UINT(table.size()), table.data());
    SelectObject(dc, old);
    DeleteDC(dc);
  }
  SetPaletteModified(true);
  Changed(this);
}

TCanvas* TBitmap::Canvas() const {
  if (!canvas_) {
    canvas_ = NewObject<TBitmapCanvas>(const_cast<TBitmap*>(this));
    canvas_->OnChange = [this](TObject*) { const_cast<TBitmap*>(this)->Changed(const_cast<TBitmap*>(this)); };
  }
  return canvas_;
}

void TBitmap::Assign(TPersistent* source) {
  if (!source) {
    Replace(nullptr);
    return;
  }
  if (auto* b = DynamicAs<TBitmap>(source)) {
    if (b == this) return;
    HBITMAP copy = nullptr;
    if (b->handle_) {
      TDibLayout layout;
      std::string rows;
      ReadDib(b->handle_, layout, &rows);
      if (IsDib(b->handle_)) {
        uint8_t* pixels = nullptr;
        copy = MakeDibSection(layout, &pixels);
        std::memcpy(pixels, rows.data(), rows.size());
      } else {
        copy = Ddb(b->Width(), b->Height(), b->Monochrome());
        CopyPixels(b->handle_, copy, b->Width(), b->Height());
      }
    }
    Replace(copy, b->alpha_);
    transparentColor_ = b->transparentColor_;
    SetTransparent(b->Transparent());
    return;
  }
  inherited::Assign(source);
}

void TBitmap::SetSize(int width, int height) {
  CheckSize(width, height);
  if (width == Width() && height == Height()) return;
  if (width == 0 || height == 0) {
    Replace(nullptr);
    return;
  }
  HBITMAP fresh;
  if (!handle_) {
    TDibLayout layout;
    layout.header = BITMAPINFOHEADER{40, width, height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    fresh = MakeDibSection(layout, nullptr);
  } else if (!IsDib(handle_)) {
    fresh = Ddb(width, height, Monochrome());
  } else {
    TDibLayout layout;
    ReadDib(handle_, layout, nullptr);
    layout.header.biWidth = width;
    layout.header.biHeight = height;
    fresh = MakeDibSection(layout, nullptr);
  }
  if (handle_) CopyPixels(handle_, fresh, std::min(width, Width()), std::min(height, Height()));
  Replace(fresh, alpha_);
}

TColor TBitmap::Pixels(int x, int y) const {
  if (!handle_) return -1;
  COLORREF c = GetPixel(Canvas()->Handle(), x, y);
  return c == CLR_INVALID ? -1 : TColor(c);
}

void TBitmap::SetPixels(int x, int y, TColor color) {
  if (handle_) Canvas()->SetPixels(x, y, color);
}

uint32_t TBitmap::Pixel32(int x, int y) const {
  TColor c = Pixels(x, y);
  uint32_t rgb = uint32_t(c & 0xFF) << 16 | uint32_t(c & 0xFF00) | uint32_t(c >> 16 & 0xFF);
  uint32_t a = 255;
  if (alpha_) {
    DIBSECTION ds{};
    GetObject(handle_, sizeof ds, &ds);
    size_t stride = DibStride(ds.dsBm.bmWidth, 32);
    int row = ds.dsBmih.biHeight < 0 ? y : ds.dsBm.bmHeight - 1 - y;
    a = static_cast<const uint8_t*>(ds.dsBm.bmBits)[size_t(row) * stride + size_t(x) * 4 + 3];
  }
  return a << 24 | rgb;
}

uint8_t* TBitmap::ScanLine(int y) {
  SetHandleType(bmDIB);
  DIBSECTION ds{};
  if (!handle_ || GetObject(handle_, sizeof ds, &ds) != int(sizeof ds) || y < 0 || y >= ds.dsBm.bmHeight)
    throw EInvalidGraphic("Scan line index out of range");
  int row = ds.dsBmih.biHeight < 0 ? y : ds.dsBm.bmHeight - 1 - y;
  return static_cast<uint8_t*>(ds.dsBm.bmBits) + size_t(row) * size_t(ds.dsBm.bmWidthBytes);
}

TColor TBitmap::TransparentColor() const {
  if (transparentColor_ != clDefault) return transparentColor_;
  return Empty() ? clDefault : Pixels(0, Height() - 1);
}

void TBitmap::Draw(TCanvas* canvas, const RECT& rect) {
  if (!handle_) return;
  HDC dc = canvas->Handle();
  HPALETTE oldPalette = nullptr;
  if (HPALETTE palette = Palette()) {
    oldPalette = SelectPalette(dc, palette, TRUE);
    RealizePalette(dc);
  }
  StretchBlt(dc, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, Canvas()->Handle(), 0, 0, Width(),
             Height(), canvas->CopyMode());
  if (oldPalette) SelectPalette(dc, oldPalette, TRUE);
}

void TBitmap::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  auto source = reinterpret_cast<HBITMAP>(data);
  if (format != CF_BITMAP || GetObjectType(AsGdiObject(source)) != OBJ_BITMAP)
    throw EInvalidGraphic("Unsupported clipboard format");
  BITMAP bm = Describe(source);
  HBITMAP copy = Ddb(bm.bmWidth, bm.bmHeight, bm.bmBitsPixel == 1 && !IsDib(source));
  CopyPixels(source, copy, bm.bmWidth, bm.bmHeight);
  Replace(copy);
  if (palette) {
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 1024 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = WORD(GetPaletteEntries(palette, 0, 1024, log->palPalEntry));
    palette_ = log->palNumEntries ? CreatePalette(log) : nullptr;
  }
}

void TBitmap::SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) {
  format = CF_BITMAP;
  data = nullptr;
  palette = nullptr;
  if (!handle_) return;
  HBITMAP copy = Ddb(Width(), Height(), Monochrome());
  CopyPixels(handle_, copy, Width(), Height());
  data = copy;
  if (HPALETTE own = Palette()) {
    std::vector<uint8_t> block(sizeof(LOGPALETTE) + 1024 * sizeof(PALETTEENTRY));
    auto* log = reinterpret_cast<LOGPALETTE*>(block.data());
    log->palVersion = 0x300;
    log->palNumEntries = WORD(GetPaletteEntries(own, 0, 1024, log->palPalEntry));
    palette = CreatePalette(log);
  }
}

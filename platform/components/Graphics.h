// Colours, fonts, canvases as far as the controls need them, the deterministic text metrics, and the
// picture framework (graphic classes registered by file extension).
//
// Text metrics (no real font is ever rasterised): a font's em is the absolute value of its Height in
// pixels (Height = -Size * PixelsPerInch / 72, rounded, at 96 pixels per inch; the default font is "MS Sans
// Serif" at Height -11). A line of text is em + em / 5 pixels high (integer division), 13 for the default
// font, also for an empty text. Its width is the sum of its characters' widths, each (em * u + 5) / 11
// pixels with u = 3 for " .,:;'!|iljI" and for control characters 0, u = 9 for "mwMW", u = 7 for other
// upper-case letters (CP1250 included) and digits, and u = 6 for everything else; fsBold adds 1 pixel per
// character. So the default font gives 6 pixels for "a", 7 for "A", 9 for "W" and 3 for "i".
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/runtime/Classes.h"
#include "platform/runtime/Streams.h"
#include "platform/runtime/Sync.h"
#include "platform/winapi/WinTypes.h"

using TColor = int32_t;
// System colours carry the 0x80000000 flag and the index of the system colour.
constexpr TColor clScrollBar = TColor(0x80000000);
constexpr TColor clBackground = TColor(0x80000001);
constexpr TColor clActiveCaption = TColor(0x80000002);
constexpr TColor clInactiveCaption = TColor(0x80000003);
constexpr TColor clMenu = TColor(0x80000004);
constexpr TColor clWindow = TColor(0x80000005);
constexpr TColor clWindowFrame = TColor(0x80000006);
constexpr TColor clMenuText = TColor(0x80000007);
constexpr TColor clWindowText = TColor(0x80000008);
constexpr TColor clCaptionText = TColor(0x80000009);
constexpr TColor clActiveBorder = TColor(0x8000000A);
constexpr TColor clInactiveBorder = TColor(0x8000000B);
constexpr TColor clAppWorkSpace = TColor(0x8000000C);
constexpr TColor clHighlight = TColor(0x8000000D);
constexpr TColor clHighlightText = TColor(0x8000000E);
constexpr TColor clBtnFace = TColor(0x8000000F);
constexpr TColor clBtnShadow = TColor(0x80000010);
constexpr TColor clGrayText = TColor(0x80000011);
constexpr TColor clBtnText = TColor(0x80000012);
constexpr TColor clInactiveCaptionText = TColor(0x80000013);
constexpr TColor clBtnHighlight = TColor(0x80000014);
constexpr TColor cl3DDkShadow = TColor(0x80000015);
constexpr TColor cl3DLight = TColor(0x80000016);
constexpr TColor clInfoText = TColor(0x80000017);
constexpr TColor clInfoBk = TColor(0x80000018);
constexpr TColor clHotLight = TColor(0x8000001A);
constexpr TColor clGradientActiveCaption = TColor(0x8000001B);
constexpr TColor clGradientInactiveCaption = TColor(0x8000001C);
constexpr TColor clMenuHighlight = TColor(0x8000001D);
constexpr TColor clMenuBar = TColor(0x8000001E);
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = clSilver;
constexpr TColor clDkGray = clGray;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour; system colours map to the classic Windows scheme.
int32_t ColorToRGB(TColor color);
// "clWindow", "clRed", or "$00BBGGRR" for other values; and back: a colour name in any letter case, else
// an integer text (decimal, or hexadecimal after "$"; EConvertError otherwise).
std::string ColorToString(TColor color);
TColor StringToColor(const std::string& text);
bool IdentToColor(const std::string& ident, TColor* color);

enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;

class TFont : public TPersistent {
  VCL_CLASS(TFont, TPersistent)
  TFont() = default;
  void Assign(TPersistent* source) override;

  const std::string& Name() const { return name_; }
  void SetName(const std::string& name);
  int Height() const { return height_; }
  void SetHeight(int height);
  // Points at the font's pixels per inch (96).
  int Size() const;
  void SetSize(int size);
  TFontStyles Style() const { return style_; }
  void SetStyle(TFontStyles style);
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int PixelsPerInch() const { return 96; }
  bool Equals(const TFont& other) const;

  TNotifyEvent OnChange;

 private:
  void Changed();
  std::string name_ = "MS Sans Serif";
  int height_ = -11;
  TFontStyles style_ = 0;
  TColor color_ = clWindowText;
};

class TBrush : public TPersistent {
  VCL_CLASS(TBrush, TPersistent)
  TBrush() = default;
  ~TBrush() override;
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  // A solid GDI brush of the colour, made on demand and kept until the colour changes.
  HBRUSH Handle();

 private:
  TColor color_ = clWhite;
  HBRUSH handle_ = nullptr;
};

// The text metrics model of the header comment.
int TextWidthOf(const TFont& font, const std::string& text);
int TextHeightOf(const TFont& font);

class TGraphic;

// Raster operations of CopyRect and bitmap drawing.
using TCopyMode = DWORD;
constexpr TCopyMode cmSrcCopy = 0x00CC0020, cmSrcAnd = 0x008800C6, cmSrcPaint = 0x00EE0086, cmNotSrcCopy = 0x00330008,
                    cmSrcInvert = 0x00660046, cmBlackness = 0x00000042, cmWhiteness = 0x00FF0062;

// A drawing surface: the font and brush, text extents, the lock that serialises drawing across threads,
// and drawing through its device context. A plain canvas has no context of its own (SetHandle lends it
// one); subclasses make theirs in CreateHandle. Drawing without a context raises EInvalidOperation
// "Canvas does not allow drawing".
class TCanvas : public TPersistent {
  VCL_CLASS(TCanvas, TPersistent)
  TCanvas();
  ~TCanvas() override;
  TFont* Font() { return font_; }
  TBrush* Brush() { return brush_; }
  int TextWidth(const std::string& text) const { return TextWidthOf(*font_, text); }
  int TextHeight(const std::string& text) const;
  SIZE TextExtent(const std::string& text) const { return SIZE{TextWidth(text), TextHeight(text)}; }
  void Lock();
  void Unlock();
  int LockCount() const { return lockCount_; }

  // The device context, made by CreateHandle when there is none.
  HDC Handle();
  // Lends a context that the caller keeps and releases (none: the canvas lets go of it).
  void SetHandle(HDC dc);
  bool HandleAllocated() const { return handle_ != nullptr; }
  TCopyMode CopyMode() const { return copyMode_; }
  void SetCopyMode(TCopyMode mode) { copyMode_ = mode; }

  // The colour of a pixel (-1 outside the surface) and setting it.
  TColor Pixels(int x, int y);
  void SetPixels(int x, int y, TColor color);
  void FillRect(const RECT& rect);
  // Draws a graphic at its size, or stretched into a rectangle.
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const RECT& rect, TGraphic* graphic);
  // Stretches a rectangle of another canvas into one of this, with the copy mode.
  void CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source);

  TNotifyEvent OnChange;
  TNotifyEvent OnChanging;

 protected:
  virtual void CreateHandle() {}
  // Lets go of the context, which the subclass then frees.
  void ClearHandle() { handle_ = nullptr; }
  void Changing();
  void Changed();

 private:
  HDC DrawingHandle();

  TFont* font_;
  TBrush* brush_;
  TCriticalSection lock_;
  int lockCount_ = 0;
  HDC handle_ = nullptr;
  TCopyMode copyMode_ = cmSrcCopy;
};

VCL_EXCEPTION(EInvalidGraphic, Exception);
VCL_EXCEPTION(EInvalidGraphicOperation, Exception);
// An image too large to be made ("Out of system resources").
VCL_EXCEPTION(EOutOfResources, EOutOfMemory);

// The most pixels one image may have (a bitmap, or one image of an image list): 64 Mi, 256 MiB of pixels.
constexpr int64_t kMaxImagePixels = int64_t(1) << 26;

enum TProgressStage { psStarting, psRunning, psEnding };
using TProgressEvent = std::function<void(TObject* sender, TProgressStage stage, BYTE percentDone, bool redrawNow,
                                          const RECT& rect, const std::string& message)>;

// A picture's content: an image of some format. Formats register their class for file extensions and
// clipboard formats. Operations a format does not offer raise EInvalidGraphicOperation "Invalid graphic
// operation".
class TGraphic : public TPersistent {
  VCL_CLASS(TGraphic, TPersistent)
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width);
  virtual void SetHeight(int height);
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void SaveToStream(TStream* stream);
  virtual void LoadFromFile(const std::string& fileName);
  void SaveToFile(const std::string& fileName);
  // Form data: by default the image as it is saved.
  virtual void ReadData(TStream* stream) { LoadFromStream(stream); }
  virtual void WriteData(TStream* stream) { SaveToStream(stream); }
  virtual void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
  virtual void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette);
  // Draws the image stretched into the rectangle of the canvas.
  virtual void Draw(TCanvas* canvas, const RECT& rect);
  virtual HPALETTE Palette() const { return nullptr; }
  virtual void SetPalette(HPALETTE) {}
  virtual bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value);
  // Of the same class and both empty, or saving the same bytes.
  virtual bool Equals(TGraphic* other);
  bool Modified() const { return modified_; }
  void SetModified(bool value);
  bool PaletteModified() const { return paletteModified_; }
  void SetPaletteModified(bool value) { paletteModified_ = value; }

  // Marks the graphic modified and calls OnChange.
  virtual void Changed(TObject* sender);
  void Progress(TObject* sender, TProgressStage stage, BYTE percentDone, bool redrawNow, const RECT& rect,
                const std::string& message);

  TNotifyEvent OnChange;
  TProgressEvent OnProgress;

 private:
  bool transparent_ = false;
  bool modified_ = false;
  bool paletteModified_ = false;
};

// Image data shared by graphics that were assigned from each other: the last Release frees the handle and
// the object.
class TSharedImage : public TObject {
  VCL_CLASS(TSharedImage, TObject)
  void Reference() { ++refCount_; }
  void Release();
  int RefCount() const { return refCount_; }

 protected:
  virtual void FreeHandle() = 0;

 private:
  int refCount_ = 0;
};

using TGraphicClass = std::function<TGraphic*()>;

// Registers (or replaces) the class for an extension (without the dot, any letter case).
void RegisterFileFormat(const std::string& extension, const std::string& description, TGraphicClass make);
void UnregisterFileFormat(const std::string& extension);
// The description and factory of an extension; false when none is registered.
bool FindFileFormat(const std::string& extension, std::string* description, TGraphicClass* make);

class TPicture : public TPersistent {
  VCL_CLASS(TPicture, TPersistent)
  TPicture() = default;
  // The clipboard-format registry: the class whose graphics load a format (TBitmap: CF_BITMAP).
  static void RegisterClipboardFormat(UINT format, TGraphicClass make);
  static void UnregisterClipboardFormat(UINT format);
  static bool SupportsClipboardFormat(UINT format);
  // Makes a graphic of the format's class from clipboard data; EInvalidGraphic "Unsupported clipboard
  // format" when none is registered. A failing load keeps the previous graphic.
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette);
  ~TPicture() override;
  // Loads through the class registered for the file's extension; EInvalidGraphic "Unknown picture file
  // extension (.%s)" when there is none. A failing load keeps the previous graphic.
  void LoadFromFile(const std::string& fileName);
  TGraphic* Graphic() const { return graphic_; }
  // Takes ownership.
  void SetGraphic(TGraphic* graphic);
  int Width() const { return graphic_ ? graphic_->Width() : 0; }
  int Height() const { return graphic_ ? graphic_->Height() : 0; }
  void Assign(TPersistent* source) override;

  TNotifyEvent OnChange;

 private:
  TGraphic* graphic_ = nullptr;
};

// The colour (00BBGGRR) of a pixel 0xAARRGGBB.
constexpr TColor PixelToColor(uint32_t pixel) {
  return TColor((pixel >> 16 & 0xFF) | (pixel & 0xFF00) | (pixel & 0xFF) << 16);
}

// The bits per pixel of a bitmap (pf15bit: 16 bits as 5-5-5, pf16bit: other masks; pfDevice: a colour
// device-dependent bitmap).
enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };

class TBitmap;

// The canvas of a bitmap: a memory context holding the bitmap (and its palette).
class TBitmapCanvas : public TCanvas {
  VCL_CLASS(TBitmapCanvas, TCanvas)
  explicit TBitmapCanvas(TBitmap* bitmap) : bitmap_(bitmap) {}
  ~TBitmapCanvas() override;
  // Deselects the bitmap and frees the context (before the bitmap's handle changes).
  void FreeContext();

 protected:
  void CreateHandle() override;

 private:
  TBitmap* bitmap_;
  HGDIOBJ oldBitmap_ = nullptr;
  HPALETTE oldPalette_ = nullptr;
};

// A GDI bitmap in the handle table, kept at its own depth: a DIB section of 1, 4 or 8 bits with its colour
// table, of 16 (5-5-5 or bit fields), 24 or 32 bits; or a device-dependent bitmap (monochrome, or of the
// screen's 32 bits). Loads Windows BMP files and saves them at its depth: a 14-byte file header, a 40-byte
// information header (with the three masks after it for bit fields), the full 2^n colour table, and rows
// bottom-up padded to 4 bytes; a file in that form saves back byte for byte.
class TBitmap : public TGraphic {
  VCL_CLASS(TBitmap, TGraphic)
  TBitmap() = default;
  ~TBitmap() override;
  static TBitmap* Create() { return NewObject<TBitmap>(); }

  bool Empty() const override { return !handle_; }
  int Width() const override;
  int Height() const override;
  void SetWidth(int width) override { SetSize(width, Height()); }
  void SetHeight(int height) override { SetSize(Width(), height); }
  TPixelFormat PixelFormat() const;
  // Converts the pixels (pfDevice: to a device-dependent bitmap); 1, 4 and 8 bits keep the table of the
  // same depth or take GetDIBits' fixed table, colours going to the nearest entry.
  void SetPixelFormat(TPixelFormat format);
  TBitmapHandleType HandleType() const;
  void SetHandleType(TBitmapHandleType type);
  // 1 bit with a black and white table (a monochrome device-dependent bitmap or such a DIB section).
  bool Monochrome() const;
  // true: a monochrome device-dependent bitmap (white stays white, every other colour becomes black);
  // false: a colour one.
  void SetMonochrome(bool value);
  HBITMAP Handle() const { return handle_; }
  // Takes ownership of a bitmap handle (none empties the bitmap).
  void SetHandle(HBITMAP handle);
  // Hands the handle to the caller; the bitmap is then empty.
  HBITMAP ReleaseHandle();
  // A palette of the colour table (8 bits or fewer), made on demand; none for deeper bitmaps unless one
  // was set. SetPalette takes ownership and, for a table bitmap, sets the table from its entries.
  HPALETTE Palette() const override;
  void SetPalette(HPALETTE palette) override;
  TCanvas* Canvas() const;

  // Reads a BMP file from the stream's position to its end: the file header, a core (12-byte), info
  // (40, 52 or 56) or V4/V5 (108, 124) header; 1, 4 and 8 bits with a palette, 16 and 32 bits as BI_RGB
  // or BI_BITFIELDS, 24 bits; rows bottom-up or top-down. 32 bits with an alpha mask keep the alpha.
  // Anything else raises EInvalidGraphic "Bitmap image is not valid"; more than kMaxImagePixels pixels
  // EOutOfResources "Out of system resources". A failing load keeps the previous image.
  void LoadFromStream(TStream* stream) override;
  void SaveToStream(TStream* stream) override;
  void LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) override;
  void SaveToClipboardFormat(UINT& format, HANDLE& data, HPALETTE& palette) override;
  void Draw(TCanvas* canvas, const RECT& rect) override;
  // Copies another bitmap (its own bitmap and palette); nil empties this one; other sources raise the
  // assignment error.
  void Assign(TPersistent* source) override;

  // Resizes keeping the format and what overlaps; an empty bitmap becomes a black pf32bit one. Sizes
  // below 0 raise ERangeError, too many pixels EOutOfResources.
  void SetSize(int width, int height);
  // The colour (00BBGGRR) of a pixel; -1 outside the image.
  TColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TColor color);
  // The pixel with its alpha: 0xAARRGGBB (alpha 255 unless the file had an alpha mask).
  uint32_t Pixel32(int x, int y) const;
  // The memory of row y (0 at the top) of a DIB section (a device-dependent bitmap becomes one first).
  uint8_t* ScanLine(int y);
  // The colour that stands for transparency: the one set, else the bottom-left pixel's (clDefault when
  // empty). Setting clDefault goes back to the bottom-left pixel's.
  TColor TransparentColor() const;
  void SetTransparentColor(TColor color) { transparentColor_ = color; }

 private:
  // Puts a new handle in place of the old one (deleted), with the alpha flag of the pixels.
  void Replace(HBITMAP handle, bool alpha = false);
  void FreePalette();

  HBITMAP handle_ = nullptr;
  mutable HPALETTE palette_ = nullptr;
  mutable TBitmapCanvas* canvas_ = nullptr;
  bool alpha_ = false;
  TColor transparentColor_ = clDefault;
  friend class TBitmapCanvas;
};

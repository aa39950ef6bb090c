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
constexpr TColor clWindow = TColor(0x80000005);
constexpr TColor clWindowText = TColor(0x80000008);
constexpr TColor clBtnFace = TColor(0x8000000F);
constexpr TColor clBtnText = TColor(0x80000012);
constexpr TColor clHighlight = TColor(0x8000000D);
constexpr TColor clHighlightText = TColor(0x8000000E);
constexpr TColor clGrayText = TColor(0x80000011);
constexpr TColor clInfoText = TColor(0x80000017);
constexpr TColor clInfoBk = TColor(0x80000018);
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour; system colours map to the classic Windows scheme.
int32_t ColorToRGB(TColor color);
// "clWindow", "clRed", or "$00BBGGRR" for other values; and back (EConvertError for bad text).
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
  TColor Color() const { return color_; }
  void SetColor(TColor color) { color_ = color; }

 private:
  TColor color_ = clWhite;
};

// The text metrics model of the header comment.
int TextWidthOf(const TFont& font, const std::string& text);
int TextHeightOf(const TFont& font);

// A drawing surface. Only what layout needs: the font and brush, text extents, and the lock that
// serialises drawing across threads.
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

 private:
  TFont* font_;
  TBrush* brush_;
  TCriticalSection lock_;
  int lockCount_ = 0;
};

VCL_EXCEPTION(EInvalidGraphic, Exception);

// A picture's content: an image of some format. Formats register their class for file extensions.
class TGraphic : public TPersistent {
  VCL_CLASS(TGraphic, TPersistent)
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void LoadFromStream(TStream* stream) = 0;
  virtual void LoadFromFile(const std::string& fileName);
  bool Transparent() const { return transparent_; }
  virtual void SetTransparent(bool value) { transparent_ = value; }

 private:
  bool transparent_ = false;
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

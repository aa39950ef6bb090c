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
#include "platform/winapi/Clipboard.h"

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
  std::map<UINT, TGraphicClass> byClipboardFormat;
};

// The registry starts with the component library's own formats.
Formats& F() {
  static Formats* f = [] {
    auto* formats = new Formats;
    TGraphicClass bitmap = [] { return TBitmap::Create(); };
    formats->byExtension["BMP"] = {"Bitmaps", bitmap};
    formats->byClipboardFormat[CF_BITMAP] = bitmap;
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

void TPicture::RegisterClipboardFormat(UINT format, TGraphicClass make) {
  std::lock_guard g(F().lock);
  F().byClipboardFormat[format] = std::move(make);
}

void TPicture::UnregisterClipboardFormat(UINT format) {
  std::lock_guard g(F().lock);
  F().byClipboardFormat.erase(format);
}

bool TPicture::SupportsClipboardFormat(UINT format) {
  std::lock_guard g(F().lock);
  return F().byClipboardFormat.count(format) > 0;
}

void TPicture::LoadFromClipboardFormat(UINT format, HANDLE data, HPALETTE palette) {
  TGraphicClass make;
  {
    std::lock_guard g(F().lock);
    auto it = F().byClipboardFormat.find(format);
    if (it == F().byClipboardFormat.end()) throw EInvalidGraphic("Unsupported clipboard format");
    make = it->second;
  }
  TGraphic* graphic = make();
  try {
    graphic->LoadFromClipboardFormat(format, data, palette);
  } catch (...) {
    graphic->Free();
    throw;
  }
  SetGraphic(graphic);
}

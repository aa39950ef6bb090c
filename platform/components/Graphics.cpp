#include "platform/components/Graphics.h"

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
    {clBlack, "clBlack"},         {clMaroon, "clMaroon"},       {clGreen, "clGreen"},
    {clNavy, "clNavy"},           {clGray, "clGray"},           {clSilver, "clSilver"},
    {clRed, "clRed"},             {clLime, "clLime"},           {clYellow, "clYellow"},
    {clBlue, "clBlue"},           {clWhite, "clWhite"},         {clNone, "clNone"},
    {clDefault, "clDefault"},     {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"},
    {clActiveCaption, "clActiveCaption"}, {clWindow, "clWindow"}, {clWindowText, "clWindowText"},
    {clBtnFace, "clBtnFace"},     {clBtnText, "clBtnText"},     {clHighlight, "clHighlight"},
    {clHighlightText, "clHighlightText"}, {clGrayText, "clGrayText"}, {clInfoText, "clInfoText"},
    {clInfoBk, "clInfoBk"},
};

// The classic Windows scheme, by system colour index.
int32_t SystemColor(int index) {
  switch (index) {
    case 0: return 0xC8D0D4;
    case 1: return 0x808000;
    case 2: return 0x6A240A;
    case 5: return 0xFFFFFF;
    case 8: return 0x000000;
    case 13: return 0x6A240A;
    case 14: return 0xFFFFFF;
    case 15: return 0xC8D0D4;
    case 17: return 0x808080;
    case 18: return 0x000000;
    case 23: return 0x000000;
    case 24: return 0xE1FFFF;
    default: return 0xC8D0D4;
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

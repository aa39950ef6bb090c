// Brushes' GDI handles and drawing on canvases.
#include "platform/components/Graphics.h"
#include "platform/winapi/Brushes.h"

TBrush::~TBrush() {
  if (handle_) DeleteObject(handle_);
}

void TBrush::SetColor(TColor color) {
  if (color == color_) return;
  color_ = color;
  if (handle_) DeleteObject(handle_);
  handle_ = nullptr;
}

HBRUSH TBrush::Handle() {
  if (!handle_) handle_ = CreateSolidBrush(COLORREF(ColorToRGB(color_)));
  return handle_;
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

HDC TCanvas::Handle() {
  if (!handle_) CreateHandle();
  return handle_;
}

void TCanvas::SetHandle(HDC dc) { handle_ = dc; }

HDC TCanvas::DrawingHandle() {
  HDC dc = Handle();
  if (!dc) throw EInvalidOperation("Canvas does not allow drawing");
  return dc;
}

void TCanvas::Changing() {
  if (OnChanging) OnChanging(this);
}

void TCanvas::Changed() {
  if (OnChange) OnChange(this);
}

TColor TCanvas::Pixels(int x, int y) {
  COLORREF c = GetPixel(DrawingHandle(), x, y);
  return c == CLR_INVALID ? -1 : TColor(c);
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  HDC dc = DrawingHandle();
  Changing();
  SetPixel(dc, x, y, COLORREF(ColorToRGB(color)));
  Changed();
}

void TCanvas::FillRect(const RECT& rect) {
  HDC dc = DrawingHandle();
  Changing();
  ::FillRect(dc, &rect, brush_->Handle());
  Changed();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  StretchDraw(RECT{x, y, x + graphic->Width(), y + graphic->Height()}, graphic);
}

void TCanvas::StretchDraw(const RECT& rect, TGraphic* graphic) {
  if (!graphic) return;
  DrawingHandle();
  Changing();
  graphic->Draw(this, rect);
  Changed();
}

void TCanvas::CopyRect(const RECT& dest, TCanvas* canvas, const RECT& source) {
  HDC dc = DrawingHandle();
  HDC from = canvas->DrawingHandle();
  Changing();
  StretchBlt(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top, from, source.left, source.top,
             source.right - source.left, source.bottom - source.top, copyMode_);
  Changed();
}

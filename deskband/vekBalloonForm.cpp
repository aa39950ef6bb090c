// The balloon window: construction, window parameters, properties and messages.
#include <mutex>

#include "deskband/vekBalloonForm.h"
#include "platform/components/FormResource.h"
#include "platform/runtime/Format.h"

namespace {

void DefineBalloonProperties() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterStandardClasses();
    TProps<TBalloonForm>()
        .Int("PopupWidth", [](TBalloonForm* f, int v) { f->SetPopupWidth(v); })
        .Int("PopupHeight", [](TBalloonForm* f, int v) { f->SetPopupHeight(v); })
        .Enum<TBalloonDirection>("Direction", [](TBalloonForm* f, TBalloonDirection v) { f->SetDirection(v); },
                                 {{"bdTopLeft", bdTopLeft},
                                  {"bdTopRight", bdTopRight},
                                  {"bdBottomLeft", bdBottomLeft},
                                  {"bdBottomRight", bdBottomRight}});
  });
}

}  // namespace

TBalloonForm::TBalloonForm(TComponent* owner) : TForm(owner) {}

void TBalloonForm::Construct() {
  DefineBalloonProperties();
  InitNew();
  SetColor(clInfoBk);
  SetBorderStyle(bsNone);
  SetFormStyle(fsStayOnTop);
  Font()->SetName("Tahoma");
  popupHeight_ = 40;
  popupWidth_ = 200;
  direction_ = bdBottomRight;
  if (!CreatedWithoutResources() && ClassType() != TBalloonForm::StaticClass()) {
    if (!InitInheritedComponent(TBalloonForm::StaticClass()))
      throw EResNotFound(Format("Resource \"%s\" not found", {ClassName()}));
    if (OldCreateOrder()) DoCreate();
  }
  UpdatePosition();
}

void TBalloonForm::CreateParams(TCreateParams& p) {
  inherited::CreateParams(p);
  p.Style = (p.Style & ~WS_CAPTION) | WS_POPUP;
  p.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE;
  p.WndParent = GetDesktopWindow();
}

void TBalloonForm::CreateWnd() {
  inherited::CreateWnd();
  UpdateRegion();
}

void TBalloonForm::SetPopupWidth(int value) {
  if (value == popupWidth_) return;
  popupWidth_ = value;
  UpdateShape();
}

void TBalloonForm::SetPopupHeight(int value) {
  if (value == popupHeight_) return;
  popupHeight_ = value;
  UpdateShape();
}

void TBalloonForm::SetDirection(TBalloonDirection value) {
  if (value == direction_) return;
  direction_ = value;
  UpdateShape();
}

void TBalloonForm::UpdateShape() {
  UpdatePosition();
  UpdateRegion();
}

void TBalloonForm::ShowBalloon() {
  UpdateShape();
  SetVisible(true);
}

void TBalloonForm::ShowingChanged() {
  if (!Visible()) {
    inherited::ShowingChanged();
    return;
  }
  DoShow();
  ShowWindow(Handle(), SW_SHOWNOACTIVATE);
}

void TBalloonForm::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_NCPAINT: m.Result = 1; return;
    case WM_PAINT: Paint(); return;
    case WM_MOUSEACTIVATE:
      inherited::WndProc(m);
      m.Result = MA_NOACTIVATE;
      return;
  }
  inherited::WndProc(m);
}

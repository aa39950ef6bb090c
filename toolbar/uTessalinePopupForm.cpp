// The feed pop-up's life: filling and placing it, fading in and out, clicks and closing.
#include "toolbar/uTessalinePopupForm.h"

#include <mutex>
#include <random>

#include "deskband/vekRSS.h"
#include "platform/runtime/Collation.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Animation.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/SystemInfo.h"
#include "toolbar/uBandForm.h"
#include "toolbar/uBandModule.h"
#include "toolbar/uTessalinePopupForm.dfm.h"

namespace {

// Looked up once: absent on systems without it, then the pop-up shows and hides plainly.
TAnimateWindow AnimateWindowEntry() {
  static const TAnimateWindow entry = [] {
    TAnimateWindow found = nullptr;
    if (HMODULE user32 = LoadLibraryA("user32.dll")) {
      found = reinterpret_cast<TAnimateWindow>(GetProcAddress(user32, "AnimateWindow"));
      FreeLibrary(user32);
    }
    return found;
  }();
  return entry;
}

bool IsWindowsXPOrLater() {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (!GetVersionExA(&info)) return false;
  return info.dwMajorVersion > 5 || (info.dwMajorVersion == 5 && info.dwMinorVersion >= 1);
}

bool IsWebLink(const std::string& link) {
  auto startsWith = [&](std::string_view scheme) {
    return SameText(std::string_view(link).substr(0, scheme.size()), scheme);
  };
  return startsWith("http://") || startsWith("https://");
}

int RandomSuffix() {
  thread_local std::mt19937 generator{std::random_device{}()};
  return std::uniform_int_distribution<int>(0, 99999)(generator);
}

}  // namespace

void TTessalinePopupForm::Publish(TPublisher<TTessalinePopupForm>& p) {
  p.Field("lblTitle", &TTessalinePopupForm::lblTitle)
      .Field("lblContent", &TTessalinePopupForm::lblContent)
      .Field("Image1", &TTessalinePopupForm::Image1)
      .Field("AutoCloseTimer", &TTessalinePopupForm::AutoCloseTimer)
      .Method("lblTitleClick", &TTessalinePopupForm::lblTitleClick)
      .Method("lblContentClick", &TTessalinePopupForm::lblContentClick)
      .Method("Image1Click", &TTessalinePopupForm::Image1Click)
      .Method("AutoCloseTimerTimer", &TTessalinePopupForm::AutoCloseTimerTimer)
      .Method("BalloonFormClose", &TTessalinePopupForm::BalloonFormClose);
}

TTessalinePopupForm* TTessalinePopupForm::Create(TTessalineDeskBandForm* owner) {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterFormResource(StaticClass(), kuTessalinePopupFormResource);
    TPublisher<TTessalinePopupForm> publisher;
    Publish(publisher);
  });
  return NewObject<TTessalinePopupForm>(owner);
}

void TTessalinePopupForm::Loaded() {
  inherited::Loaded();
  // Another living pop-up of the same owner may hold a drawn name: draw again.
  const std::string base = Name();
  std::string name;
  do {
    name = base + "_" + std::to_string(RandomSuffix());
  } while (Owner() && Owner()->FindComponent(name));
  SetName(name);
  DrawCloseGlyph();
}

void TTessalinePopupForm::CreateParams(TCreateParams& params) {
  inherited::CreateParams(params);
  params.ExStyle &= ~WS_EX_TOPMOST;
  if (IsWindowsXPOrLater()) params.WindowClassStyle |= CS_DROPSHADOW;
}

// A dark cross on the balloon's colour.
void TTessalinePopupForm::DrawCloseGlyph() {
  if (!Image1) return;
  auto* glyph = TBitmap::Create();
  glyph->SetSize(11, 11);
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x) {
      const bool onCross = (x >= 2 && x <= 8) && (x == y || x == 10 - y || x == y + 1 || x + 1 == 10 - y);
      glyph->SetPixels(x, y, onCross ? clBlack : Color());
    }
  Image1->Picture()->SetGraphic(glyph);
}

void TTessalinePopupForm::ShowItem(TTessalineDeskBandForm* bandForm, POINT anchor, const TRSSItem& item,
                                   const TToolbarFeed& feed, POINT anchorAbove) {
  bandForm_ = bandForm;
  showSpeed_ = feed.ShowSpeed();
  AutoCloseTimer->SetInterval(unsigned(feed.ShowTimeout()) * 1000u);
  lblTitle->SetCaption(item.Title());
  lblContent->SetCaption(item.Description());
  link_ = item.Link();
  target_ = feed.Target();
  SetAnchor(anchor);
  UpdateShape();
  LayoutLabels();
  // A band at the bottom of the screen: the balloon stands above it instead of hanging out of sight.
  RECT work{};
  if (SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0) && anchor.y + PopupHeight() + 26 > work.bottom) {
    SetAnchor(anchorAbove);
    SetDirection(bdTopLeft);
    UpdateShape();
  }
  FadeIn();
  ShowBalloon();
}

void TTessalinePopupForm::LayoutLabels() {
  lblTitle->SetAutoSize(true);
  lblContent->SetAutoSize(true);
  lblTitle->SetLeft((ClientWidth() - lblTitle->Width()) / 2);
  lblContent->SetLeft((ClientWidth() - lblContent->Width()) / 2);
  lblContent->SetTop(lblTitle->Top() + lblTitle->Height() + 10);
  SetPopupHeight(lblContent->Top() + lblContent->Height() - lblTitle->Top() + 25);
}

void TTessalinePopupForm::FadeIn() {
  SetWindowPos(Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  if (TAnimateWindow animate = AnimateWindowEntry()) animate(Handle(), DWORD(showSpeed_), AW_BLEND);
}

void TTessalinePopupForm::FadeOut() {
  if (!HandleAllocated()) return;
  if (TAnimateWindow animate = AnimateWindowEntry()) animate(Handle(), DWORD(showSpeed_), AW_BLEND | AW_HIDE);
}

void TTessalinePopupForm::ClosePopup() {
  if (bandForm_) bandForm_->SetLastPopup(Now());
  AutoCloseTimer->SetEnabled(false);
  FadeOut();
  bandForm_ = nullptr;
  Release();
}

void TTessalinePopupForm::OpenItem() {
  if (bandForm_) {
    bandForm_->SetLastPopupClick(Now());
    if (IsWebLink(link_)) {
      bandForm_->OpenPopupLink(link_, target_);
    } else if (TTessalineDeskBandModule* module = TessalineDeskBandModule()) {
      module->LogFmt("Feed link not opened, not a web address: \"%s\"", {link_}, 2);
    }
  }
  ClosePopup();
}

void TTessalinePopupForm::lblTitleClick(TObject*) { OpenItem(); }

void TTessalinePopupForm::lblContentClick(TObject*) { OpenItem(); }

void TTessalinePopupForm::Image1Click(TObject*) {
  showSpeed_ /= 2;
  ClosePopup();
}

void TTessalinePopupForm::AutoCloseTimerTimer(TObject*) { ClosePopup(); }

void TTessalinePopupForm::BalloonFormClose(TObject*, TCloseAction& action) { action = caFree; }

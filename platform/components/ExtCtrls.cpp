#include "platform/components/ExtCtrls.h"

#include <algorithm>

#include "platform/components/Application.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Timers.h"

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
  width_ = 185;
  height_ = 41;
  color_ = clBtnFace;
  controlStyle_ |= csAcceptsControls;
}

TPage::TPage(TComponent* owner) : TCustomControl(owner) {
  visible_ = false;
  align_ = alClient;
  controlStyle_ |= csAcceptsControls;
}

TNotebook::TNotebook(TComponent* owner) : TCustomControl(owner), pages_(new TStringList) {
  width_ = 150;
  height_ = 150;
  controlStyle_ |= csAcceptsControls;
  pages_->OnChange = [this](TObject*) { SyncPages(); };
}

TNotebook::~TNotebook() {
  pages_->OnChange = nullptr;
  pages_->Free();
}

void TNotebook::AdoptPage(TPage* page) {
  syncing_ = true;
  pageList_.push_back(page);
  pages_->Add(page->Caption());
  syncing_ = false;
  page->SetParent(this);
}

void TNotebook::SyncPages() {
  if (syncing_) return;
  syncing_ = true;
  // Names that are new become pages; pages whose names went are freed with their controls.
  std::vector<TPage*> next;
  for (int i = 0; i < pages_->Count(); ++i) {
    std::string name = pages_->Strings(i);
    auto it = std::find_if(pageList_.begin(), pageList_.end(), [&](TPage* p) { return p && p->Caption() == name; });
    TPage* page;
    if (it != pageList_.end()) {
      page = *it;
      *it = nullptr;
    } else {
      page = NewObject<TPage>(this);
      page->SetCaption(name);
      page->SetParent(this);
    }
    next.push_back(page);
  }
  for (TPage* gone : pageList_)
    if (gone) gone->Free();
  pageList_ = next;
  syncing_ = false;
  if (pageIndex_ >= PageCount()) pageIndex_ = std::max(0, PageCount() - 1);
  ShowActive();
}

void TNotebook::ShowActive() {
  for (int i = 0; i < PageCount(); ++i) pageList_[size_t(i)]->SetVisible(i == pageIndex_);
}

void TNotebook::Loaded() {
  inherited::Loaded();
  // Pages read from a resource got their names after they joined the list.
  syncing_ = true;
  pages_->Clear();
  for (TPage* page : pageList_) pages_->Add(page->Caption());
  syncing_ = false;
  if (pageIndex_ >= PageCount()) pageIndex_ = 0;
  ShowActive();
}

void TNotebook::SetPageIndex(int index) {
  if (ComponentState() & csLoading) {
    pageIndex_ = index;
    return;
  }
  if (index < 0 || index >= PageCount()) throw EListError(Format("List index out of bounds (%d)", {index}));
  if (index == pageIndex_) {
    ShowActive();
    return;
  }
  pageIndex_ = index;
  ShowActive();
  if (OnPageChanged) OnPageChanged(this);
}

std::string TNotebook::ActivePage() const {
  return pageIndex_ >= 0 && pageIndex_ < PageCount() ? pageList_[size_t(pageIndex_)]->Caption() : std::string();
}

void TNotebook::SetActivePage(const std::string& name) {
  for (int i = 0; i < PageCount(); ++i)
    if (cp1250::Upper(pageList_[size_t(i)]->Caption()) == cp1250::Upper(name)) return SetPageIndex(i);
  throw EListError(Format("Page '%s' not found", {name}));
}

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(new TPicture) {
  width_ = 105;
  height_ = 105;
  picture_->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { picture_->Free(); }

void TImage::PictureChanged() {
  if (autoSize_ && picture_->Width() > 0 && picture_->Height() > 0)
    SetBounds(left_, top_, picture_->Width(), picture_->Height());
  if (picture_->Graphic()) picture_->Graphic()->SetTransparent(transparent_);
  Invalidate();
}

void TImage::SetAutoSize(bool v) {
  autoSize_ = v;
  PictureChanged();
}

void TImage::SetTransparent(bool v) {
  transparent_ = v;
  PictureChanged();
}

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
  width_ = 50;
  height_ = 50;
}

TTimer::TTimer(TComponent* owner) : TComponent(owner) {}

TTimer::~TTimer() {
  if (window_) {
    KillTimer(window_, 1);
    DeallocateHWnd(window_);
  }
}

void TTimer::Update() {
  if (ComponentState() & csLoading) return;
  if (!window_) {
    if (!enabled_ || !interval_) return;
    window_ = AllocateHWnd([this](TMessage& m) {
      if (m.Msg != WM_TIMER) {
        m.Result = DefWindowProcA(window_, m.Msg, m.WParam, m.LParam);
        return;
      }
      try {
        Timer();
      } catch (...) {
        Application->HandleException(this);
      }
    });
  }
  KillTimer(window_, 1);
  if (enabled_ && interval_) SetTimer(window_, 1, interval_, nullptr);
}

void TTimer::Loaded() {
  inherited::Loaded();
  Update();
}

void TTimer::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Update();
}

void TTimer::SetInterval(unsigned ms) {
  if (ms == interval_) return;
  interval_ = ms;
  Update();
}

void TTimer::Timer() {
  if (OnTimer) OnTimer(this);
}

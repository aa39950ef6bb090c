// The tool bar's buttons, properties and layout.
#include <algorithm>

#include "platform/components/ComCtrls.h"
#include "platform/components/ImgList.h"
#include "platform/components/Menus.h"

TToolBar::TToolBar(TComponent* owner) : TWinControl(owner) {
  width_ = 150;
  height_ = 29;
  align_ = alTop;
  color_ = clBtnFace;
  controlStyle_ |= csAcceptsControls;
}

TToolBar::~TToolBar() {
  // The buttons still here go with the controls; they no longer belong to the row.
  buttons_.clear();
  if (images_) images_->RemoveFreeNotification(this);
  if (hotImages_) hotImages_->RemoveFreeNotification(this);
}

TToolButton* TToolBar::FindButton(int commandId) const {
  for (TToolButton* b : buttons_)
    if (b->commandId_ == commandId) return b;
  return nullptr;
}

TToolButton* TToolBar::ButtonAtPos(POINT p) const {
  for (TToolButton* b : buttons_) {
    if (!b->Visible()) continue;
    RECT r = b->BoundsRect();
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return b;
  }
  return nullptr;
}

void TToolBar::InsertButton(TToolButton* button) {
  button->commandId_ = nextCommandId_++;
  auto at = std::find_if(buttons_.begin(), buttons_.end(),
                         [&](TToolButton* other) { return other->Left() >= button->Left(); });
  buttons_.insert(at, button);
  ArrangeButtons();
}

void TToolBar::RemoveButton(TToolButton* button) {
  if (std::erase(buttons_, button) == 0) return;
  if (pressed_ == button->commandId_) pressed_ = 0;
  if (hot_ == button->commandId_) hot_ = 0;
  if (!(ComponentState() & csDestroying)) ArrangeButtons();
}

void TToolBar::MoveButton(TToolButton* button) {
  std::erase(buttons_, button);
  auto at = std::find_if(buttons_.begin(), buttons_.end(),
                         [&](TToolButton* other) { return other->Left() >= button->Left(); });
  buttons_.insert(at, button);
}

int TToolBar::EdgeWidth() const { return (edgeInner_ != esNone) + (edgeOuter_ != esNone); }

POINT TToolBar::ClientOffset() const {
  int edge = EdgeWidth();
  return POINT{edgeBorders_ & ebLeft ? edge : 0, edgeBorders_ & ebTop ? edge : 0};
}

RECT TToolBar::ClientRect() const {
  RECT r = TWinControl::ClientRect();
  int edge = EdgeWidth();
  int horizontal = ((edgeBorders_ & ebLeft) ? edge : 0) + ((edgeBorders_ & ebRight) ? edge : 0);
  int vertical = ((edgeBorders_ & ebTop) ? edge : 0) + ((edgeBorders_ & ebBottom) ? edge : 0);
  return RECT{0, 0, std::max<LONG>(0, r.right - horizontal), std::max<LONG>(0, r.bottom - vertical)};
}

int TToolBar::ButtonHeight() const {
  int image = images_ ? images_->Height() : 0;
  bool captionsBelow = showCaptions_ && !list_ && std::any_of(buttons_.begin(), buttons_.end(), [](TToolButton* b) {
                         return !b->IsDivider() && !b->Caption().empty();
                       });
  if (captionsBelow) return std::max(22, image + TextHeightOf(*font_) + 8);
  return std::max(22, image + 6);
}

int TToolBar::ButtonWidthOf(const TToolButton* b) const {
  if (!b->autoSize_) return b->Width();
  if (b->IsDivider()) return kDividerWidth;
  int image = images_ ? images_->Width() : 0;
  int text = showCaptions_ ? TextWidthOf(*font_, StripHotkey(b->Caption())) : 0;
  int content = list_ ? image + text + (image && text ? 4 : 0) : std::max(image, text);
  if (content == 0) content = 16;
  return content + 7 + (b->style_ == tbsDropDown ? kDropDownArrowWidth : 0);
}

void TToolBar::ArrangeButtons() {
  if (arranging_) return;
  arranging_ = true;
  int height = ButtonHeight();
  int x = 0;
  for (TToolButton* b : std::vector<TToolButton*>(buttons_)) {
    if (!b->Visible()) continue;
    int width = ButtonWidthOf(b);
    b->SetBounds(x, 0, width, height);
    x += width;
  }
  if (autoSize_) {
    int edge = EdgeWidth();
    int vertical = ((edgeBorders_ & ebTop) ? edge : 0) + ((edgeBorders_ & ebBottom) ? edge : 0);
    SetHeight(height + vertical);
  }
  arranging_ = false;
  Invalidate();
}

void TToolBar::SetShowCaptions(bool value) {
  if (value == showCaptions_) return;
  showCaptions_ = value;
  ArrangeButtons();
}

void TToolBar::SetImages(TCustomImageList* images) {
  if (images == images_) return;
  if (images_) images_->RemoveFreeNotification(this);
  images_ = images;
  if (images) images->FreeNotification(this);
  ArrangeButtons();
}

void TToolBar::SetHotImages(TCustomImageList* images) {
  if (images == hotImages_) return;
  if (hotImages_) hotImages_->RemoveFreeNotification(this);
  hotImages_ = images;
  if (images) images->FreeNotification(this);
  Invalidate();
}

void TToolBar::SetFlat(bool value) {
  flat_ = value;
  Invalidate();
}

void TToolBar::SetList(bool value) {
  if (value == list_) return;
  list_ = value;
  ArrangeButtons();
}

void TToolBar::SetTransparent(bool value) {
  transparent_ = value;
  Invalidate();
}

void TToolBar::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  ArrangeButtons();
}

void TToolBar::SetEdgeBorders(TEdgeBorders borders) {
  edgeBorders_ = borders;
  ArrangeButtons();
  Realign();
}

void TToolBar::SetEdgeInner(TEdgeStyle style) {
  edgeInner_ = style;
  ArrangeButtons();
  Realign();
}

void TToolBar::SetEdgeOuter(TEdgeStyle style) {
  edgeOuter_ = style;
  ArrangeButtons();
  Realign();
}

void TToolBar::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == images_) {
    images_ = nullptr;
    if (!(ComponentState() & csDestroying)) ArrangeButtons();
  }
  if (component == hotImages_) hotImages_ = nullptr;
}

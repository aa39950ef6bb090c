#include "platform/components/ComCtrls.h"
#include "platform/components/Menus.h"

TToolButton::TToolButton(TComponent* owner) : TGraphicControl(owner) {
  width_ = 23;
  height_ = 22;
}

TToolButton::~TToolButton() {
  // Also reached by a plain delete, which leaves the parent without SetParent.
  if (TToolBar* bar = ToolBar()) bar->RemoveButton(this);
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
}

TToolBar* TToolButton::ToolBar() const { return DynamicAs<TToolBar>(parent_); }

void TToolButton::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (TToolBar* old = ToolBar()) old->RemoveButton(this);
  inherited::SetParent(parent);
  if (TToolBar* bar = ToolBar()) bar->InsertButton(this);
}

void TToolButton::SetBounds(int left, int top, int width, int height) {
  TToolBar* bar = ToolBar();
  if (!bar || bar->arranging_) {
    inherited::SetBounds(left, top, width, height);
    return;
  }
  bool moved = left != left_;
  inherited::SetBounds(left, top, width, height);
  if (moved) bar->MoveButton(this);
  bar->ArrangeButtons();
}

void TToolButton::Relayout() {
  if (TToolBar* bar = ToolBar()) bar->ArrangeButtons();
}

void TToolButton::SetImageIndex(int index) {
  if (index == imageIndex_) return;
  imageIndex_ = index;
  Invalidate();
}

void TToolButton::SetStyle(TToolButtonStyle style) {
  if (style == style_) return;
  style_ = style;
  Relayout();
  Invalidate();
}

void TToolButton::SetDown(bool down) {
  if (down == down_) return;
  down_ = down;
  Invalidate();
}

void TToolButton::SetDropdownMenu(TPopupMenu* menu) {
  if (menu == dropdownMenu_) return;
  if (dropdownMenu_) dropdownMenu_->RemoveFreeNotification(this);
  dropdownMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

void TToolButton::SetAutoSize(bool value) {
  if (value == autoSize_) return;
  autoSize_ = value;
  Relayout();
}

int TToolButton::Index() const {
  TToolBar* bar = ToolBar();
  if (!bar) return -1;
  for (int i = 0; i < bar->ButtonCount(); ++i)
    if (bar->Buttons(i) == this) return i;
  return -1;
}

void TToolButton::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == dropdownMenu_) dropdownMenu_ = nullptr;
}

void TToolButton::WndProc(TMessage& m) {
  switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_VISIBLECHANGED:
      inherited::WndProc(m);
      Relayout();
      return;
    default: inherited::WndProc(m);
  }
}

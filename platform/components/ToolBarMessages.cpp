// The tool bar's messages: the native side (mouse presses and painting, which notify the parent window)
// and the reflected side (CN_COMMAND and CN_NOTIFY, which the parent control hands back to the bar).
#include <utility>

#include "platform/components/ComCtrls.h"
#include "platform/components/Menus.h"
#include "platform/winapi/MessageQueue.h"

namespace {

POINT PointOf(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

TCustomDrawState DrawState(const TToolButton* b, int hot) {
  TCustomDrawState state = 0;
  if (!b->Enabled()) state |= cdsDisabled;
  if (b->Down()) state |= b->Style() == tbsCheck ? cdsChecked : cdsSelected;
  if (b->CommandId() == hot) state |= cdsHot;
  return state;
}

}  // namespace

LRESULT TToolBar::NotifyParent(UINT msg, WPARAM wParam, LPARAM lParam) {
  HWND parent = handle_ ? GetAncestor(handle_, GA_PARENT) : nullptr;
  if (!parent || parent == GetDesktopWindow()) return 0;
  return SendMessageA(parent, msg, wParam, lParam);
}

void TToolBar::MousePressed(POINT window) {
  POINT offset = ClientOffset();
  POINT p{window.x - offset.x, window.y - offset.y};
  TToolButton* b = ButtonAtPos(p);
  pressed_ = 0;
  if (!b || !b->Enabled() || b->IsDivider()) return;
  bool onArrow = b->Style() == tbsDropDown && p.x >= b->Left() + b->Width() - kDropDownArrowWidth;
  bool wholeDropDown = b->Style() == tbsButton && b->DropdownMenu();
  if (!onArrow && !wholeDropDown) {
    pressed_ = b->CommandId();
    return;
  }
  NMTOOLBARA notify{};
  notify.hdr = NMHDR{handle_, 0, TBN_DROPDOWN};
  notify.iItem = b->CommandId();
  notify.rcButton = b->BoundsRect();
  NotifyParent(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
}

void TToolBar::MouseReleased(POINT window) {
  int pressed = std::exchange(pressed_, 0);
  POINT offset = ClientOffset();
  TToolButton* b = ButtonAtPos(POINT{window.x - offset.x, window.y - offset.y});
  if (!pressed || !b || b->CommandId() != pressed || !b->Enabled()) return;
  NotifyParent(WM_COMMAND, MAKEWPARAM(WORD(pressed), 0), reinterpret_cast<LPARAM>(handle_));
}

void TToolBar::MouseMoved(POINT window) {
  POINT offset = ClientOffset();
  TToolButton* b = ButtonAtPos(POINT{window.x - offset.x, window.y - offset.y});
  int hot = b && b->Enabled() && !b->IsDivider() ? b->CommandId() : 0;
  if (hot == hot_) return;
  hot_ = hot;
  Invalidate();
}

void TToolBar::Paint() {
  NMCUSTOMDRAW draw{};
  draw.hdr = NMHDR{handle_, 0, NM_CUSTOMDRAW};
  draw.dwDrawStage = CDDS_PREPAINT;
  draw.rc = ClientRect();
  if (!(NotifyParent(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)) & CDRF_NOTIFYITEMDRAW)) return;
  std::vector<int> commands;
  for (TToolButton* b : buttons_)
    if (b->Visible()) commands.push_back(b->CommandId());
  // A handler may remove buttons: each is looked up again before it is drawn.
  for (int command : commands) {
    TToolButton* b = FindButton(command);
    if (!b || !b->Visible()) continue;
    draw.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.rc = b->BoundsRect();
    draw.dwItemSpec = DWORD_PTR(command);
    draw.uItemState = DrawState(b, hot_);
    NotifyParent(WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw));
  }
}

void TToolBar::ButtonCommand(int commandId) {
  TToolButton* b = FindButton(commandId);
  if (!b || !b->Enabled()) return;
  if (b->Style() == tbsCheck) b->SetDown(!b->Down());
  b->Click();
}

void TToolBar::DropDown(int commandId) {
  TToolButton* b = FindButton(commandId);
  if (!b || !b->DropdownMenu()) return;
  POINT offset = ClientOffset();
  POINT corner = ClientToScreen(POINT{b->Left() + offset.x, b->Top() + b->Height() + offset.y});
  TPopupMenu* menu = b->DropdownMenu();
  menu->SetPopupComponent(b);
  menu->Popup(corner.x, corner.y);
}

LRESULT TToolBar::CustomDraw(NMCUSTOMDRAW& draw) {
  if (!OnAdvancedCustomDrawButton) return CDRF_DODEFAULT;
  if (draw.dwDrawStage == CDDS_PREPAINT) return CDRF_NOTIFYITEMDRAW;
  if (draw.dwDrawStage != CDDS_ITEMPREPAINT) return CDRF_DODEFAULT;
  TToolButton* b = FindButton(int(draw.dwItemSpec));
  if (!b) return CDRF_DODEFAULT;
  bool defaultDraw = true;
  OnAdvancedCustomDrawButton(this, b, TCustomDrawState(draw.uItemState), cdPrePaint, defaultDraw);
  return defaultDraw ? CDRF_DODEFAULT : CDRF_SKIPDEFAULT;
}

void TToolBar::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: MousePressed(PointOf(m.LParam)); return;
    case WM_LBUTTONUP: MouseReleased(PointOf(m.LParam)); return;
    case WM_MOUSEMOVE:
      MouseMoved(PointOf(m.LParam));
      inherited::WndProc(m);
      return;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(handle_, &ps);
      Paint();
      EndPaint(handle_, &ps);
      return;
    }
    case CN_COMMAND: ButtonCommand(LOWORD(m.WParam)); return;
    case CN_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(m.LParam);
      if (!header) return;
      if (header->code == TBN_DROPDOWN)
        DropDown(reinterpret_cast<NMTOOLBARA*>(header)->iItem);
      else if (header->code == NM_CUSTOMDRAW)
        m.Result = CustomDraw(*reinterpret_cast<NMCUSTOMDRAW*>(header));
      return;
    }
    case CM_FONTCHANGED:
      inherited::WndProc(m);
      ArrangeButtons();
      return;
    default: inherited::WndProc(m);
  }
}

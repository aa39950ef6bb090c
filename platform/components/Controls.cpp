#include "platform/components/Controls.h"

#include <algorithm>
#include <mutex>
#include <set>
#include <unordered_map>

#include "platform/components/Forms.h"
#include "platform/components/Menus.h"
#include "platform/components/ModuleTeardown.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"

namespace {

struct ControlMap {
  std::mutex lock;
  std::unordered_map<HWND, TWinControl*> controls;
  std::set<std::string> classes;
};

HINSTANCE ModuleInstance();

ControlMap& CM() {
  static ControlMap* m = [] {
    auto* map = new ControlMap;
    AtModuleUnload(TUnloadStage::Tables, [map] {
      for (const std::string& name : map->classes) UnregisterClassA(name.c_str(), ModuleInstance());
      delete map;
    });
    return map;
  }();
  return *m;
}

// Each copy of this library (one per deliverable) registers its window classes under an instance of its
// own, so that two copies in one process keep their windows apart.
const char g_moduleTag = 0;
HINSTANCE ModuleInstance() { return reinterpret_cast<HINSTANCE>(const_cast<char*>(&g_moduleTag)); }

POINT PointOf(LPARAM l) { return POINT{GET_X_LPARAM(l), GET_Y_LPARAM(l)}; }

LPARAM LParamOf(POINT p) { return MAKELPARAM(WORD(p.x), WORD(p.y)); }

bool IsMouseMessage(UINT msg) { return msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST; }

}  // namespace

TShiftState KeyDataToShiftState(LPARAM keyData) {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) & 0x8000) s |= ssShift;
  if (GetKeyState(VK_CONTROL) & 0x8000) s |= ssCtrl;
  if (keyData & (LPARAM(1) << 29)) s |= ssAlt;
  return s;
}

TShiftState KeyboardShiftState() {
  TShiftState s = 0;
  if (GetKeyState(VK_SHIFT) & 0x8000) s |= ssShift;
  if (GetKeyState(VK_CONTROL) & 0x8000) s |= ssCtrl;
  if (GetKeyState(VK_MENU) & 0x8000) s |= ssAlt;
  return s;
}

bool IsAccel(WPARAM key, const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return cp1250::ToUpperByte(static_cast<unsigned char>(caption[i + 1])) ==
           cp1250::ToUpperByte(static_cast<unsigned char>(key));
  }
  return false;
}

void RaiseCannotFocus() { throw EInvalidOperation("Cannot focus a disabled or invisible window"); }

void TSizeConstraints::Apply(int* width, int* height) const {
  if (MinWidth > 0 && *width < MinWidth) *width = MinWidth;
  if (MaxWidth > 0 && *width > MaxWidth) *width = MaxWidth;
  if (MinHeight > 0 && *height < MinHeight) *height = MinHeight;
  if (MaxHeight > 0 && *height > MaxHeight) *height = MaxHeight;
}

// ---- TControl ----

TControl::TControl(TComponent* owner) : TComponent(owner), font_(new TFont), constraints_(new TSizeConstraints) {
  font_->OnChange = [this](TObject*) { FontChanged(); };
  WindowProc = [this](TMessage& m) { WndProc(m); };
}

TControl::~TControl() {
  if (parent_) parent_->RemoveControl(this);
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  font_->Free();
  constraints_->Free();
}

void TControl::BeforeDestruction() {
  SetParent(nullptr);
  inherited::BeforeDestruction();
}

void TControl::Notification(TComponent* component, TOperation operation) {
  inherited::Notification(component, operation);
  if (operation == opRemove && component == popupMenu_) popupMenu_ = nullptr;
}

void TControl::SetParent(TWinControl* parent) {
  if (parent == parent_) return;
  if (parent == this) throw EInvalidOperation("A control cannot have itself as its parent");
  if (parent_) parent_->RemoveControl(this);
  if (parent) parent->InsertControl(this);
}

void TControl::SetBounds(int left, int top, int width, int height) {
  constraints_->Apply(&width, &height);
  if (left == left_ && top == top_ && width == width_ && height == height_) return;
  bool resized = width != width_ || height != height_;
  left_ = left, top_ = top, width_ = width, height_ = height;
  BoundsChanged();
  if (!IsWindowed() || !static_cast<TWinControl*>(this)->HandleAllocated()) {
    RequestAlign();
    if (resized && IsWindowed()) static_cast<TWinControl*>(this)->Realign();
    if (resized) Resize();
    Invalidate();
  }
}

void TControl::SetClientWidth(int v) { SetWidth(v + (width_ - ClientWidth())); }

void TControl::SetClientHeight(int v) { SetHeight(v + (height_ - ClientHeight())); }

void TControl::SetAlign(TAlign align) {
  if (align == align_) return;
  align_ = align;
  RequestAlign();
}

void TControl::RequestAlign() {
  if (parent_ && !parent_->aligning_) parent_->Realign();
}

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::SetVisible(bool value) {
  if (value == visible_) return;
  VisibleChanging();
  visible_ = value;
  Perform(CM_VISIBLECHANGED, value, 0);
  RequestAlign();
}

bool TControl::Showing() const { return visible_ && parent_ && parent_->Showing(); }

void TControl::SetEnabled(bool value) {
  if (value == enabled_) return;
  enabled_ = value;
  Perform(CM_ENABLEDCHANGED, 0, 0);
}

void TControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TControl::FontChanged() {
  if (!applyingParentFont_) parentFont_ = false;
  Perform(CM_FONTCHANGED, 0, 0);
}

void TControl::SetParentFont(bool value) {
  parentFont_ = value;
  if (value && parent_) {
    applyingParentFont_ = true;
    font_->Assign(parent_->Font());
    applyingParentFont_ = false;
  }
}

void TControl::SetColor(TColor color) {
  parentColor_ = false;
  if (color == color_) return;
  color_ = color;
  Perform(CM_COLORCHANGED, 0, 0);
}

void TControl::SetParentColor(bool value) {
  parentColor_ = value;
  if (value && parent_) {
    color_ = parent_->Color();
    Perform(CM_COLORCHANGED, 0, 0);
  }
}

void TControl::SetShowHint(bool value) {
  showHint_ = value;
  parentShowHint_ = false;
}

void TControl::SetParentShowHint(bool value) {
  parentShowHint_ = value;
  if (value && parent_) showHint_ = parent_->ShowHint();
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
  if (popupMenu_) popupMenu_->RemoveFreeNotification(this);
  popupMenu_ = menu;
  if (menu) menu->FreeNotification(this);
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
  TMessage m{msg, wParam, lParam, 0};
  WindowProc(m);
  return m.Result;
}

void TControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_LBUTTONDOWN:
      if (controlStyle_ & csClickEvents) controlState_ |= csClicked;
      controlState_ |= csLButtonDown;
      MouseDown(mbLeft, KeyboardShiftState() | ssLeft, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      return;
    case WM_LBUTTONUP: {
      controlState_ &= ~csLButtonDown;
      bool clicked = controlState_ & csClicked;
      controlState_ &= ~csClicked;
      POINT p = PointOf(m.LParam);
      MouseUp(mbLeft, KeyboardShiftState(), p.x, p.y);
      RECT r = ClientRect();
      if (clicked && p.x >= 0 && p.y >= 0 && p.x < r.right && p.y < r.bottom) Click();
      return;
    }
    case WM_LBUTTONDBLCLK:
      if (controlStyle_ & csDoubleClicks) DblClick();
      return;
    case WM_RBUTTONDOWN:
      MouseDown(mbRight, KeyboardShiftState() | ssRight, GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      return;
    case WM_RBUTTONUP: {
      POINT p = PointOf(m.LParam);
      MouseUp(mbRight, KeyboardShiftState(), p.x, p.y);
      if (popupMenu_ && popupMenu_->AutoPopup()) {
        POINT s = ClientToScreen(p);
        popupMenu_->SetPopupComponent(this);
        popupMenu_->Popup(s.x, s.y);
      }
      return;
    }
    case WM_MOUSEMOVE:
      if (OnMouseMove) OnMouseMove(this, KeyboardShiftState(), GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
      return;
    case CM_PARENTFONTCHANGED:
      if (parentFont_ && parent_) {
        applyingParentFont_ = true;
        font_->Assign(parent_->Font());
        applyingParentFont_ = false;
      }
      return;
    case CM_PARENTCOLORCHANGED:
      if (parentColor_ && parent_) color_ = parent_->Color();
      return;
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
    case CM_COLORCHANGED:
    case CM_FONTCHANGED: Invalidate(); return;
    default: DefaultHandler(m);
  }
}

void TControl::DefaultHandler(TMessage& m) { m.Result = 0; }

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
  if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::Invalidate() {
  if (IsWindowed()) {
    auto* w = static_cast<TWinControl*>(this);
    if (w->HandleAllocated()) InvalidateRect(w->Handle(), nullptr, TRUE);
  } else if (parent_ && parent_->HandleAllocated()) {
    RECT r = BoundsRect();
    InvalidateRect(parent_->Handle(), &r, TRUE);
  }
}

void TControl::BringToFront() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  std::erase(list, this);
  list.push_back(this);
  if (IsWindowed() && static_cast<TWinControl*>(this)->HandleAllocated())
    SetWindowPos(static_cast<TWinControl*>(this)->Handle(), HWND_TOP, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TControl::SendToBack() {
  if (!parent_) return;
  auto& list = parent_->controls_;
  std::erase(list, this);
  list.insert(list.begin(), this);
  if (IsWindowed() && static_cast<TWinControl*>(this)->HandleAllocated())
    SetWindowPos(static_cast<TWinControl*>(this)->Handle(), HWND_BOTTOM, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

POINT TControl::ClientToScreen(POINT p) const {
  if (IsWindowed()) {
    auto* w = const_cast<TWinControl*>(static_cast<const TWinControl*>(this));
    ::ClientToScreen(w->Handle(), &p);
    return p;
  }
  POINT q{p.x + left_, p.y + top_};
  return parent_ ? parent_->ClientToScreen(q) : q;
}

POINT TControl::ScreenToClient(POINT p) const {
  if (IsWindowed()) {
    auto* w = const_cast<TWinControl*>(static_cast<const TWinControl*>(this));
    ::ScreenToClient(w->Handle(), &p);
    return p;
  }
  POINT q = parent_ ? parent_->ScreenToClient(p) : p;
  return POINT{q.x - left_, q.y - top_};
}

// ---- TWinControl ----

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {}

TWinControl::~TWinControl() {
  // A parent frees the controls it still holds, whoever owns them.
  while (!controls_.empty()) {
    TControl* c = controls_.back();
    RemoveControl(c);
    c->Free();
  }
  DestroyHandle();
}

void TWinControl::BeforeDestruction() {
  if (TCustomForm* form = GetParentForm(this); form && form != this) form->ControlGoing(this);
  inherited::BeforeDestruction();
}

TWinControl* FindControl(HWND hwnd) {
  if (!hwnd) return nullptr;
  std::lock_guard g(CM().lock);
  auto it = CM().controls.find(hwnd);
  return it == CM().controls.end() ? nullptr : it->second;
}

LRESULT CALLBACK ControlWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_NCCREATE) {
    auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* control = static_cast<TWinControl*>(cs->lpCreateParams);
    if (control) {
      std::lock_guard g(CM().lock);
      CM().controls[hwnd] = control;
      control->handle_ = hwnd;
    }
  }
  TWinControl* control = FindControl(hwnd);
  if (!control) return DefWindowProcA(hwnd, msg, wParam, lParam);
  TMessage m{msg, wParam, lParam, 0};
  try {
    control->WindowProc(m);
  } catch (...) {
    ApplicationHandleException(control);
  }
  if (msg == WM_NCDESTROY) {
    std::lock_guard g(CM().lock);
    CM().controls.erase(hwnd);
    if (control->handle_ == hwnd) control->handle_ = nullptr;
  }
  return m.Result;
}

HWND TWinControl::Handle() {
  if (!handle_) CreateHandleNow();
  return handle_;
}

void TWinControl::CreateParams(TCreateParams& p) {
  p.Caption = text_;
  p.Style = WS_CHILD | WS_CLIPSIBLINGS;
  if (visible_) p.Style |= WS_VISIBLE;
  if (!enabled_) p.Style |= WS_DISABLED;
  if (tabStop_) p.Style |= WS_TABSTOP;
  p.X = left_, p.Y = top_, p.Width = width_, p.Height = height_;
  p.WndParent = parent_ ? parent_->handle_ : parentWindow_;
  p.WinClassName = ClassName();
  p.WindowClassStyle = CS_DBLCLKS;
}

void TWinControl::CreateHandleNow() {
  if (handle_) return;
  if (parent_) parent_->Handle();
  if (handle_) return;  // made while the parent made its children
  controlState_ |= csCreating;
  try {
    CreateWnd();
  } catch (...) {
    controlState_ &= ~csCreating;
    throw;
  }
  controlState_ &= ~csCreating;
  for (TControl* c : std::vector<TControl*>(controls_))
    if (c->IsWindowed()) static_cast<TWinControl*>(c)->CreateHandleNow();
  CreateHandleDone();
  Realign();
}

void TWinControl::CreateWnd() {
  TCreateParams p;
  CreateParams(p);
  if ((p.Style & WS_CHILD) && !p.WndParent) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  {
    std::lock_guard g(CM().lock);
    if (!CM().classes.count(p.WinClassName)) {
      WNDCLASSA wc{};
      wc.style = p.WindowClassStyle;
      wc.lpfnWndProc = ControlWindowProc;
      wc.lpszClassName = p.WinClassName.c_str();
      wc.hInstance = ModuleInstance();
      RegisterClassA(&wc);
      CM().classes.insert(p.WinClassName);
    }
  }
  HWND h = CreateWindowExA(p.ExStyle, p.WinClassName.c_str(), p.Caption.c_str(), p.Style, p.X, p.Y, p.Width, p.Height,
                           p.WndParent, nullptr, ModuleInstance(), this);
  if (!h) RaiseLastOSError();
}

void TWinControl::DestroyWnd() {
  if (handle_) DestroyWindow(handle_);
}

void TWinControl::DestroyHandle() {
  if (!handle_) return;
  for (TControl* c : controls_)
    if (c->IsWindowed()) static_cast<TWinControl*>(c)->DestroyHandle();
  DestroyWnd();
  std::lock_guard g(CM().lock);
  if (handle_) CM().controls.erase(handle_);
  handle_ = nullptr;
}

void TWinControl::RecreateWnd() {
  if (!handle_) return;
  bool hadFocus = Focused();
  controlState_ |= csRecreating;
  DestroyHandle();
  try {
    CreateHandleNow();
  } catch (...) {
    controlState_ &= ~csRecreating;
    throw;
  }
  controlState_ &= ~csRecreating;
  if (hadFocus) ::SetFocus(handle_);
}

void TWinControl::SetParentWindow(HWND window) {
  if (parent_ || window == parentWindow_) {
    parentWindow_ = window;
    return;
  }
  if (handle_ && parentWindow_ && window) {
    parentWindow_ = window;
    ::SetParent(handle_, window);
    return;
  }
  DestroyHandle();
  parentWindow_ = window;
}

void TWinControl::InsertControl(TControl* control) {
  control->parent_ = this;
  controls_.push_back(control);
  if (control->IsWindowed()) tabList_.push_back(static_cast<TWinControl*>(control));
  control->Perform(CM_PARENTFONTCHANGED, 0, 0);
  control->Perform(CM_PARENTCOLORCHANGED, 0, 0);
  if (control->parentShowHint_) control->showHint_ = showHint_;
  if (handle_ && control->IsWindowed()) static_cast<TWinControl*>(control)->CreateHandleNow();
  if (control->align_ != alNone) Realign();
  control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
  auto it = std::find(controls_.begin(), controls_.end(), control);
  if (it == controls_.end()) return;
  if (TCustomForm* form = GetParentForm(this)) form->ControlGoing(control);
  if (control->IsWindowed()) {
    auto* w = static_cast<TWinControl*>(control);
    w->DestroyHandle();
    std::erase(tabList_, w);
  }
  control->Invalidate();
  controls_.erase(std::find(controls_.begin(), controls_.end(), control));
  control->parent_ = nullptr;
  if (control->align_ != alNone) Realign();
}

bool TWinControl::ContainsControl(TControl* control) const {
  for (TControl* c = control; c; c = c->Parent())
    if (c == this) return true;
  return false;
}

TControl* TWinControl::ControlAtPos(POINT p, bool allowDisabled, bool allowWinControls) const {
  for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
    TControl* c = *it;
    if (c->IsWindowed() && !allowWinControls) continue;
    if (!c->Visible() || (!c->Enabled() && !allowDisabled)) continue;
    RECT r = c->BoundsRect();
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return c;
  }
  return nullptr;
}

void TWinControl::Broadcast(TMessage& m) {
  for (TControl* c : std::vector<TControl*>(controls_)) {
    c->WindowProc(m);
    if (m.Result) return;
  }
}

void TWinControl::Realign() {
  RECT r = ClientRect();
  AlignControls(nullptr, r);
}

void TWinControl::AlignControls(TControl*, RECT& rect) {
  if (aligning_) return;
  aligning_ = true;
  for (TAlign kind : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (TControl* c : controls_) {
      if (c->align_ != kind || !c->visible_) continue;
      int w = rect.right - rect.left, h = rect.bottom - rect.top;
      switch (kind) {
        case alTop:
          c->SetBounds(rect.left, rect.top, w, c->height_);
          rect.top += c->height_;
          break;
        case alBottom:
          c->SetBounds(rect.left, rect.bottom - c->height_, w, c->height_);
          rect.bottom -= c->height_;
          break;
        case alLeft:
          c->SetBounds(rect.left, rect.top, c->width_, h);
          rect.left += c->width_;
          break;
        case alRight:
          c->SetBounds(rect.right - c->width_, rect.top, c->width_, h);
          rect.right -= c->width_;
          break;
        default: c->SetBounds(rect.left, rect.top, w, h); break;
      }
    }
  }
  aligning_ = false;
}

int TWinControl::TabOrder() const {
  if (!parent_) return -1;
  auto& list = parent_->tabList_;
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
  if (!parent_) return;
  auto& list = parent_->tabList_;
  std::erase(list, this);
  order = std::clamp(order, 0, int(list.size()));
  list.insert(list.begin() + order, this);
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
  for (TWinControl* c : tabList_) {
    list.push_back(c);
    c->GetTabOrderList(list);
  }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool forward, bool checkTabStop, bool checkParent) {
  std::vector<TWinControl*> list;
  GetTabOrderList(list);
  if (list.empty()) return nullptr;
  int n = int(list.size());
  auto found = std::find(list.begin(), list.end(), current);
  int start = found == list.end() ? (forward ? n - 1 : 0) : int(found - list.begin());
  int i = start;
  do {
    i = forward ? (i + 1) % n : (i + n - 1) % n;
    TWinControl* c = list[size_t(i)];
    if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this)) return c;
  } while (i != start);
  return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool forward, bool checkTabStop) {
  if (TWinControl* next = FindNextControl(current, forward, checkTabStop, !checkTabStop)) next->SetFocus();
}

bool TWinControl::Focused() const { return handle_ && GetFocus() == handle_; }

bool TWinControl::CanFocus() const {
  TCustomForm* form = GetParentForm(const_cast<TWinControl*>(this));
  if (!form) return visible_ && enabled_;
  if (!form->Visible() || !form->Enabled()) return false;
  for (const TControl* c = this; c && c != form; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  if (TCustomForm* form = GetParentForm(this)) {
    form->FocusControl(this);
    return;
  }
  if (!visible_ || !enabled_) RaiseCannotFocus();
  ::SetFocus(Handle());
}

void TWinControl::SetParentBackground(bool v) {
  if (v)
    controlStyle_ |= csParentBackground;
  else
    controlStyle_ &= ~csParentBackground;
  Invalidate();
}

bool TWinControl::Showing() const { return handle_ && IsWindowVisible(handle_); }

void TWinControl::UpdateShowing() {
  if (!handle_) {
    if (visible_ && parent_ && parent_->HandleAllocated()) CreateHandleNow();
    return;
  }
  bool shown = GetWindowLongPtrA(handle_, GWL_STYLE) & WS_VISIBLE;
  if (visible_ == shown) return;
  ShowWindow(handle_, visible_ ? SW_SHOWNOACTIVATE : SW_HIDE);
  Perform(CM_SHOWINGCHANGED, 0, 0);
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
  if (!handle_) {
    TControl::SetBounds(left, top, width, height);
    return;
  }
  constraints_->Apply(&width, &height);
  SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void TWinControl::BoundsChanged() {}

RECT TWinControl::ClientRect() const {
  RECT r{0, 0, width_, height_};
  if (handle_) {
    GetClientRect(handle_, &r);
    return r;
  }
  // Without a window yet: the frame its window will have.
  TCreateParams p;
  const_cast<TWinControl*>(this)->CreateParams(p);
  RECT frame{0, 0, 0, 0};
  AdjustWindowRectEx(&frame, p.Style, FALSE, p.ExStyle);
  r.right = std::max<LONG>(0, width_ - (frame.right - frame.left));
  r.bottom = std::max<LONG>(0, height_ - (frame.bottom - frame.top));
  return r;
}

void TWinControl::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  if (handle_) SetWindowTextA(handle_, text.c_str());
  Perform(CM_TEXTCHANGED, 0, 0);
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
  if (OnKeyDown) OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
  if (OnKeyUp) OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(char& key) {
  if (OnKeyPress) OnKeyPress(this, key);
}

bool TWinControl::DoKeyDown(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyDown(m)) return true;
  WORD key = WORD(m.WParam);
  KeyDown(key, KeyDataToShiftState(m.LParam));
  m.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyUp(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyUp(m)) return true;
  WORD key = WORD(m.WParam);
  KeyUp(key, KeyDataToShiftState(m.LParam));
  m.WParam = key;
  return key == 0;
}

bool TWinControl::DoKeyPress(TMessage& m) {
  TCustomForm* form = GetParentForm(this);
  if (form && form != this && form->KeyPreview() && form->DoKeyPress(m)) return true;
  char key = char(m.WParam);
  KeyPress(key);
  m.WParam = WPARAM(static_cast<unsigned char>(key));
  return key == 0;
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::WndProc(TMessage& m) {
  switch (m.Msg) {
    case WM_SETFOCUS:
      if (TCustomForm* form = GetParentForm(this)) form->SetFocusedControl(this);
      DefaultHandler(m);
      return;
    case CN_KEYDOWN:
    case CN_SYSKEYDOWN: {
      m.Result = 1;
      if (Perform(CM_CHILDKEY, m.WParam, reinterpret_cast<LPARAM>(this))) return;
      LRESULT mask = 0;
      switch (m.WParam) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN:
        case VK_ESCAPE: mask = DLGC_WANTALLKEYS; break;
      }
      if (mask && !Perform(CM_WANTSPECIALKEY, m.WParam, 0) && !(DialogCode() & mask)) {
        TCustomForm* form = GetParentForm(this);
        if (form && form->Perform(CM_DIALOGKEY, m.WParam, m.LParam)) return;
      }
      m.Result = 0;
      return;
    }
    case CN_CHAR:
    case CN_SYSCHAR: {
      // Accelerators: Alt with a letter, or a letter where the focused control takes no characters.
      m.Result = 0;
      TCustomForm* form = GetParentForm(this);
      if (form && (m.Msg == CN_SYSCHAR || !(DialogCode() & DLGC_WANTCHARS)) &&
          form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam))
        m.Result = 1;
      return;
    }
    case CN_KEYUP: m.Result = 0; return;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (DoKeyDown(m)) return;
      DefaultHandler(m);
      return;
    case WM_KEYUP:
    case WM_SYSKEYUP:
      if (DoKeyUp(m)) return;
      DefaultHandler(m);
      return;
    case WM_CHAR:
      if (DoKeyPress(m)) return;
      DefaultHandler(m);
      return;
    case WM_GETDLGCODE: m.Result = DialogCode(); return;
    case WM_WINDOWPOSCHANGED: {
      DefaultHandler(m);
      RECT wr;
      GetWindowRect(handle_, &wr);
      POINT p{wr.left, wr.top};
      if (HWND parent = GetAncestor(handle_, GA_PARENT); parent && parent != GetDesktopWindow())
        ::ScreenToClient(parent, &p);
      int w = wr.right - wr.left, h = wr.bottom - wr.top;
      bool resized = w != width_ || h != height_;
      bool moved = p.x != left_ || p.y != top_;
      left_ = p.x, top_ = p.y, width_ = w, height_ = h;
      if (resized) Realign();
      if (resized || moved) RequestAlign();
      if (resized) Resize();
      return;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MOUSEMOVE:
      if (TControl* c = ControlAtPos(PointOf(m.LParam), false)) {
        POINT p = PointOf(m.LParam);
        p.x -= c->Left(), p.y -= c->Top();
        m.Result = c->Perform(m.Msg, m.WParam, LParamOf(p));
        return;
      }
      if (m.Msg == WM_LBUTTONDOWN && !Focused() && CanFocus() && tabStop_) SetFocus();
      TControl::WndProc(m);
      return;
    case CM_DIALOGKEY:
    case CM_DIALOGCHAR:
    case CM_FOCUSCHANGED: Broadcast(m); return;
    case CM_ENTER: DoEnter(); return;
    case CM_EXIT: DoExit(); return;
    case CM_ENABLEDCHANGED:
      if (handle_) EnableWindow(handle_, enabled_);
      return;
    case CM_VISIBLECHANGED: UpdateShowing(); return;
    case CM_FONTCHANGED:
    case CM_COLORCHANGED: {
      TMessage notify{m.Msg == CM_FONTCHANGED ? CM_PARENTFONTCHANGED : CM_PARENTCOLORCHANGED, 0, 0, 0};
      for (TControl* c : controls_) c->WindowProc(notify);
      Invalidate();
      return;
    }
    case CM_RECREATEWND: RecreateWnd(); return;
    case WM_COMMAND:
    case WM_NOTIFY: {
      // Notifications of a child control go back to it (CN_COMMAND, CN_NOTIFY), through its WindowProc.
      HWND from = m.Msg == WM_COMMAND ? reinterpret_cast<HWND>(m.LParam)
                  : m.LParam          ? reinterpret_cast<NMHDR*>(m.LParam)->hwndFrom
                                      : nullptr;
      if (TWinControl* source = FindControl(from); source && source != this) {
        m.Result = source->Perform(CN_BASE + m.Msg, m.WParam, m.LParam);
        return;
      }
      DefaultHandler(m);
      return;
    }
    case WM_CONTEXTMENU:
      if (popupMenu_ && popupMenu_->AutoPopup()) {
        popupMenu_->SetPopupComponent(this);
        popupMenu_->Popup(GET_X_LPARAM(m.LParam), GET_Y_LPARAM(m.LParam));
        return;
      }
      DefaultHandler(m);
      return;
    default:
      if (m.Msg < CM_BASE && !IsMouseMessage(m.Msg)) {
        DefaultHandler(m);
        return;
      }
      TControl::WndProc(m);
  }
}

void TWinControl::DefaultHandler(TMessage& m) {
  if (handle_ && m.Msg < CM_BASE)
    m.Result = DefWindowProcA(handle_, m.Msg, m.WParam, m.LParam);
  else
    m.Result = 0;
}

TCustomControl::~TCustomControl() {
  if (canvas_) canvas_->Free();
}

TCanvas* TCustomControl::Canvas() {
  if (!canvas_) canvas_ = new TCanvas;
  canvas_->Font()->Assign(font_);
  return canvas_;
}

TGraphicControl::~TGraphicControl() {
  if (canvas_) canvas_->Free();
}

TCanvas* TGraphicControl::Canvas() {
  if (!canvas_) canvas_ = new TCanvas;
  canvas_->Font()->Assign(font_);
  return canvas_;
}

TCustomForm* GetParentForm(TControl* control) {
  while (control && control->Parent()) control = control->Parent();
  return DynamicAs<TCustomForm>(control);
}

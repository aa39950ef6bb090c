#include "platform/components/Forms.h"

#include <algorithm>

#include "platform/components/Application.h"
#include "platform/components/FormResource.h"
#include "platform/components/ModuleTeardown.h"
#include "platform/components/automation/TestDriver.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/Brushes.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageQueue.h"

TScreen* GetScreen() {
  static TScreen* screen = [] {
    auto* s = new TScreen;
    AtModuleUnload(TUnloadStage::Tables, [s] { delete s; });
    return s;
  }();
  return screen;
}

int TScreen::FormCount() const {
  std::lock_guard<std::mutex> guard(formsLock_);
  return int(forms_.size());
}

TCustomForm* TScreen::Forms(int index) const {
  std::lock_guard<std::mutex> guard(formsLock_);
  return forms_.at(size_t(index));
}

void TScreen::AddForm(TCustomForm* form) {
  std::lock_guard<std::mutex> guard(formsLock_);
  forms_.push_back(form);
}

TCustomForm* TScreen::ActiveForm() const {
  HWND active = GetActiveWindow();
  std::lock_guard<std::mutex> guard(formsLock_);
  for (TCustomForm* f : forms_)
    if (f->HandleAllocated() && f->Handle() == active) return f;
  return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
  TCustomForm* f = ActiveForm();
  return f ? f->ActiveControl() : nullptr;
}

void TScreen::RemoveForm(TCustomForm* form) {
  std::lock_guard<std::mutex> guard(formsLock_);
  std::erase(forms_, form);
}

TCustomForm::TCustomForm(TComponent* owner) : TCustomControl(owner) {
  visible_ = false;
  color_ = clBtnFace;
  controlStyle_ |= csAcceptsControls;
}

TCustomForm::~TCustomForm() { GetScreen()->RemoveForm(this); }

TCustomForm* TCustomForm::CreateParented(const TClassOf<TCustomForm>& cls, HWND parentWindow,
                                         const TComponentPrepare& prepare) {
  return cls.Create(nullptr, [&](TComponent* component) {
    static_cast<TCustomForm*>(component)->parentWindow_ = parentWindow;
    if (prepare) prepare(component);
  });
}

void TCustomForm::AfterConstruction() {
  inherited::AfterConstruction();
  GetScreen()->AddForm(this);
  Construct();
  if (!oldCreateOrder_) DoCreate();
  if (visible_ && !releasing_) ShowingChanged();
}

void TCustomForm::InitNew() { SetBounds(left_, top_, 320, 240); }

void TCustomForm::Construct() {
  InitNew();
  if (createNew_ || ClassType() == TForm::StaticClass()) return;
  creating_ = true;
  try {
    if (!InitInheritedComponent(TForm::StaticClass()))
      throw EResNotFound(Format("Resource \"%s\" not found", {ClassName()}));
  } catch (...) {
    creating_ = false;
    throw;
  }
  creating_ = false;
  if (oldCreateOrder_) DoCreate();
}

bool TCustomForm::InitInheritedComponent(const TClassInfo* root) { return ::InitInheritedComponent(this, root); }

void TCustomForm::Loaded() {
  inherited::Loaded();
  if (pendingClientWidth_ >= 0) SetClientWidth(pendingClientWidth_);
  if (pendingClientHeight_ >= 0) SetClientHeight(pendingClientHeight_);
  pendingClientWidth_ = pendingClientHeight_ = -1;
}

void TCustomForm::SetFormClientWidth(int width) {
  if (ComponentState() & csLoading)
    pendingClientWidth_ = width;
  else
    SetClientWidth(width);
}

void TCustomForm::SetFormClientHeight(int height) {
  if (ComponentState() & csLoading)
    pendingClientHeight_ = height;
  else
    SetClientHeight(height);
}

void TCustomForm::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    Application->HandleException(this);
  }
}

void TCustomForm::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    Application->HandleException(this);
  }
}

void TCustomForm::BeforeDestruction() {
  DoDestroy();
  if (Application->MainForm() == this) Application->SetMainForm(nullptr);
  inherited::BeforeDestruction();
}

void TCustomForm::CreateParams(TCreateParams& p) {
  TCustomControl::CreateParams(p);
  if (parentWindow_) {
    p.Style = WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | (visible_ ? WS_VISIBLE : 0);
    p.WndParent = parentWindow_;
    return;
  }
  p.Style = WS_CLIPCHILDREN;
  p.ExStyle = 0;
  p.WndParent = Application->Handle();
  switch (borderStyle_) {
    case bsNone: p.Style |= WS_POPUP; break;
    case bsSingle:
    case bsToolWindow: p.Style |= WS_CAPTION | WS_BORDER; break;
    case bsSizeable:
    case bsSizeToolWin: p.Style |= WS_CAPTION | WS_THICKFRAME; break;
    case bsDialog:
      p.Style |= WS_POPUP | WS_CAPTION;
      p.ExStyle |= WS_EX_DLGMODALFRAME;
      break;
  }
  if (borderStyle_ == bsToolWindow || borderStyle_ == bsSizeToolWin) p.ExStyle |= WS_EX_TOOLWINDOW;
  if (borderStyle_ != bsNone && (borderIcons_ & biSystemMenu)) p.Style |= WS_SYSMENU;
  if (borderStyle_ != bsNone && borderStyle_ != bsDialog) {
    if (borderIcons_ & biMinimize) p.Style |= WS_MINIMIZEBOX;
    if (borderIcons_ & biMaximize) p.Style |= WS_MAXIMIZEBOX;
  }
  if (formStyle_ == fsStayOnTop) p.ExStyle |= WS_EX_TOPMOST;
  if (!enabled_) p.Style |= WS_DISABLED;
}

void TCustomForm::CreateHandleDone() {}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
  if (style == borderStyle_) return;
  int cw = ClientWidth(), ch = ClientHeight();
  bool keepClient = !(ComponentState() & csLoading);
  borderStyle_ = style;
  RecreateWnd();
  if (keepClient) {
    SetClientWidth(cw);
    SetClientHeight(ch);
  }
}

void TCustomForm::SetBorderIcons(TBorderIcons icons) {
  if (icons == borderIcons_) return;
  borderIcons_ = icons;
  RecreateWnd();
}

void TCustomForm::SetFormStyle(TFormStyle style) {
  if (style == formStyle_) return;
  formStyle_ = style;
  RecreateWnd();
}

void TCustomForm::SetWindowState(TWindowState state) {
  windowState_ = state;
  if (HandleAllocated() && Showing())
    ShowWindow(Handle(), state == wsMinimized ? SW_MINIMIZE : state == wsMaximized ? SW_SHOWMAXIMIZED : SW_RESTORE);
}

void TCustomForm::ApplyPosition() {
  TCustomForm* center = nullptr;
  switch (position_) {
    case poScreenCenter:
    case poDesktopCenter:
      SetBounds((GetSystemMetrics(SM_CXSCREEN) - width_) / 2, (GetSystemMetrics(SM_CYSCREEN) - height_) / 2, width_,
                height_);
      return;
    case poMainFormCenter: center = Application->MainForm(); break;
    case poOwnerFormCenter: center = DynamicAs<TCustomForm>(Owner()); break;
    default: return;
  }
  if (!center || center == this) {
    SetBounds((GetSystemMetrics(SM_CXSCREEN) - width_) / 2, (GetSystemMetrics(SM_CYSCREEN) - height_) / 2, width_,
              height_);
    return;
  }
  SetBounds(center->Left() + (center->Width() - width_) / 2, center->Top() + (center->Height() - height_) / 2, width_,
            height_);
}

void TCustomForm::ShowingChanged() {
  if (visible_) {
    if (!shownOnce_ && !parentWindow_) ApplyPosition();
    shownOnce_ = true;
    DoShow();
    HWND h = Handle();
    if (parentWindow_) {
      ShowWindow(h, SW_SHOWNOACTIVATE);
    } else {
      ShowWindow(h, SW_SHOW);
      if (windowState_ == wsMinimized) ShowWindow(h, SW_MINIMIZE);
    }
  } else if (HandleAllocated()) {
    ShowWindow(Handle(), SW_HIDE);
    DoHide();
  }
}

void TCustomForm::EraseBackground(HDC dc) {
  HBRUSH brush = CreateSolidBrush(COLORREF(ColorToRGB(color_)));
  if (!brush) return;
  RECT r = ClientRect();
  FillRect(dc, &r, brush);
  DeleteObject(brush);
}

void TCustomForm::Show() {
  SetVisible(true);
  if (HandleAllocated() && !parentWindow_) BringWindowToTop(Handle());
}

void TCustomForm::Hide() { SetVisible(false); }

void TCustomForm::DoShow() {
  if (!OnShow) return;
  try {
    OnShow(this);
  } catch (...) {
    Application->HandleException(this);
  }
}

void TCustomForm::DoHide() {
  if (OnHide) OnHide(this);
}

bool TCustomForm::CloseQuery() {
  bool canClose = true;
  if (OnCloseQuery) OnCloseQuery(this, canClose);
  return canClose;
}

void TCustomForm::DoClose(TCloseAction& action) {
  if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
  if (!CloseQuery()) return;
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
    return;
  }
  switch (action) {
    case caHide: Hide(); return;
    case caMinimize: SetWindowState(wsMinimized); return;
    default: Release(); return;
  }
}

void TCustomForm::Release() {
  releasing_ = true;
  PostMessageA(Handle(), CM_RELEASE, 0, 0);
}

void TCustomForm::FocusControl(TWinControl* control) {
  bool wasActive = active_;
  SetActiveControl(control);
  if (!wasActive) SetFocus();
}

void TCustomForm::SetFocus() {
  if (!active_) {
    if (!visible_ || !enabled_) RaiseCannotFocus();
    SetWindowFocus();
  }
}

void TCustomForm::SetWindowFocus() {
  HWND focus = activeControl_ ? activeControl_->Handle() : Handle();
  if (focus) ::SetFocus(focus);
}

void TCustomForm::SetActiveControl(TWinControl* control) {
  if (control == activeControl_) return;
  if (control &&
      !(control != this && GetParentForm(control) == this && ((ComponentState() & csLoading) || control->CanFocus())))
    RaiseCannotFocus();
  activeControl_ = control;
  if (!(ComponentState() & csLoading) && active_) SetWindowFocus();
}

void TCustomForm::SetFocusedControl(TWinControl* control) {
  if (control == this) control = nullptr;
  if (control == focusedControl_) return;
  TWinControl* old = focusedControl_;
  focusedControl_ = control;
  if (control) activeControl_ = control;
  if (old) old->Perform(CM_EXIT, 0, 0);
  if (control && focusedControl_ == control) control->Perform(CM_ENTER, 0, 0);
  TMessage m{CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(focusedControl_), 0};
  Broadcast(m);
}

void TCustomForm::ControlGoing(TControl* control) {
  auto* w = DynamicAs<TWinControl>(control);
  if (!w) return;
  if (activeControl_ && w->ContainsControl(activeControl_)) activeControl_ = nullptr;
  if (focusedControl_ && w->ContainsControl(focusedControl_)) focusedControl_ = nullptr;
}

void TCustomForm::Activate() {
  if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
  if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::WndProc(TMessage& m) {
  if (m.Msg == DriverQueryMessage() && m.LParam) {
    m.Result = AnswerDriverQuery(this, *reinterpret_cast<TDriverQuery*>(m.LParam));
    return;
  }
  switch (m.Msg) {
    case WM_ACTIVATE: {
      bool activating = LOWORD(m.WParam) != WA_INACTIVE;
      if (activating == active_) return;
      active_ = activating;
      if (activating) {
        if (!activeControl_) {
          TWinControl* first = FindNextControl(nullptr, true, true, false);
          if (first) activeControl_ = first;
        }
        SetWindowFocus();
        Activate();
      } else {
        Deactivate();
      }
      return;
    }
    case WM_SETFOCUS:
      if (activeControl_ && activeControl_ != this && activeControl_->HandleAllocated())
        ::SetFocus(activeControl_->Handle());
      else
        DefaultHandler(m);
      return;
    case WM_CLOSE: Close(); return;
    case WM_SYSCOMMAND:
      if ((m.WParam & 0xFFF0) == SC_CLOSE) {
        Close();
        return;
      }
      break;
    case WM_ERASEBKGND:
      EraseBackground(reinterpret_cast<HDC>(m.WParam));
      m.Result = 1;
      return;
    case CM_RELEASE: Free(); return;
    case CM_VISIBLECHANGED: ShowingChanged(); return;
    case CM_DIALOGKEY:
      if (!(GetKeyState(VK_MENU) & 0x8000)) {
        switch (m.WParam) {
          case VK_TAB:
            if (!(GetKeyState(VK_CONTROL) & 0x8000)) {
              SelectNext(activeControl_, !(GetKeyState(VK_SHIFT) & 0x8000), true);
              m.Result = 1;
              return;
            }
            break;
          case VK_LEFT:
          case VK_RIGHT:
          case VK_UP:
          case VK_DOWN:
            if (activeControl_ && activeControl_->Parent()) {
              activeControl_->Parent()->SelectNext(activeControl_, m.WParam == VK_RIGHT || m.WParam == VK_DOWN, false);
              m.Result = 1;
            }
            return;
        }
      }
      break;
  }
  TCustomControl::WndProc(m);
}

// ---- TDataModule ----

TDataModule::TDataModule(TComponent* owner) : TComponent(owner) {}

void TDataModule::AfterConstruction() {
  inherited::AfterConstruction();
  Construct();
  if (!oldCreateOrder_) DoCreate();
}

void TDataModule::Construct() {
  if (createNew_ || ClassType() == TDataModule::StaticClass()) return;
  if (!InitInheritedComponent(TDataModule::StaticClass()))
    throw EResNotFound(Format("Resource \"%s\" not found", {ClassName()}));
  if (oldCreateOrder_) DoCreate();
}

bool TDataModule::InitInheritedComponent(const TClassInfo* root) { return ::InitInheritedComponent(this, root); }

void TDataModule::DoCreate() {
  if (!OnCreate) return;
  try {
    OnCreate(this);
  } catch (...) {
    Application->HandleException(this);
  }
}

void TDataModule::DoDestroy() {
  if (!OnDestroy) return;
  try {
    OnDestroy(this);
  } catch (...) {
    Application->HandleException(this);
  }
}

void TDataModule::BeforeDestruction() {
  DoDestroy();
  inherited::BeforeDestruction();
}

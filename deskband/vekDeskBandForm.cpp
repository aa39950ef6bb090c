// The band form base: construction, hooks, chevron menu, WorkerW replacement, sizes and browser events.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>

#include "deskband/vekDeskBand.h"
#include "platform/components/FormResource.h"
#include "platform/components/Themes.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Format.h"
#include "platform/winapi/CommonControls.h"
#include "platform/winapi/Hooks.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/MessageQueue.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/UtilityWindow.h"

namespace {

void DefineFormProperties() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterStandardClasses();
    TProps<TDeskBandForm>()
        .Event<void(TObject*, char&)>("OnGetShortcutKey", &TDeskBandForm::OnGetShortcutKey)
        .Event<void(TObject*, TWinControl*&)>("OnGetDefaultControl", &TDeskBandForm::OnGetDefaultControl)
        .Event<void(TObject*)>("OnInit", &TDeskBandForm::OnInit)
        .Event<void(TObject*)>("OnDeInit", &TDeskBandForm::OnDeInit)
        .Event<void(TObject*, POINTL&)>("OnGetActualSize", &TDeskBandForm::OnGetActualSize)
        .Event<void(TObject*, POINTL&)>("OnGetMinSize", &TDeskBandForm::OnGetMinSize)
        .Event<void(TObject*, POINTL&)>("OnGetMaxSize", &TDeskBandForm::OnGetMaxSize)
        .Event<void(TObject*, POINTL&)>("OnGetIntegralUnits", &TDeskBandForm::OnGetIntegralUnits)
        .Event<void(TObject*, RECT, TPopupMenu*&)>("OnGetChevronMenu", &TDeskBandForm::OnGetChevronMenu);
  });
}

}  // namespace

WPARAM ShortcutKeyCode(char key) {
  unsigned char c = static_cast<unsigned char>(key);
  return c >= 'a' && c <= 'z' ? WPARAM(c - 'a' + 'A') : WPARAM(c);
}

TDeskBandForm::TDeskBandForm(TComponent* owner) : TForm(owner) {}

TDeskBandForm* TDeskBandForm::CreateBand(const TDeskBandFormClass& formClass, TDeskBand* band, HWND parentWindow) {
  return static_cast<TDeskBandForm*>(TCustomForm::CreateParented(
      formClass, parentWindow, [band](TComponent* form) { static_cast<TDeskBandForm*>(form)->band_ = band; }));
}

void TDeskBandForm::Construct() {
  InitCommonControls();
  DefineFormProperties();
  BeforeCreate();
  try {
    InitNew();
    SetBorderStyle(bsNone);
    SetTabStop(true);
    SetDoubleBuffered(true);
    if (!CreatedWithoutResources() && ClassType() != TDeskBandForm::StaticClass()) {
      if (!InitInheritedComponent(TDeskBandForm::StaticClass()))
        throw EResNotFound(Format("Resource \"%s\" not found", {ClassName()}));
      if (OldCreateOrder()) DoCreate();
    }
  } catch (...) {
    AfterCreate();
    throw;
  }
  AfterCreate();
}

void TDeskBandForm::BeforeDestruction() {
  DisconnectBrowserEvents();
  if (HooksInstalled() || workerWProcInstance_) {
    try {
      RemoveHooks();
    } catch (...) {
    }
  }
  if (TPopupMenu* menu = std::exchange(chevronMenu_, nullptr)) menu->Free();
  inherited::BeforeDestruction();
}

bool TDeskBandForm::ContainsWindow(HWND window) const {
  if (!handle_ || !window) return false;
  for (HWND h = window; h; h = GetParent(h))
    if (h == handle_) return true;
  return false;
}

void TDeskBandForm::SetFocus() {
  if (Visible() && Enabled()) inherited::SetFocus();
}

// ---- browser events ----

void TDeskBandForm::BeforeNavigate2(TObject*, IDispatch*, VARIANT&, VARIANT&, VARIANT&, VARIANT&, VARIANT&, WordBool&) {
}
void TDeskBandForm::NavigateComplete2(TObject*, IDispatch*, VARIANT&) {}
void TDeskBandForm::NewWindow2(TObject*, ComPtr<IDispatch>&, WordBool&) {}
void TDeskBandForm::DocumentComplete(TObject*, IDispatch*, VARIANT&) {}
void TDeskBandForm::CommandStateChange(TObject*, int, WordBool) {}
void TDeskBandForm::DownloadBegin(TObject*) {}
void TDeskBandForm::DownloadComplete(TObject*) {}

void TDeskBandForm::ConnectBrowserEvents() {
  DisconnectBrowserEvents();
  if (!band_ || !band_->HostBrowser()) return;
  browserEvents_ = TSHDocVwDWebBrowserEvents2::Create(this);
  try {
    browserEvents_->Connect(band_->HostBrowser());
  } catch (...) {
    FreeAndNil(browserEvents_);
    throw;
  }
  TSHDocVwDWebBrowserEvents2* e = browserEvents_;
  e->BeforeNavigate2 = [this](TObject* s, IDispatch* d, VARIANT& url, VARIANT& flags, VARIANT& frame, VARIANT& post,
                              VARIANT& headers,
                              WordBool& cancel) { BeforeNavigate2(s, d, url, flags, frame, post, headers, cancel); };
  e->NavigateComplete2 = [this](TObject* s, IDispatch* d, VARIANT& url) { NavigateComplete2(s, d, url); };
  e->NewWindow2 = [this](TObject* s, ComPtr<IDispatch>& d, WordBool& cancel) { NewWindow2(s, d, cancel); };
  e->DocumentComplete = [this](TObject* s, IDispatch* d, VARIANT& url) { DocumentComplete(s, d, url); };
  e->CommandStateChange = [this](TObject* s, int command, WordBool enable) { CommandStateChange(s, command, enable); };
  e->DownloadBegin = [this](TObject* s) { DownloadBegin(s); };
  e->DownloadComplete = [this](TObject* s) { DownloadComplete(s); };
}

void TDeskBandForm::DisconnectBrowserEvents() {
  if (!browserEvents_) return;
  browserEvents_->Disconnect();
  FreeAndNil(browserEvents_);
}

// ---- sizes ----

void TDeskBandForm::GetMinSize(POINTL& p) {
  p = POINTL{200, 22};
  if (OnGetMinSize) OnGetMinSize(this, p);
}

void TDeskBandForm::GetMaxSize(POINTL& p) {
  GetMinSize(p);
  p.x = -1;
  if (OnGetMaxSize) OnGetMaxSize(this, p);
}

void TDeskBandForm::GetIntegralUnits(POINTL& p) {
  p = POINTL{1, 1};
  if (OnGetIntegralUnits) OnGetIntegralUnits(this, p);
}

void TDeskBandForm::GetActualSize(POINTL& p) {
  GetMinSize(p);
  if (OnGetActualSize) OnGetActualSize(this, p);
}

// ---- Init, DeInit and the hooks ----

void TDeskBandForm::Init() {
  ConnectBrowserEvents();
  InstallHooks();
  if (OnInit) OnInit(this);
}

void TDeskBandForm::DeInit() {
  if (OnDeInit) OnDeInit(this);
  RemoveHooks();
  DisconnectBrowserEvents();
}

void TDeskBandForm::InstallHooks() {
  // A second Init without DeInit between: the hooks held now go first, so none is left bound to nothing.
  RemoveHooks();
  try {
    getMessageThunk_ = MakeCallbackThunk(
        [](void* self, TThunkRecord& r) { static_cast<TDeskBandForm*>(self)->GetMessageHook(r); }, this);
    if (!getMessageThunk_) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
    getMessageHook_ = SetWindowsHookExA(WH_GETMESSAGE, getMessageThunk_, HInstance(), GetCurrentThreadId());
    if (!getMessageHook_) RaiseLastOSError();
    callWndProcThunk_ = MakeCallbackThunk(
        [](void* self, TThunkRecord& r) { static_cast<TDeskBandForm*>(self)->CallWndProcHook(r); }, this);
    if (!callWndProcThunk_) RaiseLastOSError(ERROR_NOT_ENOUGH_MEMORY);
    callWndProcHook_ = SetWindowsHookExA(WH_CALLWNDPROC, callWndProcThunk_, HInstance(), GetCurrentThreadId());
    if (!callWndProcHook_) RaiseLastOSError();
  } catch (...) {
    try {
      RemoveHooks();
    } catch (...) {
    }
    throw;
  }
}

void TDeskBandForm::RemoveHooks() {
  RestoreWorkerW();
  DWORD failure = 0;
  for (HHOOK* hook : {&getMessageHook_, &callWndProcHook_}) {
    if (!*hook) continue;
    if (!UnhookWindowsHookEx(*hook) && !failure) failure = GetLastError() ? GetLastError() : ERROR_INVALID_HANDLE;
    *hook = nullptr;
  }
  FreeCallbackThunk(std::exchange(getMessageThunk_, nullptr));
  FreeCallbackThunk(std::exchange(callWndProcThunk_, nullptr));
  if (failure) RaiseLastOSError(failure);
}

void TDeskBandForm::GetMessageHook(TThunkRecord& r) {
  if (r.Arg1 != HC_ACTION) {
    r.Result = CallNextHookEx(getMessageHook_, r.Arg1, r.Arg2, r.Arg3);
    return;
  }
  try {
    r.Result = 0;
    auto* msg = reinterpret_cast<MSG*>(r.Arg3);
    if (msg && msg->message == WM_SYSKEYUP) {
      char key = 0;
      if (OnGetShortcutKey) OnGetShortcutKey(this, key);
      if (key && msg->wParam == ShortcutKeyCode(key)) {
        TWinControl* control = nullptr;
        if (OnGetDefaultControl) OnGetDefaultControl(this, control);
        if (control && control->Visible()) {
          SetFocus();
          control->SetFocus();
          msg->message = WM_NULL;
          r.Result = 1;
        }
      }
    }
    if (r.Result == 0) r.Result = CallNextHookEx(getMessageHook_, r.Arg1, r.Arg2, r.Arg3);
  } catch (...) {
  }
}

void TDeskBandForm::CallWndProcHook(TThunkRecord& r) {
  if (r.Arg1 != HC_ACTION) {
    r.Result = CallNextHookEx(callWndProcHook_, r.Arg1, r.Arg2, r.Arg3);
    return;
  }
  r.Result = 0;
  if (auto* cwp = reinterpret_cast<CWPSTRUCT*>(r.Arg3)) {
    try {
      switch (cwp->message) {
        case WM_SETFOCUS:
          if (!(ComponentState() & csDestroying) && band_ && !band_->HasFocus() && ContainsWindow(::GetFocus()))
            band_->SetHasFocus(true);
          break;
        case WM_NOTIFY: {
          auto* header = reinterpret_cast<NMHDR*>(cwp->lParam);
          if (!header || !band_) break;
          if (header->code == RBN_CHEVRONPUSHED && reinterpret_cast<NMREBARCHEVRON*>(header)->wID == band_->BandID())
            ChevronPushed(*cwp);
          else if (header->code == RBN_CHILDSIZE && reinterpret_cast<NMREBARCHILDSIZE*>(header)->wID == band_->BandID())
            rebarId_ = int(header->idFrom);
          break;
        }
        case WM_ENTERMENULOOP: RestoreWorkerW(); break;
        default: break;
      }
    } catch (...) {
    }
  }
  r.Result = CallNextHookEx(callWndProcHook_, r.Arg1, r.Arg2, r.Arg3);
}

// ---- chevron menu and WorkerW ----

void TDeskBandForm::ChevronPushed(const CWPSTRUCT& message) {
  auto* chevron = reinterpret_cast<NMREBARCHEVRON*>(message.lParam);
  rebarId_ = int(chevron->hdr.idFrom);
  RECT rc = chevron->rc;
  HWND rebar = chevron->hdr.hwndFrom;
  LRESULT index = SendMessageA(rebar, RB_IDTOINDEX, band_->BandID(), 0);
  if (index == -1) return;
  POINT popupPoint{rc.left, rc.bottom};
  ::ClientToScreen(rebar, &popupPoint);
  RECT band{};
  SendMessageA(rebar, RB_GETRECT, WPARAM(index), reinterpret_cast<LPARAM>(&band));
  // The part of the band left of the chevron, in band coordinates.
  RECT visibleArea{0, 0, rc.left - band.left, band.bottom - band.top};
  FreeChevronMenu();
  if (OnGetChevronMenu) OnGetChevronMenu(this, visibleArea, chevronMenu_);
  if (chevronMenu_) {
    PopupChevronMenu(popupPoint);
    SubclassWorkerW();
  }
}

void TDeskBandForm::PopupChevronMenu(POINT point) {
  if (chevronMenu_) chevronMenu_->Popup(point.x, point.y);
}

void TDeskBandForm::FreeChevronMenu() { FreeAndNil(chevronMenu_); }

HWND TDeskBandForm::FindWorkerWWindow() const {
  for (HWND h = band_ ? band_->SiteWindow() : nullptr; h; h = GetParent(h)) {
    char name[128];
    int n = GetClassNameA(h, name, sizeof name);
    if (cp1250::Upper(std::string(name, size_t(std::max(n, 0)))) == "WORKERW") return h;
  }
  return nullptr;
}

void TDeskBandForm::SubclassWorkerW() {
  if (workerWProcInstance_) RestoreWorkerW();
  workerWWindow_ = FindWorkerWWindow();
  workerWOldProc_ = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(workerWWindow_, GWLP_WNDPROC));
  workerWProcInstance_ = MakeObjectInstance([this](TMessage& m) { WorkerWWndProc(m); });
  if (workerWWindow_ && workerWProcInstance_)
    SetWindowLongPtrA(workerWWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(workerWProcInstance_));
}

void TDeskBandForm::RestoreWorkerW() {
  if (!workerWProcInstance_) return;
  if (workerWWindow_) SetWindowLongPtrA(workerWWindow_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(workerWOldProc_));
  FreeObjectInstance(std::exchange(workerWProcInstance_, nullptr));
  workerWWindow_ = nullptr;
  workerWOldProc_ = nullptr;
}

void TDeskBandForm::WorkerWWndProc(TMessage& m) {
  if (m.Msg == WM_NOTIFY && m.LParam && band_) {
    auto* header = reinterpret_cast<NMHDR*>(m.LParam);
    if (header->code == RBN_CHEVRONPUSHED && reinterpret_cast<NMREBARCHEVRON*>(header)->wID == band_->BandID()) {
      m.Result = 0;  // the host shows no chevron menu of its own
      return;
    }
  }
  m.Result = CallWindowProcA(workerWOldProc_, workerWWindow_, m.Msg, m.WParam, m.LParam);
}

// ---- tabbing ----

TWinControl* TDeskBandForm::FindFirstTabStop(TWinControl* container) const {
  for (int i = 0; i < container->ControlCount(); ++i) {
    auto* child = DynamicAs<TWinControl>(container->Controls(i));
    if (!child) continue;
    if (TWinControl* inside = FindFirstTabStop(child)) return inside;
    if (child->TabStop()) return child;
  }
  return nullptr;
}

TWinControl* TDeskBandForm::FindLastTabStop() const {
  for (int i = ControlCount() - 1; i >= 0; --i) {
    auto* child = DynamicAs<TWinControl>(Controls(i));
    if (!child) continue;
    if (TWinControl* inside = FindFirstTabStop(child)) return inside;
    if (child->TabStop()) return child;
  }
  return nullptr;
}

bool TDeskBandForm::SelectNextTab(bool forward) {
  SelectNext(ActiveControl(), forward, true);
  if (ControlCount() == 0) return true;
  TWinControl* active = ActiveControl();
  return active == (forward ? FindFirstTabStop(const_cast<TDeskBandForm*>(this)) : FindLastTabStop());
}

// ---- window procedure ----

void TDeskBandForm::WndProc(TMessage& m) {
  if (m.Msg == WM_ERASEBKGND) {
    if (HandleAllocated() && IsIconic(Handle())) return;
    if (!ThemeServicesCreated()) {
      inherited::WndProc(m);
      return;
    }
    if (ThemeServices()->ThemesEnabled())
      ThemeServices()->DrawParentBackground(Handle(), reinterpret_cast<HDC>(m.WParam), nullptr);
    // Otherwise the client area takes the form's colour (nothing is drawn in this window system).
    m.Result = 1;
    return;
  }
  inherited::WndProc(m);
}

// ---- IDocHostUIHandler ----

HRESULT TDeskBandForm::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IDocHostUIHandler::Iid) return E_NOINTERFACE;
  *ppv = static_cast<IDocHostUIHandler*>(this);
  return S_OK;
}

HRESULT TDeskBandForm::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*) { return S_FALSE; }

HRESULT TDeskBandForm::GetHostInfo(DOCHOSTUIINFO* info) {
  if (!info) return E_POINTER;
  std::memset(info, 0, sizeof *info);
  info->cbSize = 20;  // the structure's size on the 32-bit platform, which hosts compare
  info->dwFlags = 0;
  info->dwDoubleClick = 0;
  return S_OK;
}

HRESULT TDeskBandForm::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                              IOleInPlaceUIWindow*) {
  return E_NOTIMPL;
}
HRESULT TDeskBandForm::HideUI() { return E_NOTIMPL; }
HRESULT TDeskBandForm::UpdateUI() { return E_NOTIMPL; }
HRESULT TDeskBandForm::EnableModeless(BOOL) { return E_NOTIMPL; }
HRESULT TDeskBandForm::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT TDeskBandForm::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }
HRESULT TDeskBandForm::ResizeBorder(const RECT*, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
HRESULT TDeskBandForm::TranslateAccelerator(MSG*, const GUID*, DWORD) { return E_NOTIMPL; }
HRESULT TDeskBandForm::GetOptionKeyPath(LPOLESTR*, DWORD) { return E_NOTIMPL; }

HRESULT TDeskBandForm::GetDropTarget(IDropTarget*, IDropTarget** replacement) {
  if (replacement) *replacement = nullptr;
  return E_NOTIMPL;
}

HRESULT TDeskBandForm::GetExternal(IDispatch** external) {
  if (external) *external = nullptr;
  return E_NOTIMPL;
}

HRESULT TDeskBandForm::TranslateUrl(DWORD, OLECHAR*, OLECHAR**) { return E_NOTIMPL; }

HRESULT TDeskBandForm::FilterDataObject(IDataObject*, IDataObject** replacement) {
  if (replacement) *replacement = nullptr;
  return E_NOTIMPL;
}

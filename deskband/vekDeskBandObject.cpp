// The band COM object and the operations on the host's rebar.
#include <algorithm>
#include <cstring>

#include "deskband/vekDeskBand.h"
#include "platform/com/OleError.h"
#include "platform/winapi/CommonControls.h"
#include "platform/winapi/Input.h"
#include "platform/winapi/MessageQueue.h"

void TDeskBand::BeforeDestruction() {
  if (TDeskBandForm* form = std::exchange(form_, nullptr)) {
    try {
      form->Free();
    } catch (...) {
    }
  }
  inherited::BeforeDestruction();
}

HRESULT TDeskBand::ObjQueryInterface(REFIID riid, void** ppv) {
  if (riid == IInputObject::Iid)
    *ppv = static_cast<IInputObject*>(this);
  else if (riid == IContextMenu::Iid)
    *ppv = static_cast<IContextMenu*>(this);
  else if (riid == IObjectWithSite::Iid)
    *ppv = static_cast<IObjectWithSite*>(this);
  else if (riid == IPersistStreamInit::Iid)
    *ppv = static_cast<IPersistStreamInit*>(this);
  else if (riid == IPersistStream::Iid)
    *ppv = static_cast<IPersistStream*>(this);
  else if (riid == IPersist::Iid)
    *ppv = static_cast<IPersist*>(static_cast<IPersistStreamInit*>(this));
  else if (riid == IDeskBand::Iid)
    *ppv = static_cast<IDeskBand*>(this);
  else
    return TComObject::ObjQueryInterface(riid, ppv);
  AddRef();
  return S_OK;
}

// ---- band window ----

TDeskBandForm* TDeskBand::GetBandForm() {
  if (!form_) {
    CheckDeskBandModule();
    TDeskBandFormClass formClass = DeskBandModule()->GetBandFormClass();
    form_ = TDeskBandForm::CreateBand(formClass, this, siteWindow_);
    form_->SetTop(0);
    form_->SetLeft(0);
  }
  return form_;
}

void TDeskBand::SetHasFocus(bool value) {
  if (value == hasFocus_) return;
  hasFocus_ = value;
  if (site_) site_->OnFocusChangeIS(static_cast<IInputObject*>(this), value);
}

void TDeskBand::BandWindowProc(TMessage& m) {
  if ((m.Msg == WM_PARENTNOTIFY && (LOWORD(m.WParam) == WM_LBUTTONDOWN || LOWORD(m.WParam) == WM_RBUTTONDOWN)) ||
      m.Msg == WM_SETFOCUS)
    SetHasFocus(true);
  if (savedFormWindowProc_) savedFormWindowProc_(m);
}

// ---- IObjectWithSite ----

HRESULT TDeskBand::SetSite(IUnknown* site) {
  return SafeCall([&]() -> HRESULT {
    if (!site) {
      if (form_) form_->DeInit();
      return S_OK;
    }
    ComPtr<IInputObjectSite> inputSite;
    ComPtr<IOleWindow> oleWindow;
    ComPtr<IOleCommandTarget> commandTarget;
    ComPtr<IServiceProvider> services;
    if (FAILED(site->QueryInterface(IInputObjectSite::Iid, inputSite.PutVoid())) || !inputSite ||
        FAILED(site->QueryInterface(IOleWindow::Iid, oleWindow.PutVoid())) || !oleWindow ||
        FAILED(site->QueryInterface(IOleCommandTarget::Iid, commandTarget.PutVoid())) || !commandTarget ||
        FAILED(commandTarget.As(&services)) || !services)
      return E_NOINTERFACE;
    HWND window = nullptr;
    HRESULT hr = oleWindow->GetWindow(&window);
    if (FAILED(hr)) return hr;
    site_ = inputSite;
    siteWindow_ = window;
    commandTarget_ = commandTarget;
    hostBrowser_ = nullptr;
    ComPtr<IWebBrowser2> browser;
    if (SUCCEEDED(services->QueryService(SID_SWebBrowserApp, IWebBrowser2::Iid, browser.PutVoid())))
      hostBrowser_ = browser;
    GetBandForm()->Init();
    return S_OK;
  });
}

HRESULT TDeskBand::GetSite(REFIID riid, void** site) {
  if (!site) return E_POINTER;
  *site = nullptr;
  if (!site_) return E_FAIL;
  return site_->QueryInterface(riid, site);
}

// ---- IOleWindow, IDockingWindow, IDeskBand ----

HRESULT TDeskBand::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = nullptr;
  return SafeCall([&]() -> HRESULT {
    TDeskBandForm* form = GetBandForm();
    if (positionLoaded_) form->SetBounds(savedLeft_, savedTop_, savedWidth_, form->Height());
    *window = form->Handle();
    if (!wrapped_) {
      savedFormWindowProc_ = form->WindowProc;
      form->WindowProc = [this](TMessage& m) { BandWindowProc(m); };
      wrapped_ = true;
    }
    form->SetVisible(true);
    return S_OK;
  });
}

HRESULT TDeskBand::ContextSensitiveHelp(BOOL) { return E_NOTIMPL; }

HRESULT TDeskBand::ShowDW(BOOL show) {
  return SafeCall([&]() -> HRESULT {
    hasFocus_ = show != FALSE;
    if (site_) site_->OnFocusChangeIS(static_cast<IInputObject*>(this), show);
    return S_OK;
  });
}

HRESULT TDeskBand::CloseDW(DWORD) {
  if (TDeskBandForm* form = std::exchange(form_, nullptr)) {
    wrapped_ = false;
    savedFormWindowProc_ = nullptr;
    try {
      form->Free();
    } catch (...) {
    }
  }
  return S_OK;
}

HRESULT TDeskBand::ResizeBorderDW(const RECT*, IUnknown*, BOOL) { return E_NOTIMPL; }

HRESULT TDeskBand::GetBandInfo(DWORD bandId, DWORD, DESKBANDINFO* info) {
  if (!info) return E_POINTER;
  return SafeCall([&]() -> HRESULT {
    bandId_ = bandId;
    CheckDeskBandModule();
    TCustomDeskBandModule* module = DeskBandModule();
    bool vertical = module->BandType() == dbtVerticalBand;
    struct Size {
      DWORD bit;
      POINTL* point;
      void (TDeskBandForm::*ask)(POINTL&);
    } sizes[] = {{DBIM_MINSIZE, &info->ptMinSize, &TDeskBandForm::GetMinSize},
                 {DBIM_MAXSIZE, &info->ptMaxSize, &TDeskBandForm::GetMaxSize},
                 {DBIM_INTEGRAL, &info->ptIntegral, &TDeskBandForm::GetIntegralUnits},
                 {DBIM_ACTUAL, &info->ptActual, &TDeskBandForm::GetActualSize}};
    for (const Size& s : sizes) {
      if (!(info->dwMask & s.bit)) continue;
      if (form_) (form_->*s.ask)(*s.point);
      if (vertical) std::swap(s.point->x, s.point->y);
    }
    info->dwMask &= ~DBIM_BKCOLOR;
    if (info->dwMask & DBIM_MODEFLAGS) {
      info->dwModeFlags = 0;
      if (!module->FixedHeight()) info->dwModeFlags |= DBIMF_VARIABLEHEIGHT;
      if (module->Debossed()) info->dwModeFlags |= DBIMF_DEBOSSED;
      if (module->UseChevron()) info->dwModeFlags |= DBIMF_USECHEVRON;
    }
    if (info->dwMask & DBIM_TITLE) {
      // The title field holds 255 characters and the terminator: a longer caption is cut.
      std::u16string title = WideString::FromString(module->Caption()).ToU16();
      size_t n = std::min<size_t>(title.size(), std::size(info->wszTitle) - 1);
      std::memcpy(info->wszTitle, title.data(), n * sizeof(OLECHAR));
      info->wszTitle[n] = 0;
    }
    return S_OK;
  });
}

// ---- IInputObject ----

HRESULT TDeskBand::UIActivateIO(BOOL activate, MSG*) {
  return SafeCall([&]() -> HRESULT {
    hasFocus_ = activate != FALSE;
    if (activate) {
      if (form_) form_->SetFocus();
      if (site_) site_->OnFocusChangeIS(static_cast<IInputObject*>(this), TRUE);
    }
    return S_OK;
  });
}

HRESULT TDeskBand::HasFocusIO() { return hasFocus_ ? S_OK : S_FALSE; }

HRESULT TDeskBand::TranslateAcceleratorIO(MSG* msg) {
  if (!msg) return E_POINTER;
  return SafeCall([&]() -> HRESULT {
    if (msg->message == WM_KEYDOWN && msg->wParam == VK_TAB) {
      bool forward = !(GetKeyState(VK_SHIFT) & 0x8000);
      return GetBandForm()->SelectNextTab(forward) ? S_FALSE : S_OK;
    }
    // Everything else, Backspace included, reaches the band's controls as the thread's loop would hand it.
    MSG copy = *msg;
    TranslateMessage(&copy);
    DispatchMessageA(&copy);
    return S_OK;
  });
}

// ---- IContextMenu ----

HRESULT TDeskBand::QueryContextMenu(HMENU, UINT, UINT, UINT, UINT) {
  commandCount_ = 0;
  return MAKE_HRESULT(0, 0, UINT(commandCount_));
}

HRESULT TDeskBand::InvokeCommand(CMINVOKECOMMANDINFO* info) {
  if (!info) return E_INVALIDARG;
  uintptr_t verb = reinterpret_cast<uintptr_t>(info->lpVerb);
  if (verb >> 16) return E_FAIL;
  if (int(LOWORD(verb)) >= commandCount_) return E_FAIL;
  return S_OK;
}

HRESULT TDeskBand::GetCommandString(UINT_PTR, UINT, UINT*, LPSTR, UINT) { return S_OK; }

// ---- IPersistStreamInit, IPersistStream ----

HRESULT TDeskBand::GetClassID(CLSID* classId) {
  if (!classId) return E_POINTER;
  return SafeCall([&]() -> HRESULT {
    CheckDeskBandModule();
    *classId = StringToGUID(GetBandTypeCLSID(DeskBandModule()->BandType()));
    return S_OK;
  });
}

HRESULT TDeskBand::IsDirty() { return S_OK; }

HRESULT TDeskBand::Load(IStream* stream) {
  if (!stream) return E_POINTER;
  return SafeCall([&]() -> HRESULT {
    int32_t values[3];
    for (int32_t& v : values) {
      ULONG read = 0;
      OleCheck(stream->Read(&v, sizeof v, &read));
      if (read != sizeof v) OleError(STG_E_READFAULT);
    }
    savedLeft_ = values[0];
    savedTop_ = values[1];
    savedWidth_ = values[2];
    positionLoaded_ = true;
    return S_OK;
  });
}

HRESULT TDeskBand::Save(IStream* stream, BOOL) {
  if (!stream) return E_POINTER;
  return SafeCall([&]() -> HRESULT {
    if (!form_) return E_UNEXPECTED;  // nothing to save before the band window exists
    int32_t values[3] = {form_->Left(), form_->Top(), form_->Width()};
    for (int32_t v : values) {
      ULONG written = 0;
      OleCheck(stream->Write(&v, sizeof v, &written));
      if (written != sizeof v) OleError(STG_E_WRITEFAULT);
    }
    return S_OK;
  });
}

HRESULT TDeskBand::GetSizeMax(ULARGE_INTEGER* size) {
  if (!size) return E_POINTER;
  size->QuadPart = 1024;
  return S_OK;
}

HRESULT TDeskBand::InitNew() { return E_NOTIMPL; }

// ---- rebar operations ----

int GetRebarBandIndex(TDeskBand* band) {
  return int(SendMessageA(band->SiteWindow(), RB_IDTOINDEX, band->BandID(), 0));
}

RECT GetBandScreenRect(TDeskBand* band) {
  RECT r{};
  SendMessageA(band->SiteWindow(), RB_GETRECT, WPARAM(GetRebarBandIndex(band)), reinterpret_cast<LPARAM>(&r));
  POINT topLeft{r.left, r.top}, bottomRight{r.right, r.bottom};
  ClientToScreen(band->SiteWindow(), &topLeft);
  ClientToScreen(band->SiteWindow(), &bottomRight);
  return RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
}

void ExpandBandInRebar(TDeskBand* band) {
  HWND rebar = band->SiteWindow();
  RECT r{};
  GetWindowRect(rebar, &r);
  r.bottom += (band->Form() ? band->Form()->Height() : 0) + 4;
  SendMessageA(rebar, RB_SIZETORECT, 0, reinterpret_cast<LPARAM>(&r));
  MaximizeRebarBand(band);
  NMHDR header{rebar, UINT_PTR(band->Form() ? band->Form()->RebarID() : 0), RBN_LAYOUTCHANGED};
  SendMessageA(GetParent(rebar), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

void MaximizeRebarBand(TDeskBand* band) {
  SendMessageA(band->SiteWindow(), RB_MAXIMIZEBAND, WPARAM(GetRebarBandIndex(band)), 1);
}

#include "hosts/shellhost/ShellObjects.h"

// ---- TBandSite ----

TBandSite::TBandSite(HWND rebar, browser::TBrowser* browser, THostLog log)
    : rebar_(rebar), browser_(browser), log_(std::move(log)) {}

ULONG TBandSite::References() {
  AddRef();
  return Release();
}

HRESULT TBandSite::OnFocusChangeIS(IUnknown*, BOOL setFocus) {
  bandHasFocus_ = setFocus != FALSE;
  log_(std::string("site: the band has ") + (bandHasFocus_ ? "the focus" : "lost the focus"));
  return S_OK;
}

HRESULT TBandSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = rebar_;
  return S_OK;
}

HRESULT TBandSite::QueryService(REFGUID service, REFIID riid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  if (service != SID_SWebBrowserApp || !browser_) return E_NOINTERFACE;
  return browser_->QueryInterface(riid, object);
}

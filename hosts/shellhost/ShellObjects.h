// The shell's side of a hosted band: the site that the band is given (focus notices, its window, and in a
// browser window the service that leads to the host's browser, the platform's headless browser).
#pragma once
#include <functional>
#include <string>

#include "platform/browser/Browser.h"
#include "platform/com/ShellBand.h"
#include "platform/com/WebBrowser.h"

// Where the host's objects write what happened, one line each.
using THostLog = std::function<void(const std::string& line)>;

class TBandSite : public TComObjectImpl<IInputObjectSite, IOleWindow, IOleCommandTarget, IServiceProvider> {
 public:
  // The site of a band in the rebar; the browser service when a browser is given.
  TBandSite(HWND rebar, browser::TBrowser* browser, THostLog log);

  HRESULT OnFocusChangeIS(IUnknown* object, BOOL setFocus) override;
  HRESULT GetWindow(HWND* window) override;
  HRESULT ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  HRESULT QueryStatus(const GUID*, ULONG, OLECMD*, OLECMDTEXT*) override { return OLECMDERR_E_UNKNOWNGROUP; }
  HRESULT Exec(const GUID*, DWORD, DWORD, VARIANT*, VARIANT*) override { return OLECMDERR_E_UNKNOWNGROUP; }
  HRESULT QueryService(REFGUID service, REFIID riid, void** object) override;

  // What the band last told: whether it holds the focus.
  bool BandHasFocus() const { return bandHasFocus_; }
  ULONG References();

 private:
  HWND rebar_;
  browser::TBrowser* browser_;
  THostLog log_;
  bool bandHasFocus_ = false;
};

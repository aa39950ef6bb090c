// The web-browser control of forms (TWebBrowser): a window that shows the platform's headless browser
// (platform/browser/Browser.h). Its automation interface answers by name and by DISPID, as the control's
// properties do (Silent 551, Resizable 556); Width and Height follow the control's bounds. Three of the
// browser's events are published with the browser's own signatures; their var parameters write back
// into the browser's arguments. A handler's exception goes to the application's exception handler.
#pragma once
#include <functional>
#include <string>

#include "platform/browser/Browser.h"
#include "platform/components/Controls.h"

using WordBool = VARIANT_BOOL;

using TWebBrowserBeforeNavigate2 =
    std::function<void(TObject* Sender, IDispatch* pDisp, VARIANT& URL, VARIANT& Flags, VARIANT& TargetFrameName,
                       VARIANT& PostData, VARIANT& Headers, WordBool& Cancel)>;
using TWebBrowserNavigateComplete2 = std::function<void(TObject* Sender, IDispatch* pDisp, VARIANT& URL)>;
using TWebBrowserNavigateError = std::function<void(TObject* Sender, IDispatch* pDisp, VARIANT& URL, VARIANT& Frame,
                                                    VARIANT& StatusCode, WordBool& Cancel)>;

class TWebBrowser : public TWinControl {
  VCL_CLASS(TWebBrowser, TWinControl)
  explicit TWebBrowser(TComponent* owner);
  ~TWebBrowser() override;
  void BeforeDestruction() override;

  // The browser's IWebBrowser2 (also its IDispatch).
  IWebBrowser2* DefaultInterface() const;
  browser::TBrowser* Browser() const { return browser_.Get(); }

  // Navigate with the optional arguments empty, or given; failures raise EOleSysError.
  void Navigate(const std::string& url);
  void Navigate(const std::string& url, const OleVariant& flags, const OleVariant& targetFrameName,
                const OleVariant& postData, const OleVariant& headers);
  void Navigate2(const OleVariant& url, const OleVariant& flags, const OleVariant& targetFrameName,
                 const OleVariant& postData, const OleVariant& headers);
  // The current page's document; none before the first page.
  ComPtr<IDispatch> Document() const;
  std::string LocationURL() const;

  // Properties of the automation interface by DISPID.
  OleVariant GetProperty(DISPID id) const;
  void SetProperty(DISPID id, const OleVariant& value);
  bool Silent() const { return GetProperty(551).AsBool(); }
  void SetSilent(bool value) { SetProperty(551, value); }
  bool Resizable() const { return GetProperty(556).AsBool(); }
  void SetResizable(bool value) { SetProperty(556, value); }

  TWebBrowserBeforeNavigate2 OnBeforeNavigate2;
  TWebBrowserNavigateComplete2 OnNavigateComplete2;
  TWebBrowserNavigateError OnNavigateError;

  // Handles one of the browser's events (the control's sink calls it).
  HRESULT BrowserEvent(DISPID id, DISPPARAMS& params);
  void WndProc(TMessage& message) override;

 protected:
  void CreateHandleDone() override;
  void DestroyWnd() override;
  void BoundsChanged() override;

 private:
  class TSink;
  void SyncBounds();

  ComPtr<browser::TBrowser> browser_;
  ComPtr<TSink> sink_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

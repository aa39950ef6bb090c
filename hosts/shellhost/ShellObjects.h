// The shell's side of a hosted band: the site that the band is given (focus notices, its window, the
// browser service) and, in a browser window, a browser that records navigations and fires its events
// through its connection point.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/com/ConnectionPoints.h"
#include "platform/com/ShellBand.h"
#include "platform/com/WebBrowser.h"

// Where the host's objects write what happened, one line each.
using THostLog = std::function<void(const std::string& line)>;

class TFakeBrowser : public TComObjectImpl<IWebBrowser2, IConnectionPointContainer> {
 public:
  TFakeBrowser(HWND frame, THostLog log);

  HRESULT GetTypeInfoCount(UINT* count) override;
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) override;
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }
  // Both fire BeforeNavigate2; unless a sink cancels, the browser goes there and fires DownloadBegin,
  // NavigateComplete2, DocumentComplete, DownloadComplete and CommandStateChange.
  HRESULT Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData, VARIANT* headers) override;
  HRESULT Navigate2(VARIANT* url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                    VARIANT* headers) override;
  HRESULT get_Document(IDispatch** document) override;
  HRESULT get_LocationURL(BSTR* url) override;
  HRESULT get_HWND(LONG_PTR* window) override;

  HRESULT EnumConnectionPoints(IEnumConnectionPoints** points) override;
  HRESULT FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  // Goes to the URL as the user's address bar does.
  void NavigateTo(const std::string& url);
  const std::string& Location() const { return location_; }
  const std::vector<std::string>& Navigations() const { return navigations_; }
  size_t SinkCount() { return events_->SinkCount(); }
  ULONG References();

 private:
  // Fires an event with its arguments in parameter order.
  HRESULT Fire(DISPID id, std::vector<VARIANT> args);

  HWND frame_;
  THostLog log_;
  ComPtr<TConnectionPoint> events_;
  std::string location_;
  std::vector<std::string> navigations_;
};

class TBandSite : public TComObjectImpl<IInputObjectSite, IOleWindow, IOleCommandTarget, IServiceProvider> {
 public:
  // The site of a band in the rebar; the browser service when a browser is given.
  TBandSite(HWND rebar, TFakeBrowser* browser, THostLog log);

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
  TFakeBrowser* browser_;
  THostLog log_;
  bool bandHasFocus_ = false;
};

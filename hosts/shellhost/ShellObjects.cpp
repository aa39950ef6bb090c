#include "hosts/shellhost/ShellObjects.h"

#include <algorithm>

// ---- TFakeBrowser ----

TFakeBrowser::TFakeBrowser(HWND frame, THostLog log)
    : frame_(frame),
      log_(std::move(log)),
      events_(MakeComObject<TConnectionPoint>(static_cast<IConnectionPointContainer*>(this), DIID_DWebBrowserEvents2)) {
}

ULONG TFakeBrowser::References() {
  AddRef();
  return Release();
}

HRESULT TFakeBrowser::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return S_OK;
}

HRESULT TFakeBrowser::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
  if (typeInfo) *typeInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT TFakeBrowser::Navigate(BSTR url, VARIANT* flags, VARIANT* targetFrameName, VARIANT* postData,
                               VARIANT* headers) {
  OleVariant target(WideString(std::u16string_view(url ? url : u"", SysStringLen(url))));
  return Navigate2(target.Get(), flags, targetFrameName, postData, headers);
}

HRESULT TFakeBrowser::Fire(DISPID id, std::vector<VARIANT> args) {
  std::reverse(args.begin(), args.end());  // the platform passes arguments last to first
  DISPPARAMS params{args.empty() ? nullptr : args.data(), nullptr, UINT(args.size()), 0};
  HRESULT hr = events_->InvokeAll(id, &params);
  if (FAILED(hr)) log_("browser: event " + std::to_string(id) + " failed " + std::to_string(hr));
  return hr;
}

namespace {

VARIANT ByRef(VARIANT* target) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BYREF | VT_VARIANT;
  v.pvarVal = target;
  return v;
}

VARIANT Value(VARTYPE type, LONG value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = type;
  if (type == VT_BOOL)
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  else
    v.lVal = value;
  return v;
}

}  // namespace

HRESULT TFakeBrowser::Navigate2(VARIANT* url, VARIANT*, VARIANT*, VARIANT*, VARIANT*) {
  if (!url) return E_INVALIDARG;
  std::string target = OleVariant::RefTo(url).AsString();
  OleVariant urlArg(target), flags(int32_t(0)), frame(""), post, headers("");
  VARIANT_BOOL cancel = VARIANT_FALSE;
  VARIANT self;
  VariantInit(&self);
  self.vt = VT_DISPATCH;
  self.pdispVal = static_cast<IDispatch*>(this);
  VARIANT cancelRef;
  VariantInit(&cancelRef);
  cancelRef.vt = VT_BYREF | VT_BOOL;
  cancelRef.pboolVal = &cancel;
  Fire(DISPID_BEFORENAVIGATE2, {self, ByRef(urlArg.Get()), ByRef(flags.Get()), ByRef(frame.Get()), ByRef(post.Get()),
                                ByRef(headers.Get()), cancelRef});
  if (cancel != VARIANT_FALSE) {
    log_("browser: navigation to " + target + " cancelled");
    return S_OK;
  }
  location_ = target;
  navigations_.push_back(target);
  log_("browser: navigated to " + target);
  Fire(DISPID_DOWNLOADBEGIN, {});
  OleVariant done(target);
  Fire(DISPID_NAVIGATECOMPLETE2, {self, ByRef(done.Get())});
  Fire(DISPID_DOCUMENTCOMPLETE, {self, ByRef(done.Get())});
  Fire(DISPID_DOWNLOADCOMPLETE, {});
  Fire(DISPID_COMMANDSTATECHANGE, {Value(VT_I4, 2), Value(VT_BOOL, navigations_.size() > 1)});
  return S_OK;
}

void TFakeBrowser::NavigateTo(const std::string& url) {
  OleVariant target(url);
  Navigate2(target.Get(), nullptr, nullptr, nullptr, nullptr);
}

HRESULT TFakeBrowser::get_Document(IDispatch** document) {
  if (document) *document = nullptr;
  return E_NOTIMPL;
}

HRESULT TFakeBrowser::get_LocationURL(BSTR* url) {
  if (!url) return E_POINTER;
  *url = StringToOleStr(location_);
  return S_OK;
}

HRESULT TFakeBrowser::get_HWND(LONG_PTR* window) {
  if (!window) return E_POINTER;
  *window = reinterpret_cast<LONG_PTR>(frame_);
  return S_OK;
}

HRESULT TFakeBrowser::EnumConnectionPoints(IEnumConnectionPoints** points) {
  if (points) *points = nullptr;
  return E_NOTIMPL;
}

HRESULT TFakeBrowser::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (iid != DIID_DWebBrowserEvents2) return CONNECT_E_NOCONNECTION;
  return events_->QueryInterface(IConnectionPoint::Iid, reinterpret_cast<void**>(point));
}

// ---- TBandSite ----

TBandSite::TBandSite(HWND rebar, TFakeBrowser* browser, THostLog log)
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

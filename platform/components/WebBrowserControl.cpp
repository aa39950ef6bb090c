#include "platform/components/WebBrowserControl.h"

#include "platform/com/LateBinding.h"
#include "platform/com/OleError.h"
#include "platform/components/Application.h"

// The control's receiver of the browser's events; it refers back to the control until disconnected.
class TWebBrowser::TSink : public TComObjectImpl<IDispatch> {
 public:
  explicit TSink(TWebBrowser* control) : control_(control) {}
  void Detach() { control_ = nullptr; }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (riid == DIID_DWebBrowserEvents2 && ppv) {
      *ppv = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    return TComObjectImpl<IDispatch>::QueryInterface(riid, ppv);
  }
  HRESULT GetTypeInfoCount(UINT* count) override { return NoTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) override { return NoTypeInfo(typeInfo); }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    if (!control_ || !params) return S_OK;
    return control_->BrowserEvent(id, *params);
  }

 private:
  TWebBrowser* control_;
};

TWebBrowser::TWebBrowser(TComponent* owner)
    : TWinControl(owner), browser_(browser::TBrowser::Create()), sink_(MakeComObject<TSink>(this)) {
  width_ = 100;
  height_ = 50;
  tabStop_ = true;
  ComPtr<IConnectionPointContainer> container;
  browser_->QueryInterface(IConnectionPointContainer::Iid, container.PutVoid());
  if (container && SUCCEEDED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point_.Put())))
    point_->Advise(static_cast<IDispatch*>(sink_.Get()), &cookie_);
  SyncBounds();
}

TWebBrowser::~TWebBrowser() = default;

void TWebBrowser::BeforeDestruction() {
  sink_->Detach();
  if (point_) point_->Unadvise(cookie_);
  point_ = nullptr;
  browser_->Close();
  TWinControl::BeforeDestruction();
}

IWebBrowser2* TWebBrowser::DefaultInterface() const { return browser_.Get(); }

void TWebBrowser::Navigate(const std::string& url) { Navigate(url, {}, {}, {}, {}); }

void TWebBrowser::Navigate(const std::string& url, const OleVariant& flags, const OleVariant& targetFrameName,
                           const OleVariant& postData, const OleVariant& headers) {
  OleVariant f = flags, t = targetFrameName, p = postData, h = headers;
  WideString wide = WideString::FromString(url);
  OleCheck(browser_->Navigate(wide.Get(), f.Get(), t.Get(), p.Get(), h.Get()));
}

void TWebBrowser::Navigate2(const OleVariant& url, const OleVariant& flags, const OleVariant& targetFrameName,
                            const OleVariant& postData, const OleVariant& headers) {
  OleVariant u = url, f = flags, t = targetFrameName, p = postData, h = headers;
  OleCheck(browser_->Navigate2(u.Get(), f.Get(), t.Get(), p.Get(), h.Get()));
}

ComPtr<IDispatch> TWebBrowser::Document() const {
  ComPtr<IDispatch> document;
  OleCheck(browser_->get_Document(document.Put()));
  return document;
}

std::string TWebBrowser::LocationURL() const { return browser_->Location(); }

OleVariant TWebBrowser::GetProperty(DISPID id) const {
  return InvokeDispatch(browser_.Get(), id, DISPATCH_PROPERTYGET, {});
}

void TWebBrowser::SetProperty(DISPID id, const OleVariant& value) {
  InvokeDispatch(browser_.Get(), id, DISPATCH_PROPERTYPUT, {value});
}

HRESULT TWebBrowser::BrowserEvent(DISPID id, DISPPARAMS& params) {
  // Parameter k is rgvarg[cArgs - 1 - k]; by-reference parameters are variants that point at the value.
  auto ref = [&params](UINT k) -> VARIANT& {
    VARIANT& v = params.rgvarg[params.cArgs - 1 - k];
    return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal ? *v.pvarVal : v;
  };
  auto cancel = [&params](UINT k) -> WordBool& { return *params.rgvarg[params.cArgs - 1 - k].pboolVal; };
  auto disp = [&params]() { return params.rgvarg[params.cArgs - 1].pdispVal; };
  try {
    if (id == DISPID_BEFORENAVIGATE2 && params.cArgs == 7) {
      if (OnBeforeNavigate2) OnBeforeNavigate2(this, disp(), ref(1), ref(2), ref(3), ref(4), ref(5), cancel(6));
    } else if (id == DISPID_NAVIGATECOMPLETE2 && params.cArgs == 2) {
      if (OnNavigateComplete2) OnNavigateComplete2(this, disp(), ref(1));
    } else if (id == DISPID_NAVIGATEERROR && params.cArgs == 5) {
      if (OnNavigateError) OnNavigateError(this, disp(), ref(1), ref(2), ref(3), cancel(4));
    }
  } catch (...) {
    Application->HandleException(this);
  }
  return S_OK;
}

void TWebBrowser::CreateHandleDone() { browser_->SetWindow(handle_); }

void TWebBrowser::DestroyWnd() {
  browser_->SetWindow(nullptr);
  TWinControl::DestroyWnd();
}

void TWebBrowser::SyncBounds() { browser_->SetBounds(RECT{Left(), Top(), Left() + Width(), Top() + Height()}); }

void TWebBrowser::BoundsChanged() {
  TWinControl::BoundsChanged();
  SyncBounds();
}

void TWebBrowser::WndProc(TMessage& message) {
  TWinControl::WndProc(message);
  if (message.Msg == WM_WINDOWPOSCHANGED) SyncBounds();  // the window moved: the bounds follow it
}

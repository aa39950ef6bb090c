#include "platform/browser/tests/BrowserTestSupport.h"

#include <gtest/gtest.h>

#include "platform/com/DispatchEx.h"
#include "platform/runtime/Cp1250.h"
#include "platform/runtime/Exceptions.h"

namespace browser_test {
namespace {

const char* EventName(DISPID id) {
  switch (id) {
    case DISPID_BEFORENAVIGATE2: return "BeforeNavigate2";
    case DISPID_NAVIGATECOMPLETE2: return "NavigateComplete2";
    case DISPID_DOCUMENTCOMPLETE: return "DocumentComplete";
    case DISPID_NAVIGATEERROR: return "NavigateError";
    case DISPID_DOWNLOADBEGIN: return "DownloadBegin";
    case DISPID_DOWNLOADCOMPLETE: return "DownloadComplete";
    case DISPID_COMMANDSTATECHANGE: return "CommandStateChange";
    default: return "Other";
  }
}

}  // namespace

OleVariant EventArg(DISPPARAMS& params, UINT k) {
  OleVariant value;
  VariantChangeType(value.Get(), &params.rgvarg[params.cArgs - 1 - k], 0, VT_VARIANT);
  return value;
}

void CancelEvent(DISPPARAMS& params) { *params.rgvarg[0].pboolVal = VARIANT_TRUE; }

HRESULT TRecordingSink::QueryInterface(REFIID riid, void** ppv) {
  if (riid == DIID_DWebBrowserEvents2) {
    *ppv = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  return TComObjectImpl<IDispatch>::QueryInterface(riid, ppv);
}

HRESULT TRecordingSink::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) {
  if (onEvent) onEvent(id, *params);
  TEvent event{EventName(id), nullptr, "", 0};
  bool withBrowser = id == DISPID_BEFORENAVIGATE2 || id == DISPID_NAVIGATECOMPLETE2 || id == DISPID_DOCUMENTCOMPLETE ||
                     id == DISPID_NAVIGATEERROR;
  if (withBrowser) {
    event.browser = params->rgvarg[params->cArgs - 1].pdispVal;
    event.url = EventArg(*params, 1).AsString();
  }
  if (id == DISPID_NAVIGATEERROR) event.status = EventArg(*params, 3).AsInteger();
  events.push_back(event);
  return S_OK;
}

std::vector<std::string> TRecordingSink::Names(IDispatch* of) const {
  std::vector<std::string> names;
  for (const TEvent& e : events) {
    if (of && e.browser != of) continue;
    std::string line = e.name;
    if (!e.url.empty()) line += " " + e.url;
    if (e.name == "NavigateError") line += " " + std::to_string(e.status);
    names.push_back(line);
  }
  return names;
}

void TRecordingSink::Connect(IWebBrowser2* browser) {
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(browser->QueryInterface(IConnectionPointContainer::Iid, container.PutVoid()), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(DIID_DWebBrowserEvents2, point_.Put()), S_OK);
  ASSERT_EQ(point_->Advise(static_cast<IDispatch*>(this), &cookie_), S_OK);
}

void TRecordingSink::Disconnect() {
  if (point_) point_->Unadvise(cookie_);
  point_ = nullptr;
}

const TDispatchTable& TProbe::DispatchTable() {
  static const TDispatchTable table = [] {
    TDispatchTable t("Test.Probe");
    t.Method("Log", 1, {Required(VT_BSTR)}, Bind<TProbe>([](TProbe& self, const TDispatchArgs& a) {
               self.calls.push_back(a.String(0));
               return OleVariant();
             }));
    t.Method("Add", 2, {Required(VT_I4), Required(VT_I4)}, Bind<TProbe>([](TProbe& self, const TDispatchArgs& a) {
               self.calls.push_back("Add " + std::to_string(a.Integer(0)) + " " + std::to_string(a.Integer(1)));
               return OleVariant(int32_t(a.Integer(0) + a.Integer(1)));
             }));
    t.Method("Fail", 3, {},
             Bind<TProbe>([](TProbe&, const TDispatchArgs&) -> OleVariant { throw Exception("probe refused"); }));
    t.Property("Name", 4, VT_BSTR, Bind<TProbe>([](TProbe&, const TDispatchArgs&) { return OleVariant("próba"_cp); }));
    return t;
  }();
  return table;
}

void PutOnWindow(IDispatch* document, const std::string& name, IDispatch* object) {
  ComPtr<IHTMLDocument2> html = ComPtr<IDispatch>(document).As<IHTMLDocument2>();
  ASSERT_TRUE(html);
  ComPtr<IHTMLWindow2> window;
  ASSERT_EQ(html->get_parentWindow(window.Put()), S_OK);
  ComPtr<IDispatchEx> ex = window.As<IDispatchEx>();
  ASSERT_TRUE(ex);
  WideString wide = WideString::FromString(name);
  DISPID id = 0;
  ASSERT_EQ(ex->GetDispID(wide.Get(), fdexNameEnsure, &id), S_OK);
  VARIANT arg;
  VariantInit(&arg);
  arg.vt = VT_DISPATCH;
  arg.pdispVal = object;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{&arg, &put, 1, 1};
  ASSERT_EQ(ex->InvokeEx(id, 0x400, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr), S_OK);
}

}  // namespace browser_test

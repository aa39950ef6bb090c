// Shared by the browser's tests: a sink that records the browser's events and may answer them, and an
// automation object that records the calls a page makes.
#pragma once
#include <functional>
#include <string>
#include <vector>

#include "platform/browser/Browser.h"
#include "platform/browser/Document.h"
#include "platform/com/DispatchTable.h"

namespace browser_test {

// One event as the sink saw it: the name, the browser it concerns and the address.
struct TEvent {
  std::string name;
  IDispatch* browser;
  std::string url;
  int32_t status;  // NavigateError's StatusCode
};

class TRecordingSink : public TComObjectImpl<IDispatch> {
 public:
  std::vector<TEvent> events;
  // Called for each event before it is recorded; may set Cancel through the arguments.
  std::function<void(DISPID id, DISPPARAMS& params)> onEvent;

  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override;

  // "BeforeNavigate2 URL", "NavigateError URL STATUS", "DownloadBegin" ... for the events of the browser
  // given (all when none).
  std::vector<std::string> Names(IDispatch* of = nullptr) const;
  void Connect(IWebBrowser2* browser);
  void Disconnect();

 private:
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

// Parameter k of an event (the arguments come last to first), followed through references.
OleVariant EventArg(DISPPARAMS& params, UINT k);
// Sets the Cancel argument (the last parameter) of an event.
void CancelEvent(DISPPARAMS& params);

// What a page sees as an object put on its window: Log(text), Add(a, b), Fail(), the property Name.
class TProbe : public TTableDispatch<TProbe> {
 public:
  std::vector<std::string> calls;
  static const TDispatchTable& DispatchTable();
};

// Puts the object on the document's window under the name as a host does: GetDispID with fdexNameEnsure
// and a put with the named argument DISPID_PROPERTYPUT.
void PutOnWindow(IDispatch* document, const std::string& name, IDispatch* object);

}  // namespace browser_test

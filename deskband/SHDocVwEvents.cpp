#include "deskband/SHDocVwEvents.h"

#include <cstring>
#include <new>
#include <utility>

#include "platform/com/OleError.h"
#include "platform/runtime/Format.h"

// ---- TSHDocVwEventsBaseSink ----

void TSHDocVwEventsBaseSink::BeforeDestruction() {
  Disconnect();
  inherited::BeforeDestruction();
}

HRESULT TSHDocVwEventsBaseSink::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDispatch || (riid == diid_ && diid_ != GUID_NULL)) {
    *ppv = static_cast<IDispatch*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT TSHDocVwEventsBaseSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

HRESULT TSHDocVwEventsBaseSink::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) {
  if (typeInfo) *typeInfo = nullptr;
  return E_NOTIMPL;
}

HRESULT TSHDocVwEventsBaseSink::GetTypeInfoCount(UINT* count) {
  if (count) *count = 0;
  return E_NOTIMPL;
}

namespace {

void Describe(EXCEPINFO* info, const std::string& source, const std::string& message, HRESULT code) {
  if (!info) return;
  std::memset(info, 0, sizeof *info);
  info->bstrSource = StringToOleStr(source);
  info->bstrDescription = StringToOleStr(message);
  info->scode = code;
}

}  // namespace

HRESULT TSHDocVwEventsBaseSink::Invoke(DISPID dispId, REFIID riid, LCID locale, WORD flags, DISPPARAMS* params,
                                       VARIANT* result, EXCEPINFO* excepInfo, UINT* argErr) {
  try {
    if (!(flags & DISPATCH_METHOD)) throw Exception(Format("%s only supports sinking of method calls!", {ClassName()}));
    UINT count = params ? params->cArgs : 0;
    UINT named = params ? params->cNamedArgs : 0;
    if ((count && !params->rgvarg) || named > count || (named && !params->rgdispidNamedArgs)) return E_INVALIDARG;
    std::vector<int> paramMap(count);
    // The platform passes positional arguments last to first; a named argument's DISPID is its position.
    for (UINT i = 0; i < count; ++i) paramMap[i] = int(count - i - 1);
    for (UINT j = 0; j < named; ++j) {
      DISPID position = params->rgdispidNamedArgs[j];
      if (position < 0 || UINT(position) >= count) {
        if (argErr) *argErr = j;
        return DISP_E_PARAMNOTFOUND;
      }
      paramMap[size_t(position)] = int(j);
    }
    return DoInvoke(dispId, riid, locale, flags, paramMap, params, result, excepInfo, argErr);
  } catch (const EOleSysError& e) {
    Describe(excepInfo, ClassName(), e.Message(), e.ErrorCode());
  } catch (const Exception& e) {
    Describe(excepInfo, ClassName(), e.Message(), E_UNEXPECTED);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    Describe(excepInfo, ClassName(), "", E_UNEXPECTED);
  }
  return DISP_E_EXCEPTION;
}

void TSHDocVwEventsBaseSink::Connect(IDispatch* source) {
  Disconnect();
  try {
    if (!source) OleError(E_POINTER);
    ComPtr<IConnectionPointContainer> container;
    OleCheck(source->QueryInterface(IConnectionPointContainer::Iid, container.PutVoid()));
    ComPtr<IConnectionPoint> point;
    OleCheck(container->FindConnectionPoint(diid_, point.Put()));
    DWORD cookie = 0;
    OleCheck(point->Advise(static_cast<IDispatch*>(this), &cookie));
    cookie_ = cookie;
    connectionPoint_ = point.Detach();
  } catch (const Exception& e) {
    throw Exception(Format("Unable to connect %s.\r%s", {Name(), e.Message()}));
  }
  source_ = source;
  source_->AddRef();
}

void TSHDocVwEventsBaseSink::Disconnect() {
  if (!connectionPoint_) return;
  try {
    OleCheck(connectionPoint_->Unadvise(cookie_));
    std::exchange(connectionPoint_, nullptr)->Release();
    if (source_) std::exchange(source_, nullptr)->Release();
  } catch (...) {
    // The source may be gone: neither reference is touched again.
    connectionPoint_ = nullptr;
    source_ = nullptr;
  }
  cookie_ = 0;
}

// ---- TSHDocVwDWebBrowserEvents2 ----

TSHDocVwDWebBrowserEvents2::TSHDocVwDWebBrowserEvents2(TComponent* owner) : TSHDocVwEventsBaseSink(owner) {
  diid_ = DIID_DWebBrowserEvents2;
}

namespace {

// The arguments of one event, checked against its parameters before any handler runs. Signature letters:
// i Integer, b WordBool, s WideString, d IDispatch (by value); V OleVariant, B WordBool, I Integer,
// D IDispatch (by reference).
class TEventArgs {
 public:
  TEventArgs(const std::vector<int>& map, DISPPARAMS* params, UINT* argErr)
      : map_(map), params_(params), argErr_(argErr) {}

  HRESULT Check(const char* signature) const {
    size_t n = std::strlen(signature);
    if (map_.size() < n) return DISP_E_BADPARAMCOUNT;
    for (size_t k = 0; k < n; ++k) {
      if (Fits(signature[k], At(k))) continue;
      if (argErr_) *argErr_ = UINT(map_[k]);
      return DISP_E_TYPEMISMATCH;
    }
    return S_OK;
  }

  int Int(size_t k) const { return int(At(k).lVal); }
  WordBool Bool(size_t k) const { return At(k).boolVal; }
  WideString Str(size_t k) const {
    BSTR b = At(k).bstrVal;
    return b ? WideString(std::u16string_view(b, SysStringLen(b))) : WideString();
  }
  IDispatch* Disp(size_t k) const { return At(k).pdispVal; }
  VARIANT& Var(size_t k) const { return *At(k).pvarVal; }
  WordBool& BoolRef(size_t k) const { return *At(k).pboolVal; }
  LONG& IntRef(size_t k) const { return *At(k).plVal; }
  IDispatch*& DispRef(size_t k) const { return *At(k).ppdispVal; }

 private:
  VARIANT& At(size_t k) const { return params_->rgvarg[map_[k]]; }

  static bool Fits(char kind, const VARIANT& v) {
    switch (kind) {
      case 'i': return v.vt == VT_I4 || v.vt == VT_INT || v.vt == VT_UI4;
      case 'b': return v.vt == VT_BOOL;
      case 's': return v.vt == VT_BSTR;
      case 'd': return v.vt == VT_DISPATCH;
      case 'V': return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal;
      case 'B': return v.vt == (VT_BYREF | VT_BOOL) && v.pboolVal;
      case 'I': return v.vt == (VT_BYREF | VT_I4) && v.plVal;
      case 'D': return v.vt == (VT_BYREF | VT_DISPATCH) && v.ppdispVal;
      default: return false;
    }
  }

  const std::vector<int>& map_;
  DISPPARAMS* params_;
  UINT* argErr_;
};

// Runs a handler when one is assigned; its exception becomes a failure code, raised again as a COM error
// with the handler's message.
template <class Handler, class Call>
void Fire(const Handler& handler, Call call) {
  if (!handler) return;
  try {
    call();
  } catch (const EOleSysError& e) {
    throw EOleSysError(e.Message(), FAILED(e.ErrorCode()) ? e.ErrorCode() : E_UNEXPECTED);
  } catch (const Exception& e) {
    throw EOleSysError(e.Message(), E_UNEXPECTED);
  } catch (const std::bad_alloc&) {
    throw;
  } catch (...) {
    throw EOleSysError("", E_UNEXPECTED);
  }
}

}  // namespace

HRESULT TSHDocVwDWebBrowserEvents2::DoInvoke(DISPID dispId, REFIID, LCID, WORD, const std::vector<int>& paramMap,
                                             DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT* argErr) {
  TEventArgs a(paramMap, params, argErr);
  TObject* self = this;
  // Checks the arguments, then calls the handler of the event; without a handler nothing is read.
  auto event = [&](const char* signature, const auto& handler, auto call) -> HRESULT {
    if (!handler) return S_OK;
    HRESULT hr = a.Check(signature);
    if (FAILED(hr)) return hr;
    Fire(handler, call);
    return S_OK;
  };
  switch (dispId) {
    case DISPID_STATUSTEXTCHANGE: return event("s", StatusTextChange, [&] { StatusTextChange(self, a.Str(0)); });
    case DISPID_PROGRESSCHANGE: return event("ii", ProgressChange, [&] { ProgressChange(self, a.Int(0), a.Int(1)); });
    case DISPID_COMMANDSTATECHANGE:
      return event("ib", CommandStateChange, [&] { CommandStateChange(self, a.Int(0), a.Bool(1)); });
    case DISPID_DOWNLOADBEGIN: return event("", DownloadBegin, [&] { DownloadBegin(self); });
    case DISPID_DOWNLOADCOMPLETE: return event("", DownloadComplete, [&] { DownloadComplete(self); });
    case DISPID_TITLECHANGE: return event("s", TitleChange, [&] { TitleChange(self, a.Str(0)); });
    case DISPID_PROPERTYCHANGE: return event("s", PropertyChange, [&] { PropertyChange(self, a.Str(0)); });
    case DISPID_BEFORENAVIGATE2:
      return event("dVVVVVB", BeforeNavigate2, [&] {
        BeforeNavigate2(self, a.Disp(0), a.Var(1), a.Var(2), a.Var(3), a.Var(4), a.Var(5), a.BoolRef(6));
      });
    case DISPID_NEWWINDOW2:
      return event("DB", NewWindow2, [&] {
        IDispatch*& slot = a.DispRef(0);
        IDispatch* old = slot;
        ComPtr<IDispatch> value(old);
        NewWindow2(self, value, a.BoolRef(1));
        if (value.Get() != old) {
          if (old) old->Release();
          slot = value.Detach();  // the slot takes the handler's reference
        }
      });
    case DISPID_NAVIGATECOMPLETE2:
      return event("dV", NavigateComplete2, [&] { NavigateComplete2(self, a.Disp(0), a.Var(1)); });
    case DISPID_DOCUMENTCOMPLETE:
      return event("dV", DocumentComplete, [&] { DocumentComplete(self, a.Disp(0), a.Var(1)); });
    case DISPID_ONQUIT: return event("", OnQuit, [&] { OnQuit(self); });
    case DISPID_ONVISIBLE: return event("b", OnVisible, [&] { OnVisible(self, a.Bool(0)); });
    case DISPID_ONTOOLBAR: return event("b", OnToolBar, [&] { OnToolBar(self, a.Bool(0)); });
    case DISPID_ONMENUBAR: return event("b", OnMenuBar, [&] { OnMenuBar(self, a.Bool(0)); });
    case DISPID_ONSTATUSBAR: return event("b", OnStatusBar, [&] { OnStatusBar(self, a.Bool(0)); });
    case DISPID_ONFULLSCREEN: return event("b", OnFullScreen, [&] { OnFullScreen(self, a.Bool(0)); });
    case DISPID_ONTHEATERMODE: return event("b", OnTheaterMode, [&] { OnTheaterMode(self, a.Bool(0)); });
    case DISPID_WINDOWSETRESIZABLE: return event("b", WindowSetResizable, [&] { WindowSetResizable(self, a.Bool(0)); });
    case DISPID_WINDOWSETLEFT: return event("i", WindowSetLeft, [&] { WindowSetLeft(self, a.Int(0)); });
    case DISPID_WINDOWSETTOP: return event("i", WindowSetTop, [&] { WindowSetTop(self, a.Int(0)); });
    case DISPID_WINDOWSETWIDTH: return event("i", WindowSetWidth, [&] { WindowSetWidth(self, a.Int(0)); });
    case DISPID_WINDOWSETHEIGHT: return event("i", WindowSetHeight, [&] { WindowSetHeight(self, a.Int(0)); });
    case DISPID_WINDOWCLOSING: return event("bB", WindowClosing, [&] { WindowClosing(self, a.Bool(0), a.BoolRef(1)); });
    case DISPID_CLIENTTOHOSTWINDOW:
      return event("II", ClientToHostWindow, [&] { ClientToHostWindow(self, a.IntRef(0), a.IntRef(1)); });
    case DISPID_SETSECURELOCKICON: return event("i", SetSecureLockIcon, [&] { SetSecureLockIcon(self, a.Int(0)); });
    case DISPID_FILEDOWNLOAD: return event("B", FileDownload, [&] { FileDownload(self, a.BoolRef(0)); });
    case DISPID_NAVIGATEERROR:
      return event("dVVVB", NavigateError,
                   [&] { NavigateError(self, a.Disp(0), a.Var(1), a.Var(2), a.Var(3), a.BoolRef(4)); });
    case DISPID_PRINTTEMPLATEINSTANTIATION:
      return event("d", PrintTemplateInstantiation, [&] { PrintTemplateInstantiation(self, a.Disp(0)); });
    case DISPID_PRINTTEMPLATETEARDOWN:
      return event("d", PrintTemplateTeardown, [&] { PrintTemplateTeardown(self, a.Disp(0)); });
    case DISPID_UPDATEPAGESTATUS:
      return event("dVV", UpdatePageStatus, [&] { UpdatePageStatus(self, a.Disp(0), a.Var(1), a.Var(2)); });
    case DISPID_PRIVACYIMPACTEDSTATECHANGE:
      return event("b", PrivacyImpactedStateChange, [&] { PrivacyImpactedStateChange(self, a.Bool(0)); });
    default: return DISP_E_MEMBERNOTFOUND;
  }
}

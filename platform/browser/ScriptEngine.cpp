// Duktape reports errors by longjmp: the functions it calls keep no C++ object alive across a call that
// may raise. Each such function does its work in a helper that returns a status and leaves an error text
// in a plain buffer, and raises only after the helper has returned; C++ exceptions never reach Duktape.
#include "platform/browser/ScriptEngine.h"

#include <duktape.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/browser/Unicode.h"
#include "platform/com/ComPtr.h"
#include "platform/com/OleError.h"

namespace browser {
namespace {

constexpr const char* kDispatch = DUK_HIDDEN_SYMBOL("dispatch");
constexpr const char* kMemberId = DUK_HIDDEN_SYMBOL("dispid");
constexpr const char* kWindow = DUK_HIDDEN_SYMBOL("window");
constexpr const char* kHandler = DUK_HIDDEN_SYMBOL("handler");
constexpr LCID kLocale = 0x400;
constexpr size_t kMessageSize = 512;

std::atomic<long> g_starts{0};

duk_ret_t CallMember(duk_context* ctx);

void SetMessage(char* message, const std::string& text) { std::snprintf(message, kMessageSize, "%s", text.c_str()); }

std::string FailureText(HRESULT hr, EXCEPINFO& info) {
  std::string text;
  if (hr == DISP_E_EXCEPTION) {
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    text = Utf16ToUtf8(BstrToU16(info.bstrDescription));
  }
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  info = EXCEPINFO{};
  if (text.empty()) text = EOleSysError(hr).Message();
  return text;
}

std::u16string KeyOf(duk_context* ctx, duk_idx_t index) {
  duk_size_t length = 0;
  const char* key = duk_get_lstring(ctx, index, &length);
  return Utf8ToUtf16(std::string_view(key ? key : "", length));
}

IDispatch* DispatchAt(duk_context* ctx, duk_idx_t index) {
  if (!duk_is_object(ctx, index)) return nullptr;
  duk_get_prop_string(ctx, index, kDispatch);
  auto* d = static_cast<IDispatch*>(duk_get_pointer(ctx, -1));
  duk_pop(ctx);
  return d;
}

void PushDispatch(duk_context* ctx, IDispatch* d, bool owned);

duk_ret_t ReleaseDispatch(duk_context* ctx) {
  duk_get_prop_string(ctx, 0, kDispatch);
  auto* d = static_cast<IDispatch*>(duk_get_pointer(ctx, -1));
  duk_pop(ctx);
  if (d) {
    duk_push_pointer(ctx, nullptr);
    duk_put_prop_string(ctx, 0, kDispatch);
    d->Release();
  }
  return 0;
}

// ---- values ----

void PushText(duk_context* ctx, std::u16string_view text) {
  std::string cesu = Utf16ToUtf8(text, true);
  duk_push_lstring(ctx, cesu.data(), cesu.size());
}

void PushVariant(duk_context* ctx, const VARIANT* source) {
  OleVariant value;
  if (FAILED(VariantChangeType(value.Get(), source, 0, VT_VARIANT))) {
    duk_push_undefined(ctx);
    return;
  }
  const VARIANT& v = *value.Get();
  switch (v.vt) {
    case VT_NULL: duk_push_null(ctx); break;
    case VT_BOOL: duk_push_boolean(ctx, v.boolVal != VARIANT_FALSE); break;
    case VT_I1: duk_push_int(ctx, static_cast<int8_t>(v.bVal)); break;
    case VT_UI1: duk_push_uint(ctx, v.bVal); break;
    case VT_I2: duk_push_int(ctx, v.iVal); break;
    case VT_UI2: duk_push_uint(ctx, static_cast<uint16_t>(v.iVal)); break;
    case VT_I4:
    case VT_INT: duk_push_int(ctx, v.lVal); break;
    case VT_UI4:
    case VT_UINT: duk_push_uint(ctx, v.uintVal); break;
    case VT_R4: duk_push_number(ctx, v.fltVal); break;
    case VT_R8:
    case VT_DATE: duk_push_number(ctx, v.dblVal); break;
    case VT_BSTR: PushText(ctx, BstrToU16(v.bstrVal)); break;
    case VT_DISPATCH:
      if (v.pdispVal)
        PushDispatch(ctx, v.pdispVal, true);
      else
        duk_push_null(ctx);
      break;
    case VT_UNKNOWN: {
      ComPtr<IDispatch> d;
      if (v.punkVal) v.punkVal->QueryInterface(IID_IDispatch, d.PutVoid());
      if (d)
        PushDispatch(ctx, d.Get(), true);
      else
        duk_push_null(ctx);
      break;
    }
    default: duk_push_undefined(ctx); break;
  }
}

// The script value as a VARIANT; false (with the message) for values that have none.
bool ToVariant(duk_context* ctx, duk_idx_t index, OleVariant& out, char* message) {
  switch (duk_get_type(ctx, index)) {
    case DUK_TYPE_UNDEFINED: out = OleVariant(); return true;
    case DUK_TYPE_NULL:
      out = OleVariant();
      out.Get()->vt = VT_NULL;
      return true;
    case DUK_TYPE_BOOLEAN: out = OleVariant(duk_get_boolean(ctx, index) != 0); return true;
    case DUK_TYPE_NUMBER: {
      double number = duk_get_number(ctx, index);
      if (std::nearbyint(number) == number && number >= -2147483648.0 && number <= 2147483647.0 &&
          !(number == 0 && std::signbit(number))) {
        out = OleVariant(int32_t(number));
      } else {
        out = OleVariant();
        out.Get()->vt = VT_R8;
        out.Get()->dblVal = number;
      }
      return true;
    }
    case DUK_TYPE_STRING: {
      duk_size_t length = 0;
      const char* text = duk_get_lstring(ctx, index, &length);
      out = OleVariant(WideString(Utf8ToUtf16(std::string_view(text, length))));
      return true;
    }
    case DUK_TYPE_OBJECT:
      if (IDispatch* d = DispatchAt(ctx, index)) {
        out = OleVariant(d);
        return true;
      }
      SetMessage(message, "a script object cannot be passed to an automation object");
      return false;
    default: SetMessage(message, "this value cannot be passed to an automation object"); return false;
  }
}

// ---- members ----

bool MemberId(IDispatch* d, const std::u16string& name, bool ensure, DISPID& id) {
  WideString wide(name);
  BSTR text = wide.Get() ? wide.Get() : const_cast<BSTR>(u"");
  ComPtr<IDispatchEx> ex;
  d->QueryInterface(IDispatchEx::Iid, ex.PutVoid());
  if (ex) return SUCCEEDED(ex->GetDispID(text, fdexNameCaseSensitive | (ensure ? fdexNameEnsure : 0), &id));
  // Objects without IDispatchEx take no new names: a put of an unknown one fails.
  LPOLESTR names[] = {text};
  return SUCCEEDED(d->GetIDsOfNames(GUID_NULL, names, 1, kLocale, &id));
}

// Pushes the member's value, or a function for a method; -1 with the message on a failure, 0 (nothing
// pushed) for an unknown name.
int GetMember(duk_context* ctx, IDispatch* d, const std::u16string& name, char* message) {
  DISPID id = DISPID_UNKNOWN;
  if (!MemberId(d, name, false, id)) return 0;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  OleVariant result;
  EXCEPINFO info{};
  UINT argErr = 0;
  HRESULT hr = d->Invoke(id, GUID_NULL, kLocale, DISPATCH_PROPERTYGET, &none, result.Get(), &info, &argErr);
  if (SUCCEEDED(hr)) {
    PushVariant(ctx, result.Get());
    return 1;
  }
  if (hr == DISP_E_MEMBERNOTFOUND || hr == DISP_E_BADPARAMCOUNT || hr == DISP_E_PARAMNOTFOUND) {
    FailureText(hr, info);
    // A method: a function that calls it.
    duk_push_c_function(ctx, CallMember, DUK_VARARGS);
    duk_push_pointer(ctx, d);
    duk_put_prop_string(ctx, -2, kDispatch);
    d->AddRef();
    duk_push_c_function(ctx, ReleaseDispatch, 1);
    duk_set_finalizer(ctx, -2);
    duk_push_int(ctx, id);
    duk_put_prop_string(ctx, -2, kMemberId);
    return 1;
  }
  SetMessage(message, Utf16ToUtf8(name) + ": " + FailureText(hr, info));
  return -1;
}

int PutMember(duk_context* ctx, IDispatch* d, const std::u16string& name, duk_idx_t value, char* message) {
  OleVariant arg;
  if (!ToVariant(ctx, value, arg, message)) return -1;
  DISPID id = DISPID_UNKNOWN;
  if (!MemberId(d, name, true, id)) {
    SetMessage(message, Utf16ToUtf8(name) + ": " + EOleSysError(DISP_E_UNKNOWNNAME).Message());
    return -1;
  }
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params{arg.Get(), &put, 1, 1};
  EXCEPINFO info{};
  UINT argErr = 0;
  HRESULT hr = d->Invoke(id, GUID_NULL, kLocale, DISPATCH_PROPERTYPUT, &params, nullptr, &info, &argErr);
  if (FAILED(hr)) {
    SetMessage(message, Utf16ToUtf8(name) + ": " + FailureText(hr, info));
    return -1;
  }
  return 0;
}

int CallMemberImpl(duk_context* ctx, char* message) {
  duk_push_current_function(ctx);
  IDispatch* d = DispatchAt(ctx, -1);
  duk_get_prop_string(ctx, -1, kMemberId);
  DISPID id = duk_get_int(ctx, -1);
  duk_pop_2(ctx);
  if (!d) {
    SetMessage(message, "the automation object is gone");
    return -1;
  }
  duk_idx_t count = duk_get_top(ctx);
  std::vector<OleVariant> args(static_cast<size_t>(count));
  for (duk_idx_t i = 0; i < count; ++i)
    if (!ToVariant(ctx, i, args[size_t(count - 1 - i)], message)) return -1;  // last to first
  std::vector<VARIANT> raw;
  raw.reserve(args.size());
  for (OleVariant& a : args) raw.push_back(*a.Get());
  DISPPARAMS params{raw.empty() ? nullptr : raw.data(), nullptr, UINT(raw.size()), 0};
  OleVariant result;
  EXCEPINFO info{};
  UINT argErr = 0;
  ComPtr<IDispatch> keep(d);  // the call may drop the script's last reference
  HRESULT hr = d->Invoke(id, GUID_NULL, kLocale, DISPATCH_METHOD, &params, result.Get(), &info, &argErr);
  if (FAILED(hr)) {
    SetMessage(message, FailureText(hr, info));
    return -1;
  }
  PushVariant(ctx, result.Get());
  return 1;
}

// ---- proxies of automation objects ----

template <class Impl>
duk_ret_t Guarded(duk_context* ctx, Impl impl) {
  char message[kMessageSize] = "";
  int result;
  try {
    result = impl(message);
  } catch (...) {
    std::snprintf(message, sizeof message, "%s", "failure inside the host");
    result = -1;
  }
  if (result < 0) (void)duk_error_raw(ctx, DUK_ERR_ERROR, nullptr, 0, "%s", message);  // blames the script
  return result;
}

duk_ret_t ObjectGet(duk_context* ctx) {  // target, key, receiver
  return Guarded(ctx, [ctx](char* message) {
    IDispatch* d = DispatchAt(ctx, 0);
    if (!d || !duk_is_string(ctx, 1)) return 0;
    return GetMember(ctx, d, KeyOf(ctx, 1), message);
  });
}

duk_ret_t ObjectSet(duk_context* ctx) {  // target, key, value, receiver
  return Guarded(ctx, [ctx](char* message) {
    IDispatch* d = DispatchAt(ctx, 0);
    if (!d || !duk_is_string(ctx, 1)) {
      duk_push_false(ctx);
      return 1;
    }
    if (PutMember(ctx, d, KeyOf(ctx, 1), 2, message) < 0) return -1;
    duk_push_true(ctx);
    return 1;
  });
}

duk_ret_t ObjectHas(duk_context* ctx) {  // target, key
  return Guarded(ctx, [ctx](char*) {
    IDispatch* d = DispatchAt(ctx, 0);
    DISPID id = DISPID_UNKNOWN;
    duk_push_boolean(ctx, d && duk_is_string(ctx, 1) && MemberId(d, KeyOf(ctx, 1), false, id));
    return 1;
  });
}

void PushDispatch(duk_context* ctx, IDispatch* d, bool owned) {
  duk_push_bare_object(ctx);
  duk_push_pointer(ctx, d);
  duk_put_prop_string(ctx, -2, kDispatch);
  if (owned) {
    d->AddRef();
    duk_push_c_function(ctx, ReleaseDispatch, 1);
    duk_set_finalizer(ctx, -2);
  }
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kHandler);
  duk_remove(ctx, -2);
  duk_push_proxy(ctx, 0);
}

// ---- the global object: the script's own globals, then the window ----

IDispatch* Window(duk_context* ctx) {
  duk_push_heap_stash(ctx);
  duk_get_prop_string(ctx, -1, kWindow);
  auto* window = static_cast<IDispatch*>(duk_get_pointer(ctx, -1));
  duk_pop_2(ctx);
  return window;
}

duk_ret_t GlobalGet(duk_context* ctx) {  // target, key, receiver
  duk_dup(ctx, 1);
  if (duk_has_prop(ctx, 0)) {
    duk_dup(ctx, 1);
    duk_get_prop(ctx, 0);
    return 1;
  }
  return Guarded(ctx, [ctx](char* message) {
    if (!duk_is_string(ctx, 1)) return 0;
    return GetMember(ctx, Window(ctx), KeyOf(ctx, 1), message);
  });
}

bool WindowKnows(duk_context* ctx, duk_idx_t key) {
  try {
    DISPID id = DISPID_UNKNOWN;
    return duk_is_string(ctx, key) && MemberId(Window(ctx), KeyOf(ctx, key), false, id);
  } catch (...) {
    return false;
  }
}

duk_ret_t GlobalSet(duk_context* ctx) {  // target, key, value, receiver
  duk_dup(ctx, 1);
  bool own = duk_has_prop(ctx, 0);
  if (own || !WindowKnows(ctx, 1)) {
    duk_dup(ctx, 1);
    duk_dup(ctx, 2);
    duk_put_prop(ctx, 0);
    duk_push_true(ctx);
    return 1;
  }
  return Guarded(ctx, [ctx](char* message) {
    if (PutMember(ctx, Window(ctx), KeyOf(ctx, 1), 2, message) < 0) return -1;
    duk_push_true(ctx);
    return 1;
  });
}

duk_ret_t GlobalHas(duk_context* ctx) {  // target, key
  duk_dup(ctx, 1);
  bool own = duk_has_prop(ctx, 0);
  duk_push_boolean(ctx, own || WindowKnows(ctx, 1));
  return 1;
}

void PushHandler(duk_context* ctx, duk_c_function get, duk_c_function set, duk_c_function has) {
  duk_push_bare_object(ctx);
  duk_push_c_function(ctx, get, 3);
  duk_put_prop_string(ctx, -2, "get");
  duk_push_c_function(ctx, set, 4);
  duk_put_prop_string(ctx, -2, "set");
  duk_push_c_function(ctx, has, 2);
  duk_put_prop_string(ctx, -2, "has");
}

duk_ret_t Setup(duk_context* ctx, void* window) {
  duk_push_heap_stash(ctx);
  PushHandler(ctx, ObjectGet, ObjectSet, ObjectHas);
  duk_put_prop_string(ctx, -2, kHandler);
  duk_push_pointer(ctx, window);
  duk_put_prop_string(ctx, -2, kWindow);
  duk_pop(ctx);
  duk_push_global_object(ctx);
  PushDispatch(ctx, static_cast<IDispatch*>(window), false);  // the window owns the engine: no reference
  duk_put_prop_string(ctx, -2, "window");
  PushHandler(ctx, GlobalGet, GlobalSet, GlobalHas);
  duk_push_proxy(ctx, 0);
  duk_set_global_object(ctx);
  return 0;
}

duk_ret_t CallMember(duk_context* ctx) {
  return Guarded(ctx, [ctx](char* message) { return CallMemberImpl(ctx, message); });
}

}  // namespace

TScriptEngine::TScriptEngine(IDispatchEx* window) : heap_(duk_create_heap_default()), window_(window) {
  ++g_starts;
  auto* ctx = static_cast<duk_context*>(heap_);
  if (!ctx) return;
  if (duk_safe_call(
          ctx, [](duk_context* c, void* udata) { return Setup(c, udata); }, static_cast<IDispatch*>(window_), 0, 1) !=
      DUK_EXEC_SUCCESS) {
    duk_destroy_heap(ctx);
    heap_ = nullptr;
    return;
  }
  duk_pop(ctx);
}

TScriptEngine::~TScriptEngine() {
  // Destroying the heap runs the finalizers, which release the objects the scripts held.
  if (heap_) duk_destroy_heap(static_cast<duk_context*>(heap_));
}

long TScriptEngine::Starts() { return g_starts.load(); }

std::string TScriptEngine::Run(std::u16string_view source, const std::string& label, std::string* result) {
  auto* ctx = static_cast<duk_context*>(heap_);
  if (!ctx) return label + ": the script engine could not start";
  std::string code = Utf16ToUtf8(source, true);
  duk_push_lstring(ctx, label.data(), label.size());
  std::string error;
  if (duk_pcompile_lstring_filename(ctx, 0, code.data(), code.size()) != 0 || duk_pcall(ctx, 0) != DUK_EXEC_SUCCESS) {
    int line = 0;
    if (duk_is_error(ctx, -1)) {
      duk_get_prop_string(ctx, -1, "lineNumber");
      line = duk_get_int(ctx, -1);
      duk_pop(ctx);
    }
    const char* text = duk_safe_to_string(ctx, -1);
    error = label + " line " + std::to_string(line) + ": " + (text ? text : "error");
  } else if (result) {
    const char* text = duk_safe_to_string(ctx, -1);
    *result = text ? text : "";
  }
  duk_pop(ctx);
  return error;
}

}  // namespace browser

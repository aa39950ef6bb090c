#include "platform/com/DispatchTable.h"

#include <new>

#include "platform/com/OleError.h"
#include "platform/runtime/Collation.h"

IDispatch* TDispatchArgs::Dispatch(size_t index) const {
  const VARIANT* v = values_.at(index).Get();
  return v->vt == VT_DISPATCH ? v->pdispVal : nullptr;
}

TDispatchTable& TDispatchTable::Method(std::string name, DISPID id, std::vector<TDispatchParam> params,
                                       THandler handler) {
  members_.push_back({std::move(name), id, false, std::move(params), std::move(handler), nullptr});
  return *this;
}

TDispatchTable& TDispatchTable::Property(std::string name, DISPID id, VARTYPE type, THandler getter, THandler setter) {
  members_.push_back({std::move(name), id, true, {Required(type)}, std::move(getter), std::move(setter)});
  return *this;
}

const TDispatchTable::Member* TDispatchTable::Find(DISPID id) const {
  for (const Member& m : members_)
    if (m.id == id) return &m;
  return nullptr;
}

std::string TDispatchTable::NameOf(DISPID id) const {
  const Member* m = Find(id);
  return m ? m->name : "";
}

HRESULT TDispatchTable::GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  std::string name = OleStrToString(names[0]);
  for (const Member& m : members_) {
    if (!SameText(m.name, name)) continue;
    ids[0] = m.id;
    // Named parameters are not offered: the further names stay unknown.
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }
  return DISP_E_UNKNOWNNAME;
}

namespace {

bool IsMissing(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

}  // namespace

HRESULT TDispatchTable::Arguments(const Member& member, const VARIANT* positional, UINT count,
                                  std::vector<OleVariant>& out, UINT* argErr) const {
  const std::vector<TDispatchParam>& params = member.params;
  if (count > params.size()) return DISP_E_BADPARAMCOUNT;
  out.clear();
  out.reserve(params.size());
  for (size_t i = 0; i < params.size(); ++i) {
    const TDispatchParam& param = params[i];
    // Positional arguments come last to first: parameter i is rgvarg[count - 1 - i].
    const VARIANT* given = i < count ? &positional[count - 1 - i] : nullptr;
    if (!given || IsMissing(*given)) {
      if (!param.optional) {
        if (!given) return DISP_E_BADPARAMCOUNT;
        if (argErr) *argErr = UINT(count - 1 - i);
        return DISP_E_PARAMNOTFOUND;
      }
      out.push_back(param.defaultValue);
      continue;
    }
    OleVariant value;
    HRESULT hr = VariantChangeType(value.Get(), given, 0, param.type);
    if (FAILED(hr)) {
      if (argErr) *argErr = UINT(count - 1 - i);
      return hr == DISP_E_OVERFLOW ? hr : DISP_E_TYPEMISMATCH;
    }
    out.push_back(std::move(value));
  }
  return S_OK;
}

HRESULT TDispatchTable::Run(const THandler& handler, void* object, std::vector<OleVariant> args, VARIANT* result,
                            EXCEPINFO* info) const {
  std::string description;
  HRESULT code = E_UNEXPECTED;
  try {
    OleVariant value = handler(object, TDispatchArgs(std::move(args)));
    if (result) VariantCopy(result, value.Get());
    return S_OK;
  } catch (const EOleSysError& e) {
    description = e.Message();
    code = e.ErrorCode();
  } catch (const Exception& e) {
    description = e.Message();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    description = "Unexpected failure";
  }
  if (!info) return code;
  *info = EXCEPINFO{};
  info->bstrSource = StringToOleStr(source_);
  info->bstrDescription = StringToOleStr(description);
  info->scode = code;
  return DISP_E_EXCEPTION;
}

HRESULT TDispatchTable::Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* info, UINT* argErr) const {
  if (!params) return E_INVALIDARG;
  if (params->cArgs && !params->rgvarg) return E_INVALIDARG;
  if (params->cNamedArgs > params->cArgs) return E_INVALIDARG;
  const Member* member = Find(id);
  if (!member) return DISP_E_MEMBERNOTFOUND;
  if (result) VariantInit(result);
  std::vector<OleVariant> args;
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    if (!member->property || !member->setter) return DISP_E_MEMBERNOTFOUND;
    if (params->cNamedArgs != 1 || !params->rgdispidNamedArgs || params->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT)
      return DISP_E_PARAMNOTFOUND;
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (HRESULT hr = Arguments(*member, params->rgvarg, 1, args, argErr); FAILED(hr)) return hr;
    return Run(member->setter, object, std::move(args), nullptr, info);
  }
  if (params->cNamedArgs) return DISP_E_NONAMEDARGS;
  if (member->property) {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params->cArgs) return DISP_E_BADPARAMCOUNT;
    return Run(member->handler, object, {}, result, info);
  }
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (HRESULT hr = Arguments(*member, params->rgvarg, params->cArgs, args, argErr); FAILED(hr)) return hr;
  return Run(member->handler, object, std::move(args), result, info);
}

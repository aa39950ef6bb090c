// Server-side automation for objects with a fixed table of members: names (any letter case) and DISPIDs,
// methods with positional and optional parameters, properties to read and write. Invoke converts each
// argument to its parameter's type and fills optional ones with their defaults; the errors are those of
// the platform: DISP_E_UNKNOWNNAME, DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, DISP_E_NONAMEDARGS,
// DISP_E_TYPEMISMATCH (with the argument's position), DISP_E_PARAMNOTFOUND; an exception of a member
// becomes DISP_E_EXCEPTION with its description in the exception information.
#pragma once
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/com/ComPtr.h"
#include "platform/com/Dispatch.h"
#include "platform/com/Unknown.h"

struct TDispatchParam {
  VARTYPE type;  // VT_VARIANT takes any value as it comes
  bool optional = false;
  OleVariant defaultValue;  // for an optional parameter that the caller left out
};
inline TDispatchParam Required(VARTYPE type) { return {type, false, {}}; }
inline TDispatchParam Optional(VARTYPE type, OleVariant defaultValue) { return {type, true, std::move(defaultValue)}; }

// The arguments of one call in parameter order, each of its parameter's type.
class TDispatchArgs {
 public:
  explicit TDispatchArgs(std::vector<OleVariant> values) : values_(std::move(values)) {}
  size_t Count() const { return values_.size(); }
  const OleVariant& operator[](size_t index) const { return values_.at(index); }
  std::string String(size_t index) const { return values_.at(index).AsString(); }
  int32_t Integer(size_t index) const { return values_.at(index).AsInteger(); }
  bool Boolean(size_t index) const { return values_.at(index).AsBool(); }
  IDispatch* Dispatch(size_t index) const;

 private:
  std::vector<OleVariant> values_;
};

class TDispatchTable {
 public:
  // A member's work on the object; what it returns is the call's result. It may raise.
  using THandler = std::function<OleVariant(void* object, const TDispatchArgs& args)>;

  // Source: the name given as the source of exception information (the class's ProgID).
  explicit TDispatchTable(std::string source) : source_(std::move(source)) {}

  TDispatchTable& Method(std::string name, DISPID id, std::vector<TDispatchParam> params, THandler handler);
  // A property; a read-only one has no setter. The setter receives the value converted to the type.
  TDispatchTable& Property(std::string name, DISPID id, VARTYPE type, THandler getter, THandler setter = nullptr);

  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const;
  HRESULT Invoke(void* object, DISPID id, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                 UINT* argErr) const;
  // The member's name, or "" for an unknown DISPID.
  std::string NameOf(DISPID id) const;

 private:
  struct Member {
    std::string name;
    DISPID id;
    bool property;
    std::vector<TDispatchParam> params;  // a property's setter: one parameter of its type
    THandler handler, setter;
  };
  const Member* Find(DISPID id) const;
  HRESULT Arguments(const Member& member, const VARIANT* positional, UINT count, std::vector<OleVariant>& out,
                    UINT* argErr) const;
  HRESULT Run(const THandler& handler, void* object, std::vector<OleVariant> args, VARIANT* result,
              EXCEPINFO* info) const;

  std::string source_;
  std::vector<Member> members_;
};

// Makes the dispatch table of T (a static TDispatchTable& T::Table()) typed: handlers receive T&.
template <class T>
TDispatchTable::THandler Bind(std::function<OleVariant(T&, const TDispatchArgs&)> handler) {
  return [handler = std::move(handler)](void* object, const TDispatchArgs& args) {
    return handler(*static_cast<T*>(object), args);
  };
}

// IDispatch of an object whose members are the table that T::DispatchTable() gives.
template <class T, class Interface = IDispatch, class... More>
class TTableDispatch : public TComObjectImpl<Interface, More...> {
 public:
  HRESULT GetTypeInfoCount(UINT* count) override { return NoTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) override { return NoTypeInfo(typeInfo); }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return T::DispatchTable().GetIDsOfNames(names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                 UINT* argErr) override {
    return T::DispatchTable().Invoke(static_cast<T*>(this), id, flags, params, result, info, argErr);
  }
};

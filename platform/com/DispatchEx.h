// IDispatchEx, the dispatch interface of script objects whose members come and go (a page's window), and
// TExpandoDispatch, an implementation: the fixed members of a dispatch table plus properties added by name.
#pragma once
#include <string>
#include <vector>

#include "platform/com/DispatchTable.h"
#include "platform/com/ShellBand.h"

// Flags of GetDispID and DeleteMemberByName.
constexpr DWORD fdexNameCaseSensitive = 0x1;
constexpr DWORD fdexNameEnsure = 0x2;
constexpr DWORD fdexNameImplicit = 0x4;
constexpr DWORD fdexNameCaseInsensitive = 0x8;
// Flags of GetNextDispID.
constexpr DWORD fdexEnumDefault = 0x1;
constexpr DWORD fdexEnumAll = 0x2;
constexpr DISPID DISPID_STARTENUM = -1;
constexpr WORD DISPATCH_CONSTRUCT = 0x4000;

struct IDispatchEx : IDispatch {
  COM_INTERFACE(IDispatch, "{A6EF9860-C720-11D0-9337-00A0C90DCAA9}");
  virtual HRESULT GetDispID(BSTR name, DWORD flags, DISPID* id) = 0;
  virtual HRESULT InvokeEx(DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                           IServiceProvider* caller) = 0;
  virtual HRESULT DeleteMemberByName(BSTR name, DWORD flags) = 0;
  virtual HRESULT DeleteMemberByDispID(DISPID id) = 0;
  virtual HRESULT GetMemberProperties(DISPID id, DWORD fetch, DWORD* properties) = 0;
  virtual HRESULT GetMemberName(DISPID id, BSTR* name) = 0;
  // The DISPID after id (DISPID_STARTENUM: the first); S_FALSE at the end.
  virtual HRESULT GetNextDispID(DWORD flags, DISPID id, DISPID* next) = 0;
  virtual HRESULT GetNameSpaceParent(IUnknown** parent) = 0;
};

// The members of an object that takes new properties by name. Fixed members (a table) answer first, by
// name in any letter case; added properties are found case-sensitively unless fdexNameCaseInsensitive is
// given (IDispatch::GetIDsOfNames ignores the case, as the platform's script objects do). A property holds
// any value; calling one that holds an object calls the object's default member.
class TExpandoMembers {
 public:
  static constexpr DISPID kFirstExpando = 0x10000;

  explicit TExpandoMembers(const TDispatchTable* fixed) : fixed_(fixed) {}

  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, DISPID* ids) const;
  HRESULT GetDispID(BSTR name, DWORD flags, DISPID* id);
  HRESULT InvokeEx(void* object, DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                   EXCEPINFO* info, UINT* argErr);
  HRESULT DeleteMemberByName(BSTR name, DWORD flags);
  HRESULT DeleteMemberByDispID(DISPID id);
  HRESULT GetMemberName(DISPID id, BSTR* name) const;
  HRESULT GetNextDispID(DISPID id, DISPID* next) const;

  // An added property's value; nullptr when the name is not one (case-sensitive).
  const OleVariant* Find(const std::string& name) const;
  // Puts a value, adding the property when needed.
  void Put(const std::string& name, const OleVariant& value);
  // Releases every added property's value; their DISPIDs stay unused.
  void Clear();

 private:
  struct Expando {
    std::string name;  // CP1250
    OleVariant value;
    bool deleted = false;
  };
  long Index(const std::string& name, bool caseInsensitive) const;

  const TDispatchTable* fixed_;
  std::vector<Expando> expandos_;  // DISPID kFirstExpando + index
};

// IDispatchEx of an object whose fixed members are T::DispatchTable() (see DispatchTable.h).
template <class T, class... More>
class TExpandoDispatch : public TComObjectImpl<IDispatchEx, More...> {
 public:
  TExpandoDispatch() : members_(&T::DispatchTable()) {}

  HRESULT GetTypeInfoCount(UINT* count) override { return NoTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) override { return NoTypeInfo(typeInfo); }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return members_.GetIDsOfNames(names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                 UINT* argErr) override {
    return members_.InvokeEx(static_cast<T*>(this), id, locale, flags, params, result, info, argErr);
  }
  HRESULT GetDispID(BSTR name, DWORD flags, DISPID* id) override { return members_.GetDispID(name, flags, id); }
  HRESULT InvokeEx(DISPID id, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                   IServiceProvider*) override {
    return members_.InvokeEx(static_cast<T*>(this), id, locale, flags, params, result, info, nullptr);
  }
  HRESULT DeleteMemberByName(BSTR name, DWORD flags) override { return members_.DeleteMemberByName(name, flags); }
  HRESULT DeleteMemberByDispID(DISPID id) override { return members_.DeleteMemberByDispID(id); }
  HRESULT GetMemberProperties(DISPID, DWORD, DWORD* properties) override {
    if (properties) *properties = 0;
    return E_NOTIMPL;
  }
  HRESULT GetMemberName(DISPID id, BSTR* name) override { return members_.GetMemberName(id, name); }
  HRESULT GetNextDispID(DWORD, DISPID id, DISPID* next) override { return members_.GetNextDispID(id, next); }
  HRESULT GetNameSpaceParent(IUnknown** parent) override {
    if (!parent) return E_POINTER;
    *parent = nullptr;
    return E_NOTIMPL;
  }

  TExpandoMembers& Members() { return members_; }

 private:
  TExpandoMembers members_;
};

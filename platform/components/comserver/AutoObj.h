// Automation objects of a module's type library: a TComObject that answers IDispatch, and its dual
// interface, from a dispatch table made from the interface's description (TypeLib.h). Names are found in
// any letter case; a method's exception becomes DISP_E_EXCEPTION with its text in the exception
// information. An object made directly (not by a factory) counts with the module's COM server, so the
// module is not unloaded while a client still holds one.
#pragma once
#include "platform/components/comserver/ComObj.h"
#include "platform/components/comserver/ComServ.h"
#include "platform/components/comserver/TypeLib.h"

// Interface: the dual interface (derived from IDispatch) that the class implements.
template <class Interface>
class TAutoObject : public TComObject, public Interface {
 public:
  static constexpr TClassInfo ClassInfo_{"TAutoObject", &TComObject::ClassInfo_};
  static const TClassInfo* StaticClass() { return &ClassInfo_; }
  const TClassInfo* ClassType() const override { return &ClassInfo_; }
  COM_OBJECT_IUNKNOWN

  HRESULT ObjQueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IDispatch || riid == Interface::Iid) {
      *ppv = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    return TComObject::ObjQueryInterface(riid, ppv);
  }
  HRESULT GetTypeInfoCount(UINT* count) override { return NoTypeInfoCount(count); }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo) override { return NoTypeInfo(typeInfo); }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return AutoDispatchTable().GetIDsOfNames(names, count, ids);
  }
  HRESULT Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* info,
                 UINT* argErr) override {
    return AutoDispatchTable().Invoke(this, id, flags, params, result, info, argErr);
  }

 protected:
  TAutoObject() { CountWithServer(ComServer()); }
  // The members, made from the type library's description of Interface; handlers receive this object
  // (as TAutoObject*: see Self).
  virtual const TDispatchTable& AutoDispatchTable() const = 0;
  // The object a handler receives.
  template <class T>
  static T& Self(void* object) {
    return static_cast<T&>(*static_cast<TAutoObject*>(object));
  }
};

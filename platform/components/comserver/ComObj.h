// COM objects of the component library: TComObject (a reference-counted object made by a class factory,
// counted by its module's COM server), TComObjectFactory (the class factory of one COM class, with the
// registry entries of its class) and the manager that knows every factory of the module.
//
// A class derived from TComObject also derives from the interfaces it implements, forwards IUnknown to
// TComObject (COM_OBJECT_IUNKNOWN) and answers its interfaces in ObjQueryInterface.
#pragma once
#include <atomic>
#include <string>
#include <vector>

#include "platform/com/Dispatch.h"
#include "platform/com/Unknown.h"
#include "platform/runtime/Exceptions.h"
#include "platform/runtime/Object.h"

class TComObjectFactory;
class TComServerObject;

enum TClassInstancing { ciInternal, ciSingleInstance, ciMultiInstance };
enum TThreadingModel { tmSingle, tmApartment, tmFree, tmBoth, tmNeutral };

class TComObject : public TObject, public ISupportErrorInfo {
  VCL_CLASS(TComObject, TObject)
  TComObject() = default;
  ~TComObject() override;

  // IUnknown. The count starts at 0; the last Release frees the object.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT InterfaceSupportsErrorInfo(REFIID riid) override;

  // Answers IUnknown and ISupportErrorInfo; derived classes answer their interfaces and call this last.
  virtual HRESULT ObjQueryInterface(REFIID riid, void** ppv);
  // Runs once the factory has made the object.
  virtual void Initialize() {}
  // The result code of a method that failed with the exception being handled: an OLE error's code,
  // E_OUTOFMEMORY, else E_UNEXPECTED.
  virtual HRESULT SafeCallException();

  TComObjectFactory* Factory() const { return factory_; }
  ULONG RefCount() const { return refCount_; }
  // The object's IUnknown, the one identity it answers for it.
  IUnknown* Identity() { return static_cast<IUnknown*>(static_cast<ISupportErrorInfo*>(this)); }

  // Made by a factory: counted with the factory's COM server until freed.
  void InitializeFromFactory(TComObjectFactory* factory);
  // Made directly: counted with the server until freed, so that its module stays loaded meanwhile.
  void CountWithServer(TComServerObject* server);

 protected:
  // Runs body (returning an HRESULT); an exception becomes SafeCallException's code and never leaves.
  template <class F>
  HRESULT SafeCall(F&& body) noexcept {
    try {
      return body();
    } catch (...) {
      return SafeCallException();
    }
  }

 private:
  TComObjectFactory* factory_ = nullptr;
  TComServerObject* countedBy_ = nullptr;
  std::atomic<ULONG> refCount_{0};
};

// Forwards the IUnknown methods of every interface base of a TComObject class to TComObject.
#define COM_OBJECT_IUNKNOWN                                                                                  \
  HRESULT QueryInterface(REFIID riid, void** ppv) override { return TComObject::QueryInterface(riid, ppv); } \
  ULONG AddRef() override { return TComObject::AddRef(); }                                                   \
  ULONG Release() override { return TComObject::Release(); }

// A class reference of a TComObject class: its identity and its creation.
struct TComClass {
  const TClassInfo* Info = nullptr;
  TComObject* (*Create)() = nullptr;
  template <class T>
  static TComClass Of() {
    return TComClass{T::StaticClass(), [] { return static_cast<TComObject*>(NewObject<T>()); }};
  }
};

// The class factory of one COM class; made once per class and owned by the module's factory list (it is
// freed when the module is unloaded). Its references count as the server's factory count.
class TComObjectFactory : public TObject, public IClassFactory {
  VCL_CLASS(TComObjectFactory, TObject)
  TComObjectFactory(TComServerObject* server, TComClass comClass, REFCLSID classId, std::string className,
                    std::string description, TClassInstancing instancing, TThreadingModel threadingModel = tmSingle);
  static TComObjectFactory* Create(TComServerObject* server, TComClass comClass, REFCLSID classId,
                                   std::string className, std::string description, TClassInstancing instancing,
                                   TThreadingModel threadingModel = tmSingle) {
    return NewObject<TComObjectFactory>(server, comClass, classId, std::move(className), std::move(description),
                                        instancing, threadingModel);
  }
  void AfterConstruction() override;
  void BeforeDestruction() override;

  // IUnknown and IClassFactory. Aggregation is refused; LockServer counts as an object of the server.
  HRESULT QueryInterface(REFIID riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
  HRESULT LockServer(BOOL lock) override;

  // Makes one object of the class, initialised; raises on failure.
  virtual TComObject* CreateComObject();
  // Writes (Register) or removes the class's registry entries under HKEY_CLASSES_ROOT:
  // "CLSID\{clsid}" = Description, "CLSID\{clsid}\InprocServer32" = the server's file name and, unless the
  // threading model is tmSingle, its "ThreadingModel"; with a class name also the ProgID key
  // (ServerName.ClassName = Description, its "Clsid") and "CLSID\{clsid}\ProgID". A value that cannot be
  // written raises EOleRegistrationError; removals ignore what is missing.
  virtual void UpdateRegistry(bool doRegister);

  TComServerObject* ComServer() const { return server_; }
  const CLSID& ClassID() const { return classId_; }
  const std::string& ComClassName() const { return className_; }
  const std::string& Description() const { return description_; }
  TClassInstancing Instancing() const { return instancing_; }
  TThreadingModel ThreadingModel() const { return threadingModel_; }
  const TComClass& ComClass() const { return comClass_; }
  // ServerName.ClassName, empty without a class name.
  std::string ProgID() const;

 private:
  TComServerObject* server_;
  TComClass comClass_;
  CLSID classId_;
  std::string className_, description_;
  TClassInstancing instancing_;
  TThreadingModel threadingModel_;
};

VCL_EXCEPTION(EOleRegistrationError, Exception);

// The factories of this module, in the order they were made.
class TComClassManager {
 public:
  void Add(TComObjectFactory* factory);
  void Remove(TComObjectFactory* factory);
  TComObjectFactory* GetFactoryFromClassID(REFCLSID clsid) const;
  TComObjectFactory* GetFactoryFromClass(const TClassInfo* cls) const;
  std::vector<TComObjectFactory*> Factories() const { return factories_; }

 private:
  std::vector<TComObjectFactory*> factories_;
};
// The module's manager, made on first use; it frees the factories when the module is unloaded.
TComClassManager* ComClassManager();

// The server that a factory counts its objects with (TComServer, ComServ.h).
class TComServerObject : public TObject {
  VCL_CLASS(TComServerObject, TObject)
  // Adds or removes one object (or server lock); returns the new count.
  virtual int CountObject(bool created) = 0;
  // Adds or removes one reference to a factory; returns the new count.
  virtual int CountFactory(bool created) = 0;
  // The module's file name as the registry shows it (short form when it has a blank).
  virtual std::string ServerFileName() = 0;
  // The subkey of the class key that names the server ("InprocServer32").
  virtual std::string ServerKey() = 0;
  // The first part of ProgIDs.
  virtual std::string ServerName() = 0;
};

// Registry helpers of the factories (HKEY_CLASSES_ROOT): a key with its default or a named value, and a
// key with everything below it (a missing key is ignored).
void CreateRegKey(const std::string& key, const std::string& valueName, const std::string& value);
void DeleteRegKey(const std::string& key);

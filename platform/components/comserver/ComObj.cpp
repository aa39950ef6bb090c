#include "platform/components/comserver/ComObj.h"

#include <algorithm>
#include <new>

#include "platform/com/OleError.h"
#include "platform/components/ModuleTeardown.h"
#include "platform/components/RegistryObject.h"
#include "platform/runtime/Exceptions.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

// ---- TComObject ----

TComObject::~TComObject() {
  if (countedBy_) countedBy_->CountObject(false);
}

void TComObject::InitializeFromFactory(TComObjectFactory* factory) {
  factory_ = factory;
  if (factory) CountWithServer(factory->ComServer());
  Initialize();
}

void TComObject::CountWithServer(TComServerObject* server) {
  if (!server || countedBy_) return;
  server->CountObject(true);
  countedBy_ = server;
}

HRESULT TComObject::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  HRESULT hr = ObjQueryInterface(riid, ppv);
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}

ULONG TComObject::AddRef() { return refCount_.fetch_add(1, std::memory_order_relaxed) + 1; }

ULONG TComObject::Release() {
  ULONG left = refCount_.fetch_sub(1, std::memory_order_acq_rel) - 1;
  if (left == 0) {
    // References taken and dropped while the object is destroyed do not free it again.
    refCount_.store(1);
    Free();
  }
  return left;
}

HRESULT TComObject::InterfaceSupportsErrorInfo(REFIID) { return S_OK; }

HRESULT TComObject::ObjQueryInterface(REFIID riid, void** ppv) {
  if (riid == IID_IUnknown)
    *ppv = Identity();
  else if (riid == ISupportErrorInfo::Iid)
    *ppv = static_cast<ISupportErrorInfo*>(this);
  else
    return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

HRESULT TComObject::SafeCallException() {
  try {
    throw;
  } catch (const EOleSysError& e) {
    return FAILED(e.ErrorCode()) ? e.ErrorCode() : E_UNEXPECTED;
  } catch (const EOutOfMemory&) {
    return E_OUTOFMEMORY;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// ---- TComObjectFactory ----

TComObjectFactory::TComObjectFactory(TComServerObject* server, TComClass comClass, REFCLSID classId,
                                     std::string className, std::string description, TClassInstancing instancing,
                                     TThreadingModel threadingModel)
    : server_(server),
      comClass_(comClass),
      classId_(classId),
      className_(std::move(className)),
      description_(std::move(description)),
      instancing_(instancing),
      threadingModel_(threadingModel) {}

void TComObjectFactory::AfterConstruction() {
  inherited::AfterConstruction();
  ComClassManager()->Add(this);
}

void TComObjectFactory::BeforeDestruction() {
  ComClassManager()->Remove(this);
  inherited::BeforeDestruction();
}

HRESULT TComObjectFactory::QueryInterface(REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (riid != IID_IUnknown && riid != IID_IClassFactory) return E_NOINTERFACE;
  *ppv = static_cast<IClassFactory*>(this);
  AddRef();
  return S_OK;
}

ULONG TComObjectFactory::AddRef() { return server_ ? ULONG(server_->CountFactory(true)) : 1; }

ULONG TComObjectFactory::Release() { return server_ ? ULONG(server_->CountFactory(false)) : 1; }

HRESULT TComObjectFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  TComObject* object;
  try {
    object = CreateComObject();
  } catch (const EOleSysError& e) {
    return FAILED(e.ErrorCode()) ? e.ErrorCode() : E_UNEXPECTED;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
  HRESULT hr = object->QueryInterface(riid, ppv);
  if (object->RefCount() == 0) object->Free();
  return hr;
}

HRESULT TComObjectFactory::LockServer(BOOL lock) {
  if (server_) server_->CountObject(lock != FALSE);
  return S_OK;
}

TComObject* TComObjectFactory::CreateComObject() {
  TComObject* object = comClass_.Create();
  try {
    object->InitializeFromFactory(this);
  } catch (...) {
    object->Free();
    throw;
  }
  return object;
}

std::string TComObjectFactory::ProgID() const {
  if (className_.empty()) return "";
  return (server_ ? server_->ServerName() : std::string()) + "." + className_;
}

void TComObjectFactory::UpdateRegistry(bool doRegister) {
  if (instancing_ == ciInternal) return;
  std::string clsid = GUIDToString(classId_);
  std::string progId = ProgID();
  std::string serverKey = server_ ? server_->ServerKey() : "InprocServer32";
  if (doRegister) {
    CreateRegKey("CLSID\\" + clsid, "", description_);
    CreateRegKey("CLSID\\" + clsid + "\\" + serverKey, "", server_ ? server_->ServerFileName() : "");
    static const char* const kModels[] = {"", "Apartment", "Free", "Both", "Neutral"};
    if (threadingModel_ != tmSingle)
      CreateRegKey("CLSID\\" + clsid + "\\" + serverKey, "ThreadingModel", kModels[threadingModel_]);
    if (!progId.empty()) {
      CreateRegKey(progId, "", description_);
      CreateRegKey(progId + "\\Clsid", "", clsid);
      CreateRegKey("CLSID\\" + clsid + "\\ProgID", "", progId);
    }
  } else {
    if (!progId.empty()) {
      DeleteRegKey("CLSID\\" + clsid + "\\ProgID");
      DeleteRegKey(progId + "\\Clsid");
      DeleteRegKey(progId);
    }
    DeleteRegKey("CLSID\\" + clsid + "\\" + serverKey);
    DeleteRegKey("CLSID\\" + clsid);
  }
}

// ---- TComClassManager ----

void TComClassManager::Add(TComObjectFactory* factory) { factories_.push_back(factory); }

void TComClassManager::Remove(TComObjectFactory* factory) { std::erase(factories_, factory); }

TComObjectFactory* TComClassManager::GetFactoryFromClassID(REFCLSID clsid) const {
  for (TComObjectFactory* f : factories_)
    if (f->ClassID() == clsid) return f;
  return nullptr;
}

TComObjectFactory* TComClassManager::GetFactoryFromClass(const TClassInfo* cls) const {
  for (TComObjectFactory* f : factories_)
    if (f->ComClass().Info == cls) return f;
  return nullptr;
}

TComClassManager* ComClassManager() {
  static TComClassManager* manager = [] {
    auto* m = new TComClassManager;
    AtModuleUnload(TUnloadStage::Objects, [m] {
      for (TComObjectFactory* f : m->Factories()) f->Free();
      delete m;
    });
    return m;
  }();
  return manager;
}

// ---- registry helpers ----

void CreateRegKey(const std::string& key, const std::string& valueName, const std::string& value) {
  HKEY h = nullptr;
  LONG status = RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr);
  if (status == ERROR_SUCCESS) {
    status = RegSetValueExA(h, valueName.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            DWORD(value.size() + 1));
    RegCloseKey(h);
  }
  if (status != ERROR_SUCCESS) throw EOleRegistrationError("Error creating system registry entry");
}

void DeleteRegKey(const std::string& key) {
  TRegistry* registry = TRegistry::Create();
  try {
    registry->SetRootKey(HKEY_CLASSES_ROOT);
    registry->DeleteKey(key);
  } catch (...) {
  }
  registry->Free();
}

#include "platform/com/ClassTable.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <new>
#include <optional>
#include <vector>

#include "platform/com/Bstr.h"
#include "platform/com/OleError.h"
#include "platform/runtime/Cp1250.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace {

struct ThreadState {
  int initCount = 0;
  DWORD model = COINIT_APARTMENTTHREADED;
};
thread_local ThreadState t_com;

struct Registration {
  DWORD cookie;
  CLSID clsid;
  ComPtr<IUnknown> classObject;
};

class ClassTable {
 public:
  DWORD Add(REFCLSID clsid, IUnknown* classObject) {
    std::lock_guard<std::mutex> guard(lock_);
    DWORD cookie = ++lastCookie_;
    entries_.push_back({cookie, clsid, ComPtr<IUnknown>(classObject)});
    return cookie;
  }
  bool Revoke(DWORD cookie) {
    ComPtr<IUnknown> doomed;  // released after the lock is left
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
      if (it->cookie != cookie) continue;
      doomed = std::move(it->classObject);
      entries_.erase(it);
      return true;
    }
    return false;
  }
  int RemoveAll(REFCLSID clsid) {
    std::vector<Registration> doomed;
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = entries_.begin(); it != entries_.end();) {
      if (it->clsid == clsid) {
        doomed.push_back(std::move(*it));
        it = entries_.erase(it);
      } else {
        ++it;
      }
    }
    return int(doomed.size());
  }
  ComPtr<IUnknown> Find(REFCLSID clsid) {
    std::lock_guard<std::mutex> guard(lock_);
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
      if (it->clsid == clsid) return it->classObject;
    return nullptr;
  }

 private:
  std::mutex lock_;
  DWORD lastCookie_ = 0;
  std::vector<Registration> entries_;
};

// Never destroyed: class objects may be asked for while other modules' statics are torn down.
ClassTable& Table() {
  static ClassTable* table = new ClassTable;
  return *table;
}

using TDllGetClassObject = HRESULT (*)(REFCLSID clsid, REFIID riid, void** ppv);
using TDllCanUnloadNow = HRESULT (*)();

// Libraries loaded for their classes, by upper-cased path; each holds one load of its library.
struct InprocServers {
  std::mutex lock;
  std::map<std::string, HMODULE> loaded;
};

InprocServers& Servers() {
  static InprocServers* servers = new InprocServers;
  return *servers;
}

// The default text value of a key under HKEY_CLASSES_ROOT; empty when there is none.
std::string ClassesRootDefault(const std::string& key) {
  HKEY h = nullptr;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return "";
  std::string path;
  DWORD type = 0, size = 0;
  if (RegQueryValueExA(h, "", nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
      (type == REG_SZ || type == REG_EXPAND_SZ) && size > 0) {
    path.resize(size);
    if (RegQueryValueExA(h, "", nullptr, &type, reinterpret_cast<BYTE*>(path.data()), &size) != ERROR_SUCCESS)
      path.clear();
    path.resize(std::min<size_t>(path.size(), size));
    while (!path.empty() && path.back() == '\0') path.pop_back();
  }
  RegCloseKey(h);
  return path;
}

// The default value of the class's InprocServer32 key; empty when there is none.
std::string InprocServerPath(REFCLSID clsid) {
  return ClassesRootDefault("CLSID\\" + GUIDToString(clsid) + "\\InprocServer32");
}

HRESULT GetInprocClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  std::string path = InprocServerPath(clsid);
  if (path.empty()) return REGDB_E_CLASSNOTREG;
  // Loading runs the library's initialisation, which may itself create objects: not under the lock.
  std::string key = cp1250::Upper(path);
  HMODULE module = nullptr;
  {
    std::lock_guard<std::mutex> guard(Servers().lock);
    auto it = Servers().loaded.find(key);
    if (it != Servers().loaded.end()) module = it->second;
  }
  if (!module) {
    HMODULE h = LoadLibraryA(path.c_str());
    if (!h) return CO_E_DLLNOTFOUND;
    std::lock_guard<std::mutex> guard(Servers().lock);
    auto [it, added] = Servers().loaded.emplace(key, h);
    module = it->second;
    if (!added) FreeLibrary(h);  // another thread loaded it meanwhile; one load is kept
  }
  auto get = reinterpret_cast<TDllGetClassObject>(GetProcAddress(module, "DllGetClassObject"));
  if (!get) return CO_E_ERRORINDLL;
  return get(clsid, riid, ppv);
}

class TCreatorFactory : public TComObjectImpl<IClassFactory> {
 public:
  explicit TCreatorFactory(TComCreator creator) : creator_(std::move(creator)) {}
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    // An error never crosses a COM call.
    try {
      return creator_(outer, riid, ppv);
    } catch (const EOleSysError& e) {
      return e.ErrorCode();
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
  }
  HRESULT LockServer(BOOL) override { return S_OK; }

 private:
  TComCreator creator_;
};

}  // namespace

HRESULT CoInitializeEx(void*, DWORD coInit) {
  DWORD model = coInit & COINIT_APARTMENTTHREADED;
  if (t_com.initCount > 0) {
    if (t_com.model != model) return RPC_E_CHANGED_MODE;
    ++t_com.initCount;
    return S_FALSE;
  }
  t_com.model = model;
  t_com.initCount = 1;
  return S_OK;
}

HRESULT CoInitialize(void* reserved) { return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED); }

void CoUninitialize() {
  if (t_com.initCount > 0) --t_com.initCount;
}

bool CoIsInitialized() { return t_com.initCount > 0; }

HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD, DWORD, DWORD* cookie) {
  if (!classObject || !cookie) return E_INVALIDARG;
  *cookie = Table().Add(clsid, classObject);
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) { return Table().Revoke(cookie) ? S_OK : E_INVALIDARG; }

HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void*, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!CoIsInitialized()) return CO_E_NOTINITIALIZED;
  if ((clsContext & CLSCTX_ALL) == 0) return E_INVALIDARG;
  ComPtr<IUnknown> classObject = Table().Find(clsid);
  if (classObject) return classObject->QueryInterface(riid, ppv);
  if (!(clsContext & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  return GetInprocClassObject(clsid, riid, ppv);
}

void CoFreeUnusedLibraries() {
  std::vector<std::pair<std::string, HMODULE>> candidates;
  {
    std::lock_guard<std::mutex> guard(Servers().lock);
    candidates.assign(Servers().loaded.begin(), Servers().loaded.end());
  }
  // Each library is asked outside the lock: its answer may create or release objects.
  for (auto& [key, module] : candidates) {
    auto canUnload = reinterpret_cast<TDllCanUnloadNow>(GetProcAddress(module, "DllCanUnloadNow"));
    if (!canUnload || canUnload() != S_OK) continue;
    {
      std::lock_guard<std::mutex> guard(Servers().lock);
      auto it = Servers().loaded.find(key);
      if (it == Servers().loaded.end() || it->second != module) continue;
      Servers().loaded.erase(it);
    }
    FreeLibrary(module);
  }
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  ComPtr<IClassFactory> factory;
  HRESULT hr = CoGetClassObject(clsid, clsContext, nullptr, IID_IClassFactory, factory.PutVoid());
  if (FAILED(hr)) return hr;
  return factory->CreateInstance(outer, riid, ppv);
}

ComPtr<IClassFactory> MakeClassFactory(TComCreator creator) {
  return ComPtr<IClassFactory>(new TCreatorFactory(std::move(creator)));
}

DWORD RegisterComClass(REFCLSID clsid, TComCreator creator) {
  ComPtr<IClassFactory> factory = MakeClassFactory(std::move(creator));
  DWORD cookie = 0;
  CoRegisterClassObject(clsid, factory.Get(), CLSCTX_ALL, REGCLS_MULTIPLEUSE, &cookie);
  return cookie;
}

HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid) {
  if (!progId || !clsid) return E_INVALIDARG;
  *clsid = GUID_NULL;
  std::string name = OleStrToString(progId);
  // A ProgID is one key name: no path separators.
  if (name.empty() || name.find('\\') != std::string::npos) return CO_E_CLASSSTRING;
  std::optional<GUID> found = TryStringToGUID(ClassesRootDefault(name + "\\CLSID"));
  if (!found) return CO_E_CLASSSTRING;
  *clsid = *found;
  return S_OK;
}

int UnregisterComClass(REFCLSID clsid) { return Table().RemoveAll(clsid); }

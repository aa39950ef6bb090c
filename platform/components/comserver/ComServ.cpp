#include "platform/components/comserver/ComServ.h"

#include "platform/components/ModuleTeardown.h"
#include "platform/runtime/SysUtils.h"
#include "platform/winapi/Files.h"
#include "platform/winapi/Module.h"

int TComServer::CountObject(bool created) { return created ? ++objectCount_ : --objectCount_; }

int TComServer::CountFactory(bool created) { return created ? ++factoryCount_ : --factoryCount_; }

std::string TComServer::ServerFileName() {
  char path[MAX_PATH];
  DWORD n = GetModuleFileNameA(HInstance(), path, sizeof path);
  std::string name(path, n);
  if (name.find(' ') == std::string::npos) return name;
  char shortPath[MAX_PATH];
  DWORD m = GetShortPathNameA(name.c_str(), shortPath, sizeof shortPath);
  return m && m < sizeof shortPath ? std::string(shortPath, m) : name;
}

std::string TComServer::ServerName() { return ChangeFileExt(ExtractFileName(ServerFileName()), ""); }

void TComServer::UpdateRegistry(bool doRegister) {
  if (doRegister && OnUpdateTypeLibrary) OnUpdateTypeLibrary(true);
  for (TComObjectFactory* factory : ComClassManager()->Factories()) factory->UpdateRegistry(doRegister);
  if (!doRegister && OnUpdateTypeLibrary) OnUpdateTypeLibrary(false);
}

TComServer* ComServer() {
  static TComServer* server = [] {
    auto* s = NewObject<TComServer>();
    AtModuleUnload(TUnloadStage::Objects, [s] { s->Free(); });
    return s;
  }();
  return server;
}

HRESULT ComServerGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  TComObjectFactory* factory = ComClassManager()->GetFactoryFromClassID(clsid);
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(riid, ppv);
}

HRESULT ComServerCanUnloadNow() {
  TComServer* server = ComServer();
  return server->ObjectCount() == 0 && server->FactoryCount() == 0 ? S_OK : S_FALSE;
}

namespace {

HRESULT UpdateRegistry(bool doRegister) {
  try {
    ComServer()->UpdateRegistry(doRegister);
    return S_OK;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace

HRESULT ComServerRegister() { return UpdateRegistry(true); }

HRESULT ComServerUnregister() { return UpdateRegistry(false); }

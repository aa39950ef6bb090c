// The COM server of a library built on the component library: it counts the module's objects and
// factory references, answers the four entry points of an in-process server, and registers every
// factory of the module (and, through a hook, its type library).
//
// The library names its entry points once, in its main source file: COM_SERVER_EXPORTS.
#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "platform/components/comserver/ComObj.h"

class TComServer : public TComServerObject {
  VCL_CLASS(TComServer, TComServerObject)
  int CountObject(bool created) override;
  int CountFactory(bool created) override;
  std::string ServerFileName() override;
  std::string ServerKey() override { return "InprocServer32"; }
  // The module's file name without folder and extension.
  std::string ServerName() override;

  int ObjectCount() const { return objectCount_; }
  int FactoryCount() const { return factoryCount_; }
  // Registers (or removes) the type library first (last when removing), then every factory's class.
  void UpdateRegistry(bool doRegister);
  // Registers or removes the module's type library; unassigned when it has none.
  std::function<void(bool doRegister)> OnUpdateTypeLibrary;

 private:
  std::atomic<int> objectCount_{0};
  std::atomic<int> factoryCount_{0};
};

// The module's server, made on first use and freed when the module is unloaded.
TComServer* ComServer();

// The entry points: the class object of a class of the module (CLASS_E_CLASSNOTAVAILABLE for another),
// S_OK when no object, lock or factory reference is left, and registration (S_OK, or E_FAIL when an
// error was raised).
HRESULT ComServerGetClassObject(REFCLSID clsid, REFIID riid, void** ppv);
HRESULT ComServerCanUnloadNow();
HRESULT ComServerRegister();
HRESULT ComServerUnregister();

#define COM_SERVER_EXPORTS                                                                                       \
  extern "C" [[gnu::visibility("default")]] HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) { \
    return ComServerGetClassObject(clsid, riid, ppv);                                                            \
  }                                                                                                              \
  extern "C" [[gnu::visibility("default")]] HRESULT DllCanUnloadNow() { return ComServerCanUnloadNow(); }        \
  extern "C" [[gnu::visibility("default")]] HRESULT DllRegisterServer() { return ComServerRegister(); }          \
  extern "C" [[gnu::visibility("default")]] HRESULT DllUnregisterServer() { return ComServerUnregister(); }

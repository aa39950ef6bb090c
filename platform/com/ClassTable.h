// The COM runtime's apartments and class table: CoInitialize per thread, class objects registered in the
// process, and CoCreateInstance over them.
#pragma once
#include <functional>

#include "platform/com/ComPtr.h"
#include "platform/com/Unknown.h"

// Enters COM on the calling thread: S_OK the first time, S_FALSE when already entered (each success needs
// one CoUninitialize); RPC_E_CHANGED_MODE when the thread entered with the other threading model.
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
void CoUninitialize();
// Whether the calling thread has entered COM.
bool CoIsInitialized();

// Registers a class object for a class id in this process; the cookie revokes it. The last registration
// of a class id answers.
HRESULT CoRegisterClassObject(REFCLSID clsid, IUnknown* classObject, DWORD clsContext, DWORD flags, DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);

// The class object of a class id: one registered in the process, else, for an in-process context, the one
// that the library named by HKEY_CLASSES_ROOT\CLSID\{clsid}\InprocServer32 gives through its
// DllGetClassObject (the library is loaded on first use). REGDB_E_CLASSNOTREG when neither knows the class,
// CO_E_DLLNOTFOUND when the library cannot be loaded, CO_E_ERRORINDLL when it has no DllGetClassObject;
// CO_E_NOTINITIALIZED when the thread has not entered COM.
HRESULT CoGetClassObject(REFCLSID clsid, DWORD clsContext, void* serverInfo, REFIID riid, void** ppv);
// Creates an object of a class through its class object.
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD clsContext, REFIID riid, void** ppv);

// The class id that HKEY_CLASSES_ROOT\<ProgID>\CLSID names (its default value, "{...}"). CO_E_CLASSSTRING when
// the ProgID is empty, unknown, or names no valid class id; E_INVALIDARG without an out pointer.
HRESULT CLSIDFromProgID(LPCOLESTR progId, CLSID* clsid);

// Unloads the libraries loaded for their classes whose DllCanUnloadNow answers S_OK.
void CoFreeUnusedLibraries();

// Creates one object and answers riid on it; the creator of a class registered with RegisterComClass.
using TComCreator = std::function<HRESULT(IUnknown* outer, REFIID riid, void** ppv)>;

// The creator of a class implemented by T (a TComObjectImpl made without arguments); no aggregation.
template <class T>
TComCreator ComCreatorOf() {
  return [](IUnknown* outer, REFIID riid, void** ppv) -> HRESULT {
    if (outer) return CLASS_E_NOAGGREGATION;
    return MakeComObject<T>()->QueryInterface(riid, ppv);
  };
}

// A class factory over a creator function; an exception of the creator becomes a failure code.
ComPtr<IClassFactory> MakeClassFactory(TComCreator creator);

// Registers a class in this process for every context: the platform's built-in classes at start-up, and
// tests. Returns the cookie of CoRegisterClassObject.
DWORD RegisterComClass(REFCLSID clsid, TComCreator creator);
// Test hook: removes every registration of a class id, built-in ones included, so that the class is not
// installed. Returns how many were removed.
int UnregisterComClass(REFCLSID clsid);

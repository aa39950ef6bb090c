// An in-process server of one class for the class table's tests: the square of TestObjects.h, counted by
// the library so that DllCanUnloadNow answers S_OK only when every object is gone.
#include <atomic>

#include "platform/com/ComPtr.h"
#include "platform/com/tests/TestObjects.h"

namespace {

constexpr CLSID kServedSquare = "{6F1B2A30-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
std::atomic<int> g_objects{0};

class TServedSquare : public TSquare {
 public:
  TServedSquare() { ++g_objects; }
  ~TServedSquare() override { --g_objects; }
};

class TFactory : public TComObjectImpl<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return MakeComObject<TServedSquare>()->QueryInterface(riid, ppv);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" [[gnu::visibility("default")]] HRESULT DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (clsid != kServedSquare) return CLASS_E_CLASSNOTAVAILABLE;
  return MakeComObject<TFactory>()->QueryInterface(riid, ppv);
}

extern "C" [[gnu::visibility("default")]] HRESULT DllCanUnloadNow() { return g_objects.load() == 0 ? S_OK : S_FALSE; }

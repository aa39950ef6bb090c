// COM objects, factories and the module's COM server: counting, creation through the entry points, and
// the registry entries of registration.
#include <gtest/gtest.h>

#include "platform/com/ComPtr.h"
#include "platform/com/OleError.h"
#include "platform/components/comserver/ComServ.h"
#include "platform/components/tests/ClassesRoot.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Module.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::ClassesRootValue;

struct IPing : IUnknown {
  COM_INTERFACE(IUnknown, "{7A1B2A10-3C4D-4E5F-8A9B-0C1D2E3F4A5B}");
  virtual HRESULT Ping(int how) = 0;
};

int g_initialized = 0;

class TPinger : public TComObject, public IPing {
  VCL_CLASS(TPinger, TComObject)
  COM_OBJECT_IUNKNOWN
  HRESULT ObjQueryInterface(REFIID riid, void** ppv) override {
    if (riid == IPing::Iid) {
      *ppv = static_cast<IPing*>(this);
      AddRef();
      return S_OK;
    }
    return TComObject::ObjQueryInterface(riid, ppv);
  }
  void Initialize() override { ++g_initialized; }
  HRESULT Ping(int how) override {
    return SafeCall([&]() -> HRESULT {
      if (how == 1) throw EOleSysError(E_ACCESSDENIED);
      if (how == 2) throw Exception("plain");
      return S_OK;
    });
  }
};

constexpr CLSID kPinger = "{7A1B2A20-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
constexpr CLSID kOther = "{7A1B2A21-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;

TEST(ComServer, ObjectsAndFactoryReferencesKeepTheServerLoaded) {
  testing_support::TestMachine machine;
  TComObjectFactory::Create(ComServer(), TComClass::Of<TPinger>(), kPinger, "", "Pinger", ciMultiInstance);
  EXPECT_EQ(ComServerCanUnloadNow(), S_OK);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(ComServerGetClassObject(kPinger, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(ComServerGetClassObject(kOther, IID_IClassFactory, factory.PutVoid()), CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(ComServerGetClassObject(kPinger, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_EQ(ComServerCanUnloadNow(), S_FALSE) << "a factory reference is held";

  ComPtr<IPing> ping;
  ASSERT_EQ(factory->CreateInstance(nullptr, IPing::Iid, ping.PutVoid()), S_OK);
  EXPECT_EQ(g_initialized, 1);
  void* none = nullptr;
  EXPECT_EQ(factory->CreateInstance(ping.Get(), IID_IUnknown, &none), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &none), E_NOINTERFACE);
  EXPECT_EQ(ComServer()->ObjectCount(), 1) << "an object that answers nothing is freed at once";
  factory->LockServer(TRUE);
  factory = nullptr;
  EXPECT_EQ(ComServer()->FactoryCount(), 0);
  EXPECT_EQ(ComServerCanUnloadNow(), S_FALSE) << "an object and a lock";

  // One identity; errors become result codes.
  ComPtr<IUnknown> a = ping.As<IUnknown>(), b = ping.As<ISupportErrorInfo>().As<IUnknown>();
  EXPECT_EQ(a.Get(), b.Get());
  EXPECT_EQ(ping->Ping(0), S_OK);
  EXPECT_EQ(ping->Ping(1), E_ACCESSDENIED);
  EXPECT_EQ(ping->Ping(2), E_UNEXPECTED);
  a = nullptr;
  b = nullptr;
  ping = nullptr;
  EXPECT_EQ(ComServer()->ObjectCount(), 1) << "the lock";
  ComPtr<IClassFactory> again;
  ComServerGetClassObject(kPinger, IID_IClassFactory, again.PutVoid());
  again->LockServer(FALSE);
  again = nullptr;
  EXPECT_EQ(ComServerCanUnloadNow(), S_OK);
}

TEST(ComServer, RegistrationWritesAndRemovesTheClassKeys) {
  testing_support::TestMachine machine;
  TComObjectFactory::Create(ComServer(), TComClass::Of<TPinger>(), kPinger, "", "Plain pinger", ciMultiInstance);
  TComObjectFactory::Create(ComServer(), TComClass::Of<TPinger>(), kOther, "Pinger", "Named pinger", ciMultiInstance,
                            tmApartment);
  std::vector<std::string> typeLibrary;
  ComServer()->OnUpdateTypeLibrary = [&](bool doRegister) { typeLibrary.push_back(doRegister ? "reg" : "unreg"); };
  ASSERT_EQ(ComServerRegister(), S_OK);

  char self[MAX_PATH];
  std::string module(self, GetModuleFileNameA(HInstance(), self, sizeof self));
  std::string server = ComServer()->ServerName();
  EXPECT_EQ(server, "components_tests");
  std::string plain = "CLSID\\" + GUIDToString(kPinger), named = "CLSID\\" + GUIDToString(kOther);
  EXPECT_EQ(ClassesRootValue(plain), "Plain pinger");
  EXPECT_EQ(ClassesRootValue(plain + "\\InprocServer32"), module);
  EXPECT_EQ(ClassesRootValue(plain + "\\InprocServer32", "ThreadingModel"), "<no value>") << "single-threaded";
  EXPECT_EQ(ClassesRootValue(plain + "\\ProgID"), "<no key>") << "no class name, no ProgID";
  EXPECT_EQ(ClassesRootValue(named + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(ClassesRootValue(named + "\\ProgID"), server + ".Pinger");
  EXPECT_EQ(ClassesRootValue(server + ".Pinger"), "Named pinger");
  EXPECT_EQ(ClassesRootValue(server + ".Pinger\\Clsid"), GUIDToString(kOther));

  ASSERT_EQ(ComServerUnregister(), S_OK);
  EXPECT_EQ(ClassesRootValue(plain), "<no key>");
  EXPECT_EQ(ClassesRootValue(named), "<no key>");
  EXPECT_EQ(ClassesRootValue(server + ".Pinger"), "<no key>");
  EXPECT_EQ(ComServerUnregister(), S_OK) << "removing what is gone is no error";
  EXPECT_EQ(typeLibrary, (std::vector<std::string>{"reg", "unreg", "unreg"}));

  vandrel::registry_testing::FailKey("HKEY_CLASSES_ROOT\\CLSID\\" + GUIDToString(kOther), 5);
  EXPECT_EQ(ComServerRegister(), E_FAIL);
  vandrel::registry_testing::ClearKeyFailures();
}

}  // namespace

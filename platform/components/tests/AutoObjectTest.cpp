// A module's type library: its registry keys, and automation objects answered from its description.
#include <gtest/gtest.h>

#include "platform/com/Bstr.h"
#include "platform/com/LateBinding.h"
#include "platform/com/OleError.h"
#include "platform/components/comserver/AutoObj.h"
#include "platform/components/tests/ClassesRoot.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Registry.h"

namespace {

using testing_support::ClassesRootValue;

struct ICounter : IDispatch {
  COM_INTERFACE(IDispatch, "{5B0E7C10-2A3B-4C5D-8E9F-A0B1C2D3E4F5}");
  virtual HRESULT Add(LONG amount, BSTR note) = 0;
};

const TTypeLibrary& Library() {
  static const TTypeLibrary library = [] {
    TTypeLibrary l;
    l.Name = "CounterLib";
    l.HelpString = "Counter Library";
    l.LibId = "{5B0E7C11-2A3B-4C5D-8E9F-A0B1C2D3E4F5}"_guid;
    l.Interfaces = {
        {"ICounter",
         "Dispatch interface for Counter",
         ICounter::Iid,
         {{"Add", 301, {{"Amount", VT_I4}, {"Note", VT_BSTR, true, OleVariant("''")}}}, {"Total", 302, {}, VT_I4}}}};
    l.Classes = {{"Counter", "Counter Object", "{5B0E7C12-2A3B-4C5D-8E9F-A0B1C2D3E4F5}"_guid, ICounter::Iid}};
    return l;
  }();
  return library;
}

class TCounter : public TAutoObject<ICounter> {
  VCL_CLASS(TCounter, TAutoObject<ICounter>)
  int total = 0;
  std::string lastNote;

  HRESULT Add(LONG amount, BSTR note) override {
    return SafeCall([&] {
      DoAdd(amount, OleStrToString(note));
      return S_OK;
    });
  }
  void DoAdd(int amount, const std::string& note) {
    if (amount < 0) throw Exception("negative");
    total += amount;
    lastNote = note;
  }

 protected:
  const TDispatchTable& AutoDispatchTable() const override {
    static const TDispatchTable table = DispatchTableOf(
        *Library().FindInterface(ICounter::Iid), "CounterLib.Counter",
        {{"Add",
          [](void* o, const TDispatchArgs& a) {
            Self<TCounter>(o).DoAdd(a.Integer(0), a.String(1));
            return OleVariant();
          }},
         {"Total", [](void* o, const TDispatchArgs&) { return OleVariant(int32_t(Self<TCounter>(o).total)); }}});
    return table;
  }
};

TEST(TypeLibrary, RegistrationWritesTheLibraryAndInterfaceKeysAndRemovalTakesThemAway) {
  testing_support::TestMachine machine;
  const std::string lib = "TypeLib\\{5B0E7C11-2A3B-4C5D-8E9F-A0B1C2D3E4F5}";
  const std::string iface = "Interface\\{5B0E7C10-2A3B-4C5D-8E9F-A0B1C2D3E4F5}";
  RegisterTypeLibrary(Library(), "C:\\Program Files\\Counter\\Counter.dll");
  EXPECT_EQ(ClassesRootValue(lib + "\\1.0"), "Counter Library");
  EXPECT_EQ(ClassesRootValue(lib + "\\1.0\\0\\win32"), "C:\\Program Files\\Counter\\Counter.dll");
  EXPECT_EQ(ClassesRootValue(lib + "\\1.0\\FLAGS"), "0");
  EXPECT_EQ(ClassesRootValue(lib + "\\1.0\\HELPDIR"), "C:\\Program Files\\Counter");
  EXPECT_EQ(ClassesRootValue(iface), "ICounter");
  EXPECT_EQ(ClassesRootValue(iface + "\\ProxyStubClsid"), "{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(ClassesRootValue(iface + "\\ProxyStubClsid32"), "{00020424-0000-0000-C000-000000000046}");
  EXPECT_EQ(ClassesRootValue(iface + "\\TypeLib"), "{5B0E7C11-2A3B-4C5D-8E9F-A0B1C2D3E4F5}");
  EXPECT_EQ(ClassesRootValue(iface + "\\TypeLib", "Version"), "1.0");

  // Another version of the library stays, and with it the library's key.
  HKEY other = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, (lib + "\\2.0").c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &other,
                            nullptr),
            ERROR_SUCCESS);
  RegCloseKey(other);
  UnregisterTypeLibrary(Library());
  EXPECT_EQ(ClassesRootValue(lib + "\\1.0"), "<no key>");
  EXPECT_EQ(ClassesRootValue(iface), "<no key>");
  EXPECT_EQ(ClassesRootValue(lib + "\\2.0"), "<no value>");
  RegDeleteKeyA(HKEY_CLASSES_ROOT, (lib + "\\2.0").c_str());
  UnregisterTypeLibrary(Library());
  EXPECT_EQ(ClassesRootValue(lib), "<no key>");
  EXPECT_NO_THROW(UnregisterTypeLibrary(Library())) << "nothing left to remove";
}

TEST(TypeLibrary, AMethodWithoutAHandlerIsAFaultOfTheProgram) {
  EXPECT_THROW(DispatchTableOf(Library().Interfaces[0], "x", {{"Add", nullptr}}), EOleError);
}

TEST(AutoObject, AnswersByTheDescriptionAndKeepsTheModuleLoaded) {
  testing_support::TestMachine machine;
  int before = ComServer()->ObjectCount();
  ComPtr<IDispatch> object;
  {
    auto* counter = NewObject<TCounter>();
    object = ComPtr<IDispatch>(static_cast<ICounter*>(counter));
    EXPECT_EQ(ComServer()->ObjectCount(), before + 1);
    EXPECT_EQ(ComServerCanUnloadNow(), S_FALSE);
    ComPtr<ICounter> dual;
    ASSERT_EQ(object->QueryInterface(ICounter::Iid, dual.PutVoid()), S_OK);
    WideString note = WideString::FromString("vtable");
    EXPECT_EQ(dual->Add(2, note.Get()), S_OK);
    EXPECT_EQ(dual->Add(-1, note.Get()), E_UNEXPECTED) << "an exception becomes a failure code";
    EXPECT_EQ(counter->lastNote, "vtable");

    EXPECT_EQ(GetDispatchId(object.Get(), "aDD"), 301);
    EXPECT_EQ(GetDispatchId(object.Get(), "Total"), 302);
    CallDispatchMethod(object.Get(), "Add", {OleVariant(int32_t(5))});
    EXPECT_EQ(counter->lastNote, "''") << "the optional parameter's default";
    EXPECT_EQ(CallDispatchMethod(object.Get(), "Total").AsInteger(), 7);
    EXPECT_THROW(CallDispatchMethod(object.Get(), "Add", {OleVariant(int32_t(-3))}), EOleException);

    LPOLESTR names[] = {const_cast<LPOLESTR>(u"Nincs")};
    DISPID id = 0;
    EXPECT_EQ(object->GetIDsOfNames(GUID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
  }
  object = nullptr;
  EXPECT_EQ(ComServer()->ObjectCount(), before);
}

}  // namespace

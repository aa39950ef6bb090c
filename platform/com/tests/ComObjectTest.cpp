#include <gtest/gtest.h>

#include "platform/com/ClassTable.h"
#include "platform/com/ComPtr.h"
#include "platform/com/OleError.h"
#include "platform/com/tests/TestObjects.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/LastError.h"

namespace {

constexpr CLSID kSquareClass = "{6F1B2A20-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;

TEST(ComObject, QueryInterfaceAnswersInterfacesTheirParentsAndOneIdentity) {
  ComPtr<TSquare> square = MakeComObject<TSquare>();
  EXPECT_EQ(square->RefCount(), 1u);

  ComPtr<IShape> shape = square.As<IShape>();  // parent of ISquare
  ASSERT_TRUE(shape);
  EXPECT_EQ(shape->Sides(), 4);
  ComPtr<INamed> named = shape.As<INamed>();  // second interface, reached from the first
  ASSERT_TRUE(named);
  EXPECT_STREQ(named->Name(), "square");
  EXPECT_EQ(square->RefCount(), 3u);

  // IUnknown is one pointer whichever interface is asked.
  ComPtr<IUnknown> viaShape = shape.As<IUnknown>(), viaNamed = named.As<IUnknown>();
  EXPECT_EQ(viaShape.Get(), viaNamed.Get());

  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(square->QueryInterface(IUnanswered::Iid, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(square->QueryInterface(IUnknown::Iid, nullptr), E_POINTER);
  EXPECT_FALSE(square.As<IUnanswered>());
}

TEST(ComObject, ComPtrHoldsExactlyOneReference) {
  {
    ComPtr<TSquare> a = MakeComObject<TSquare>();
    ComPtr<TSquare> b = a;             // copy adds one
    ComPtr<TSquare> c = std::move(b);  // move adds none
    EXPECT_FALSE(b);
    EXPECT_EQ(a->RefCount(), 2u);
    ComPtr<ISquare> up = c;  // conversion to a base interface adds one
    EXPECT_EQ(a->RefCount(), 3u);
    up = nullptr;
    TSquare* raw = c.Detach();
    EXPECT_EQ(a->RefCount(), 2u) << "Detach keeps the reference";
    ComPtr<TSquare> adopted = ComPtr<TSquare>::Attach(raw);
    EXPECT_EQ(a->RefCount(), 2u);
    adopted = a;  // assignment releases the adopted reference
    EXPECT_EQ(a->RefCount(), 2u);
    ComPtr<IShape> slot = a.As<IShape>();
    a->QueryInterface(IShape::Iid, slot.PutVoid());  // Put releases what the slot held
    EXPECT_EQ(a->RefCount(), 3u);
  }
  EXPECT_EQ(g_liveSquares.load(), 0);
}

TEST(ComObject, ApartmentCountsAndThreadingModel) {
  EXPECT_FALSE(CoIsInitialized());
  EXPECT_EQ(CoInitialize(nullptr), S_OK);
  EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  CoUninitialize();
  EXPECT_TRUE(CoIsInitialized());
  CoUninitialize();
  EXPECT_FALSE(CoIsInitialized());
  CoUninitialize();  // one too many does no harm
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  CoUninitialize();
}

TEST(ComObject, CreateInstanceThroughTheClassTable) {
  testing_support::TestMachine machine;  // unknown classes are looked up in its registry
  void* out = reinterpret_cast<void*>(1);
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, &out), CO_E_NOTINITIALIZED);
  EXPECT_EQ(out, nullptr);
  ASSERT_EQ(CoInitialize(nullptr), S_OK);

  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, &out), REGDB_E_CLASSNOTREG);
  DWORD cookie = RegisterComClass(kSquareClass, ComCreatorOf<TSquare>());
  ASSERT_NE(cookie, 0u);

  ComPtr<IShape> shape;
  ASSERT_EQ(
      CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IShape::Iid, shape.PutVoid()),
      S_OK);
  EXPECT_EQ(shape->Sides(), 4);
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER, IUnanswered::Iid, &out), E_NOINTERFACE);
  EXPECT_EQ(out, nullptr);
  EXPECT_EQ(g_liveSquares.load(), 1) << "an object that answers nothing is released at once";
  EXPECT_EQ(CoCreateInstance(kSquareClass, shape.Get(), CLSCTX_INPROC_SERVER, IUnknown::Iid, &out),
            CLASS_E_NOAGGREGATION);
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, 0, IUnknown::Iid, &out), E_INVALIDARG);
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER, IUnknown::Iid, nullptr), E_POINTER);

  ComPtr<IClassFactory> factory;
  ASSERT_EQ(CoGetClassObject(kSquareClass, CLSCTX_INPROC_SERVER, nullptr, IClassFactory::Iid, factory.PutVoid()), S_OK);
  EXPECT_EQ(factory->LockServer(TRUE), S_OK);

  EXPECT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, &out), REGDB_E_CLASSNOTREG);
  shape = nullptr;
  EXPECT_EQ(g_liveSquares.load(), 0);
  CoUninitialize();
}

TEST(ComObject, LastRegistrationAnswersAndTheHookRemovesThemAll) {
  testing_support::TestMachine machine;
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  auto failing = [](HRESULT code) { return [code](IUnknown*, REFIID, void**) -> HRESULT { return code; }; };
  DWORD first = RegisterComClass(kSquareClass, failing(E_ACCESSDENIED));
  RegisterComClass(kSquareClass, [](IUnknown*, REFIID, void**) -> HRESULT { throw EOleSysError(E_ABORT); });
  DWORD third = RegisterComClass(kSquareClass, failing(E_NOTIMPL));
  void* out = nullptr;
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_ALL, IUnknown::Iid, &out), E_NOTIMPL);
  CoRevokeClassObject(third);
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_ALL, IUnknown::Iid, &out), E_ABORT)
      << "an exception of the creator becomes its failure code";
  EXPECT_EQ(UnregisterComClass(kSquareClass), 2);
  EXPECT_EQ(CoRevokeClassObject(first), E_INVALIDARG);
  EXPECT_EQ(CoCreateInstance(kSquareClass, nullptr, CLSCTX_ALL, IUnknown::Iid, &out), REGDB_E_CLASSNOTREG);
  EXPECT_EQ(UnregisterComClass(kSquareClass), 0);
  CoUninitialize();
}

TEST(ComObject, OleCheckRaisesWithTheSystemText) {
  struct Case {
    HRESULT code;
    const char* message;
  } cases[] = {
      {REGDB_E_CLASSNOTREG, "Class not registered"},
      {E_NOINTERFACE, "No such interface supported"},
      {E_FAIL, "Unspecified error"},
      {E_ACCESSDENIED, "Access is denied."},  // a Win32 code inside an HRESULT
      {HRESULT(0x80049999), "OLE error 80049999"},
      {HRESULT(0xC0001234), "OLE error C0001234"},
  };
  for (const Case& c : cases) {
    try {
      OleCheck(c.code);
      ADD_FAILURE() << "no error for " << c.code;
    } catch (const EOleSysError& e) {
      EXPECT_EQ(e.Message(), c.message);
      EXPECT_EQ(e.ErrorCode(), c.code);
      EXPECT_EQ(e.ClassName(), "EOleSysError");
      EXPECT_TRUE(e.InheritsFrom(EOleError::StaticClass()));
    }
  }
  EXPECT_EQ(OleCheck(S_FALSE), S_FALSE);
  EXPECT_EQ(SysErrorMessage(DWORD(REGDB_E_CLASSNOTREG)), "Class not registered");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), E_ACCESSDENIED);
  EXPECT_EQ(HRESULT_FROM_WIN32(0), S_OK);
}

}  // namespace

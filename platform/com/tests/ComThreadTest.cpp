#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/com/ClassTable.h"
#include "platform/com/tests/TestObjects.h"

namespace {

constexpr CLSID kSquareClass = "{6F1B2A21-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;

TEST(ComThreads, EachThreadEntersComForItself) {
  ASSERT_EQ(CoInitialize(nullptr), S_OK);
  RegisterComClass(kSquareClass, ComCreatorOf<TSquare>());
  HRESULT other = S_OK, afterInit = E_FAIL;
  std::thread([&] {
    void* out = nullptr;
    other = CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, &out);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    ComPtr<IShape> shape;
    afterInit = CoCreateInstance(kSquareClass, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, shape.PutVoid());
    CoUninitialize();
  }).join();
  EXPECT_EQ(other, CO_E_NOTINITIALIZED);
  EXPECT_EQ(afterInit, S_OK);
  EXPECT_TRUE(CoIsInitialized()) << "the other thread's CoUninitialize is its own";
  UnregisterComClass(kSquareClass);
  CoUninitialize();
}

TEST(ComThreads, SharedReferencesAndRegistrationsRaceFree) {
  ComPtr<TSquare> shared = MakeComObject<TSquare>();
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t) {
    threads.emplace_back([&shared, t] {
      CoInitialize(nullptr);
      CLSID own = kSquareClass;
      own.Data1 += t + 1;
      DWORD cookie = RegisterComClass(own, ComCreatorOf<TSquare>());
      for (int i = 0; i < 500; ++i) {
        ComPtr<ISquare> copy = shared;
        ComPtr<INamed> named = copy.As<INamed>();
        ComPtr<IShape> created;
        if (CoCreateInstance(own, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, created.PutVoid()) != S_OK) std::abort();
      }
      CoRevokeClassObject(cookie);
      CoUninitialize();
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(shared->RefCount(), 1u);
  shared = nullptr;
  EXPECT_EQ(g_liveSquares.load(), 0);
}

}  // namespace

// Classes registered in the machine's registry: CoCreateInstance loads the library that InprocServer32
// names, and CoFreeUnusedLibraries unloads it once it says it can go.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/com/ClassTable.h"
#include "platform/com/tests/TestObjects.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Registry.h"

namespace {

constexpr CLSID kServedSquare = "{6F1B2A30-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
const std::string kTests = std::string(VANDREL_BINARY_DIR) + "/tests";
const std::string kServerHost = kTests + "/com_server_sample.so";

std::string ZForm(std::string hostPath) {
  std::replace(hostPath.begin(), hostPath.end(), '/', '\\');
  return "Z:" + hostPath;
}

void RegisterServer(REFCLSID clsid, const std::string& path) {
  std::string text = "REGEDIT4\n[HKEY_CLASSES_ROOT\\CLSID\\" + GUIDToString(clsid) + "\\InprocServer32]\n@=\"";
  for (char c : path) text += c == '\\' ? std::string("\\\\") : std::string(1, c);
  text += "\"\n";
  std::string error;
  ASSERT_TRUE(vandrel::ImportRegistryText(text, error)) << error;
}

bool LoadedByTheSystem(const std::string& hostPath) {
  void* h = dlopen(hostPath.c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (h) dlclose(h);
  return h != nullptr;
}

class InprocServers : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitialize(nullptr), S_OK); }
  void TearDown() override { CoUninitialize(); }
  testing_support::TestMachine machine_;
};

TEST_F(InprocServers, RegisterThenCreateByClassIdThenUnloadWhenUnused) {
  RegisterServer(kServedSquare, ZForm(kServerHost));
  ASSERT_FALSE(LoadedByTheSystem(kServerHost));
  ComPtr<IShape> shape;
  ASSERT_EQ(CoCreateInstance(kServedSquare, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, shape.PutVoid()), S_OK);
  EXPECT_EQ(shape->Sides(), 4);
  EXPECT_TRUE(GetModuleHandleA(ZForm(kServerHost).c_str()));
  ComPtr<IShape> second;
  ASSERT_EQ(CoCreateInstance(kServedSquare, nullptr, CLSCTX_ALL, IShape::Iid, second.PutVoid()), S_OK);

  CoFreeUnusedLibraries();
  EXPECT_TRUE(LoadedByTheSystem(kServerHost)) << "objects are alive: the library stays";
  shape = nullptr;
  CoFreeUnusedLibraries();
  EXPECT_TRUE(LoadedByTheSystem(kServerHost));
  second = nullptr;
  CoFreeUnusedLibraries();
  EXPECT_FALSE(GetModuleHandleA(ZForm(kServerHost).c_str()));
  EXPECT_FALSE(LoadedByTheSystem(kServerHost)) << "the library is really unloaded";

  // Loaded again on demand.
  ASSERT_EQ(CoCreateInstance(kServedSquare, nullptr, CLSCTX_INPROC_SERVER, IShape::Iid, shape.PutVoid()), S_OK);
  shape = nullptr;
  CoFreeUnusedLibraries();
  EXPECT_FALSE(LoadedByTheSystem(kServerHost));
}

TEST_F(InprocServers, FailuresByWhatTheRegistryNames) {
  constexpr CLSID kMissingFile = "{6F1B2A31-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
  constexpr CLSID kNoEntry = "{6F1B2A32-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
  constexpr CLSID kNotRegistered = "{6F1B2A33-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
  constexpr CLSID kOtherClass = "{6F1B2A34-3C4D-4E5F-8A9B-0C1D2E3F4A5B}"_guid;
  RegisterServer(kMissingFile, ZForm(kTests + "/no_such_server.so"));
  RegisterServer(kNoEntry, ZForm(kTests + "/winapi_sample_plain.so"));
  RegisterServer(kOtherClass, ZForm(kServerHost));  // the library does not serve this class
  struct Case {
    CLSID clsid;
    DWORD context;
    HRESULT expected;
  } cases[] = {
      {kMissingFile, CLSCTX_INPROC_SERVER, CO_E_DLLNOTFOUND},
      {kNoEntry, CLSCTX_INPROC_SERVER, CO_E_ERRORINDLL},
      {kNotRegistered, CLSCTX_INPROC_SERVER, REGDB_E_CLASSNOTREG},
      {kOtherClass, CLSCTX_INPROC_SERVER, CLASS_E_CLASSNOTAVAILABLE},
      {kOtherClass, CLSCTX_LOCAL_SERVER, REGDB_E_CLASSNOTREG},
  };
  for (const Case& c : cases) {
    void* out = reinterpret_cast<void*>(1);
    EXPECT_EQ(CoCreateInstance(c.clsid, nullptr, c.context, IUnknown::Iid, &out), c.expected) << GUIDToString(c.clsid);
    EXPECT_EQ(out, nullptr);
  }
  CoFreeUnusedLibraries();
  EXPECT_FALSE(LoadedByTheSystem(kServerHost));
}

}  // namespace

// A library that links the component library leaves nothing behind when FreeLibrary unloads it.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "platform/runtime/Thread.h"
#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/Windows.h"

namespace {

struct SampleWindows {
  HWND application;
  HWND popupList;
  HINSTANCE classInstance;
};

TEST(ModuleTeardown, UnloadingTheLibraryDestroysItsWindowsClassesAndHooks) {
  testing_support::TestMachine machine;
  std::string host = std::string(VANDREL_BINARY_DIR) + "/tests/components_sample.so";
  std::string windows = "Z:" + host;
  std::replace(windows.begin(), windows.end(), '/', '\\');
  HMODULE library = LoadLibraryA(windows.c_str());
  ASSERT_TRUE(library);
  auto setUp = reinterpret_cast<SampleWindows (*)(size_t*)>(GetProcAddress(library, "SampleSetUp"));
  ASSERT_TRUE(setUp);
  size_t lateTableSize = 0;
  SampleWindows w = setUp(&lateTableSize);
  EXPECT_TRUE(IsWindow(w.application));
  EXPECT_TRUE(IsWindow(w.popupList));
  EXPECT_TRUE(GetClassInfoA(w.classInstance, "TForm", nullptr));
  EXPECT_TRUE(GetWakeMainThread()) << "the library's application object installed its wake-up";

  ASSERT_TRUE(FreeLibrary(library));
  void* still = dlopen(host.c_str(), RTLD_NOW | RTLD_NOLOAD);
  EXPECT_FALSE(still);
  if (still) dlclose(still);
  EXPECT_FALSE(IsWindow(w.application));
  EXPECT_FALSE(IsWindow(w.popupList));
  EXPECT_FALSE(GetClassInfoA(w.classInstance, "TForm", nullptr));
  EXPECT_FALSE(GetClassInfoA(w.classInstance, "TButton", nullptr));
  EXPECT_FALSE(GetWakeMainThread()) << "the hook before it is back";
  EXPECT_EQ(lateTableSize, 4u) << "cleanups run while the library's static objects still exist";
}

}  // namespace

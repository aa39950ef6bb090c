#include "platform/winapi/ActivationContext.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/DynamicLibrary.h"
#include "platform/winapi/LastError.h"
#include "platform/winapi/Module.h"

namespace {

using testing_support::TestMachine;

std::string ZForm(std::string hostPath) {
  std::replace(hostPath.begin(), hostPath.end(), '/', '\\');
  return "Z:" + hostPath;
}

const std::string kTests = std::string(VANDREL_BINARY_DIR) + "/tests";
const char* const kCommonControls = "Microsoft.Windows.Common-Controls";

ACTCTXA FromResource(HMODULE module, const std::string& path, WORD id = 1) {
  ACTCTXA record{};
  record.cbSize = sizeof record;
  record.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
  record.lpSource = path.c_str();
  record.lpResourceName = MAKEINTRESOURCEA(id);
  record.hModule = module;
  return record;
}

ACTCTXA FromFile(const char* path) {
  ACTCTXA record{};
  record.cbSize = sizeof record;
  record.lpSource = path;
  return record;
}

TEST(ActivationContext, AManifestResourceMakesAContextThatDependsOnCommonControls) {
  TestMachine machine;
  std::string path = ZForm(kTests + "/winapi_sample_resources.so");
  HMODULE library = LoadLibraryA(path.c_str());
  ASSERT_NE(library, nullptr);
  ACTCTXA record = FromResource(library, path);
  HANDLE context = CreateActCtxA(&record);
  ASSERT_NE(context, INVALID_HANDLE_VALUE) << GetLastError();
  EXPECT_EQ(vandrel::ActCtxDependencyVersion(context, kCommonControls), "6.0.0.0");
  EXPECT_EQ(vandrel::ActCtxDependencyVersion(context, "Other.Assembly"), "");
  ReleaseActCtx(context);
  EXPECT_EQ(vandrel::ActCtxDependencyVersion(context, kCommonControls), "") << "released";
  record = FromResource(library, path, 2);
  EXPECT_EQ(CreateActCtxA(&record), INVALID_HANDLE_VALUE);
  EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
  FreeLibrary(library);
}

TEST(ActivationContext, MissingAndMalformedManifestsMakeNoContext) {
  TestMachine machine;
  std::string plain = ZForm(kTests + "/winapi_sample_plain.so");
  HMODULE library = LoadLibraryA(plain.c_str());
  std::ofstream(machine.DriveC() + "/rossz.manifest") << "<assembly><dependency>";
  std::ofstream(machine.DriveC() + "/mas.manifest") << "<?xml version=\"1.0\"?><configuration/>";
  std::filesystem::copy_file(std::string(VANDREL_SOURCE_DIR) + "/platform/winapi/tests/sample/Sample.manifest",
                             machine.DriveC() + "/jo.manifest");
  struct Case {
    ACTCTXA record;
    DWORD error;
  } cases[] = {
      {FromResource(library, plain), ERROR_RESOURCE_TYPE_NOT_FOUND},
      {FromFile("C:\\nincs.manifest"), ERROR_FILE_NOT_FOUND},
      {FromFile("C:\\rossz.manifest"), ERROR_SXS_CANT_GEN_ACTCTX},
      {FromFile("C:\\mas.manifest"), ERROR_SXS_CANT_GEN_ACTCTX},
      {FromFile("C:\\jo.manifest"), ERROR_SUCCESS},
  };
  for (auto& c : cases) {
    SetLastError(0);
    HANDLE context = CreateActCtxA(&c.record);
    EXPECT_EQ(context != INVALID_HANDLE_VALUE, c.error == ERROR_SUCCESS) << c.record.lpSource;
    EXPECT_EQ(GetLastError(), c.error) << c.record.lpSource;
    if (context != INVALID_HANDLE_VALUE) {
      EXPECT_EQ(vandrel::ActCtxDependencyVersion(context, kCommonControls), "6.0.0.0");
      ReleaseActCtx(context);
    }
  }
  FreeLibrary(library);
}

TEST(ActivationContext, ActivationsStackPerThread) {
  TestMachine machine;
  std::string path = ZForm(kTests + "/winapi_sample_resources.so");
  HMODULE library = LoadLibraryA(path.c_str());
  ACTCTXA record = FromResource(library, path);
  HANDLE first = CreateActCtxA(&record), second = CreateActCtxA(&record);
  ULONG_PTR a = 0, b = 0, c = 0;
  ASSERT_TRUE(ActivateActCtx(first, &a));
  ASSERT_TRUE(ActivateActCtx(second, &b));
  ReleaseActCtx(second);
  HANDLE current = nullptr;
  ASSERT_TRUE(GetCurrentActCtx(&current));
  EXPECT_EQ(current, second) << "an active context outlives its release";
  EXPECT_EQ(vandrel::ActCtxDependencyVersion(current, kCommonControls), "6.0.0.0");
  ReleaseActCtx(current);
  EXPECT_FALSE(DeactivateActCtx(0, a));
  EXPECT_EQ(GetLastError(), ERROR_SXS_EARLY_DEACTIVATION);
  ASSERT_TRUE(ActivateActCtx(first, &c));
  EXPECT_TRUE(DeactivateActCtx(DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION, b)) << "pops the newer one too";
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, first);
  ReleaseActCtx(current);
  EXPECT_EQ(vandrel::ActCtxDependencyVersion(second, kCommonControls), "") << "gone once deactivated";
  EXPECT_FALSE(DeactivateActCtx(0, c));
  EXPECT_EQ(GetLastError(), ERROR_SXS_INVALID_DEACTIVATION);
  EXPECT_TRUE(DeactivateActCtx(0, a));
  GetCurrentActCtx(&current);
  EXPECT_EQ(current, nullptr);
  ReleaseActCtx(first);
  FreeLibrary(library);
}

}  // namespace

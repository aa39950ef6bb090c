#include <gtest/gtest.h>

#include <thread>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/ActivationContext.h"
#include "platform/winapi/LastError.h"

namespace {

TEST(ActivationContextThreads, AnActivationBelongsToTheThreadThatMadeIt) {
  testing_support::TestMachine machine;
  std::string manifest = std::string(VANDREL_SOURCE_DIR) + "/platform/winapi/tests/sample/Sample.manifest";
  std::string source = "Z:" + manifest;
  for (char& c : source)
    if (c == '/') c = '\\';
  ACTCTXA record{};
  record.cbSize = sizeof record;
  record.lpSource = source.c_str();
  HANDLE context = CreateActCtxA(&record);
  ASSERT_NE(context, INVALID_HANDLE_VALUE);
  ULONG_PTR cookie = 0;
  ASSERT_TRUE(ActivateActCtx(context, &cookie));
  BOOL deactivated = TRUE;
  DWORD error = 0;
  HANDLE seen = INVALID_HANDLE_VALUE;
  std::thread other([&] {
    GetCurrentActCtx(&seen);
    deactivated = DeactivateActCtx(DEACTIVATE_ACTCTX_FLAG_FORCE_EARLY_DEACTIVATION, cookie);
    error = GetLastError();
  });
  other.join();
  EXPECT_EQ(seen, nullptr) << "another thread has its own, empty stack";
  EXPECT_FALSE(deactivated);
  EXPECT_EQ(error, ERROR_SXS_INVALID_DEACTIVATION);
  EXPECT_TRUE(DeactivateActCtx(0, cookie));
  ReleaseActCtx(context);
}

}  // namespace

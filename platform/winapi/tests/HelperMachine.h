// A fixture of the child-process tests: a machine of the test's own, in its C:\ folder, onto which the
// helper program (tests/helper) is copied by the file layer.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/testing/TestMachine.h"
#include "platform/winapi/Files.h"

namespace testing_support {

inline const std::string kWinapiHelper = std::string(VANDREL_BINARY_DIR) + "/tests/winapi_helper";

class HelperMachineTest : public ::testing::Test {
 protected:
  static constexpr DWORD kSentinel = 0xdeadbeef;

  void SetUp() override { ASSERT_TRUE(SetCurrentDirectoryA("C:\\")); }
  std::string Host(const std::string& windowsPath) { return vandrel::MapWindowsPath(windowsPath).path; }
  // Puts the helper program on the machine by the file layer (which gives it no execute bit).
  void InstallHelper(const std::string& windowsPath) {
    std::filesystem::create_directories(std::filesystem::path(Host(windowsPath)).parent_path());
    ASSERT_TRUE(CopyFileA(vandrel::WindowsPathOf(kWinapiHelper).c_str(), windowsPath.c_str(), FALSE)) << windowsPath;
  }

  TestMachine machine;
};

}  // namespace testing_support

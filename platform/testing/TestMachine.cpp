#include "platform/testing/TestMachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/winapi/Machine.h"

namespace testing_support {

TestMachine::TestMachine(Contents contents) {
  char folder[] = "/tmp/vandrel-machine-XXXXXX";
  if (!mkdtemp(folder)) ADD_FAILURE() << "cannot create a machine folder";
  root_ = folder;
  setenv("VANDREL_ROOT", root_.c_str(), 1);
  unsetenv("VANDREL_USER");
  if (contents == Contents::Default) vandrel::CreateDefaultMachine();
}

TestMachine::~TestMachine() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

}  // namespace testing_support

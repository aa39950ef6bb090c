#include "platform/testing/TestMachine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "platform/winapi/Machine.h"
#include "platform/winapi/Session.h"

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
  const char* current = std::getenv("VANDREL_ROOT");
  if (current && current == root_) std::filesystem::remove_all(vandrel::SessionFolderPath(), ignored);
  std::filesystem::remove_all(root_, ignored);
}

}  // namespace testing_support

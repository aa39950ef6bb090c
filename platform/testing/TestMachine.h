// A fresh emulated machine for one test: its own folder under /tmp named by VANDREL_ROOT, removed when
// the test ends, with its session folder.
#pragma once
#include <string>

namespace testing_support {

class TestMachine {
 public:
  enum class Contents { Default, Empty };
  explicit TestMachine(Contents contents = Contents::Default);
  ~TestMachine();
  TestMachine(const TestMachine&) = delete;
  TestMachine& operator=(const TestMachine&) = delete;

  // Host folder of the machine, and of its drive C:.
  const std::string& Root() const { return root_; }
  std::string DriveC() const { return root_ + "/drive_c"; }

 private:
  std::string root_;
};

}  // namespace testing_support

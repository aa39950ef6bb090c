// A watchdog for the waits of tests: a wait that has not ended within its limit fails the test at once,
// naming what it waited for, instead of hanging until CTest's time limit.
#pragma once
#include <chrono>
#include <cstdint>
#include <string>

namespace testing_support {

class TWaitWatchdog {
 public:
  // Armed while it lives. Past the limit the process writes "test waited more than N ms for WHAT" to
  // standard error and aborts.
  explicit TWaitWatchdog(std::string what, std::chrono::milliseconds limit = std::chrono::seconds(30));
  ~TWaitWatchdog();
  TWaitWatchdog(const TWaitWatchdog&) = delete;
  TWaitWatchdog& operator=(const TWaitWatchdog&) = delete;

 private:
  uint64_t id_;
};

}  // namespace testing_support

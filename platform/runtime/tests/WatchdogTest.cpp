// The watchdog of tests' waits: a wait past its limit ends the test at once with what it waited for.
#include "platform/testing/Watchdog.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

using namespace std::chrono_literals;

TEST(WaitWatchdog, AWaitPastItsLimitEndsTheTestNamingWhatItWaitedFor) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        testing_support::TWaitWatchdog watchdog("the reply of the helper", 50ms);
        std::this_thread::sleep_for(5s);
      },
      "test waited more than 50 ms for the reply of the helper");
  {
    testing_support::TWaitWatchdog inTime("a quick answer", 2s);
    std::this_thread::sleep_for(10ms);
  }  // disarmed in time: nothing happens
}

}  // namespace

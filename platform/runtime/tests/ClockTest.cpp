#include "platform/runtime/Clock.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>

#include "platform/runtime/Exceptions.h"
#include "platform/testing/PythonOracle.h"

namespace {

class Clock : public ::testing::Test {
 protected:
  void TearDown() override {
    SetVirtualScheduler(nullptr);
    SetClockMode(TClockMode::Real);
  }
};

double RealSecondsOf(void (*f)()) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

TEST_F(Clock, RealModeFollowsTheHostClocks) {
  EXPECT_EQ(ClockMode(), TClockMode::Real);
  // the local date-time agrees with Python's local time
  std::string out = testing_support::RunPython(
      "import datetime\n"
      "d = datetime.datetime.now() - datetime.datetime(1899, 12, 30)\n"
      "print(d / datetime.timedelta(days=1))\n");
  const double python = std::stod(out);
  EXPECT_NEAR(ClockNow(), python, 5.0 / 86400) << "more than 5 seconds apart";
  EXPECT_NEAR(Now(), python, 5.0 / 86400);
  EXPECT_EQ(Date(), std::trunc(Now()));
  EXPECT_NEAR(Time(), Now() - Date(), 1.0 / 86400);
  // the tick count is monotonic and sleeps really sleep
  uint64_t before = ClockTickMs();
  EXPECT_GE(RealSecondsOf([] { ClockSleep(30); }), 0.029);
  EXPECT_GE(ClockTickMs() - before, 29u);
  // virtual-only operations refuse to run
  EXPECT_THROW(ClockAdvance(1), EInvalidOperation);
  EXPECT_THROW(SetVirtualDateTime(0), EInvalidOperation);
}

TEST_F(Clock, VirtualTimeStandsStillUntilAdvanced) {
  const double realNow = ClockNow();
  const uint64_t realTick = ClockTickMs();
  SetClockMode(TClockMode::Virtual);
  EXPECT_EQ(ClockMode(), TClockMode::Virtual);
  // it starts where real time was
  EXPECT_NEAR(ClockNow(), realNow, 1.0 / 86400);
  EXPECT_GE(ClockTickMs(), realTick);
  const uint64_t tick = ClockTickMs();
  const TDateTime now = ClockNow();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(ClockTickMs(), tick);
  EXPECT_EQ(ClockNow(), now);

  SetVirtualDateTime(EncodeDateTime(2005, 3, 7, 23, 59, 59, 500));
  EXPECT_EQ(ClockTickMs(), tick) << "setting the date-time does not move the tick count";
  EXPECT_EQ(DateTimeToStr(Now()), "2005.03.07. 23:59:59");
  ClockAdvance(1000);
  EXPECT_EQ(ClockTickMs(), tick + 1000);
  EXPECT_EQ(DateTimeToMSecs(ClockNow()), DateTimeToMSecs(EncodeDateTime(2005, 3, 8, 0, 0, 0, 500)));
  EXPECT_EQ(Date(), EncodeDate(2005, 3, 8));
  EXPECT_EQ(DateTimeToMSecs(Time()), 500);

  // long sleeps cost nothing without a scheduler: they only advance the clock
  EXPECT_LT(RealSecondsOf([] { ClockSleep(30000); }), 1.0);
  EXPECT_EQ(ClockTickMs(), tick + 31000);
  ClockSleep(0);
  EXPECT_EQ(ClockTickMs(), tick + 31000);

  // across the origin of the day count, where the fraction changes sign
  SetVirtualDateTime(EncodeDateTime(1899, 12, 29, 23, 0, 0, 0));
  EXPECT_EQ(ClockNow(), EncodeDateTime(1899, 12, 29, 23, 0, 0, 0));
  ClockAdvance(2 * 3600000);
  EXPECT_EQ(ClockNow(), EncodeDateTime(1899, 12, 30, 1, 0, 0, 0));

  // switching back follows the host again; switching twice keeps the virtual state
  SetClockMode(TClockMode::Virtual);
  EXPECT_EQ(ClockNow(), EncodeDateTime(1899, 12, 30, 1, 0, 0, 0));
  SetClockMode(TClockMode::Real);
  EXPECT_NEAR(ClockNow(), realNow, 60.0 / 86400);
}

class TRecordingScheduler : public IVirtualScheduler {
 public:
  void Sleep(uint32_t ms) override {
    calls += 1;
    asked += ms;
    ClockAdvance(ms + 5);  // a scheduler may jump beyond the sleep's end (to a timer due later)
  }
  int calls = 0;
  uint64_t asked = 0;
};

TEST_F(Clock, VirtualSleepsGoThroughTheScheduler) {
  SetClockMode(TClockMode::Virtual);
  TRecordingScheduler scheduler;
  SetVirtualScheduler(&scheduler);
  EXPECT_EQ(VirtualScheduler(), &scheduler);
  const uint64_t tick = ClockTickMs();
  ClockSleep(100);
  ClockSleep(0);
  EXPECT_EQ(scheduler.calls, 2);
  EXPECT_EQ(scheduler.asked, 100u);
  EXPECT_EQ(ClockTickMs(), tick + 110);
  SetVirtualScheduler(nullptr);
  ClockSleep(100);
  EXPECT_EQ(scheduler.calls, 2);
  EXPECT_EQ(ClockTickMs(), tick + 210);
  // real sleeps never reach the scheduler
  SetVirtualScheduler(&scheduler);
  SetClockMode(TClockMode::Real);
  ClockSleep(1);
  EXPECT_EQ(scheduler.calls, 2);
}

}  // namespace

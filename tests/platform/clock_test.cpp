#include "platform/clock.h"

#include <gtest/gtest.h>

namespace vx::platform {
namespace {

TEST(VirtualClock, MovesOnlyWhenWaitingOrSpinning) {
  VirtualClock virtual_clock(3'579'545, 500);
  EXPECT_EQ(virtual_clock.read_counter(), 0u);
  virtual_clock.sleep_microseconds(30'000'000);
  EXPECT_EQ(virtual_clock.monotonic_microseconds(), 30'000'000u);
  EXPECT_EQ(virtual_clock.read_counter(), 30u * 3'579'545u);
  virtual_clock.spin();
  virtual_clock.spin();
  EXPECT_EQ(virtual_clock.now_nanoseconds(), 30'000'001'000u);
}

TEST(VirtualClock, CounterOfAVeryFastFrequencyDoesNotOverflow) {
  VirtualClock virtual_clock(2'500'000'000);
  virtual_clock.advance_nanoseconds(100ull * 24 * 3600 * 1'000'000'000);  // 100 days
  EXPECT_EQ(virtual_clock.read_counter(), 100ull * 24 * 3600 * 2'500'000'000);
}

TEST(ClockInstall, InstalledClockServesEveryCallerUntilRestored) {
  VirtualClock virtual_clock;
  Clock* previous = install_clock(&virtual_clock);
  clock().sleep_microseconds(5);
  EXPECT_EQ(virtual_clock.monotonic_microseconds(), 5u);
  EXPECT_EQ(install_clock(previous), &virtual_clock);
  EXPECT_NE(&clock(), &virtual_clock);
}

TEST(MonotonicClock, NeverRunsBackwardsAndSleepsAtLeastTheTime) {
  MonotonicClock real;
  const std::uint64_t before = real.monotonic_microseconds();
  real.sleep_microseconds(2'000);
  EXPECT_GE(real.monotonic_microseconds() - before, 2'000u);
  EXPECT_EQ(real.counter_frequency(), 1'000'000'000u);
}

}  // namespace
}  // namespace vx::platform

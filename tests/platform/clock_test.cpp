#include "platform/clock.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

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

TEST(VirtualClock, AWaitStepIsAtItsEndInOnePass) {
  VirtualClock virtual_clock(1'000'000'000, 500);
  virtual_clock.wait_step(30'000'000);
  EXPECT_EQ(virtual_clock.now_nanoseconds(), 30'000'000'000u);
  EXPECT_EQ(virtual_clock.busy_passes(), 1u);
  virtual_clock.spin();
  EXPECT_EQ(virtual_clock.now_nanoseconds(), 30'000'000'500u);
  EXPECT_EQ(virtual_clock.busy_passes(), 2u);
}

// An hour's limit would hang the test if a readable descriptor did not end the block.
TEST(VirtualClock, ABlockEndsWhenADescriptorIsReadyOrMovesTimeToItsLimit) {
  VirtualClock virtual_clock;
  const int fd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  ASSERT_GE(fd, 0);
  pollfd watched{fd, POLLIN, 0};
  const std::uint64_t hour_us = 3'600'000'000;

  virtual_clock.wait_readable({&watched, 1}, 1'500);
  EXPECT_EQ(virtual_clock.now_nanoseconds(), 1'500'000u) << "ran out: exactly at the limit";

  const std::uint64_t one = 1;
  ASSERT_EQ(write(fd, &one, sizeof one), static_cast<ssize_t>(sizeof one));
  virtual_clock.wait_readable({&watched, 1}, hour_us);
  EXPECT_LT(virtual_clock.now_nanoseconds(), hour_us * 1000);
  virtual_clock.wait_readable({&watched, 1}, std::nullopt);
  EXPECT_EQ(virtual_clock.busy_passes(), 0u) << "a block is no busy wait";
  close(fd);
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

TEST(MonotonicClock, ABlockWithoutLimitEndsWhenADescriptorIsReady) {
  MonotonicClock real;
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "x", 1), 1);
  pollfd watched{ends[0], POLLIN, 0};
  real.wait_readable({&watched, 1}, std::nullopt);
  EXPECT_NE(watched.revents & POLLIN, 0);
  close(ends[0]);
  close(ends[1]);
}

}  // namespace
}  // namespace vx::platform

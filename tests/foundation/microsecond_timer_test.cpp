#include "foundation/microsecond_timer.h"

#include <gtest/gtest.h>

#include "support/scoped_platform.h"

namespace vx {
namespace {

constexpr std::uint64_t one_second_ns = 1'000'000'000;

class MicrosecondTimerTest : public testing::Test {
 protected:
  void SetUp() override { reset_microsecond_timer(); }
  void TearDown() override { reset_microsecond_timer(); }
};

TEST_F(MicrosecondTimerTest, ScalesCountersSlowAndFastToMicroseconds) {
  struct Case {
    std::uint64_t frequency;
    std::uint64_t multiplier;
    std::uint64_t divisor;
  };
  for (const Case c : {Case{3'579'545, 1'000'000, 3'579'545}, Case{2'500'000'000, 1000, 2'500'000}}) {
    reset_microsecond_timer();
    test::ScopedVirtualClock clock(c.frequency);
    clock->advance_nanoseconds(5 * one_second_ns);  // the base is wherever the counter stands
    EXPECT_EQ(elapsed_microseconds(), 0) << c.frequency;
    EXPECT_EQ(microsecond_timer().multiplier, c.multiplier);
    EXPECT_EQ(microsecond_timer().divisor, c.divisor);

    clock->advance_nanoseconds(one_second_ns);
    std::uint64_t relative = 0;
    read_performance_counter(relative, true);
    EXPECT_EQ(relative, c.frequency);
    EXPECT_EQ(elapsed_microseconds(), 1'000'000) << c.frequency;
  }
}

TEST_F(MicrosecondTimerTest, KeepsCountingPastTheOldWrapPoint) {
  // 2^43 counts at 3.58 MHz is about 28 days; the count must not fall back to 0 there.
  test::ScopedVirtualClock clock(3'579'545);
  elapsed_microseconds();
  const std::uint64_t thirty_days_us = 30ull * 24 * 3600 * 1'000'000;
  clock->advance_nanoseconds(thirty_days_us * 1000);
  EXPECT_EQ(elapsed_microseconds(), static_cast<std::int64_t>(thirty_days_us));
}

TEST_F(MicrosecondTimerTest, DelaysWaitLongerThanAskedAndZeroReadsNothing) {
  test::ScopedVirtualClock clock(1'000'000'000, 1'000);
  delay_microseconds(0);
  EXPECT_FALSE(microsecond_timer().initialised);

  const std::int64_t before = elapsed_microseconds();
  delay_microseconds(1);
  EXPECT_GE(elapsed_microseconds() - before, 2);

  const std::int64_t before_negative = elapsed_microseconds();
  delay_microseconds(-5);
  EXPECT_EQ(elapsed_microseconds(), before_negative);
}

// A spin would have taken 30,000,001 passes to the same end.
TEST_F(MicrosecondTimerTest, ALongDelayOnVirtualTimeTakesAPassOrTwo) {
  struct Case {
    std::uint64_t frequency;
    std::uint64_t most_passes;
  };
  test::RecordingResponder responder(platform::result_ok);
  for (const Case c : {Case{1'000'000'000, 1}, Case{3'579'545, 2}, Case{0, 2}}) {
    reset_microsecond_timer();
    test::ScopedVirtualClock clock(c.frequency);
    const std::int64_t start = elapsed_microseconds();
    delay_microseconds(30'000'000);
    EXPECT_EQ(elapsed_microseconds() - start, 30'000'001) << c.frequency;
    EXPECT_LE(clock->busy_passes(), c.most_passes) << c.frequency;
  }
}

TEST_F(MicrosecondTimerTest, WithoutACounterSaysSoOnceAndDelaysStillEnd) {
  test::RecordingResponder responder(platform::result_ok);
  test::ScopedVirtualClock clock(0, 1'000);
  EXPECT_EQ(elapsed_microseconds(), 0);
  ASSERT_EQ(responder.shown.size(), 1u);
  EXPECT_EQ(responder.shown[0].text, "Error: No Hi-Res Timer. Use FREQ command-line parameter.");
  EXPECT_EQ(responder.shown[0].buttons, platform::button_ok);
  EXPECT_EQ(microsecond_timer().divisor, MicrosecondTimer::start_frequency);

  delay_microseconds(250);
  EXPECT_GT(clock->monotonic_microseconds(), 250u);
  clock->advance_nanoseconds(one_second_ns);
  EXPECT_NEAR(static_cast<double>(elapsed_microseconds()), 1'000'250.0, 5.0);
  EXPECT_EQ(responder.shown.size(), 1u);
}

TEST_F(MicrosecondTimerTest, TraceTimeIsTheLow32BitsOfElapsed) {
  test::ScopedVirtualClock clock(1'000'000);
  elapsed_microseconds();
  clock->advance_nanoseconds((0x1'0000'0000ull + 7) * 1000);
  EXPECT_EQ(trace_time_us(), 7u);
}

}  // namespace
}  // namespace vx

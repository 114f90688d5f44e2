#include "controls/time_arithmetic.h"

#include <gtest/gtest.h>

#include <climits>

namespace vx::controls {
namespace {

TEST(TimeArithmeticTest, SplitAndJoin) {
  const HoursMinutesSeconds split = SplitSeconds(13 * 3600 + 30 * 60 + 7);
  EXPECT_EQ(split.hours, 13);
  EXPECT_EQ(split.minutes, 30);
  EXPECT_EQ(split.seconds, 7);
  const HoursMinutesSeconds none = SplitSeconds(kNoTime);
  EXPECT_EQ(none.hours + none.minutes + none.seconds, 0);
  EXPECT_EQ(SecondsOf(13, 30, 7), 48607);
  EXPECT_EQ(SecondsOf(25, 0, 0), 3600);
  EXPECT_EQ(SecondsOf(0, 1440, 5), 5);
  EXPECT_EQ(SecondsOf(0, INT_MAX, 0), static_cast<std::int32_t>(INT_MAX * 60LL % kSecondsPerDay));
}

TEST(TimeArithmeticTest, Validity) {
  EXPECT_TRUE(TimeIsValid(0, 0, 0));
  EXPECT_TRUE(TimeIsValid(23, 59, 59));
  EXPECT_FALSE(TimeIsValid(24, 0, 0));
  EXPECT_FALSE(TimeIsValid(0, 60, 0));
  EXPECT_FALSE(TimeIsValid(0, 0, 60));
  EXPECT_FALSE(TimeIsValid(-1, 0, 0));
}

TEST(TimeArithmeticTest, AddAndSubtractWrapAtMidnight) {
  EXPECT_EQ(AddToSeconds(SecondsOf(23, 0, 0), 2, 0, 0), SecondsOf(1, 0, 0));
  EXPECT_EQ(AddToSeconds(0, 0, 0, 5), 5);
  EXPECT_EQ(SubtractFromSeconds(SecondsOf(1, 0, 0), 2, 0, 0), SecondsOf(23, 0, 0));
  EXPECT_EQ(SubtractFromSeconds(SecondsOf(1, 0, 0), 26, 0, 0), SecondsOf(23, 0, 0));
  EXPECT_EQ(SubtractFromSeconds(100, 0, 0, 40), 60);
}

TEST(TimeArithmeticTest, DateTimeValues) {
  EXPECT_EQ(SecondsFromDateTime({2000, 1, 1, 13, 5, 9}), 13 * 3600 + 5 * 60 + 9);
  const std::int32_t now = NowSeconds();
  EXPECT_GE(now, 0);
  EXPECT_LT(now, kSecondsPerDay);
}

}  // namespace
}  // namespace vx::controls

#include "controls/date_arithmetic.h"

#include <gtest/gtest.h>

#include <climits>

namespace vx::controls {
namespace {

TEST(DateArithmeticTest, LeapYearsAndMonthLengths) {
  EXPECT_TRUE(LeapYear(2000));
  EXPECT_FALSE(LeapYear(1900));
  EXPECT_FALSE(LeapYear(4000));
  EXPECT_TRUE(LeapYear(2024));
  EXPECT_TRUE(DateIsValid(29, 2, 2000, 0));
  EXPECT_FALSE(DateIsValid(29, 2, 1900, 0));
  EXPECT_FALSE(DateIsValid(29, 2, 4000, 0));
  EXPECT_EQ(MonthLength(4, 2001, 0), 30);
  EXPECT_EQ(MonthLength(12, 2001, 0), 31);
  EXPECT_EQ(MonthLength(13, 2001, 0), 0);
  EXPECT_EQ(MonthLength(0, 2001, 0), 0);
  EXPECT_EQ(MonthLength(1, 1599, 0), 0);
  EXPECT_FALSE(DateIsValid(0, 1, 2001, 0));
  EXPECT_FALSE(DateIsValid(32, 1, 2001, 0));
}

TEST(DateArithmeticTest, EpochPlacesTwoDigitYears) {
  EXPECT_EQ(ExpandTwoDigitYear(49, 1950), 2049);
  EXPECT_EQ(ExpandTwoDigitYear(50, 1950), 1950);
  EXPECT_EQ(ExpandTwoDigitYear(49, 0), 49);
  EXPECT_EQ(ExpandTwoDigitYear(1999, 1950), 1999);
  EXPECT_EQ(DayNumberOf(1, 3, 0, 1600), 60);
}

struct DayCase {
  int day, month, year;
  std::int32_t day_number;
};

TEST(DateArithmeticTest, DayNumbers) {
  const DayCase cases[] = {
      {1, 1, 1600, 0},  {31, 1, 1600, 30}, {1, 2, 1600, 31},       {29, 2, 1600, 59},
      {1, 3, 1600, 60}, {1, 1, 1601, 366}, {31, 12, 3999, 876581}, {1, 1, 2000, 146097},
  };
  for (const DayCase& c : cases) {
    EXPECT_EQ(DayNumberOf(c.day, c.month, c.year, 0), c.day_number) << c.day << "." << c.month << "." << c.year;
    const DayMonthYear split = SplitDayNumber(c.day_number);
    EXPECT_EQ(split.day, c.day);
    EXPECT_EQ(split.month, c.month);
    EXPECT_EQ(split.year, c.year);
  }
  EXPECT_EQ(DayNumberOf(30, 2, 2000, 0), kNoDate);
}

TEST(DateArithmeticTest, EveryDayNumberRoundTrips) {
  for (std::int32_t n = 0; n <= kLastDayNumber; ++n) {
    const DayMonthYear date = SplitDayNumber(n);
    ASSERT_EQ(DayNumberOf(date.day, date.month, date.year, 0), n);
  }
}

TEST(DateArithmeticTest, DayNumbersOutsideTheRangeAreNoDate) {
  for (const std::int32_t n : {-1, -2, kLastDayNumber + 1, INT_MAX, INT_MIN}) {
    const DayMonthYear split = SplitDayNumber(n);
    EXPECT_EQ(split.day, 0) << n;
    EXPECT_EQ(split.month, 0) << n;
    EXPECT_EQ(split.year, 0) << n;
    EXPECT_EQ(WeekdayOf(n), 7) << n;
    EXPECT_EQ(AddMonthsClamped(n, 1, 0), kNoDate) << n;
  }
}

TEST(DateArithmeticTest, Weekdays) {
  EXPECT_EQ(WeekdayOf(0), 6);  // Saturday
  EXPECT_EQ(WeekdayOfDate(1, 1, 2000, 0), 6);
  EXPECT_EQ(WeekdayOfDate(4, 7, 2024, 0), 4);
  EXPECT_EQ(WeekdayOfDate(31, 2, 2024, 0), 7);
}

struct MonthStepCase {
  int day, month, year;
  int months, years;
  int to_day, to_month, to_year;
};

TEST(DateArithmeticTest, AddMonthsKeepsTheDayWithinTheTargetMonth) {
  const MonthStepCase cases[] = {
      {31, 1, 2001, 1, 0, 28, 2, 2001},    {31, 1, 2000, 1, 0, 29, 2, 2000},   {29, 2, 2000, 12, 0, 28, 2, 2001},
      {29, 2, 2000, 0, 4, 29, 2, 2004},    {31, 3, 2001, -1, 0, 28, 2, 2001},  {15, 1, 2001, -1, 0, 15, 12, 2000},
      {31, 10, 2001, 14, 0, 31, 12, 2002}, {30, 11, 3999, 1, 0, 30, 12, 3999},
  };
  for (const MonthStepCase& c : cases) {
    const std::int32_t result = AddMonthsClamped(DayNumberOf(c.day, c.month, c.year, 0), c.months, c.years);
    EXPECT_EQ(result, DayNumberOf(c.to_day, c.to_month, c.to_year, 0)) << c.day << "." << c.month << "." << c.year;
  }
  EXPECT_EQ(AddMonthsClamped(kLastDayNumber, 1, 0), kNoDate);
  EXPECT_EQ(AddMonthsClamped(0, -1, 0), kNoDate);
  EXPECT_EQ(AddMonthsClamped(0, 0, INT_MAX), kNoDate);
  EXPECT_EQ(AddMonthsClamped(0, INT_MIN, 0), kNoDate);
}

TEST(DateArithmeticTest, DateTimeValues) {
  EXPECT_EQ(DayNumberFromDateTime({2000, 1, 1, 13, 5, 9}), 146097);
  EXPECT_EQ(DayNumberFromDateTime({2000, 2, 30, 0, 0, 0}), kNoDate);
  EXPECT_GT(TodayDayNumber(), DayNumberOf(1, 1, 2024, 0));
}

}  // namespace
}  // namespace vx::controls

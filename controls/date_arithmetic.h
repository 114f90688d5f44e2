#pragma once

#include <cstdint>

#include "platform/local_time.h"

// Day numbers count from 1 January 1600 (0) to 31 December 3999 (876581);
// -1 is no date. Years below 100 are placed by an epoch (0: left alone).
namespace vx::controls {

constexpr std::int32_t kNoDate = -1;
constexpr std::int32_t kLastDayNumber = 876581;
constexpr int kFirstYear = 1600;
constexpr int kLastYear = 3999;

struct DayMonthYear {
  int day = 0;
  int month = 0;
  int year = 0;
};

bool LeapYear(int year);
int ExpandTwoDigitYear(int year, int epoch);
int MonthLength(int month, int year, int epoch);
bool DateIsValid(int day, int month, int year, int epoch);
std::int32_t DayNumberOf(int day, int month, int year, int epoch);
// 0, 0, 0 for a day number that is no date.
DayMonthYear SplitDayNumber(std::int32_t day_number);
std::int32_t AddMonthsClamped(std::int32_t day_number, int months, int years);
// 0 Sunday to 6 Saturday; 7 for no date.
int WeekdayOf(std::int32_t day_number);
int WeekdayOfDate(int day, int month, int year, int epoch);
std::int32_t TodayDayNumber();
std::int32_t DayNumberFromDateTime(const platform::LocalTime& date_time);

}  // namespace vx::controls

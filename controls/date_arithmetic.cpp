#include "controls/date_arithmetic.h"

#include <algorithm>

namespace vx::controls {
namespace {

constexpr std::int32_t kFirstMarchDay = 60;  // 1 March 1600

bool IsDayNumber(std::int32_t day_number) { return day_number >= 0 && day_number <= kLastDayNumber; }

}  // namespace

bool LeapYear(int year) { return year % 4 == 0 && year % 4000 != 0 && (year % 100 != 0 || year % 400 == 0); }

int ExpandTwoDigitYear(int year, int epoch) {
  if (year >= 100 || epoch == 0) return year;
  const int century = epoch / 100 * 100;
  return year >= epoch % 100 ? year + century : year + century + 100;
}

int MonthLength(int month, int year, int epoch) {
  year = ExpandTwoDigitYear(year, epoch);
  if (year < kFirstYear || year > kLastYear || month < 1 || month > 12) return 0;
  switch (month) {
    case 2:
      return LeapYear(year) ? 29 : 28;
    case 4:
    case 6:
    case 9:
    case 11:
      return 30;
    default:
      return 31;
  }
}

bool DateIsValid(int day, int month, int year, int epoch) { return day >= 1 && day <= MonthLength(month, year, epoch); }

std::int32_t DayNumberOf(int day, int month, int year, int epoch) {
  if (!DateIsValid(day, month, year, epoch)) return kNoDate;
  year = ExpandTwoDigitYear(year, epoch);
  if (year == kFirstYear && month <= 2) return month == 1 ? day - 1 : day + 30;
  if (month > 2) {
    month -= 3;
  } else {
    month += 9;
    year -= 1;
  }
  const int y = year - kFirstYear;
  return y / 100 * 146097 / 4 + y % 100 * 1461 / 4 + (153 * month + 2) / 5 + day + 59;
}

DayMonthYear SplitDayNumber(std::int32_t day_number) {
  if (!IsDayNumber(day_number)) return {};
  if (day_number < kFirstMarchDay) {
    return day_number < 31 ? DayMonthYear{day_number + 1, 1, kFirstYear} : DayMonthYear{day_number - 30, 2, kFirstYear};
  }
  int rest = day_number - kFirstMarchDay;
  const int centuries = (4 * rest + 3) / 146097;
  rest -= centuries * 146097 / 4;
  const int years = (4 * rest + 3) / 1461;
  rest -= years * 1461 / 4;
  const int month = (5 * rest + 2) / 153;  // 0 is March
  const int day = rest - (153 * month + 2) / 5 + 1;
  const int year = kFirstYear + centuries * 100 + years;
  return month < 10 ? DayMonthYear{day, month + 3, year} : DayMonthYear{day, month - 9, year + 1};
}

std::int32_t AddMonthsClamped(std::int32_t day_number, int months, int years) {
  if (!IsDayNumber(day_number)) return kNoDate;
  const DayMonthYear date = SplitDayNumber(day_number);
  // Months since year 0, wide enough that no step overflows.
  const long long total = (date.year + static_cast<long long>(years)) * 12 + (date.month - 1) + months;
  if (total < kFirstYear * 12LL || total > (kLastYear + 1) * 12LL - 1) return kNoDate;
  const int month = static_cast<int>(total % 12) + 1;
  const int year = static_cast<int>(total / 12);
  const std::int32_t first_days = DayNumberOf(std::min(date.day, 28), month, year, 0);
  if (first_days == kNoDate) return kNoDate;
  const int excess = std::max(date.day - 28, 0);
  return first_days + std::min(excess, MonthLength(month, year, 0) - 28);
}

int WeekdayOf(std::int32_t day_number) { return IsDayNumber(day_number) ? (day_number + 6) % 7 : 7; }

int WeekdayOfDate(int day, int month, int year, int epoch) { return WeekdayOf(DayNumberOf(day, month, year, epoch)); }

std::int32_t DayNumberFromDateTime(const platform::LocalTime& date_time) {
  return DayNumberOf(date_time.day, date_time.month, date_time.year, 0);
}

std::int32_t TodayDayNumber() { return DayNumberFromDateTime(platform::local_time()); }

}  // namespace vx::controls

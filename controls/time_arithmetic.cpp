#include "controls/time_arithmetic.h"

namespace vx::controls {

HoursMinutesSeconds SplitSeconds(std::int32_t seconds) {
  if (seconds < 0) return {};
  return {seconds / 3600, seconds % 3600 / 60, seconds % 60};
}

std::int32_t SecondsOf(int hours, int minutes, int seconds) {
  // Wide, so that large minute or second counts wrap by the day, not by 2^32.
  const long long total = (hours % 24) * 3600LL + minutes * 60LL + seconds;
  return static_cast<std::int32_t>(total % kSecondsPerDay);
}

bool TimeIsValid(int hours, int minutes, int seconds) {
  return hours >= 0 && hours <= 23 && minutes >= 0 && minutes <= 59 && seconds >= 0 && seconds <= 59;
}

std::int32_t AddToSeconds(std::int32_t seconds, int hours, int minutes, int add_seconds) {
  return static_cast<std::int32_t>((seconds + static_cast<long long>(SecondsOf(hours, minutes, add_seconds))) %
                                   kSecondsPerDay);
}

std::int32_t SubtractFromSeconds(std::int32_t seconds, int hours, int minutes, int subtract_seconds) {
  const long long result = seconds - static_cast<long long>(SecondsOf(hours % 24, minutes, subtract_seconds));
  return static_cast<std::int32_t>(result < 0 ? result + kSecondsPerDay : result);
}

std::int32_t SecondsFromDateTime(const platform::LocalTime& date_time) {
  return SecondsOf(date_time.hour, date_time.minute, date_time.second);
}

std::int32_t NowSeconds() { return SecondsFromDateTime(platform::local_time()); }

}  // namespace vx::controls

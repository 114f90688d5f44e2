#pragma once

#include <cstdint>

#include "platform/local_time.h"

// Seconds since midnight, 0 to 86399; -1 is no time.
namespace vx::controls {

constexpr std::int32_t kNoTime = -1;
constexpr std::int32_t kSecondsPerDay = 86400;

struct HoursMinutesSeconds {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
};

// 0, 0, 0 for no time.
HoursMinutesSeconds SplitSeconds(std::int32_t seconds);
std::int32_t SecondsOf(int hours, int minutes, int seconds);
bool TimeIsValid(int hours, int minutes, int seconds);
std::int32_t AddToSeconds(std::int32_t seconds, int hours, int minutes, int add_seconds);
std::int32_t SubtractFromSeconds(std::int32_t seconds, int hours, int minutes, int subtract_seconds);
std::int32_t NowSeconds();
std::int32_t SecondsFromDateTime(const platform::LocalTime& date_time);

}  // namespace vx::controls

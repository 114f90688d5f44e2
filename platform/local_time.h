#pragma once

namespace vx::platform {

// The calendar time of the user's time zone, for texts that show when something was written.
struct LocalTime {
  int year = 0;  // e.g. 2024
  int month = 0;  // 1-12
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

LocalTime local_time();

}  // namespace vx::platform

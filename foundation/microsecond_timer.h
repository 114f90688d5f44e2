#pragma once

#include <cstdint>

namespace vx {

// Turns the platform's high-resolution counter into microseconds since the
// first reading. The start values are those of the classic 1,193,182 Hz
// timer, which also paces the readings when the platform has no counter.
struct MicrosecondTimer {
  static constexpr std::uint64_t start_frequency = 1'193'182;

  bool initialised = false;
  std::uint64_t counter_frequency = start_frequency;
  std::uint64_t multiplier = 1'000'000;
  std::uint64_t divisor = start_frequency;
  std::uint64_t base_reading = 0;
  // Kept for the program trace's timestamps.
  std::uint64_t last_raw_reading = 0;
  std::uint64_t last_relative_reading = 0;
  std::int64_t last_microseconds = 0;
};

MicrosecondTimer& microsecond_timer();
// Back to the start values; the next reading calibrates again.
void reset_microsecond_timer();

void init_timer_frequency();
std::int64_t elapsed_microseconds();
// Takes 64 bits so that long millisecond delays cannot turn negative.
void delay_microseconds(std::int64_t microseconds);
void read_performance_counter(std::uint64_t& count, bool relative);
std::uint32_t trace_time_us();

}  // namespace vx

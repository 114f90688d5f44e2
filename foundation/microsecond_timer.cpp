#include "foundation/microsecond_timer.h"

#include <limits>

#include "foundation/system_helpers.h"
#include "platform/clock.h"

namespace vx {
namespace {

constexpr std::uint64_t fast_counter_threshold = 100'000'000;
constexpr std::uint64_t top_bit_clear = std::numeric_limits<std::int64_t>::max();

MicrosecondTimer timer_state;

// Without a high-resolution counter the platform clock stands in, counted at
// the start frequency, so readings advance and delays still end.
std::uint64_t platform_counter_reading() {
  platform::Clock& clock = platform::clock();
  if (clock.counter_frequency() != 0) return clock.read_counter();
  const unsigned __int128 microseconds = clock.monotonic_microseconds();
  return static_cast<std::uint64_t>(microseconds * MicrosecondTimer::start_frequency / 1'000'000);
}

}  // namespace

MicrosecondTimer& microsecond_timer() { return timer_state; }

void reset_microsecond_timer() { timer_state = MicrosecondTimer{}; }

void init_timer_frequency() {
  timer_state.initialised = true;
  const std::uint64_t frequency = platform::clock().counter_frequency();
  timer_state.base_reading = platform_counter_reading() & top_bit_clear;
  if (frequency != 0) {
    timer_state.counter_frequency = frequency;
    if (frequency < fast_counter_threshold) {
      timer_state.multiplier = 1'000'000;
      timer_state.divisor = frequency;
    } else {
      timer_state.multiplier = 1000;
      timer_state.divisor = frequency / 1000;
    }
  } else {
    safe_message_dlg(0, "Error: No Hi-Res Timer. Use FREQ command-line parameter.", platform::DialogKind::error,
                     platform::button_ok, 0);
  }
  timer_state.last_microseconds = 0;
}

void read_performance_counter(std::uint64_t& count, bool relative) {
  count = platform_counter_reading() & top_bit_clear;
  timer_state.last_raw_reading = count;
  if (relative) {
    if (count < timer_state.base_reading) timer_state.base_reading = count;
    count -= timer_state.base_reading;
    timer_state.last_relative_reading = count;
  }
}

// Scaled in 128 bits: no mask, so the count never wraps back to 0.
std::int64_t elapsed_microseconds() {
  if (!timer_state.initialised) init_timer_frequency();
  std::uint64_t relative_reading = 0;
  read_performance_counter(relative_reading, true);
  const unsigned __int128 scaled =
      static_cast<unsigned __int128>(relative_reading) * timer_state.multiplier / timer_state.divisor;
  constexpr auto largest = static_cast<unsigned __int128>(std::numeric_limits<std::int64_t>::max());
  timer_state.last_microseconds = static_cast<std::int64_t>(scaled > largest ? largest : scaled);
  return timer_state.last_microseconds;
}

void delay_microseconds(std::int64_t microseconds) {
  if (microseconds == 0) return;
  const std::int64_t start = elapsed_microseconds();
  for (std::int64_t waited = 0; waited <= microseconds; waited = elapsed_microseconds() - start) {
    platform::clock().wait_step(static_cast<std::uint64_t>(microseconds + 1 - waited));
  }
}

std::uint32_t trace_time_us() { return static_cast<std::uint32_t>(elapsed_microseconds()); }

}  // namespace vx

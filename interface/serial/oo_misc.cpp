#include "interface/serial/oo_misc.h"

#include <algorithm>
#include <limits>

#include "platform/clock.h"
#include "platform/ws/application.h"

namespace vx::serial {
namespace {

MillisecondCounter counter_state;

void init_millisecond_counter() {
  const std::uint64_t frequency = platform::clock().counter_frequency();
  counter_state.initialised = true;
  counter_state.counts_per_ms = 0;
  if (frequency != 0 && frequency <= std::numeric_limits<std::uint32_t>::max()) {
    counter_state.counts_per_ms = frequency / 1000 + (frequency % 1000 > 500 ? 1 : 0);
  }
}

std::int32_t now_ticks() { return static_cast<std::int32_t>(ElapsedMs() / tick_ms); }

}  // namespace

MillisecondCounter& millisecond_counter() { return counter_state; }

void reset_millisecond_counter() { counter_state = MillisecondCounter{}; }

std::uint32_t ElapsedMs() {
  if (!counter_state.initialised) init_millisecond_counter();
  platform::Clock& clock = platform::clock();
  if (counter_state.counts_per_ms != 0) {
    return static_cast<std::uint32_t>(clock.read_counter() / counter_state.counts_per_ms);
  }
  return static_cast<std::uint32_t>(clock.monotonic_microseconds() / 1000);
}

void StartTickTimer(EventTimer& timer, std::int32_t ticks) {
  timer.StartTicks = now_ticks();
  timer.ExpireTicks = timer.StartTicks + std::min(ticks, max_ticks);
}

bool TickTimerExpired(const EventTimer& timer) {
  const std::int32_t now = now_ticks();
  if (now > timer.ExpireTicks) return true;
  return now < timer.StartTicks && now + max_ticks > timer.ExpireTicks;
}

// The window system hands out what is pending as a whole; a caller that
// waits for one message is served as well by all of them.
void PumpOneMessage() { ws::process_messages(); }

}  // namespace vx::serial

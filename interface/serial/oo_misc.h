#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// The component base and the timing and message-pump helpers of the serial-port stack.
namespace vx::serial {

// Base of the serial-port components.
class TApdBaseComponent {
 public:
  virtual ~TApdBaseComponent() = default;

  ShortText Version() const { return "v4.05"; }
  // Writing the version has no effect.
  void SetVersion(const ShortText&) {}

  // While set, the component is being loaded from its stored form.
  bool Loading() const { return loading_; }
  void SetLoading(bool loading) { loading_ = loading; }

 private:
  bool loading_ = false;
};

// How milliseconds are counted: from the high-resolution counter when it
// has a frequency that fits 32 bits, else from the monotonic clock.
struct MillisecondCounter {
  bool initialised = false;
  std::uint64_t counts_per_ms = 0;
};

MillisecondCounter& millisecond_counter();
void reset_millisecond_counter();

// Milliseconds, wrapping at 2^32.
std::uint32_t ElapsedMs();

inline constexpr std::uint32_t tick_ms = 55;
// The most ticks a timer can run: the largest signed 32-bit value divided by 55.
inline constexpr std::int32_t max_ticks = 39'045'157;

struct EventTimer {
  std::int32_t StartTicks = 0;
  std::int32_t ExpireTicks = 0;
};

void StartTickTimer(EventTimer& timer, std::int32_t ticks);
bool TickTimerExpired(const EventTimer& timer);

// Handles the window messages pending for the main thread, without waiting.
void PumpOneMessage();

}  // namespace vx::serial

#pragma once

#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace vx::sim {

// The clock of a simulated run. Virtual: time moves only when the program
// waits or the simulated hardware works, and before the program's own waits
// let it move, the USB library thread catches up with what the simulated
// bus reported, so a run is the same every time. Real: the wall clock, and
// hardware work takes its time for real.
class SimClock final : public platform::Clock {
 public:
  enum class Mode : std::uint8_t { virtual_time, real_time };

  explicit SimClock(Mode mode = Mode::virtual_time);

  std::uint64_t counter_frequency() override;
  std::uint64_t read_counter() override;
  std::uint64_t monotonic_microseconds() override;
  void sleep_microseconds(std::uint64_t microseconds) override;
  void spin() override;
  void wait_step(std::uint64_t microseconds) override;
  void wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) override;

  // Virtual: a program's wait does not move time while this says a simulated
  // device on a thread of its own is still working on what it was sent.
  // Set and cleared by the main thread only.
  void set_busy_check(std::function<bool()> busy) { busy_ = std::move(busy); }

  // Time that simulated hardware takes; callable from any thread, never waits for callbacks.
  void advance_nanoseconds(std::uint64_t nanoseconds);
  std::uint64_t now_nanoseconds();
  Mode mode() const { return mode_; }

 private:
  // Virtual: what must be done before a program's wait lets time move.
  void settle();

  const Mode mode_;
  std::function<bool()> busy_;
  platform::VirtualClock virtual_;
  platform::MonotonicClock real_;
};

}  // namespace vx::sim

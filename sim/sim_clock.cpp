#include "sim/sim_clock.h"

#include <thread>

#include "platform/wdusb.h"

namespace vx::sim {

SimClock::SimClock(Mode mode) : mode_(mode) {}

std::uint64_t SimClock::counter_frequency() {
  return mode_ == Mode::virtual_time ? virtual_.counter_frequency() : real_.counter_frequency();
}

std::uint64_t SimClock::read_counter() {
  return mode_ == Mode::virtual_time ? virtual_.read_counter() : real_.read_counter();
}

std::uint64_t SimClock::monotonic_microseconds() {
  return mode_ == Mode::virtual_time ? virtual_.monotonic_microseconds() : real_.monotonic_microseconds();
}

void SimClock::sleep_microseconds(std::uint64_t microseconds) {
  if (mode_ == Mode::real_time) return real_.sleep_microseconds(microseconds);
  platform::wdusb_wait_for_callbacks();
  virtual_.sleep_microseconds(microseconds);
}

void SimClock::spin() {
  if (mode_ == Mode::real_time) return;
  settle();
  virtual_.spin();
}

// The simulated devices follow the clock when they are next used, so a jump
// to the end needs nothing more of them than a spin does.
void SimClock::wait_step(std::uint64_t microseconds) {
  if (mode_ == Mode::real_time) return real_.wait_step(microseconds);
  settle();
  virtual_.wait_step(microseconds);
}

void SimClock::wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) {
  if (mode_ == Mode::real_time) return real_.wait_readable(fds, microseconds);
  settle();
  virtual_.wait_readable(fds, microseconds);
}

void SimClock::settle() {
  platform::wdusb_wait_for_callbacks();
  if (!busy_) return;
  while (busy_()) std::this_thread::yield();
}

void SimClock::advance_nanoseconds(std::uint64_t nanoseconds) {
  if (mode_ == Mode::real_time) return real_.sleep_microseconds(nanoseconds / 1000);
  virtual_.advance_nanoseconds(nanoseconds);
}

std::uint64_t SimClock::now_nanoseconds() {
  return mode_ == Mode::virtual_time ? virtual_.now_nanoseconds() : real_.read_counter();
}

}  // namespace vx::sim

#include "platform/clock.h"

#include <atomic>
#include <cerrno>
#include <ctime>

namespace vx::platform {
namespace {

constexpr std::uint64_t nanoseconds_per_second = 1'000'000'000;

std::uint64_t monotonic_nanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * nanoseconds_per_second + static_cast<std::uint64_t>(now.tv_nsec);
}

MonotonicClock& monotonic_clock() {
  static MonotonicClock instance;
  return instance;
}

std::atomic<Clock*> installed_clock{nullptr};

}  // namespace

std::uint64_t MonotonicClock::counter_frequency() { return nanoseconds_per_second; }

std::uint64_t MonotonicClock::read_counter() { return monotonic_nanoseconds(); }

std::uint64_t MonotonicClock::monotonic_microseconds() { return monotonic_nanoseconds() / 1000; }

void MonotonicClock::sleep_microseconds(std::uint64_t microseconds) {
  timespec remaining{static_cast<time_t>(microseconds / 1'000'000), static_cast<long>(microseconds % 1'000'000) * 1000};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

void MonotonicClock::spin() {}

VirtualClock::VirtualClock(std::uint64_t frequency, std::uint64_t spin_step_ns)
    : frequency_(frequency), spin_step_ns_(spin_step_ns) {}

std::uint64_t VirtualClock::counter_frequency() { return frequency_; }

std::uint64_t VirtualClock::read_counter() {
  std::lock_guard lock(mutex_);
  return static_cast<std::uint64_t>(static_cast<unsigned __int128>(now_ns_) * frequency_ / nanoseconds_per_second);
}

std::uint64_t VirtualClock::monotonic_microseconds() {
  std::lock_guard lock(mutex_);
  return now_ns_ / 1000;
}

void VirtualClock::sleep_microseconds(std::uint64_t microseconds) { advance_nanoseconds(microseconds * 1000); }

void VirtualClock::spin() { advance_nanoseconds(spin_step_ns_); }

void VirtualClock::advance_nanoseconds(std::uint64_t nanoseconds) {
  std::lock_guard lock(mutex_);
  now_ns_ += nanoseconds;
}

std::uint64_t VirtualClock::now_nanoseconds() {
  std::lock_guard lock(mutex_);
  return now_ns_;
}

Clock& clock() {
  Clock* current = installed_clock.load(std::memory_order_acquire);
  return current != nullptr ? *current : monotonic_clock();
}

Clock* install_clock(Clock* replacement) {
  Clock* previous = installed_clock.exchange(replacement, std::memory_order_acq_rel);
  return previous != nullptr ? previous : &monotonic_clock();
}

}  // namespace vx::platform

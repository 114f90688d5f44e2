#include "platform/clock.h"

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <ctime>
#include <utility>

namespace vx::platform {
namespace {

constexpr std::uint64_t nanoseconds_per_second = 1'000'000'000;
// The end of a wait is busy-waited for this long; before it the wait sleeps in slices.
constexpr std::uint64_t busy_end_us = 2'000;
constexpr std::uint64_t sleep_slice_us = 1'000;

std::uint64_t monotonic_nanoseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return static_cast<std::uint64_t>(now.tv_sec) * nanoseconds_per_second + static_cast<std::uint64_t>(now.tv_nsec);
}

timespec timespec_of(std::uint64_t microseconds) {
  return {static_cast<time_t>(microseconds / 1'000'000), static_cast<long>(microseconds % 1'000'000) * 1000};
}

thread_local const DescriptorWaiter* thread_waiter = nullptr;

// True when the time ran out. A signal ends the block like a readable
// descriptor: the caller looks again.
bool block_on(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) {
  if (thread_waiter != nullptr) {
    // A wait inside the waiter's own event handling blocks as usual.
    const DescriptorWaiter* waiter = std::exchange(thread_waiter, nullptr);
    const bool ran_out = (*waiter)(fds, microseconds);
    thread_waiter = waiter;
    return ran_out;
  }
  const timespec limit = timespec_of(microseconds.value_or(0));
  return ppoll(fds.data(), fds.size(), microseconds ? &limit : nullptr, nullptr) == 0;
}

MonotonicClock& monotonic_clock() {
  static MonotonicClock instance;
  return instance;
}

std::atomic<Clock*> installed_clock{nullptr};

}  // namespace

ThreadWaiterScope::ThreadWaiterScope(const DescriptorWaiter& waiter) : previous_(thread_waiter) {
  thread_waiter = &waiter;
}

ThreadWaiterScope::~ThreadWaiterScope() { thread_waiter = previous_; }

std::uint64_t MonotonicClock::counter_frequency() { return nanoseconds_per_second; }

std::uint64_t MonotonicClock::read_counter() { return monotonic_nanoseconds(); }

std::uint64_t MonotonicClock::monotonic_microseconds() { return monotonic_nanoseconds() / 1000; }

void MonotonicClock::sleep_microseconds(std::uint64_t microseconds) {
  timespec remaining = timespec_of(microseconds);
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

void MonotonicClock::spin() {}

void MonotonicClock::wait_step(std::uint64_t microseconds) {
  if (microseconds > busy_end_us) sleep_microseconds(std::min(microseconds - busy_end_us, sleep_slice_us));
}

void MonotonicClock::wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) {
  block_on(fds, microseconds);
}

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

void VirtualClock::spin() { busy_pass(spin_step_ns_); }

// Never less than a spin: a pass must let time move on.
void VirtualClock::wait_step(std::uint64_t microseconds) { busy_pass(std::max(microseconds * 1000, spin_step_ns_)); }

void VirtualClock::wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) {
  const std::uint64_t start = monotonic_nanoseconds();
  const bool ran_out = block_on(fds, microseconds);
  const std::uint64_t blocked_ns = monotonic_nanoseconds() - start;
  if (!microseconds) return advance_nanoseconds(blocked_ns);
  advance_nanoseconds(ran_out ? *microseconds * 1000 : std::min(blocked_ns, *microseconds * 1000));
}

void VirtualClock::advance_nanoseconds(std::uint64_t nanoseconds) {
  std::lock_guard lock(mutex_);
  now_ns_ += nanoseconds;
}

void VirtualClock::busy_pass(std::uint64_t nanoseconds) {
  std::lock_guard lock(mutex_);
  now_ns_ += nanoseconds;
  ++busy_passes_;
}

std::uint64_t VirtualClock::busy_passes() {
  std::lock_guard lock(mutex_);
  return busy_passes_;
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

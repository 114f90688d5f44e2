#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <span>

struct pollfd;

namespace vx::platform {

// Every reading of time and every wait of the system goes through the
// installed clock, so tests can run on virtual time.
class Clock {
 public:
  virtual ~Clock() = default;

  // Counts per second of the high-resolution counter; 0 when there is none.
  virtual std::uint64_t counter_frequency() = 0;
  // The high-resolution counter; meaningless when the frequency is 0.
  virtual std::uint64_t read_counter() = 0;
  // Microseconds of a monotonic clock that is always available.
  virtual std::uint64_t monotonic_microseconds() = 0;
  // A wait that gives the processor away.
  virtual void sleep_microseconds(std::uint64_t microseconds) = 0;
  // One pass of a busy wait: lets time move on without giving the processor away.
  virtual void spin() = 0;
  // One pass of a wait that ends `microseconds` from now, for loops that
  // service something between passes. A real clock sleeps a short slice
  // while the end is far off and busy-waits the last stretch, where a sleep
  // would overshoot; a virtual one is at the end at once, and moves at least
  // as far as a spin.
  virtual void wait_step(std::uint64_t microseconds) = 0;
  // Blocks until one of `fds` is readable, a signal arrives, or the limit of
  // `microseconds` has passed, when there is one.
  virtual void wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) = 0;
};

// The clock on CLOCK_MONOTONIC, with a nanosecond counter.
class MonotonicClock final : public Clock {
 public:
  std::uint64_t counter_frequency() override;
  std::uint64_t read_counter() override;
  std::uint64_t monotonic_microseconds() override;
  void sleep_microseconds(std::uint64_t microseconds) override;
  void spin() override;
  void wait_step(std::uint64_t microseconds) override;
  void wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) override;
};

// Virtual time: it only moves when someone waits, spins or advances it, so
// a 30 s wait costs nothing. Only a block on descriptors takes real time:
// it waits for someone outside, and time moves on by what it took (at most
// its limit), so an idle program neither spins nor races through its
// timers. Safe to use from several threads.
class VirtualClock final : public Clock {
 public:
  // frequency 0 models a platform without a high-resolution counter.
  explicit VirtualClock(std::uint64_t frequency = 1'000'000'000, std::uint64_t spin_step_ns = 1'000);

  std::uint64_t counter_frequency() override;
  std::uint64_t read_counter() override;
  std::uint64_t monotonic_microseconds() override;
  void sleep_microseconds(std::uint64_t microseconds) override;
  void spin() override;
  void wait_step(std::uint64_t microseconds) override;
  void wait_readable(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds) override;

  void advance_nanoseconds(std::uint64_t nanoseconds);
  std::uint64_t now_nanoseconds();
  // Passes of busy waits so far: spins and wait steps.
  std::uint64_t busy_passes();

 private:
  void busy_pass(std::uint64_t nanoseconds);

  std::mutex mutex_;
  const std::uint64_t frequency_;
  const std::uint64_t spin_step_ns_;
  std::uint64_t now_ns_ = 0;
  std::uint64_t busy_passes_ = 0;
};

// Waits on descriptors in place of ppoll for the calling thread while a
// scope installs it: a display's event loop must see its own events during
// the window system's idle wait. True when the limit ran out.
using DescriptorWaiter = std::function<bool(std::span<pollfd> fds, std::optional<std::uint64_t> microseconds)>;

class ThreadWaiterScope {
 public:
  explicit ThreadWaiterScope(const DescriptorWaiter& waiter);
  ~ThreadWaiterScope();
  ThreadWaiterScope(const ThreadWaiterScope&) = delete;
  ThreadWaiterScope& operator=(const ThreadWaiterScope&) = delete;

 private:
  const DescriptorWaiter* previous_;
};

// The installed clock; the monotonic clock unless a test installed another.
Clock& clock();
// Installs a clock (nullptr restores the monotonic clock) and returns the previous one.
Clock* install_clock(Clock* replacement);

}  // namespace vx::platform

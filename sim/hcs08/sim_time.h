#pragma once

#include <cstdint>

namespace vx::sim {

// Simulated time: bus cycles counted at the bus clock of the moment, in exact picoseconds. The
// cycles at one clock are summed and turned into time only when the time is read or the clock
// changes, which gives the same picoseconds as turning each step into time.
class SimTime {
 public:
  void add_cycles(std::uint64_t cycles, std::uint64_t bus_hz) {
    if (bus_hz != pending_hz_) settle(bus_hz);
    cycles_ += cycles;
    pending_ += cycles;
  }
  // Time passing without bus cycles (power off, stop mode).
  void advance_to_ps(std::uint64_t ps);
  // Bus cycles at bus_hz that bring the time to target_ps or just past it.
  std::uint64_t cycles_until(std::uint64_t target_ps, std::uint64_t bus_hz) const;

  std::uint64_t cycles() const { return cycles_; }
  std::uint64_t ps() const { return settled().ps; }

 private:
  struct Settled {
    std::uint64_t ps = 0;
    std::uint64_t remainder = 0;  // picosecond fraction, in units of 1 / remainder_hz
    std::uint64_t remainder_hz = 0;
  };
  // The time with the pending cycles turned into picoseconds.
  Settled settled() const;
  void settle(std::uint64_t next_hz);

  std::uint64_t cycles_ = 0;
  Settled time_;
  std::uint64_t pending_ = 0;  // cycles at pending_hz not yet in time_
  std::uint64_t pending_hz_ = 0;
};

}  // namespace vx::sim

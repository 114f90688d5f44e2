#pragma once

#include <cstdint>

namespace vx::sim {

// Simulated time: bus cycles counted at the bus clock of the moment, in exact picoseconds.
class SimTime {
 public:
  void add_cycles(std::uint64_t cycles, std::uint64_t bus_hz);
  // Time passing without bus cycles (power off, stop mode).
  void advance_to_ps(std::uint64_t ps);
  // Bus cycles at bus_hz that bring the time to target_ps or just past it.
  std::uint64_t cycles_until(std::uint64_t target_ps, std::uint64_t bus_hz) const;

  std::uint64_t cycles() const { return cycles_; }
  std::uint64_t ps() const { return ps_; }

 private:
  std::uint64_t cycles_ = 0;
  std::uint64_t ps_ = 0;
  std::uint64_t remainder_ = 0;  // picosecond fraction, in units of 1 / bus_hz
  std::uint64_t remainder_hz_ = 0;
};

}  // namespace vx::sim

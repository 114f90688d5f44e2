#pragma once

#include <cstdint>

#include "sim/hcs08/device_config.h"

namespace vx::sim {

// The computer-operating-properly watchdog and the write-once SOPT1 register that sets it up.
// It runs from reset with the longest timeout until software writes SOPT1.
class Cop {
 public:
  static constexpr std::uint8_t kStopEnable = 0x20;

  explicit Cop(const DeviceConfig& config) : config_(config) { reset(); }

  void reset();
  std::uint8_t sopt1() const { return sopt1_; }
  // Only the first write after reset takes effect.
  void write_sopt1(std::uint8_t value);
  void refresh() { count_ = 0; }
  bool stop_enabled() const { return (sopt1_ & kStopEnable) != 0; }
  // Counts bus cycles; true once the timeout has run out.
  bool advance(std::uint64_t cycles) {
    const std::uint32_t timeout = config_.cop_timeouts[sopt1_ >> 6];
    if (timeout == 0) return false;
    count_ += cycles;
    return count_ >= timeout;
  }
  // Bus cycles until the timeout; UINT64_MAX while the watchdog is off.
  std::uint64_t cycles_left() const;

 private:
  const DeviceConfig& config_;
  std::uint8_t sopt1_ = 0;
  bool written_ = false;
  std::uint64_t count_ = 0;
};

}  // namespace vx::sim

#pragma once

#include <cstdint>

#include "sim/hcs08/device_config.h"

namespace vx::sim {

// The internal clock as the trim registers set it. The frequency is worked out when they change,
// not at each bus cycle that asks for it.
class BusClock {
 public:
  explicit BusClock(const ClockConfig& config) : config_(config) { reset(); }

  void reset();
  // Writes to the trim and fine-trim registers; they read back as written.
  void write_trim(std::uint8_t value);
  void write_fine_trim_register(std::uint8_t value);
  std::uint8_t trim() const { return trim_; }
  std::uint8_t fine_trim_register() const { return fine_register_; }

  std::uint64_t bus_hz() const { return bus_hz_; }
  // The background debug controller's clock: the bus clock with CLKSW set, else the alternate clock.
  std::uint64_t bdc_hz(bool clksw) const;

 private:
  void retrim();

  const ClockConfig& config_;
  std::uint8_t trim_ = 0;
  std::uint8_t fine_register_ = 0;
  std::uint64_t bus_hz_ = 0;
};

}  // namespace vx::sim

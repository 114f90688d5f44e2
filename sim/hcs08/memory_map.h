#pragma once

#include <array>
#include <cstdint>

#include "sim/hcs08/device_config.h"

namespace vx::sim {

enum class Region : std::uint8_t { Unimplemented, Register, Ram, Flash };

// What lies at each of the 64 K addresses of a device.
class MemoryMap {
 public:
  explicit MemoryMap(const DeviceConfig& config);
  Region at(std::uint16_t address) const { return regions_[address]; }
  // Bus::kPlainRead and kPlainWrite for each address: RAM is both, flash is read in place.
  const std::uint8_t* plain() const { return plain_.data(); }

 private:
  std::array<Region, 0x10000> regions_{};
  std::array<std::uint8_t, 0x10000> plain_{};
};

}  // namespace vx::sim

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

 private:
  std::array<Region, 0x10000> regions_{};
};

}  // namespace vx::sim

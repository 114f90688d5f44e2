#pragma once

#include <cstdint>

namespace vx::sim {

// What the CPU sees of the memory map: every access is one bus access.
class Bus {
 public:
  virtual ~Bus() = default;
  virtual std::uint8_t read(std::uint16_t address) = 0;
  virtual void write(std::uint16_t address, std::uint8_t value) = 0;
};

}  // namespace vx::sim

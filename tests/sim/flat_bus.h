#pragma once

#include <array>
#include <cstdint>

#include "sim/hcs08/bus.h"

namespace vx::sim::test {

// 64 KB of plain memory, as the peer simulator sees the address space.
class FlatBus final : public Bus {
 public:
  std::uint8_t read(std::uint16_t address) override { return memory[address]; }
  void write(std::uint16_t address, std::uint8_t value) override { memory[address] = value; }

  std::array<std::uint8_t, 0x10000> memory{};
};

}  // namespace vx::sim::test

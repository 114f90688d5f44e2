#pragma once

#include <array>
#include <cstdint>

#include "sim/hcs08/bus.h"

namespace vx::sim::test {

// 64 KB of plain memory, as the peer simulator sees the address space.
class FlatBus final : public Bus {
 public:
  FlatBus() {
    plain_.fill(kPlainRead | kPlainWrite);
    map_plain_memory(memory.data(), plain_.data());
  }

  std::array<std::uint8_t, 0x10000> memory{};

 private:
  std::array<std::uint8_t, 0x10000> plain_{};
};

}  // namespace vx::sim::test

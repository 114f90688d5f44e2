#pragma once

#include <cstdint>
#include <vector>

namespace vx::sim {

// A reply word as every medium carries it: high byte first.
inline void push_word(std::vector<std::uint8_t>& reply, std::uint16_t word) {
  reply.push_back(static_cast<std::uint8_t>(word >> 8));
  reply.push_back(static_cast<std::uint8_t>(word));
}

}  // namespace vx::sim

#pragma once

#include <cstdint>

namespace vx::sim {

// Condition code register bits; bits 6 and 5 always read as 1.
namespace ccr {
inline constexpr std::uint8_t C = 0x01;
inline constexpr std::uint8_t Z = 0x02;
inline constexpr std::uint8_t N = 0x04;
inline constexpr std::uint8_t I = 0x08;
inline constexpr std::uint8_t H = 0x10;
inline constexpr std::uint8_t ONES = 0x60;
inline constexpr std::uint8_t V = 0x80;
}  // namespace ccr

struct CpuRegisters {
  std::uint8_t a = 0;
  std::uint16_t hx = 0;
  std::uint16_t sp = 0x00FF;
  std::uint16_t pc = 0;
  std::uint8_t ccr = ccr::ONES | ccr::I;

  std::uint8_t h() const { return static_cast<std::uint8_t>(hx >> 8); }
  std::uint8_t x() const { return static_cast<std::uint8_t>(hx); }
  void set_h(std::uint8_t value) { hx = static_cast<std::uint16_t>((value << 8) | (hx & 0xFF)); }
  void set_x(std::uint8_t value) { hx = static_cast<std::uint16_t>((hx & 0xFF00) | value); }
};

}  // namespace vx::sim

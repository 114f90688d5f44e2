#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

// The trim value that CM measured and PT programs into the device's
// non-volatile trim locations.
namespace vx::programmer {

namespace trim_type {
// One 8-bit trim byte.
inline constexpr std::uint8_t eight_bit = 1;
// Eight bits in the trim byte, the fine-trim bit in a second location.
inline constexpr std::uint8_t nine_bit = 9;
// As nine_bit; the second location also holds two bits of the channel-26 reading, whose low
// byte lies in the location before it.
inline constexpr std::uint8_t nine_bit_with_reference = 99;
}  // namespace trim_type

struct TrimState {
  bool enabled = false;
  std::uint8_t type = trim_type::eight_bit;
  // The trim byte; for the 9-bit types trim byte x 2 + fine bit.
  std::uint16_t value = 0;
  std::uint16_t address = 0;
  std::uint16_t second_address = 0;
  std::uint8_t fine_mask = 0;
  std::uint16_t channel26 = 0;
};

TrimState& trim_state();
// As every CM starts.
void reset_trim_state();

// A value the device can use: not all zeros nor all ones in its trim bits.
bool trim_value_valid(const TrimState& trim);

struct TrimLocation {
  std::uint16_t address = 0;
  std::uint8_t value = 0;
  std::string_view name;
};

// The locations PT programs, in order, with their values.
std::vector<TrimLocation> trim_locations(const TrimState& trim);

}  // namespace vx::programmer

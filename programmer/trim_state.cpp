#include "programmer/trim_state.h"

namespace vx::programmer {
namespace {

TrimState state;

}  // namespace

TrimState& trim_state() { return state; }

void reset_trim_state() { state = TrimState{}; }

bool trim_value_valid(const TrimState& trim) {
  if (trim.type == trim_type::eight_bit) {
    const auto byte = static_cast<std::uint8_t>(trim.value);
    return byte != 0x00 && byte != 0xFF;
  }
  return trim.value != 0 && (trim.value & 0x1FF) != 0x1FF;
}

std::vector<TrimLocation> trim_locations(const TrimState& trim) {
  if (trim.type == trim_type::eight_bit) {
    return {{trim.address, static_cast<std::uint8_t>(trim.value), "Trim"}};
  }
  const auto trim_byte = static_cast<std::uint8_t>(trim.value >> 1);
  const std::uint8_t fine = (trim.value & 1) != 0 ? trim.fine_mask : 0;
  if (trim.type == trim_type::nine_bit) {
    return {{trim.address, trim_byte, "Trim"}, {trim.second_address, fine, "FTrim"}};
  }
  const auto reference_bits = static_cast<std::uint8_t>((trim.channel26 >> 2) & 0xC0);
  return {{trim.address, trim_byte, "Trim"},
          {trim.second_address, static_cast<std::uint8_t>(reference_bits | fine), "FTrim/ADC26H"},
          {static_cast<std::uint16_t>(trim.second_address - 1), static_cast<std::uint8_t>(trim.channel26), "ADC26L"}};
}

}  // namespace vx::programmer

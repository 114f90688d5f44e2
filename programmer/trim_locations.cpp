#include "programmer/trim_locations.h"

namespace vx::programmer {

bool trim_value_valid(const TrimState& trim) {
  if (trim.type == TrimType::byte) {
    const auto byte = static_cast<std::uint8_t>(trim.value);
    return byte != 0x00 && byte != 0xFF;
  }
  return trim.value != 0 && (trim.value & 0x1FF) != 0x1FF;
}

std::vector<TrimLocation> trim_locations(const TrimState& trim) {
  if (trim.type == TrimType::byte) return {{trim.address, static_cast<std::uint8_t>(trim.value), "Trim"}};
  const auto trim_byte = static_cast<std::uint8_t>(trim.value >> 1);
  const std::uint8_t fine = (trim.value & 1) != 0 ? trim.fine_mask : 0;
  if (trim.type == TrimType::nine_bit) return {{trim.address, trim_byte, "Trim"}, {trim.fine_address, fine, "FTrim"}};
  // Two bits of the channel-26 reading share the fine-trim location; its low byte goes before it.
  const auto reading_bits = static_cast<std::uint8_t>((trim.channel26_reading >> 2) & 0xC0);
  return {{trim.address, trim_byte, "Trim"},
          {trim.fine_address, static_cast<std::uint8_t>(reading_bits | fine), "FTrim/ADC26H"},
          {static_cast<std::uint16_t>(trim.fine_address - 1), static_cast<std::uint8_t>(trim.channel26_reading),
           "ADC26L"}};
}

}  // namespace vx::programmer

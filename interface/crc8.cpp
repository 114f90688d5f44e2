#include "interface/crc8.h"

#include <array>

namespace vx {
namespace {

constexpr std::array<std::uint8_t, 256> make_crc8_table() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned value = 0; value < 256; ++value) {
    unsigned crc = value;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x80) != 0 ? ((crc << 1) ^ 0x07) & 0xFF : (crc << 1) & 0xFF;
    table[value] = static_cast<std::uint8_t>(crc);
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> crc8_table = make_crc8_table();

}  // namespace

void crc8_update(const std::uint8_t* bytes, std::size_t count, std::uint8_t& check) {
  for (std::size_t i = 0; i < count; ++i) check = crc8_table[bytes[i] ^ check];
}

}  // namespace vx

#include "interface/crc32.h"

#include <array>

namespace vx {
namespace {

constexpr std::array<std::uint32_t, 256> make_crc32_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t value = i;
    for (int bit = 0; bit < 8; ++bit) value = (value & 1) != 0 ? (value >> 1) ^ 0xEDB88320u : value >> 1;
    table[i] = value;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> crc32_table = make_crc32_table();
static_assert(crc32_table[1] == 0x77073096u && crc32_table[255] == 0x2D02EF8Du);

}  // namespace

void crc32_update(const std::uint8_t* bytes, std::uint16_t length, std::uint32_t& value) {
  for (std::uint16_t i = 0; i < length; ++i) value = crc32_table[(bytes[i] ^ value) & 0xFF] ^ (value >> 8);
}

}  // namespace vx

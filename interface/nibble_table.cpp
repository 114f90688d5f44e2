#include "interface/cable_handshake.h"

namespace vx {
namespace {

// The cable's reply lines are wired to the status bits in this order.
constexpr std::array<std::uint8_t, 8> nibble_masks{0x04, 0x02, 0x10, 0x40, 0x08, 0x01, 0x20, 0x80};

constexpr std::array<std::uint8_t, 256> build_table() {
  std::array<std::uint8_t, 256> table{};
  for (unsigned i = 0; i < table.size(); ++i) {
    std::uint8_t value = 0xC0;
    for (unsigned k = 0; k < nibble_masks.size(); ++k) {
      if ((i & (1U << k)) != 0) value ^= nibble_masks[k];
    }
    table[i] = value;
  }
  return table;
}

constexpr std::array<std::uint8_t, 256> table = build_table();

}  // namespace

const std::array<std::uint8_t, 256>& nibble_decode_table() { return table; }

}  // namespace vx

#include "foundation/hex_digits.h"

#include <array>

namespace vx {
namespace {

constexpr std::array<std::uint16_t, 256> make_digit_table() {
  std::array<std::uint16_t, 256> table{};
  table.fill(invalid_hex_digit);
  for (int i = 0; i < 10; ++i) {
    table['0' + i] = static_cast<std::uint16_t>(i);
    table['G' + i] = static_cast<std::uint16_t>(i);
  }
  for (int i = 0; i < 6; ++i) {
    table['A' + i] = static_cast<std::uint16_t>(10 + i);
    table['a' + i] = static_cast<std::uint16_t>(10 + i);
  }
  return table;
}

constexpr std::array<std::uint16_t, 256> digit_table = make_digit_table();

std::uint32_t digit_at(std::string_view line, std::size_t index) {
  return index < line.size() ? hex_digit_value(line[index]) : invalid_hex_digit;
}

}  // namespace

std::uint16_t hex_digit_value(char c) { return digit_table[static_cast<unsigned char>(c)]; }

std::uint32_t hex_pair(std::string_view line, std::size_t index) {
  return 16 * digit_at(line, index) + digit_at(line, index + 1);
}

}  // namespace vx

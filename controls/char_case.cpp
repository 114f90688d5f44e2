#include <array>

#include "controls/string_routines.h"

namespace vx::controls {
namespace {

// Windows-1252 pairs outside the two alphabets' blocks: Š, Œ, Ž and Ÿ. The
// sharp s and the micro sign have no upper case in the code page.
constexpr std::array<std::array<unsigned char, 2>, 4> extra_pairs{
    {{0x8A, 0x9A}, {0x8C, 0x9C}, {0x8E, 0x9E}, {0x9F, 0xFF}}};

constexpr bool upper_in_block(unsigned c) { return (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7); }

using CaseTable = std::array<unsigned char, 256>;

constexpr CaseTable case_table(bool to_upper) {
  CaseTable table{};
  for (unsigned c = 0; c < 256; ++c) {
    table[c] = static_cast<unsigned char>(c);
  }
  for (unsigned upper = 0; upper < 256; ++upper) {
    if (upper_in_block(upper)) {
      const unsigned lower = upper + 0x20;
      table[to_upper ? lower : upper] = static_cast<unsigned char>(to_upper ? upper : lower);
    }
  }
  for (const auto& [upper, lower] : extra_pairs) {
    table[to_upper ? lower : upper] = to_upper ? upper : lower;
  }
  return table;
}

constexpr CaseTable upper_table = case_table(true);
constexpr CaseTable lower_table = case_table(false);

}  // namespace

char UpperChar(char c) { return static_cast<char>(upper_table[static_cast<unsigned char>(c)]); }

char LowerChar(char c) { return static_cast<char>(lower_table[static_cast<unsigned char>(c)]); }

}  // namespace vx::controls

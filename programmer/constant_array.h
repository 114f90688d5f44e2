#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "foundation/short_text.h"

// Constant tables kept as fixed-width text: "^" count "^" width "^", the
// rows back to back, then "^". Counts and widths are four-character
// right-aligned decimals; a row ends in its four-character number.
namespace vx::programmer {

struct ConstantArray {
  static constexpr std::size_t max_row_width = 80;
  std::vector<ShortText> rows;
  std::int32_t width = 0;
};

enum class ConstantArrayError { none, header, rows };

// Parses the text into `array`; on an error `array` is left empty.
ConstantArrayError parse_constant_array(std::string_view text, ConstantArray& array);
// As parse_constant_array; a malformed text is a fault of the program
// itself: it says so in a message box and ends the program.
void LOAD_CONSTANT_ARRAY(std::string_view text, ConstantArray& array);

// Row n from 1: its name (blanks beyond the count), its number (16384 beyond the count).
ShortText constant_row_name(const ConstantArray& array, std::int32_t n);
std::int32_t constant_row_number(const ConstantArray& array, std::int32_t n);

}  // namespace vx::programmer

#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <limits>

#include "foundation/kstring.h"

namespace vx {
namespace {

constexpr std::string_view hex_digit_table = "0123456789ABCDEF";

ShortText fixed_hex(std::uint32_t value, int digits) {
  ShortText text(static_cast<std::size_t>(digits), '0');
  for (int index = digits - 1; index >= 0; --index, value >>= 4) {
    text[static_cast<std::size_t>(index)] = hex_digit_table[value & 0xF];
  }
  return text;
}

// Rounds to double; values beyond its range become infinite rather than
// going through an undefined conversion.
double to_double(long double value) {
  if (std::isfinite(value) && std::fabs(value) > DBL_MAX) {
    constexpr double infinity = std::numeric_limits<double>::infinity();
    return std::signbit(value) ? -infinity : infinity;
  }
  return static_cast<double>(value);
}

}  // namespace

ShortText hex_byte(std::uint8_t value) { return fixed_hex(value, 2); }
ShortText hex_word(std::uint16_t value) { return fixed_hex(value, 4); }
ShortText hex_long(std::uint32_t value) {
  return hex_word(static_cast<std::uint16_t>(value >> 16)) + hex_word(static_cast<std::uint16_t>(value));
}
ShortText hex_pointer(std::uint32_t address) { return hex_long(address); }

ShortText long_to_str(std::int32_t value) {
  std::array<char, 12> digits;
  const std::to_chars_result written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
  return ShortText(std::string_view(digits.data(), static_cast<std::size_t>(written.ptr - digits.data())));
}

ShortText real_to_str(std::uint8_t width, std::int8_t decimals, long double value) {
  // Room for every double: 309 integer digits, sign, point and 127 decimals.
  std::array<char, 512> text;
  const double rounded = to_double(value);
  const std::to_chars_result written =
      decimals >= 0 ? std::to_chars(text.data(), text.data() + text.size(), rounded, std::chars_format::fixed, decimals)
                    : std::to_chars(text.data(), text.data() + text.size(), rounded, std::chars_format::scientific, 14);
  ShortText result(std::string_view(text.data(), static_cast<std::size_t>(written.ptr - text.data())));
  if (decimals < 0) result = upper_case(result);
  return left_pad_char(result, ' ', width);
}

ShortText bool_to_str(bool value) { return value ? "TRUE" : "FALSE"; }

}  // namespace vx

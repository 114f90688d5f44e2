#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vx {

inline constexpr std::uint16_t invalid_hex_digit = 0xFFFF;

// The digit table of every S-record reader: '0'-'9' and 'G'-'P' give 0-9,
// 'A'-'F' and 'a'-'f' give 10-15, anything else is invalid.
std::uint16_t hex_digit_value(char c);

// The two digits at `index` (0-based) as 16 x first + second; 256 or more
// when either is invalid or lies past the end of the line.
std::uint32_t hex_pair(std::string_view line, std::size_t index);

}  // namespace vx

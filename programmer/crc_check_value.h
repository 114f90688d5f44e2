#pragma once

#include <cstdint>
#include <string_view>

#include "foundation/short_text.h"

// The check value of the CRC commands: a 16-bit byte sum in bits 8-23 and a
// CRC-8 (polynomial 0x07) in bits 0-7, as the target routine computes it.
namespace vx::programmer {

inline constexpr std::string_view check_value_kind = "Checksum16+CRC8";

// The value carried on by one more byte.
std::uint32_t update_check_value(std::uint32_t value, std::uint8_t byte);
// Six upper-case hexadecimal digits.
ShortText check_value_hex(std::uint32_t value);

}  // namespace vx::programmer

#pragma once

#include <cstddef>
#include <cstdint>

namespace vx {

// CRC-8 with polynomial 0x07, most significant bit first, no reflection and
// no final XOR; the check byte starts at 0 ("123456789" gives 0xF4).
void crc8_update(const std::uint8_t* bytes, std::size_t count, std::uint8_t& check);

}  // namespace vx

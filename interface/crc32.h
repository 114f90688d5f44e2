#pragma once

#include <cstdint>

namespace vx {

// Running CRC-32 (reflected polynomial 0xEDB88320) over interface firmware
// and programmer kernel images. The caller chooses the start value and any
// final complement; this applies neither.
void crc32_update(const std::uint8_t* bytes, std::uint16_t length, std::uint32_t& value);

}  // namespace vx

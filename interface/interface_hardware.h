#pragma once

#include <cstdint>

// Where a debug interface keeps its version texts and its upgrade block, and
// how long a USB interface settles after its reset: the same for the flash
// programmer's interface reset and the firmware updater's.
namespace vx::interface_hardware {

inline constexpr std::uint16_t cable_version_address = 0x8058, usb_version_address = 0x4058,
                               original_version_address = 0xC058;
// The upgrade block's checksum byte, and its first word (0xFFFF: erased).
inline constexpr std::uint16_t upgrade_check_address = 0x7FFE, upgrade_block_address = 0x4000;
// A major version above it is no real version: the original firmware's is read instead.
inline constexpr std::uint8_t highest_real_major = 16;
inline constexpr std::int32_t usb_reset_settle_ms = 200;

}  // namespace vx::interface_hardware

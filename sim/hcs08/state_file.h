#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "sim/hcs08/device_config.h"

namespace vx::sim {

enum class StateFileResult : std::uint8_t {
  Ok,
  CannotOpen,
  CannotWrite,
  Malformed,      // wrong magic, version, size or checksum
  OtherDevice,    // the flash ranges differ from this device's
};

// The flash array of a device in a file, so that a second process can go on where a first
// left off. Layout (little-endian): "VXS8FLSH", u32 version 1, u32 range count, for each range
// u32 first address, u32 length and the bytes, then a u32 CRC-32 of everything before it.
StateFileResult save_flash_state(const std::string& path, const DeviceConfig& config,
                                 const std::array<std::uint8_t, 0x10000>& memory);
// Changes nothing unless the whole file is sound and matches the device.
StateFileResult load_flash_state(const std::string& path, const DeviceConfig& config,
                                 std::array<std::uint8_t, 0x10000>& memory);

}  // namespace vx::sim

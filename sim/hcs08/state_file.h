#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "sim/hcs08/device_config.h"

namespace vx::sim {

enum class StateFileResult : std::uint8_t {
  Ok,
  CannotOpen,
  CannotWrite,
  Malformed,      // wrong magic, version, size or checksum
  OtherDevice,    // the flash ranges differ from this device's
};

// The flash of the debug interfaces kept beside the device's, one image each in the
// scenario's order.
using InterfaceFlash = std::vector<std::vector<std::uint8_t>>;

// Replaces the file with `bytes` in one step: written beside it and renamed over it, so a process
// killed at any moment leaves the old file or the new one, never a part of either. No sync: the
// simulated device outlives its process, not the host, and a sync at every flash write would
// make every simulated update wait on the disk.
StateFileResult replace_state_file(const std::string& path, std::span<const std::uint8_t> bytes);

// The flash array of a device in a file, so that a second process can go on where a first
// left off. Layout (little-endian): "VXS8FLSH", u32 version 2, u32 range count, for each range
// u32 first address, u32 length and the bytes, u32 interface count, for each interface u32
// length and the bytes, then a u32 CRC-32 of everything before it. Version 1 files have no
// interfaces.
StateFileResult save_flash_state(const std::string& path, const DeviceConfig& config,
                                 const std::array<std::uint8_t, 0x10000>& memory, const InterfaceFlash& interfaces = {});
// Changes nothing unless the whole file is sound and matches the device.
StateFileResult load_flash_state(const std::string& path, const DeviceConfig& config,
                                 std::array<std::uint8_t, 0x10000>& memory, InterfaceFlash* interfaces = nullptr);

}  // namespace vx::sim

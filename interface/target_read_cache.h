#pragma once

#include <cstdint>

// The byte-read service behind the engine's byte-wise checks: object ranges,
// the paging window and the engine's page selection around each read.
namespace vx {

inline constexpr std::uint16_t unreadable_target_byte = 256;
inline constexpr std::uint16_t outside_object_ranges = 257;

// Every byte is read directly from the target. The switches are kept for the commands that
// save, set and restore them around their runs; no block read follows from them.
struct TargetReadCache {
  bool enabled = false;
  bool valid = false;
};

TargetReadCache& target_read_cache();
void reset_target_read_cache();

// The byte (0-255) at a device address, or outside_object_ranges.
std::uint16_t read_target_byte_cached(std::uint32_t address);

}  // namespace vx

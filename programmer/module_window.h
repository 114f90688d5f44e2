#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

// Where the chosen module lies: object-file addresses from the CM base
// address, device addresses from the module start, and the module and
// preserve ranges of the algorithm file (relative to the CM base address).
namespace vx::programmer {

struct RelativeRange {
  std::int32_t start = 0;
  std::int32_t end = 0;
};

struct ModuleWindow {
  std::int32_t cm_base = 0;
  std::uint32_t module_start = 0;
  std::uint32_t module_size = 0;
  std::vector<RelativeRange> module_ranges;
  std::vector<RelativeRange> preserve_ranges;

  // The device address of an object-file address.
  std::uint32_t device_address(std::int32_t object_address) const;
  // The object-file address of a device address.
  std::int32_t object_address(std::uint32_t device_address) const;
  // The last object-file address of the module window, widened so a large base does not wrap.
  std::int64_t window_end() const;
  // CM base <= a <= CM base + module size - 1.
  bool in_window(std::int64_t object_address) const;
};

// Whether the address belongs to the module. With module ranges, `range_number` receives the
// 1-based number of the last range that holds it (0 when none); without them 0 inside, 1 outside.
bool address_in_module(const ModuleWindow& window, std::int32_t object_address, std::size_t* range_number = nullptr);
bool address_preserved(const ModuleWindow& window, std::int32_t object_address);

// What a raw read of the device gives: the byte, 0xFF (the fill value) for an address outside
// the object ranges, nothing for a byte that could not be read.
std::optional<std::uint8_t> device_byte_value(std::uint16_t raw);

// The routines take 16-bit sizes: 0x10000 bytes and more would reach them as 0.
inline constexpr std::uint32_t largest_routine_size = 0xFFFF;

}  // namespace vx::programmer

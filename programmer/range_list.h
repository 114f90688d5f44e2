#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// The module, preserve and CRC keep-out ranges of an algorithm file: at most
// 15 ranges of relative addresses in the order they were added. A range that
// touches an existing one extends it instead of being added.
namespace vx::programmer {

struct AddressRange {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
  // Preserve ranges only: the bytes saved from the device and whether they were all erased.
  std::vector<std::uint8_t> saved;
  bool all_erased = false;
};

struct RangeList {
  static constexpr std::size_t capacity = 15;
  std::array<AddressRange, capacity> ranges{};
  std::size_t count = 0;

  // False when the range would need a sixteenth entry; the list is then unchanged.
  bool add(std::uint32_t start, std::uint32_t end);
  bool contains(std::uint32_t relative_address) const;
  void clear();
  const AddressRange* begin() const { return ranges.data(); }
  const AddressRange* end() const { return ranges.data() + count; }
  AddressRange* begin() { return ranges.data(); }
  AddressRange* end() { return ranges.data() + count; }
};

}  // namespace vx::programmer

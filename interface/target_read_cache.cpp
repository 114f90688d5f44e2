#include "interface/target_read_cache.h"

#include <algorithm>

#include "interface/engine_settings.h"
#include "interface/target_operations.h"

namespace vx {
namespace {

TargetReadCache state;

bool in_object_ranges(const ObjectRanges& objects, std::uint32_t address) {
  if (objects.ranges.empty()) return true;
  return std::any_of(objects.ranges.begin(), objects.ranges.end(), [&](const ObjectRange& range) {
    return address >= range.first + objects.range_offset && address <= range.last + objects.range_offset;
  });
}

}  // namespace

TargetReadCache& target_read_cache() { return state; }
void reset_target_read_cache() { state = TargetReadCache{}; }

std::uint16_t read_target_byte_cached(std::uint32_t address) {
  const ObjectRanges& objects = engine_settings().objects;
  if (objects.address_mask != ObjectRanges::no_address_mask) address %= objects.address_mask + 1;
  if (!in_object_ranges(objects, address)) return outside_object_ranges;
  const std::uint32_t mapped = objects.paging_window ? (address & objects.window_mask) + objects.window_base : address;
  select_address_page(address);
  const std::uint8_t value = READ_DATA_BYTE(mapped);
  restore_address_page();
  return value;
}

}  // namespace vx

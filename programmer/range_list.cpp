#include "programmer/range_list.h"

namespace vx::programmer {

bool RangeList::add(std::uint32_t start, std::uint32_t end) {
  bool joined = false;
  for (AddressRange& range : *this) {
    if (range.end + 1 == start) {
      range.end = end;
      joined = true;
    }
    if (range.start == end + 1) {
      range.start = start;
      joined = true;
    }
  }
  if (joined) return true;
  if (count == capacity) return false;
  ranges[count] = AddressRange{start, end, {}, false};
  ++count;
  return true;
}

bool RangeList::contains(std::uint32_t relative_address) const {
  for (const AddressRange& range : *this) {
    if (relative_address >= range.start && relative_address <= range.end) return true;
  }
  return false;
}

void RangeList::clear() {
  for (AddressRange& range : *this) range = AddressRange{};
  count = 0;
}

}  // namespace vx::programmer

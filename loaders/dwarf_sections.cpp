#include "loaders/dwarf_sections.h"

#include <algorithm>

#include "loaders/dwarf_state.h"

namespace vx::loaders {

BoundedReader section_reader(std::uint32_t section_start, std::uint32_t section_end) {
  const auto bytes = dwarf_state().file.bytes;
  const std::size_t end = std::min<std::size_t>(section_end, bytes.size());
  const std::size_t start = std::min<std::size_t>(section_start, end);
  return BoundedReader(bytes.subspan(start, end - start));
}

}  // namespace vx::loaders

#include "loaders/dwarf_sections.h"

#include <algorithm>

#include "loaders/elf_module.h"

namespace vx::loaders {

BoundedReader section_reader(std::uint32_t section_start, std::uint32_t section_end) {
  const std::span<const std::uint8_t> bytes = elf_module().file_bytes;
  const std::size_t end = std::min<std::size_t>(section_end, bytes.size());
  const std::size_t start = std::min<std::size_t>(section_start, end);
  return BoundedReader(bytes.subspan(start, end - start));
}

}  // namespace vx::loaders

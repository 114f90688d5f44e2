#include "loaders/elf_module.h"

#include <utility>

namespace vx::loaders {
namespace {

ElfModule elf_state;

}  // namespace

ElfModule& elf_module() { return elf_state; }

void reset_elf_module() { elf_state = ElfModule{}; }

void set_elf_file_bytes(std::vector<std::uint8_t> bytes) {
  elf_state.file_bytes = std::move(bytes);
  elf_state.file = BoundedReader(elf_state.file_bytes);
}

std::optional<std::int32_t> find_elf_section(const ShortText& name) {
  const std::vector<ShortText>& names = elf_state.section_names;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return static_cast<std::int32_t>(i);
  }
  return std::nullopt;
}

ElfExtent elf_section_extent(std::int32_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= elf_state.section_headers.size()) return {};
  const ElfSectionHeader& section = elf_state.section_headers[static_cast<std::size_t>(index)];
  return {section.sh_offset, section.sh_offset + section.sh_size};
}

}  // namespace vx::loaders

#include "loaders/dwarf_walk.h"

#include "foundation/long_text.h"
#include "loaders/debug_context.h"
#include "loaders/dwarf_constants.h"
#include "loaders/elf_module.h"

namespace vx::loaders {
namespace {

// ICC6812 and A6812 producers write section references as file offsets.
constexpr std::uint8_t file_offset_references = 1;

}  // namespace

std::int32_t type_number_at(std::int32_t offset) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(offset) + static_cast<std::uint32_t>(type_number_base));
}

std::int32_t type_number(const EntryRef& entry) { return type_number_at(entry.offset()); }

ShortText entry_name(const EntryRef& entry) {
  if (entry.has(dw::AT_name)) return value_text(entry.value(dw::AT_name));
  return ShortText(lstr_long_to_str(entry.offset()));
}

ShortText GET_ENTRY_NAME(std::int32_t offset) {
  if (const std::optional<EntryRef> entry = find_entry_at(offset)) return entry_name(*entry);
  return ShortText(lstr_long_to_str(offset));
}

std::optional<std::int32_t> reference_offset(const EntryRef& entry, std::uint16_t attribute) {
  const std::uint16_t form = entry.form(attribute);
  const std::uint32_t value = entry.number(attribute);
  if (dw::is_unit_reference_form(form)) {
    return static_cast<std::int32_t>(value + static_cast<std::uint32_t>(entry.unit_record().unit_offset));
  }
  if (form != dw::FORM_ref_addr) return std::nullopt;
  if (get_debug_compiler_kind() == file_offset_references) return static_cast<std::int32_t>(value - elf_module().debug_info_offset);
  return static_cast<std::int32_t>(value);
}

std::optional<EntryRef> referenced_entry(const EntryRef& entry, std::uint16_t attribute) {
  const std::optional<std::int32_t> offset = reference_offset(entry, attribute);
  if (!offset) return std::nullopt;
  return find_entry_at(*offset);
}

int index_after_children(const EntryRef& entry) {
  const auto& entries = entry.unit_record().entries;
  std::size_t next = static_cast<std::size_t>(entry.entry) + 1;
  while (next < entries.size() && entries[next].depth > entry.depth()) ++next;
  return static_cast<int>(next);
}

std::optional<std::uint32_t> constant_value(const EntryRef& entry, std::uint16_t attribute) {
  if (!dw::is_constant_form(entry.form(attribute))) return std::nullopt;
  return entry.number(attribute);
}

}  // namespace vx::loaders

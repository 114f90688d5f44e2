#pragma once

#include <cstdint>
#include <optional>

#include "foundation/short_text.h"
#include "loaders/dwarf_state.h"

// Reading .debug_str, .debug_abbrev and .debug_info into the reader's tables,
// and the lookups the rest of the reader makes on them. Section starts and
// ends are file offsets; failures are the module's error code.
namespace vx::loaders {

void ANALYZE_DEBUG_STR(std::uint32_t section_start, std::uint32_t section_end);
void ANALYZE_DEBUG_ABBREV(std::uint32_t section_start, std::uint32_t section_end);
void ANALYZE_DEBUG_INFO(std::uint32_t section_start, std::uint32_t section_end);
// The producer text of the first unit; empty when there is none.
ShortText GET_DEBUG_PRODUCER();

// A value's bytes taken as a little-endian number; bytes past the fourth are dropped.
std::uint32_t value_number(const dynamic_byte_array& value);
ShortText value_text(const dynamic_byte_array& value);

// -1 when there is none.
int find_abbreviation_table(std::uint32_t offset);
int find_abbreviation(const debug_abbreviation_unit_type& table, std::uint32_t code);
int find_entry_index(const debug_information_unit_type& unit, std::int32_t offset);
// The first unit whose last entry lies at or after the offset.
int find_unit_holding(std::int32_t offset);

// An entry with everything needed to read its attributes.
struct EntryRef {
  int table = 0;
  int abbreviation = 0;
  int unit = 0;
  int entry = 0;

  const debug_information_unit_type& unit_record() const { return dwarf_state().units[static_cast<std::size_t>(unit)]; }
  const debug_information_type& entry_record() const {
    return unit_record().entries[static_cast<std::size_t>(entry)];
  }
  const debug_abbreviation_type& abbreviation_record() const {
    return dwarf_state()
        .abbreviation_units[static_cast<std::size_t>(table)]
        .abbreviations[static_cast<std::size_t>(abbreviation)];
  }
  std::uint16_t tag() const { return abbreviation_record().tag; }
  std::int32_t offset() const { return entry_record().offset; }
  std::int32_t depth() const { return entry_record().depth; }

  // The index of the attribute's value, -1 without it.
  int attribute_index(std::uint16_t name) const;
  bool has(std::uint16_t name) const { return attribute_index(name) >= 0; }
  // The form the value was read by, 0 without the attribute.
  std::uint16_t form(std::uint16_t name) const;
  std::uint16_t form_at(int index) const;
  // The value's bytes; empty without the attribute.
  const dynamic_byte_array& value(std::uint16_t name) const;
  // The value as a number, 0 without the attribute.
  std::uint32_t number(std::uint16_t name) const { return value_number(value(name)); }
};

// The entry of a unit by its index; nothing when its abbreviation is unknown.
std::optional<EntryRef> entry_of(int unit, int entry);
// The entry at a .debug_info offset; nothing when no unit holds it.
std::optional<EntryRef> find_entry_at(std::int32_t offset);

}  // namespace vx::loaders

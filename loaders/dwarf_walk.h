#pragma once

#include <cstdint>
#include <optional>

#include "foundation/short_text.h"
#include "loaders/dwarf_info.h"

// What the entry walk and its type records share.
namespace vx::loaders {

// Types are numbered by their .debug_info offset + 1000; 0 is "untyped".
inline constexpr std::int32_t type_number_base = 1000;

// Wraps like the 32-bit sum it is: a hostile offset near the top stays defined.
std::int32_t type_number_at(std::int32_t offset);
std::int32_t type_number(const EntryRef& entry);
// The DW_AT_name text, else the offset in decimal.
ShortText entry_name(const EntryRef& entry);
ShortText GET_ENTRY_NAME(std::int32_t offset);
// The .debug_info offset a reference attribute names; nothing for another form.
std::optional<std::int32_t> reference_offset(const EntryRef& entry, std::uint16_t attribute);
// The entry a reference attribute names; nothing when no unit holds it.
std::optional<EntryRef> referenced_entry(const EntryRef& entry, std::uint16_t attribute);
// The index after the entry and all its children.
int index_after_children(const EntryRef& entry);
// A size from an attribute in a constant form; nothing for another form or no attribute.
std::optional<std::uint32_t> constant_value(const EntryRef& entry, std::uint16_t attribute);

// The type record of a type entry.
void put_type_record(const EntryRef& entry);

}  // namespace vx::loaders

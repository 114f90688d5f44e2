#include "loaders/dwarf_location.h"

#include <algorithm>
#include <new>
#include <optional>

#include "loaders/bounded_reader.h"
#include "loaders/debug_context.h"
#include "loaders/dwarf_constants.h"
#include "loaders/dwarf_expression.h"
#include "loaders/elf_module.h"

namespace vx::loaders {
namespace {

constexpr std::uint8_t code_memory = 20;
constexpr std::int32_t last_slot = static_cast<std::int32_t>(location_table_size) - 1;
constexpr std::uint8_t mw_eabi_ppc_compiler = 2;

struct Range {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

std::optional<Range> intersect(Range range, Range scope) {
  if (range.end < scope.start || range.start > scope.end) return std::nullopt;
  return Range{std::max(range.start, scope.start), std::min(range.end, scope.end)};
}

TStDQue& expression_stack() {
  DwarfState& s = dwarf_state();
  if (!s.stack) s.stack = make_expression_stack();
  return *s.stack;
}

// The next slot, emptied; nothing (and code 20) when the table is full.
location_list_type* next_slot() {
  DwarfState& s = dwarf_state();
  if (s.slot_count >= last_slot) {
    set_debug_dll_error(code_memory);
    return nullptr;
  }
  location_list_type& slot = s.slots[static_cast<std::size_t>(++s.slot_count)];
  slot = location_list_type{};
  return &slot;
}

void fill(location_list_type& slot, Range range, std::int32_t kind, std::int32_t value = 0) {
  slot.range_start = static_cast<std::int32_t>(range.start);
  slot.range_end = static_cast<std::int32_t>(range.end);
  slot.kind = kind;
  slot.value = value;
}

// One slot of kind 98 per frame-base entry that overlaps the range; false on a full table.
bool frame_relative_slots(Range range, std::span<const std::uint8_t> expression) {
  DwarfState& s = dwarf_state();
  for (std::int32_t i = 0; i < s.frame_base_count; ++i) {
    const location_list_type& base = s.frame_bases[static_cast<std::size_t>(i)];
    const auto overlap =
        intersect({static_cast<std::uint32_t>(base.range_start), static_cast<std::uint32_t>(base.range_end)}, range);
    if (!overlap) continue;
    location_list_type* slot = next_slot();
    if (slot == nullptr) return false;
    fill(*slot, *overlap, location_frame_relative);
    slot->expression.assign(expression.begin(), expression.end());
    slot->frame_base_expression = base.frame_base_expression;
  }
  return true;
}

std::uint32_t address_bytes(std::uint8_t address_size) {
  return address_size == 1 || address_size == 2 || address_size == 4 ? address_size : 4;
}

std::uint32_t read_address(BoundedReader& reader, std::uint32_t size) {
  std::uint32_t value = 0;
  for (std::uint32_t i = 0; i < size; ++i) value = value << 8 | reader.read_u8();
  return value;
}

std::uint32_t list_base(const debug_information_unit_type& unit, std::uint32_t end, std::uint32_t size,
                        std::uint32_t scope_start) {
  const std::uint32_t largest = size == 4 ? 0xFFFFFFFFu : (1u << (8 * size)) - 1;
  if (unit.base_address != 0 || unit.end_address != 0) {
    return end == largest ? 0 : static_cast<std::uint32_t>(unit.base_address);
  }
  if (get_debug_compiler_kind() == mw_eabi_ppc_compiler && end != 0xFFFFFFFFu) return GET_SECTION_BASE(scope_start);
  return 0;
}

}  // namespace

void GET_FRAME_BASE(const EntryRef& entry) {
  DwarfState& s = dwarf_state();
  s.frame_base_count = 0;
  // Walking back over deeper entries meets exactly the enclosing ones.
  std::optional<EntryRef> subprogram;
  const auto& entries = entry.unit_record().entries;
  for (std::int32_t i = entry.entry_record().parent; i >= 0 && !subprogram;
       i = entries[static_cast<std::size_t>(i)].parent) {
    const std::optional<EntryRef> candidate = entry_of(entry.unit, i);
    if (candidate && (candidate->tag() == dw::TAG_subprogram || candidate->tag() == dw::TAG_inlined_subroutine)) {
      subprogram = candidate;
    }
  }
  if (!subprogram) return;
  const std::uint32_t high_pc = subprogram->number(dw::AT_high_pc);
  const Range range{subprogram->number(dw::AT_low_pc), high_pc != 0 ? high_pc - 1 : 0};
  const int attribute = subprogram->attribute_index(dw::AT_frame_base);
  if (attribute < 0) return;
  const std::uint16_t form = subprogram->form_at(attribute);
  try {
    if (dw::is_block_form(form)) {
      location_list_type& base = s.frame_bases[0];
      base = location_list_type{};
      fill(base, range, 0);
      base.frame_base_expression = subprogram->entry_record().values[static_cast<std::size_t>(attribute)];
      s.frame_base_count = 1;
    } else if (dw::is_list_offset_form(form)) {
      ANALYZE_LOCATION_LIST(*subprogram, range.end, range.start, attribute);
      for (std::int32_t k = 1; k <= s.slot_count; ++k) {
        const location_list_type& slot = s.slots[static_cast<std::size_t>(k)];
        location_list_type& base = s.frame_bases[static_cast<std::size_t>(k - 1)];
        base = location_list_type{};
        base.range_start = slot.range_start;
        base.range_end = slot.range_end;
        base.frame_base_expression = slot.expression;
      }
      s.frame_base_count = s.slot_count;
    }
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

void EVALUATE_LOCATION_EXPRESSION(const EntryRef& entry, std::uint32_t scope_end, std::uint32_t scope_start,
                                  int attribute) {
  DwarfState& s = dwarf_state();
  const Range scope{scope_start, scope_end};
  const dynamic_byte_array& expression = entry.entry_record().values[static_cast<std::size_t>(attribute)];
  s.slot_count = 1;
  location_list_type& slot = s.slots[1];
  slot = location_list_type{};
  try {
    const ExpressionResult result = evaluate_expression(expression, entry.unit_record().address_size, expression_stack());
    switch (result.end) {
      case ExpressionEnd::end_of_expression:
      case ExpressionEnd::extended_dereference:
        fill(slot, scope, location_address, result.top);
        break;
      case ExpressionEnd::in_register:
        fill(slot, scope, location_register);
        slot.register_number = result.register_number;
        break;
      case ExpressionEnd::held_as_bytes:
        fill(slot, scope, location_expression);
        slot.expression = expression;
        break;
      case ExpressionEnd::frame_base_relative:
        s.slot_count = 0;
        if (!frame_relative_slots(scope, expression)) return;
        if (s.slot_count == 0) {
          s.slot_count = 1;
          fill(slot, scope, location_address);
        }
        break;
      case ExpressionEnd::unknown:
        fill(slot, scope, location_address);
        break;
    }
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

void ANALYZE_LOCATION_LIST(const EntryRef& entry, std::uint32_t scope_end, std::uint32_t scope_start, int attribute) {
  DwarfState& s = dwarf_state();
  const Range scope{scope_start, scope_end};
  s.slot_count = 0;
  const std::span<const std::uint8_t> section = elf_module().dynamic_byte_array;
  const debug_information_unit_type& unit = entry.unit_record();
  const std::uint32_t size = address_bytes(unit.address_size);
  BoundedReader reader(section);
  std::size_t offset = value_number(entry.entry_record().values[static_cast<std::size_t>(attribute)]);
  while (offset + 1 < section.size()) {
    reader.seek(offset);
    const std::uint32_t begin = read_address(reader, size);
    const std::uint32_t end = read_address(reader, size);
    // An entry cut off by the end of the section ends the list like the end itself.
    if (reader.overrun()) break;
    if (begin == 0 && end == 0) return;
    const std::uint16_t length = reader.read_u16_be();
    if (reader.overrun() || length > reader.remaining()) break;
    const std::span<const std::uint8_t> expression = section.subspan(reader.position(), length);
    const std::uint32_t base = list_base(unit, end, size, scope_start);
    if (const auto overlap = intersect({begin + base, end + base - 1}, scope)) {
      location_list_type* slot = next_slot();
      if (slot == nullptr) return;
      fill(*slot, *overlap, location_address);
      EVALUATE_LOCATION_LIST_EXPRESSION(entry, overlap->end, overlap->start, expression);
      if (get_debug_dll_error() != 0) return;
    }
    offset = reader.position() + length;
  }
  if (s.slot_count == 0) {
    s.slot_count = 1;
    location_list_type& slot = s.slots[1];
    slot = location_list_type{};
    fill(slot, scope, location_address);
  }
}

void EVALUATE_LOCATION_LIST_EXPRESSION(const EntryRef& entry, std::uint32_t range_end, std::uint32_t range_start,
                                       std::span<const std::uint8_t> expression) {
  DwarfState& s = dwarf_state();
  const Range range{range_start, range_end};
  location_list_type& slot = s.slots[static_cast<std::size_t>(s.slot_count)];
  slot.reserved = 0;
  slot.register_number = 0;
  try {
    const ExpressionResult result = evaluate_expression(expression, entry.unit_record().address_size, expression_stack());
    switch (result.end) {
      case ExpressionEnd::end_of_expression:
        fill(slot, range, location_address, result.top);
        break;
      case ExpressionEnd::in_register:
        fill(slot, range, location_register);
        slot.register_number = result.register_number;
        slot.expression.assign(expression.begin(), expression.end());
        break;
      case ExpressionEnd::held_as_bytes:
        fill(slot, range, location_expression);
        slot.expression.assign(expression.begin(), expression.end());
        break;
      case ExpressionEnd::frame_base_relative:
        if (s.frame_base_count == 1) {
          fill(slot, range, location_frame_relative);
          slot.expression.assign(expression.begin(), expression.end());
          slot.frame_base_expression = s.frame_bases[0].frame_base_expression;
        } else if (s.frame_base_count == 0) {
          fill(slot, range, location_address);
        } else {
          --s.slot_count;
          const std::int32_t before = s.slot_count;
          if (!frame_relative_slots(range, expression)) return;
          if (s.slot_count == before) fill(*next_slot(), range, location_address);
        }
        break;
      case ExpressionEnd::extended_dereference:
      case ExpressionEnd::unknown:
        fill(slot, range, location_address);
        break;
    }
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

std::uint32_t GET_SECTION_BASE(std::uint32_t address) {
  const ElfModule& elf = elf_module();
  for (const std::int32_t index : elf.allocatable_sections) {
    if (index < 0 || static_cast<std::size_t>(index) >= elf.section_headers.size()) continue;
    const ElfSectionHeader& section = elf.section_headers[static_cast<std::size_t>(index)];
    if (address >= section.sh_addr && address - section.sh_addr < section.sh_size) return section.sh_addr;
  }
  return 0;
}

}  // namespace vx::loaders

#include "loaders/dwarf_entries.h"

#include <memory>
#include <utility>
#include <vector>

#include "loaders/debug_context.h"
#include "loaders/dwarf_constants.h"
#include "loaders/dwarf_expression.h"
#include "loaders/dwarf_location.h"
#include "loaders/dwarf_walk.h"
#include "loaders/elf_module.h"

namespace vx::loaders {
namespace {

enum SymbolAttribute : std::uint8_t {
  local_variable = 1,
  register_variable = 2,
  function_symbol = 4,
  global_variable = 8,
  local_stack_variable = 98,
  expression_variable = 99,
};

constexpr std::int32_t code_function = 'X';

struct Scope {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

bool is_type_tag(std::uint16_t tag) {
  switch (tag) {
    case dw::TAG_array_type:
    case dw::TAG_enumeration_type:
    case dw::TAG_pointer_type:
    case dw::TAG_structure_type:
    case dw::TAG_subroutine_type:
    case dw::TAG_typedef:
    case dw::TAG_union_type:
    case dw::TAG_base_type:
    case dw::TAG_const_type:
    case dw::TAG_volatile_type:
      return true;
    default:
      return false;
  }
}

Scope unit_scope(const EntryRef& entry) {
  const debug_information_unit_type& unit = entry.unit_record();
  return {static_cast<std::uint32_t>(unit.base_address), static_cast<std::uint32_t>(unit.end_address)};
}

// The parent's pc range for a nested entry, the unit's for a top-level one.
Scope scope_of(const EntryRef& entry) {
  const std::int32_t depth = entry.depth();
  if (depth == 0) return {};
  if (depth == 1) return unit_scope(entry);
  if (const std::optional<EntryRef> parent = entry_of(entry.unit, entry.entry_record().parent)) {
    const std::uint32_t high_pc = parent->number(dw::AT_high_pc);
    const Scope scope{parent->number(dw::AT_low_pc), high_pc != 0 ? high_pc - 1 : 0};
    if (scope.start != 0 || scope.end != 0) return scope;
  }
  return unit_scope(entry);
}

void put_symbol(std::uint8_t attribute, std::int32_t type, std::unique_ptr<debug_more_record> more,
                std::vector<debug_extra_info_block> extra, const ShortText& name, std::int32_t address,
                std::int32_t scope_end, std::int32_t scope_start) {
  PUT_DEBUG_SYMBOL(attribute, type, std::move(more), scope_start, scope_end, address, name, std::move(extra));
  PUT_DEBUG_ADDRESS(address, get_last_debug_symbol());
}

void compile_unit(const EntryRef& entry) {
  debug_information_unit_type& unit = dwarf_state().units[static_cast<std::size_t>(entry.unit)];
  unit.base_address = static_cast<std::int32_t>(entry.number(dw::AT_low_pc));
  if (const std::uint32_t high_pc = entry.number(dw::AT_high_pc); high_pc != 0) {
    unit.end_address = static_cast<std::int32_t>(high_pc - 1);
  }
}

void function(const EntryRef& entry) {
  const ShortText name = entry_name(entry);
  const auto address = static_cast<std::int32_t>(entry.number(dw::AT_low_pc));
  Scope scope = scope_of(entry);
  if (scope.start == 0 && scope.end == 0) scope = {elf_module().image_lowest, elf_module().image_highest};
  if (entry.has(dw::AT_start_scope)) scope.start += entry.number(dw::AT_start_scope);
  const std::int32_t own = type_number(entry);
  PUT_DEBUG_TYPE_EX(name, own, code_function, {}, {}, {}, 0, entry.unit_record().address_size, 0, {}, {}, 0, {});
  put_symbol(function_symbol, own, nullptr, {}, name, address, static_cast<std::int32_t>(scope.end),
             static_cast<std::int32_t>(scope.start));
}

std::uint8_t variable_attribute(const EntryRef& entry) {
  const bool external = entry.has(dw::AT_external);
  const std::uint8_t flag = external && !entry.value(dw::AT_external).empty() ? entry.value(dw::AT_external)[0] : 0;
  if (entry.depth() == 1) return external && flag != 1 ? local_variable : global_variable;
  return external && flag != 0 ? global_variable : local_variable;
}

std::unique_ptr<debug_more_record> expression_more(const location_list_type& slot, std::uint8_t address_size) {
  auto more = std::make_unique<debug_more_record>();
  more->more_length = static_cast<std::uint16_t>(slot.expression.size());
  more->zero = address_size;
  more->raw = slot.expression;
  return more;
}

// Where the variable lives, into the slot table; false when no symbol is to be made.
bool locate(const EntryRef& entry, Scope scope) {
  const int attribute = entry.attribute_index(dw::AT_location);
  if (attribute < 0) return false;
  const std::uint16_t form = entry.form_at(attribute);
  if (dw::is_block_form(form)) {
    EVALUATE_LOCATION_EXPRESSION(entry, scope.end, scope.start, attribute);
  } else if (dw::is_list_offset_form(form)) {
    ANALYZE_LOCATION_LIST(entry, scope.end, scope.start, attribute);
  } else {
    return false;
  }
  return get_debug_dll_error() == 0;
}

void variable(const EntryRef& entry) {
  const ShortText name = entry_name(entry);
  const std::uint8_t attribute = variable_attribute(entry);
  Scope scope = scope_of(entry);
  if (scope.start == 0 && scope.end == 0) scope.end = elf_module().image_highest;
  if (entry.depth() >= 2) {
    GET_FRAME_BASE(entry);
    if (get_debug_dll_error() != 0) return;
  }
  if (!locate(entry, scope)) return;
  const std::optional<std::int32_t> target = reference_offset(entry, dw::AT_type);
  const std::int32_t type = target ? type_number_at(*target) : 0;
  const std::uint8_t address_size = entry.unit_record().address_size;
  const DwarfState& s = dwarf_state();
  for (std::int32_t k = 1; k <= s.slot_count; ++k) {
    const location_list_type& slot = s.slots[static_cast<std::size_t>(k)];
    std::unique_ptr<debug_more_record> more;
    std::vector<debug_extra_info_block> extra;
    std::uint8_t symbol_attribute = attribute;
    std::int32_t address = 0;
    switch (slot.kind) {
      case location_register:
        symbol_attribute = register_variable;
        address = slot.register_number;
        break;
      case location_expression:
        symbol_attribute = expression_variable;
        more = expression_more(slot, address_size);
        break;
      case location_frame_relative:
        symbol_attribute = local_stack_variable;
        more = expression_more(slot, address_size);
        extra.push_back({0, slot.frame_base_expression});
        break;
      default:
        address = slot.value;
        break;
    }
    put_symbol(symbol_attribute, type, std::move(more), std::move(extra), name, address, slot.range_end,
               slot.range_start);
  }
}

}  // namespace

void ANALYZE_DEBUG_ENTRY(int table, int abbreviation, int unit, int& entry, WalkPass pass) {
  const EntryRef ref{table, abbreviation, unit, entry};
  const std::uint16_t tag = ref.tag();
  if (pass == WalkPass::types) {
    if (is_type_tag(tag)) put_type_record(ref);
    return;
  }
  switch (tag) {
    case dw::TAG_compile_unit:
      compile_unit(ref);
      break;
    case dw::TAG_subprogram:
    case dw::TAG_inlined_subroutine:
      function(ref);
      break;
    case dw::TAG_variable:
    case dw::TAG_formal_parameter:
    case dw::TAG_constant:
      variable(ref);
      entry = index_after_children(ref);
      break;
    case dw::TAG_lexical_block:
    case dw::TAG_label:
      break;
    default:
      entry = index_after_children(ref);
      break;
  }
}

void ANALYZE_DEBUG_ENTRIES() {
  DwarfState& s = dwarf_state();
  s.stack = make_expression_stack();
  for (std::size_t u = 0; u < s.units.size(); ++u) {
    const auto unit = static_cast<int>(u);
    int index = 0;
    while (static_cast<std::size_t>(index) < s.units[u].entries.size()) {
      const std::optional<EntryRef> entry = entry_of(unit, index);
      if (!entry) {
        ++index;
        continue;
      }
      const int before = index;
      ANALYZE_DEBUG_ENTRY(entry->table, entry->abbreviation, unit, index, WalkPass::symbols);
      if (get_debug_dll_error() != 0) {
        s.stack.reset();
        return;
      }
      if (index == before) ++index;
    }
  }
  for (std::size_t u = 0; u < s.units.size(); ++u) {
    for (std::size_t i = 0; i < s.units[u].entries.size(); ++i) {
      const std::optional<EntryRef> entry = entry_of(static_cast<int>(u), static_cast<int>(i));
      if (!entry || !is_type_tag(entry->tag())) continue;
      int index = entry->entry;
      ANALYZE_DEBUG_ENTRY(entry->table, entry->abbreviation, entry->unit, index, WalkPass::types);
    }
  }
  s.stack.reset();
}

}  // namespace vx::loaders

#pragma once

#include <string>
#include <vector>

#include "dwarf_test_support.h"
#include "loaders/dwarf_constants.h"
#include "loaders/dwarf_entries.h"

namespace vx::loaders::test_support {

// The abbreviations of the hand-made C units below.
enum Code : std::uint8_t {
  c_unit = 1,
  c_function,
  c_variable,
  c_base,
  c_block,
  c_pointer,
  c_void_pointer,
  c_array,
  c_bound,
  c_variable_bound,
  c_enumeration,
  c_enumerator,
  c_structure,
  c_member,
  c_listed_variable,
  c_typedef,
  c_const,
  c_external_variable,
  c_plain_function,
  c_empty_enumeration,
  c_union,
  c_union_member,
  c_far_variable,
  c_listed_function,
};

inline Bytes c_abbreviations() {
  using namespace dw;
  return abbreviation_table({
      {c_unit, TAG_compile_unit, true, {{AT_name, FORM_string}, {AT_low_pc, FORM_addr}, {AT_high_pc, FORM_addr}}},
      {c_function, TAG_subprogram, true,
       {{AT_name, FORM_string}, {AT_low_pc, FORM_addr}, {AT_high_pc, FORM_addr}, {AT_frame_base, FORM_block1}}},
      {c_variable, TAG_variable, false, {{AT_name, FORM_string}, {AT_type, FORM_ref2}, {AT_location, FORM_block1}}},
      {c_base, TAG_base_type, false, {{AT_name, FORM_string}, {AT_byte_size, FORM_data1}, {AT_encoding, FORM_data1}}},
      {c_block, TAG_lexical_block, true, {{AT_low_pc, FORM_addr}, {AT_high_pc, FORM_addr}}},
      {c_pointer, TAG_pointer_type, false, {{AT_byte_size, FORM_data1}, {AT_type, FORM_ref2}}},
      {c_void_pointer, TAG_pointer_type, false, {{AT_byte_size, FORM_data1}}},
      {c_array, TAG_array_type, true, {{AT_type, FORM_ref2}}},
      {c_bound, TAG_subrange_type, false, {{AT_upper_bound, FORM_data1}}},
      {c_variable_bound, TAG_subrange_type, false, {{AT_upper_bound, FORM_ref2}}},
      {c_enumeration, TAG_enumeration_type, true, {{AT_name, FORM_string}, {AT_byte_size, FORM_data1}}},
      {c_enumerator, TAG_enumerator, false, {{AT_name, FORM_string}, {AT_const_value, FORM_sdata}}},
      {c_structure, TAG_structure_type, true, {{AT_name, FORM_string}, {AT_byte_size, FORM_data1}}},
      {c_member, TAG_member, false,
       {{AT_name, FORM_string}, {AT_type, FORM_ref2}, {AT_data_member_location, FORM_block1}}},
      {c_listed_variable, TAG_variable, false,
       {{AT_name, FORM_string}, {AT_type, FORM_ref2}, {AT_location, FORM_data4}}},
      {c_typedef, TAG_typedef, false, {{AT_name, FORM_string}, {AT_type, FORM_ref2}}},
      {c_const, TAG_const_type, false, {{AT_type, FORM_ref2}}},
      {c_external_variable, TAG_variable, false,
       {{AT_name, FORM_string}, {AT_location, FORM_block1}, {AT_external, FORM_flag}}},
      {c_plain_function, TAG_subprogram, true,
       {{AT_name, FORM_string}, {AT_low_pc, FORM_addr}, {AT_high_pc, FORM_addr}}},
      {c_empty_enumeration, TAG_enumeration_type, false, {{AT_name, FORM_string}, {AT_byte_size, FORM_data1}}},
      {c_union, TAG_union_type, true, {{AT_name, FORM_string}, {AT_byte_size, FORM_data1}}},
      {c_union_member, TAG_member, false, {{AT_name, FORM_string}, {AT_type, FORM_ref2}}},
      {c_far_variable, TAG_variable, false,
       {{AT_name, FORM_string}, {AT_type, FORM_ref_addr}, {AT_location, FORM_block1}}},
      {c_listed_function, TAG_subprogram, true,
       {{AT_name, FORM_string}, {AT_low_pc, FORM_addr}, {AT_high_pc, FORM_addr}, {AT_frame_base, FORM_data4}}},
  });
}

// The entries of one unit with 2-byte addresses; offsets count from the
// unit's header, which the first unit of a section starts at 0.
struct UnitEntries {
  std::uint32_t unit_offset = 0;
  Bytes bytes;

  std::uint16_t next() const { return static_cast<std::uint16_t>(11 + bytes.size()); }
  std::uint16_t add(const Bytes& entry) {
    const std::uint16_t offset = next();
    bytes.raw(entry);
    return offset;
  }
  void end_children() { bytes.u8(0); }
};

inline Bytes block(const std::vector<std::uint8_t>& expression) {
  return Bytes().u8(static_cast<unsigned>(expression.size())).raw(expression);
}

// A section of units over the C abbreviations, read as the open slot reads it.
inline void analyze_units(const std::vector<UnitEntries>& units, std::vector<std::uint8_t> loc = {}) {
  DwarfSections s;
  s.abbrev = c_abbreviations();
  for (const UnitEntries& unit : units) s.info.raw(info_unit(unit.bytes));
  s.loc = std::move(loc);
  s.analyze();
}

// Every symbol in name order, each name's chain included.
inline std::vector<const debug_symbol_record*> all_symbols() {
  std::vector<const debug_symbol_record*> result;
  for (const debug_symbol_record* s = get_debug_database().symbols().head; s != nullptr; s = s->next) {
    for (const debug_symbol_record* same = s; same != nullptr; same = same->same_name_next) result.push_back(same);
  }
  return result;
}

inline const debug_symbol_record* symbol(const std::string& name) {
  for (const debug_symbol_record* s : all_symbols()) {
    if (s->name.str() == name) return s;
  }
  return nullptr;
}

inline const debug_type_record* type(std::int32_t number) {
  for (const auto& t : get_debug_database().types()) {
    if (t->number == number) return t.get();
  }
  return nullptr;
}

}  // namespace vx::loaders::test_support

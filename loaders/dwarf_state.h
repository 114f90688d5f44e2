#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "foundation/containers/st_dque.h"
#include "foundation/containers/st_hash.h"
#include "foundation/short_text.h"

// The tables of the DWARF 2.0 reader. They live from the ELF module's open
// to its close, which releases them with release_dwarf_tables. The reader
// takes the file, the section extents, the .debug_loc bytes, the allocatable
// sections and the image bounds from the ELF module's state.
namespace vx::loaders {

using dynamic_byte_array = std::vector<std::uint8_t>;

struct debug_abbreviation_type {
  std::uint32_t code = 0;
  std::uint16_t tag = 0;
  std::uint8_t children = 0;
  std::vector<std::uint16_t> attribute_names;
  std::vector<std::uint16_t> attribute_forms;
};

struct debug_abbreviation_unit_type {
  std::int32_t offset = 0;
  // Abbreviation code to index; none for an empty table.
  std::unique_ptr<TStHashTable> code_index;
  std::vector<debug_abbreviation_type> abbreviations;
};

struct debug_information_type {
  std::int32_t offset = 0;
  std::uint32_t code = 0;
  std::int32_t depth = 0;
  // The index of the nearest preceding entry one level up; -1 at depth 0.
  std::int32_t parent = -1;
  std::vector<dynamic_byte_array> values;
  // The forms that DW_FORM_indirect attributes named, by attribute index;
  // empty unless the abbreviation has such an attribute.
  std::vector<std::uint16_t> indirect_forms;
};

struct debug_information_unit_type {
  std::uint32_t unit_length = 0;
  std::uint16_t version = 0;
  std::uint32_t abbreviation_offset = 0;
  std::int32_t unit_offset = 0;
  std::uint8_t address_size = 0;
  // Entry offset to entry index.
  std::unique_ptr<TStHashTable> offset_index;
  std::int32_t base_address = 0;
  std::int32_t end_address = 0;
  std::vector<debug_information_type> entries;
};

struct debug_string_type {
  ShortText text;
  std::int32_t offset = 0;
};

struct state_register_header_type {
  std::uint32_t srh_unit_length = 0;
  std::uint16_t srh_version = 0;
  std::uint32_t srh_header_length = 0;
  std::uint8_t srh_minimum_instruction_length = 0;
  std::uint8_t srh_default_is_stmt = 0;
  std::int8_t srh_line_base = 0;
  std::uint8_t srh_line_range = 0;
  std::uint8_t srh_opcode_base = 0;
  dynamic_byte_array srh_standard_opcode_lengths;
  std::vector<ShortText> srh_include_directories;
  std::vector<ShortText> srh_file_names;
  std::vector<std::int32_t> srh_directory_index;
  std::vector<std::int32_t> srh_time;
  std::vector<std::int32_t> srh_length;
};

struct StateRegisters {
  std::int32_t sr_address = 0;
  std::int32_t sr_file = 1;
  std::int32_t sr_line = 1;
  std::int32_t sr_column = 0;
  std::uint8_t sr_is_stmt = 0;
  std::uint8_t sr_basic_block = 0;
  std::uint8_t sr_end_sequence = 0;
  std::uint8_t sr_prologue_end = 0;
  std::uint8_t sr_epilogue_begin = 0;
  std::int32_t sr_isa = 0;
};

enum LocationKind : std::int32_t {
  location_register = 2,
  location_frame_relative = 98,
  location_expression = 99,
  location_address = 100,
};

struct location_list_type {
  std::int32_t range_start = 0;
  std::int32_t range_end = 0;
  std::int32_t value = 0;
  std::int32_t kind = 0;
  std::int32_t reserved = 0;
  std::int32_t register_number = 0;
  dynamic_byte_array expression;
  dynamic_byte_array frame_base_expression;
};

// Slots 1 to 1000 hold the locations of the last evaluation; frame-base
// entries count from 0.
inline constexpr std::size_t location_table_size = 1001;
using LocationTable = std::array<location_list_type, location_table_size>;

struct DwarfState {
  std::vector<debug_string_type> strings;
  std::vector<debug_abbreviation_unit_type> abbreviation_units;
  std::vector<debug_information_unit_type> units;
  // The offset of each unit's last entry with the unit's index, ascending;
  // units without entries have none.
  std::vector<std::pair<std::int32_t, int>> unit_last_entries;
  std::vector<state_register_header_type> line_headers;
  StateRegisters registers;
  std::int32_t file_index_total = 0;
  std::int32_t file_index_total_this_cunit = 0;
  LocationTable slots;
  std::int32_t slot_count = 0;
  LocationTable frame_bases;
  std::int32_t frame_base_count = 0;
  // The expression stack of the entry walk; its head is the top.
  std::unique_ptr<TStDQue> stack;
};

DwarfState& dwarf_state();
// Frees every table and clears the location tables.
void release_dwarf_tables();
void reset_dwarf_state();

}  // namespace vx::loaders

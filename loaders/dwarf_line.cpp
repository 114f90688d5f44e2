#include "loaders/dwarf_line.h"

#include <algorithm>
#include <new>

#include "foundation/file_names.h"
#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "loaders/bounded_reader.h"
#include "loaders/debug_context.h"
#include "loaders/dwarf_sections.h"
#include "loaders/dwarf_state.h"

namespace vx::loaders {
namespace {

constexpr std::uint8_t code_file_store = 13;
constexpr std::uint8_t code_line_store = 14;
constexpr std::uint8_t code_memory = 20;
constexpr std::uint8_t code_not_version_2 = 21;

constexpr std::uint32_t minimum_unit_length = 11;
// Filler bytes before a header that are still searched through.
constexpr std::size_t header_search_bytes = 3;

enum StandardOpcode : std::uint8_t {
  DW_LNS_copy = 1,
  DW_LNS_advance_pc = 2,
  DW_LNS_advance_line = 3,
  DW_LNS_set_file = 4,
  DW_LNS_set_column = 5,
  DW_LNS_negate_stmt = 6,
  DW_LNS_set_basic_block = 7,
  DW_LNS_const_add_pc = 8,
  DW_LNS_fixed_advance_pc = 9,
};

enum ExtendedOpcode : std::uint8_t {
  DW_LNE_end_sequence = 1,
  DW_LNE_set_address = 2,
  DW_LNE_define_file = 3,
};

// Ends the section: every failure stops the whole line program.
struct LineFailure {
  std::uint8_t code;
};

std::int32_t wrapping_add(std::int32_t a, std::uint32_t b) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(a) + b);
}

// One file entry after its name; a directory beyond the list is refused.
void read_file_entry(BoundedReader& reader, state_register_header_type& header, const ShortText& name) {
  const std::uint32_t directory = reader.read_uleb128();
  if (directory > header.srh_include_directories.size()) throw LineFailure{code_not_version_2};
  header.srh_file_names.push_back(name);
  header.srh_directory_index.push_back(static_cast<std::int32_t>(directory));
  header.srh_time.push_back(static_cast<std::int32_t>(reader.read_uleb128()));
  header.srh_length.push_back(static_cast<std::int32_t>(reader.read_uleb128()));
}

void store_file(const state_register_header_type& header, std::size_t file) {
  const ShortText& name = header.srh_file_names[file];
  ShortText path = name;
  if (const auto directory = static_cast<std::size_t>(header.srh_directory_index[file]); directory != 0) {
    const ShortText& folder = header.srh_include_directories[directory - 1];
    path = ShortText(file_names::join_directory(folder.view(), name.view()));
  }
  if (!PUT_DEBUG_FILE(path)) throw LineFailure{code_file_store};
  DwarfState& s = dwarf_state();
  ++s.file_index_total;
  ++s.file_index_total_this_cunit;
}

void emit_row() {
  DwarfState& s = dwarf_state();
  StateRegisters& r = s.registers;
  if (r.sr_line != 0) {
    const std::int32_t file = s.file_index_total - s.file_index_total_this_cunit + r.sr_file;
    if (!PUT_DEBUG_LINE(r.sr_address, file, r.sr_line)) throw LineFailure{code_line_store};
  }
  r.sr_basic_block = 0;
  r.sr_prologue_end = 0;
  r.sr_epilogue_begin = 0;
}

// Reads length and version at the unit start, or up to three bytes after it
// when they make no version 2 header; the end of the unit comes with them.
std::size_t read_unit_start(BoundedReader& reader, state_register_header_type& header) {
  const std::size_t unit_start = reader.position();
  header.srh_unit_length = reader.read_u32_be();
  std::size_t unit_end = reader.position() + std::size_t{header.srh_unit_length};
  header.srh_version = reader.read_u16_be();
  if (header.srh_version == 1) throw LineFailure{code_not_version_2};
  if (header.srh_version == 2 && header.srh_unit_length >= minimum_unit_length) return unit_end;
  WRITELN_TO_DEBUG("Warning - DWARF line information not compliant with version 2.0");
  WRITELN_TO_DEBUG("DWARF line information begins or ends unexpectedly");
  WRITELN_TO_DEBUG("Attempting to continue loading DWARF information");
  for (std::size_t shift = 1; shift <= header_search_bytes; ++shift) {
    reader.seek(unit_start + shift);
    header.srh_unit_length = reader.read_u32_be();
    unit_end = reader.position() + std::size_t{header.srh_unit_length};
    header.srh_version = reader.read_u16_be();
    const bool last_try = shift == header_search_bytes;
    if (header.srh_version == 2 && (last_try || header.srh_unit_length >= minimum_unit_length)) return unit_end;
  }
  throw LineFailure{code_not_version_2};
}

// The header after length and version; gives the start of the program.
std::size_t read_header(BoundedReader& reader, state_register_header_type& header) {
  header.srh_header_length = reader.read_u32_be();
  const std::size_t program_start = reader.position() + std::size_t{header.srh_header_length};
  header.srh_minimum_instruction_length = reader.read_u8();
  header.srh_default_is_stmt = reader.read_u8();
  header.srh_line_base = static_cast<std::int8_t>(reader.read_u8());
  header.srh_line_range = reader.read_u8();
  header.srh_opcode_base = reader.read_u8();
  // Without them the special opcodes divide by zero, and a table that runs
  // into the program would give its opcodes as operand counts.
  if (header.srh_line_range == 0 || header.srh_opcode_base == 0) throw LineFailure{code_not_version_2};
  if (reader.position() + header.srh_opcode_base - 1u > program_start) throw LineFailure{code_not_version_2};
  header.srh_standard_opcode_lengths.resize(header.srh_opcode_base - 1u);
  reader.read_bytes(header.srh_standard_opcode_lengths);
  while (true) {
    const ShortText directory = reader.read_zstring();
    if (directory.empty()) break;
    header.srh_include_directories.push_back(directory);
  }
  while (true) {
    const ShortText name = reader.read_zstring();
    if (name.empty()) break;
    read_file_entry(reader, header, name);
  }
  return program_start;
}

void run_extended(BoundedReader& reader, state_register_header_type& header, int unit) {
  const std::uint32_t length = reader.read_uleb128();
  if (length == 0) return;
  const std::size_t instruction_end = reader.position() + std::size_t{length};
  StateRegisters& r = dwarf_state().registers;
  switch (reader.read_u8()) {
    case DW_LNE_end_sequence:
      RESET_STATE_REGISTERS(unit);
      break;
    case DW_LNE_set_address: {
      // The operand has the target's address size: 2 bytes on a small target.
      const std::uint32_t size = length - 1;
      if (size != 1 && size != 2 && size != 4) throw LineFailure{code_not_version_2};
      std::uint32_t address = 0;
      for (std::uint32_t i = 0; i < size; ++i) address = address << 8 | reader.read_u8();
      r.sr_address = static_cast<std::int32_t>(address);
      break;
    }
    case DW_LNE_define_file: {
      const ShortText name = reader.read_zstring();
      read_file_entry(reader, header, name);
      store_file(header, header.srh_file_names.size() - 1);
      break;
    }
    default:
      break;
  }
  reader.seek(instruction_end);
}

void run_standard(BoundedReader& reader, const state_register_header_type& header, std::uint8_t op) {
  StateRegisters& r = dwarf_state().registers;
  switch (op) {
    case DW_LNS_copy:
      emit_row();
      break;
    case DW_LNS_advance_pc:
      r.sr_address = wrapping_add(r.sr_address, reader.read_uleb128() * header.srh_minimum_instruction_length);
      break;
    case DW_LNS_advance_line:
      r.sr_line = wrapping_add(r.sr_line, static_cast<std::uint32_t>(reader.read_sleb128()));
      break;
    case DW_LNS_set_file:
      r.sr_file = static_cast<std::int32_t>(reader.read_uleb128());
      break;
    case DW_LNS_set_column:
      r.sr_column = static_cast<std::int32_t>(reader.read_uleb128());
      break;
    case DW_LNS_negate_stmt:
      r.sr_is_stmt ^= 1;
      break;
    case DW_LNS_set_basic_block:
      r.sr_basic_block = 1;
      break;
    case DW_LNS_const_add_pc:
      r.sr_address = wrapping_add(r.sr_address, static_cast<std::uint32_t>((255 - header.srh_opcode_base) /
                                                                          header.srh_line_range) *
                                                    header.srh_minimum_instruction_length);
      break;
    case DW_LNS_fixed_advance_pc:
      r.sr_address = wrapping_add(r.sr_address, reader.read_u16_be());
      break;
    default:
      for (std::uint8_t i = 0; i < header.srh_standard_opcode_lengths[op - 1u]; ++i) reader.read_uleb128();
      break;
  }
}

void run_special(const state_register_header_type& header, std::uint8_t op) {
  StateRegisters& r = dwarf_state().registers;
  const unsigned adjusted = op - header.srh_opcode_base;
  r.sr_address = wrapping_add(r.sr_address, adjusted / header.srh_line_range * header.srh_minimum_instruction_length);
  r.sr_line = wrapping_add(r.sr_line, static_cast<std::uint32_t>(header.srh_line_base + static_cast<int>(
                                                                      adjusted % header.srh_line_range)));
  emit_row();
}

void run_unit(BoundedReader& reader) {
  DwarfState& s = dwarf_state();
  s.line_headers.emplace_back();
  const int unit = static_cast<int>(s.line_headers.size() - 1);
  state_register_header_type& header = s.line_headers.back();
  const std::size_t unit_end = std::min(read_unit_start(reader, header), reader.size());
  const std::size_t program_start = read_header(reader, header);
  s.file_index_total_this_cunit = 0;
  for (std::size_t file = 0; file < header.srh_file_names.size(); ++file) store_file(header, file);
  RESET_STATE_REGISTERS(unit);
  reader.seek(program_start);
  while (reader.position() < unit_end) {
    const std::uint8_t op = reader.read_u8();
    if (op == 0) {
      run_extended(reader, header, unit);
    } else if (op < header.srh_opcode_base) {
      run_standard(reader, header, op);
    } else {
      run_special(header, op);
    }
  }
}

}  // namespace

void RESET_STATE_REGISTERS(int unit) {
  DwarfState& s = dwarf_state();
  s.registers = StateRegisters{};
  s.registers.sr_is_stmt = s.line_headers[static_cast<std::size_t>(unit)].srh_default_is_stmt;
}

void ANALYZE_DEBUG_LINE(std::uint32_t section_start, std::uint32_t section_end) {
  DwarfState& s = dwarf_state();
  s.file_index_total = 0;
  s.file_index_total_this_cunit = 0;
  BoundedReader reader = section_reader(section_start, section_end);
  try {
    while (reader.position() < reader.size()) run_unit(reader);
  } catch (const LineFailure& failure) {
    set_debug_dll_error(failure.code);
  } catch (const std::bad_alloc&) {
    set_debug_dll_error(code_memory);
  }
}

}  // namespace vx::loaders

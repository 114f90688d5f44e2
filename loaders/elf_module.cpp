#include "loaders/elf_module.h"

#include <algorithm>
#include <array>
#include <new>
#include <utility>

#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/status_output.h"
#include "loaders/debug_context.h"
#include "loaders/dwarf_entries.h"
#include "loaders/dwarf_info.h"
#include "loaders/dwarf_line.h"
#include "loaders/dwarf_state.h"
#include "loaders/elf_readers.h"
#include "loaders/format_modules.h"
#include "loaders/phwarn.h"

namespace vx::loaders {
namespace {

constexpr std::array<std::uint8_t, 4> elf_magic{0x7F, 'E', 'L', 'F'};
constexpr std::size_t elf_ident_size = 16;
constexpr std::uint8_t elf_class_32 = 1;
constexpr std::uint8_t elf_data_big_endian = 2;
constexpr std::uint16_t et_exec = 2;
constexpr std::uint32_t section_with_bytes_types = 9;
constexpr std::uint8_t compiler_icc6812 = 1;
constexpr std::uint8_t compiler_ppc_eabi = 2;

constexpr std::array<const char*, 24> error_texts{
    "ERROR - Unknown",
    "",
    "ERROR - Invalid ELF header.",
    "ERROR - File is not an executable ELF file.",
    "ERROR - ELF file incompatible with target architecture.",
    "ERROR - ELF file format is not Big Endian.",
    "ERROR - ELF file contains no program headers.",
    "ERROR - ELF program header contains incorrect alignment specification.",
    "ERROR - ELF file is not 32 bit format.",
    "ERROR - ELF file contains no section headers.",
    "ERROR - ELF program headers specify no loadable segments.",
    "ERROR - ELF section headers specify no allocatable sections.",
    "ERROR - ELF file contains no .debug_line section. Recompile file to include DWARF 2.0 debug information.",
    "ERROR - Memory allocation error during debug file analysis.",
    "ERROR - Memory allocation error during debug line analysis.",
    "ERROR - ELF file contains no .debug_abbrev section. Recompile file to include DWARF 2.0 debug information.",
    "ERROR - ELF file contains no .debug_info section. Recompile file to include DWARF 2.0 debug information.",
    "ERROR - ELF file does not specify C language source code. ELF functionality supports only the C language.",
    "ERROR - Debug information is not Dwarf version 2.0. ",
    "ERROR - Debug information is Dwarf version 1. Debugger currently supports version 2.0 only.",
    "ERROR - Memory allocation error. ",
    "ERROR - DWARF line number information is not version 2.0  Debug information not loaded.",
    "ERROR - DWARF debug abbreviation information is not valid  Debug information not loaded.",
    "",
};

ElfModule elf_state;

// Everything but the run-wide address choice, and the DWARF reader's tables.
void release_file_state() {
  const bool use_p_paddr = elf_state.use_p_paddr;
  const bool ask = elf_state.ask_address_choice;
  elf_state = ElfModule{};
  release_dwarf_tables();
  elf_state.use_p_paddr = use_p_paddr;
  elf_state.ask_address_choice = ask;
}

void close_file() {
  elf_state.file_open = false;
  elf_state.file = BoundedReader();
  elf_state.file_bytes = {};
}

// Ends an entry with an error code and the file closed; a reported code is
// also written as a status line, so that a rejected ELF file is seen even
// while other modules are tried.
void fail(std::uint8_t code, bool report) {
  set_debug_dll_error(code);
  if (report) {
    DEBUG_DLL_ERROR_ELF();
    WRITELN_TO_DEBUG(get_debug_dll_error_text());
    current_debug_context().module.error_shown = true;
  }
  close_file();
}

bool fits_in_file(std::uint64_t offset, std::uint64_t size) { return offset + size <= elf_state.file_bytes.size(); }

// The load file, or its name with the extension "elf"; error 1 when neither exists.
bool find_load_file() {
  ShortText name = get_load_file_name();
  if (!valid_file_exists(name)) {
    if (const std::optional<ShortText> elf_name = replace_extension(name, "elf")) name = *elf_name;
    if (!valid_file_exists(name)) {
      elf_state.file_name = name;
      set_debug_dll_error(elf_no_file);
      return false;
    }
  }
  elf_state.file_name = name;
  return true;
}

void read_header_fields() {
  ElfHeader& h = elf_state.header;
  elf_seek(elf_ident_size);
  h.e_type = elf_read_u16();
  h.e_machine = elf_read_u16();
  h.e_version = elf_read_u32();
  h.e_entry = elf_read_u32();
  h.e_phoff = elf_read_u32();
  h.e_shoff = elf_read_u32();
  h.e_flags = elf_read_u32();
  h.e_ehsize = elf_read_u16();
  h.e_phentsize = elf_read_u16();
  h.e_phnum = elf_read_u16();
  h.e_shentsize = elf_read_u16();
  h.e_shnum = elf_read_u16();
  h.e_shstrndx = elf_read_u16();
}

// Opens the file and checks what the test and the open both check: an
// ELF file of 32 bits, big-endian, executable. A file too short for the
// header, or one that cannot be read, is no ELF file to this module.
bool open_and_check_header() {
  std::optional<std::vector<std::uint8_t>> bytes = read_file_bytes(elf_state.file_name);
  if (!bytes || bytes->size() < elf_header_size) {
    set_debug_dll_error(elf_invalid_header);
    return false;
  }
  set_elf_file_bytes(std::move(*bytes));
  const std::vector<std::uint8_t>& file = elf_state.file_bytes;
  if (!std::equal(elf_magic.begin(), elf_magic.end(), file.begin())) {
    fail(elf_invalid_header, false);
    return false;
  }
  if (file[4] != elf_class_32) {
    fail(elf_not_32_bit, true);
    return false;
  }
  if (file[5] != elf_data_big_endian) {
    fail(elf_not_big_endian, true);
    return false;
  }
  read_header_fields();
  if (elf_state.header.e_type != et_exec) {
    fail(elf_not_executable, true);
    return false;
  }
  return true;
}

// The header tables must lie in the file, and a section header must hold
// the 40 bytes every entry is read as.
bool header_tables_fit() {
  const ElfHeader& h = elf_state.header;
  if (!fits_in_file(h.e_phoff, std::uint64_t{elf_program_header_size} * h.e_phnum)) {
    fail(elf_no_program_headers, true);
    return false;
  }
  if (elf_state.has_section_table &&
      (h.e_shentsize < elf_section_header_size || h.e_shstrndx >= h.e_shnum ||
       !fits_in_file(h.e_shoff, std::uint64_t{h.e_shentsize} * h.e_shnum))) {
    fail(elf_no_section_headers, true);
    return false;
  }
  return true;
}

void read_section_headers() {
  const ElfHeader& h = elf_state.header;
  for (std::size_t i = 0; i < h.e_shnum; ++i) {
    elf_seek(static_cast<std::uint32_t>(h.e_shoff + i * h.e_shentsize));
    ElfSectionHeader& s = elf_state.section_headers[i];
    s.sh_name = elf_read_u32();
    s.sh_type = elf_read_u32();
    s.sh_flags = elf_read_u32();
    s.sh_addr = elf_read_u32();
    s.sh_offset = elf_read_u32();
    s.sh_size = elf_read_u32();
    s.sh_link = elf_read_u32();
    s.sh_info = elf_read_u32();
    s.sh_addralign = elf_read_u32();
    s.sh_entsize = elf_read_u32();
  }
}

// Every section that has bytes in the file has all of them there.
bool section_extents_fit() {
  for (const ElfSectionHeader& s : elf_state.section_headers) {
    if (s.sh_type != sht_nobits && s.sh_size != 0 && !fits_in_file(s.sh_offset, s.sh_size)) {
      fail(elf_invalid_header, true);
      return false;
    }
  }
  return true;
}

void read_section_names() {
  const std::uint64_t names_start = elf_state.section_headers[elf_state.header.e_shstrndx].sh_offset;
  for (std::size_t i = 0; i < elf_state.section_headers.size(); ++i) {
    const std::uint64_t offset = names_start + elf_state.section_headers[i].sh_name;
    BoundedReader& file = elf_file();
    file.seek(static_cast<std::size_t>(std::min<std::uint64_t>(offset, file.size())));
    elf_state.section_names[i] = file.at_end() ? ShortText() : file.read_zstring();
    if (elf_state.section_names[i] == ".vxcrt0") elf_state.has_vxcrt0 = true;
  }
}

// The sections holding target bytes, ascending by address; equal addresses keep index order.
void build_allocatable_sections() {
  std::vector<std::int32_t>& table = elf_state.allocatable_sections;
  const std::vector<ElfSectionHeader>& sections = elf_state.section_headers;
  for (std::size_t i = 0; i < sections.size(); ++i) {
    const ElfSectionHeader& s = sections[i];
    if ((s.sh_flags & shf_alloc) != 0 && (s.sh_type & section_with_bytes_types) != 0 && s.sh_size != 0) {
      table.push_back(static_cast<std::int32_t>(i));
    }
  }
  if (table.empty()) {
    set_debug_dll_error(elf_no_allocatable_sections);
    return;
  }
  std::stable_sort(table.begin(), table.end(), [&](std::int32_t a, std::int32_t b) {
    return sections[static_cast<std::size_t>(a)].sh_addr < sections[static_cast<std::size_t>(b)].sh_addr;
  });
}

bool read_program_headers() {
  const ElfHeader& h = elf_state.header;
  bool any_loadable = false;
  for (std::size_t i = 0; i < h.e_phnum; ++i) {
    elf_seek(static_cast<std::uint32_t>(h.e_phoff + i * elf_program_header_size));
    ElfProgramHeader& p = elf_state.program_headers[i];
    p.p_type = elf_read_u32();
    p.p_offset = elf_read_u32();
    p.p_vaddr = elf_read_u32();
    p.p_paddr = elf_read_u32();
    p.p_filesz = elf_read_u32();
    p.p_memsz = elf_read_u32();
    p.p_flags = elf_read_u32();
    p.p_align = elf_read_u32();
    any_loadable = any_loadable || p.p_type == pt_load;
  }
  return any_loadable;
}

void compute_image_bounds(std::uint32_t& lowest, std::uint32_t& highest) {
  const std::vector<ElfProgramHeader>& headers = elf_state.program_headers;
  const auto first = std::find_if(headers.begin(), headers.end(), [](const auto& p) { return p.p_type == pt_load; });
  lowest = first != headers.end() ? first->p_vaddr : 0;
  highest = 0;
  for (const ElfProgramHeader& p : headers) {
    if (p.p_type != pt_load || (p.p_filesz == 0 && p.p_memsz == 0)) continue;
    lowest = std::min(lowest, p.p_vaddr);
    highest = std::max(highest, p.p_vaddr + p.p_memsz - 1);
  }
}

// The loadable segments in load-address order, the address field chosen
// by the run-wide choice or by the user's answer.
void build_segment_table() {
  std::uint32_t lowest = 0;
  std::uint32_t highest = 0;
  compute_image_bounds(lowest, highest);
  const std::vector<ElfProgramHeader>& headers = elf_state.program_headers;
  std::vector<ElfSegment>& segments = elf_state.segments;
  std::size_t same_address = 0;
  std::size_t zero_paddr = 0;
  for (std::size_t i = 0; i < headers.size(); ++i) {
    const ElfProgramHeader& p = headers[i];
    if (p.p_type != pt_load || p.p_filesz == 0) continue;
    if (!fits_in_file(p.p_offset, p.p_filesz)) {
      fail(elf_invalid_header, true);
      return;
    }
    segments.push_back({static_cast<std::int32_t>(i), 0});
    if (p.p_paddr == p.p_vaddr) ++same_address;
    if (p.p_paddr == 0) ++zero_paddr;
  }
  if (segments.empty()) {
    set_debug_dll_error(elf_no_loadable_segments);
    return;
  }
  if (elf_state.ask_address_choice && same_address != segments.size() && zero_paddr != segments.size()) {
    elf_state.use_p_paddr = elf_state.has_vxcrt0 || ask_use_p_paddr();
  }
  for (ElfSegment& segment : segments) {
    const ElfProgramHeader& p = headers[static_cast<std::size_t>(segment.program_header)];
    segment.load_address = elf_state.use_p_paddr ? p.p_paddr : p.p_vaddr;
  }
  std::stable_sort(segments.begin(), segments.end(),
                   [](const ElfSegment& a, const ElfSegment& b) { return a.load_address < b.load_address; });
  elf_state.image_lowest = lowest;
  elf_state.image_highest = highest;
}

const ElfProgramHeader& segment_header(std::size_t index) {
  return elf_state.program_headers[static_cast<std::size_t>(elf_state.segments[index].program_header)];
}

void start_at_segment(std::size_t index) {
  elf_state.segment_index = index;
  elf_state.current_address = elf_state.segments[index].load_address;
  elf_seek(segment_header(index).p_offset);
}

bool dwarf_failed() {
  if (get_debug_dll_error() == elf_no_error) return false;
  close_file();
  return true;
}

// Debug information the reader cannot read (a later DWARF version, say) ends the open only when
// it is wanted; a load of object bytes alone goes on without it after a warning. True when the
// open goes on.
bool go_on_without_debug_information() {
  if (!current_debug_context().module.object_bytes_only) {
    close_file();
    return false;
  }
  DEBUG_DLL_ERROR_ELF();
  ShortText reason = get_debug_dll_error_text();
  if (reason.view().starts_with("ERROR - ")) reason = "WARNING - " + reason.substr(8);
  WRITELN_TO_DEBUG(reason);
  WRITELN_TO_DEBUG("Debug information will not be loaded");
  set_debug_dll_error(elf_no_error);
  release_dwarf_tables();
  elf_state.debug_abbrev_present = false;
  elf_state.debug_info_present = false;
  elf_state.debug_dropped = true;
  return true;
}

void set_compiler_kind_of_producer() {
  const ShortText producer = upper_case(GET_DEBUG_PRODUCER());
  if (producer == "ICC6812" || producer == "A6812") {
    set_debug_compiler_kind(compiler_icc6812);
  } else if (producer == "MW EABI PPC C-COMPILER") {
    set_debug_compiler_kind(compiler_ppc_eabi);
  }
}

// The DWARF sections the open hands over, and the compiler kind their producer tells.
bool open_debug_sections() {
  const std::optional<std::int32_t> abbrev = find_elf_section(".debug_abbrev");
  if (!abbrev) {
    elf_state.debug_abbrev_present = false;
    WRITELN_TO_DEBUG("WARNING - ELF file does not contains DWARF 2.0 debug_abbrev section.");
    WRITELN_TO_DEBUG("Debug information will not be loaded");
    return true;
  }
  elf_state.debug_abbrev_present = true;
  const ElfSectionHeader& abbrev_header = elf_state.section_headers[static_cast<std::size_t>(*abbrev)];
  elf_state.debug_abbrev_offset = abbrev_header.sh_offset;
  elf_state.debug_abbrev_address = abbrev_header.sh_addr;
  const ElfExtent abbrev_extent = elf_section_extent(*abbrev);
  ANALYZE_DEBUG_ABBREV(abbrev_extent.start, abbrev_extent.end);
  if (get_debug_dll_error() != elf_no_error) return go_on_without_debug_information();
  const std::optional<std::int32_t> info = find_elf_section(".debug_info");
  if (!info) {
    elf_state.debug_info_present = false;
    WRITELN_TO_DEBUG("WARNING - ELF file does not contains DWARF 2.0 debug_info section.");
    WRITELN_TO_DEBUG("Debug information will not be loaded");
    return true;
  }
  elf_state.debug_info_present = true;
  const ElfExtent info_extent = elf_section_extent(*info);
  elf_state.debug_info_offset = info_extent.start;
  ANALYZE_DEBUG_INFO(info_extent.start, info_extent.end);
  if (get_debug_dll_error() != elf_no_error) return go_on_without_debug_information();
  set_compiler_kind_of_producer();
  return true;
}

bool open_file_and_tables() {
  ElfModule& m = elf_state;
  if (!find_load_file() || !open_and_check_header()) return false;
  if (m.header.e_machine != em_68hc08 && m.header.e_machine != em_starcore) {
    WRITELN_TO_DEBUG("WARNING - Unknown value specified for target architecture");
  }
  if (m.header.e_phnum < 1) {
    fail(elf_no_program_headers, true);
    return false;
  }
  m.has_section_table = m.header.e_shnum >= 1;
  if (!header_tables_fit()) return false;
  m.program_headers.resize(m.header.e_phnum);
  m.section_headers.resize(m.header.e_shnum);
  m.section_names.resize(m.header.e_shnum);
  if (m.has_section_table) {
    read_section_headers();
    if (!section_extents_fit()) return false;
    read_section_names();
    if (const std::optional<std::int32_t> strings = find_elf_section(".debug_str")) {
      const ElfExtent extent = elf_section_extent(*strings);
      if (extent.end != extent.start) {
        m.debug_str = extent;
        ANALYZE_DEBUG_STR(extent.start, extent.end);
        if (get_debug_dll_error() != elf_no_error && !go_on_without_debug_information()) return false;
      }
    }
    build_allocatable_sections();
  }
  if (!read_program_headers()) {
    fail(elf_no_loadable_segments, false);
    return false;
  }
  if (!m.has_section_table) {
    WRITELN_TO_DEBUG("WARNING - ELF/DWARF file contains no section header table.");
    WRITELN_TO_DEBUG("No debug information will be loaded.");
  }
  build_segment_table();
  if (get_debug_dll_error() != elf_no_error) {
    close_file();
    return false;
  }
  if (m.has_section_table && !m.debug_dropped && !open_debug_sections()) return false;
  return true;
}

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
  // A NOBITS section takes no room in the file, whatever its size.
  if (section.sh_type == sht_nobits) return {section.sh_offset, section.sh_offset};
  return {section.sh_offset, section.sh_offset + section.sh_size};
}

void DEBUG_DLL_NAME_ELF() { set_debug_dll_name("ELF/DWARF"); }

ShortText DEBUG_DLL_FILTER_ELF() { return "ELF/DWARF(2.0) | *.elf;*.abs;*.bin;*.out"; }

void DEBUG_DLL_ERROR_ELF() {
  const std::uint8_t code = get_debug_dll_error();
  if (code == elf_no_file) {
    set_debug_dll_error_text("ERROR - Load file " + elf_state.file_name + " does not exist.");
  } else {
    set_debug_dll_error_text(code < error_texts.size() ? error_texts[code] : error_texts[0]);
  }
}

void DEBUG_DLL_TEST_ELF() {
  set_debug_dll_error(elf_no_error);
  elf_state.file_open = false;
  if (!find_load_file() || !open_and_check_header()) return;
  if (elf_state.header.e_phnum < 1) {
    fail(elf_no_program_headers, true);
    return;
  }
  elf_state.file_open = true;
}

void DEBUG_DLL_OPEN_ELF() {
  set_debug_dll_error(elf_no_error);
  // A failed open is not followed by a close: nothing of the last file may stay.
  release_file_state();
  ElfModule& m = elf_state;
  try {
    if (!open_file_and_tables()) return;
  } catch (const std::bad_alloc&) {
    fail(elf_out_of_memory, false);
    return;
  }
  m.bytes_remaining = 0;
  for (std::size_t i = 0; i < m.segments.size(); ++i) m.bytes_remaining += segment_header(i).p_filesz;
  start_at_segment(0);
  set_block_address(static_cast<std::int32_t>(m.current_address));
  m.file_open = true;
}

void DEBUG_DLL_LOAD_ELF() {
  set_debug_dll_error(elf_no_error);
  ElfModule& m = elf_state;
  std::array<std::uint8_t, block_capacity> block{};
  std::uint16_t length = 0;
  const std::uint32_t block_address = m.current_address;
  set_block_length(0);
  set_block_address(static_cast<std::int32_t>(block_address));
  while (m.bytes_remaining != 0 && m.file_open) {
    block[length++] = elf_read_u8();
    --m.bytes_remaining;
    const ElfProgramHeader& p = segment_header(m.segment_index);
    if (block_address + length == m.segments[m.segment_index].load_address + p.p_filesz) {
      if (m.segment_index + 1 == m.segments.size()) {
        m.current_address = block_address + length;
      } else {
        start_at_segment(m.segment_index + 1);
      }
      break;
    }
    if (length == block_capacity) {
      m.current_address = block_address + length;
      break;
    }
  }
  set_block_data(block);
  set_block_length(length);
}

void DEBUG_DLL_CLOSE_ELF() { release_file_state(); }

void DEBUG_DLL_DEBUG_ELF() {
  set_debug_dll_error(elf_no_error);
  ElfModule& m = elf_state;
  if (!m.debug_abbrev_present || !m.debug_info_present || !m.file_open) return;
  const std::optional<std::int32_t> lines = find_elf_section(".debug_line");
  if (!lines) {
    fail(find_elf_section(".line") ? elf_dwarf_1 : elf_no_debug_line, false);
    return;
  }
  const ElfExtent line_extent = elf_section_extent(*lines);
  ANALYZE_DEBUG_LINE(line_extent.start, line_extent.end);
  if (dwarf_failed()) return;
  if (const std::optional<std::int32_t> locations = find_elf_section(".debug_loc")) {
    const ElfExtent extent = elf_section_extent(*locations);
    if (extent.end != extent.start) {
      try {
        m.dynamic_byte_array.resize(extent.end - extent.start);
      } catch (const std::bad_alloc&) {
        fail(elf_out_of_memory, false);
        return;
      }
      elf_seek(extent.start);
      for (std::uint8_t& byte : m.dynamic_byte_array) byte = elf_read_u8();
    }
  }
  ANALYZE_DEBUG_ENTRIES();
  dwarf_failed();
}

DebugDll elf_module_entry() {
  return {DEBUG_DLL_NAME_ELF, DEBUG_DLL_ERROR_ELF, DEBUG_DLL_LOAD_ELF,  DEBUG_DLL_OPEN_ELF,
          DEBUG_DLL_CLOSE_ELF, DEBUG_DLL_DEBUG_ELF, DEBUG_DLL_FILTER_ELF, DEBUG_DLL_TEST_ELF};
}

}  // namespace vx::loaders

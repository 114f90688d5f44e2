#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "foundation/short_text.h"
#include "loaders/bounded_reader.h"

// Format module 3: object bytes from 32-bit big-endian ELF executables, and
// the container side of the DWARF 2.0 reader (the sections it reads, the
// file it reads them from, the image bounds).
namespace vx::loaders {

// The module's error codes; the DWARF reader raises its own through the same table.
enum ElfError : std::uint8_t {
  elf_no_error = 0,
  elf_no_file = 1,
  elf_invalid_header = 2,
  elf_not_executable = 3,
  elf_incompatible_target = 4,
  elf_not_big_endian = 5,
  elf_no_program_headers = 6,
  elf_bad_alignment = 7,
  elf_not_32_bit = 8,
  elf_no_section_headers = 9,
  elf_no_loadable_segments = 10,
  elf_no_allocatable_sections = 11,
  elf_no_debug_line = 12,
  elf_debug_memory = 13,
  elf_line_memory = 14,
  elf_no_debug_abbrev = 15,
  elf_no_debug_info = 16,
  elf_not_c_language = 17,
  elf_not_dwarf_2 = 18,
  elf_dwarf_1 = 19,
  elf_out_of_memory = 20,
  elf_line_not_version_2 = 21,
  elf_abbrev_invalid = 22,
  elf_empty_error = 23,
};

inline constexpr std::size_t elf_header_size = 52;
inline constexpr std::size_t elf_program_header_size = 32;
inline constexpr std::size_t elf_section_header_size = 40;

inline constexpr std::uint16_t em_68hc08 = 71;
inline constexpr std::uint16_t em_starcore = 58;
inline constexpr std::uint32_t pt_load = 1;
inline constexpr std::uint32_t sht_nobits = 8;
inline constexpr std::uint32_t shf_alloc = 2;

// The header fields after e_ident, in host order.
struct ElfHeader {
  std::uint16_t e_type = 0;
  std::uint16_t e_machine = 0;
  std::uint32_t e_version = 0;
  std::uint32_t e_entry = 0;
  std::uint32_t e_phoff = 0;
  std::uint32_t e_shoff = 0;
  std::uint32_t e_flags = 0;
  std::uint16_t e_ehsize = 0;
  std::uint16_t e_phentsize = 0;
  std::uint16_t e_phnum = 0;
  std::uint16_t e_shentsize = 0;
  std::uint16_t e_shnum = 0;
  std::uint16_t e_shstrndx = 0;
};

struct ElfProgramHeader {
  std::uint32_t p_type = 0;
  std::uint32_t p_offset = 0;
  std::uint32_t p_vaddr = 0;
  std::uint32_t p_paddr = 0;
  std::uint32_t p_filesz = 0;
  std::uint32_t p_memsz = 0;
  std::uint32_t p_flags = 0;
  std::uint32_t p_align = 0;
};

struct ElfSectionHeader {
  std::uint32_t sh_name = 0;
  std::uint32_t sh_type = 0;
  std::uint32_t sh_flags = 0;
  std::uint32_t sh_addr = 0;
  std::uint32_t sh_offset = 0;
  std::uint32_t sh_size = 0;
  std::uint32_t sh_link = 0;
  std::uint32_t sh_info = 0;
  std::uint32_t sh_addralign = 0;
  std::uint32_t sh_entsize = 0;
};

// A loadable segment: its program header and the address its bytes go to.
struct ElfSegment {
  std::int32_t program_header = 0;
  std::uint32_t load_address = 0;
};

// Start and end file offset of a section's bytes (end = sh_offset + sh_size).
struct ElfExtent {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

struct ElfModule {
  // The open file: its bytes and the reader that every byte is taken through.
  std::vector<std::uint8_t> file_bytes;
  BoundedReader file;
  bool file_open = false;
  ShortText file_name;

  ElfHeader header;
  bool has_section_table = false;
  bool has_vxcrt0 = false;
  bool debug_abbrev_present = false;
  bool debug_info_present = false;
  // Unreadable debug information was left out of a load of object bytes.
  bool debug_dropped = false;

  std::vector<ElfProgramHeader> program_headers;
  std::vector<ElfSectionHeader> section_headers;
  std::vector<ShortText> section_names;
  // Indexes of the sections holding target bytes, ascending by sh_addr.
  std::vector<std::int32_t> allocatable_sections;
  // Ascending by load address.
  std::vector<ElfSegment> segments;
  // The whole ".debug_loc" section, read by the debug entry.
  std::vector<std::uint8_t> dynamic_byte_array;

  // Where the next block comes from.
  std::size_t segment_index = 0;
  std::uint32_t current_address = 0;
  std::uint64_t bytes_remaining = 0;

  // Lowest and highest address of the loadable segments' memory.
  std::uint32_t image_lowest = 0;
  std::uint32_t image_highest = 0;

  ElfExtent debug_str;
  std::uint32_t debug_abbrev_offset = 0;
  std::uint32_t debug_abbrev_address = 0;
  std::uint32_t debug_info_offset = 0;

  // Kept for the whole run, from one file to the next.
  bool use_p_paddr = false;
  bool ask_address_choice = true;
};

ElfModule& elf_module();
// Back to the start of a run: no file, no tables, p_vaddr, asking on.
void reset_elf_module();

// Makes these bytes the open file, read from offset 0.
void set_elf_file_bytes(std::vector<std::uint8_t> bytes);

// The index of the first section with exactly this name.
std::optional<std::int32_t> find_elf_section(const ShortText& name);
// The file extent of a section; empty for an index out of range and for a
// NOBITS section.
ElfExtent elf_section_extent(std::int32_t index);

void DEBUG_DLL_NAME_ELF();
ShortText DEBUG_DLL_FILTER_ELF();
void DEBUG_DLL_ERROR_ELF();
void DEBUG_DLL_TEST_ELF();
void DEBUG_DLL_OPEN_ELF();
void DEBUG_DLL_LOAD_ELF();
void DEBUG_DLL_CLOSE_ELF();
void DEBUG_DLL_DEBUG_ELF();

}  // namespace vx::loaders

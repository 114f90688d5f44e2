#include "loaders/dll_map.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "foundation/file_checks.h"
#include "foundation/hex_digits.h"
#include "foundation/kstring.h"
#include "loaders/companion_file.h"
#include "loaders/debug_context.h"
#include "loaders/format_modules.h"

namespace vx::loaders {
namespace {

constexpr std::uint8_t map_header_marker = 26;
constexpr std::int32_t whole_program_scope_end = -1;

MapModule map_state;

bool is_map_file(const ShortText& name) {
  std::optional<std::vector<std::uint8_t>> bytes = read_file_bytes(name);
  if (!bytes || bytes->size() <= map_file_signature.size() ||
      !std::equal(map_file_signature.begin(), map_file_signature.end(), bytes->begin())) {
    return false;
  }
  map_state.map_bytes = std::move(*bytes);
  map_state.map = BoundedReader(map_state.map_bytes);
  map_state.map.seek(map_file_signature.size());
  map_state.map_open = true;
  return true;
}

// Blanks left out and case ignored: "S" and a type 1-3, then hexadecimal
// digits only, more than 7 characters in all.
bool qualifies_as_srecord_line(std::string_view line) {
  std::size_t count = 0;
  for (char raw : line) {
    if (raw == ' ') continue;
    const char c = upcase_char(raw);
    const bool fits = count == 0   ? c == 'S'
                      : count == 1 ? c >= '1' && c <= '3'
                                   : (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
    if (!fits) return false;
    ++count;
  }
  return count > 7;
}

// A binary file (an ELF file above all, whose constant data may hold a line
// that looks like an S-record) is left to the modules after this one.
bool looks_binary(const std::vector<std::uint8_t>& bytes) {
  constexpr std::array<std::uint8_t, 4> elf_magic{0x7F, 'E', 'L', 'F'};
  if (bytes.size() >= elf_magic.size() && std::equal(elf_magic.begin(), elf_magic.end(), bytes.begin())) return true;
  return std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end();
}

bool is_srecord_file(const ShortText& name) {
  std::optional<std::vector<std::uint8_t>> bytes = read_file_bytes(name);
  if (!bytes || looks_binary(*bytes)) return false;
  map_state.srecord_bytes = std::move(*bytes);
  const auto& stored = map_state.srecord_bytes;
  map_state.srecord_lines = LineReader(std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size()));
  std::string_view line;
  while (map_state.srecord_lines.next(line)) {
    if (qualifies_as_srecord_line(line)) {
      map_state.srecord_open = true;
      return true;
    }
  }
  return false;
}

void close_map_file() {
  map_state.map_open = false;
  map_state.map = BoundedReader();
  map_state.map_bytes.clear();
}

void close_srecord_file() {
  map_state.srecord_open = false;
  map_state.srecord_lines = LineReader();
  map_state.srecord_bytes.clear();
}

bool is_data_line(std::string_view line) {
  return line.size() > 7 && line[0] == 'S' && line[1] >= '1' && line[1] <= '3';
}

// One data line into the block. A count that is invalid, leaves no room for
// the address, or runs past the line's end, and any invalid digit, give error 2.
void read_srecord_object_line() {
  MapModule& m = map_state;
  m.no_data = false;
  set_debug_dll_error(map_no_error);
  set_block_length(0);
  if (!m.srecord_open) return;
  std::string_view raw;
  std::string& line = m.upper_line;
  do {
    if (!m.srecord_lines.next(raw)) return;
    line.assign(raw);
    std::transform(line.begin(), line.end(), line.begin(), upcase_char);
  } while (!is_data_line(line));

  const std::size_t address_bytes = static_cast<std::size_t>(line[1] - '0') + 1;
  const std::uint32_t count = hex_pair(line, 2);
  if (count > 0xFF || count < address_bytes + 1 || line.size() < 4 + 2 * std::size_t{count}) {
    set_debug_dll_error(map_invalid_hex);
    return;
  }
  std::uint32_t address = 0;
  for (std::size_t i = 0; i < address_bytes; ++i) address = address << 8 | hex_pair(line, 4 + 2 * i);
  const std::size_t length = count - address_bytes - 1;
  std::array<std::uint8_t, block_capacity> data{};
  bool valid = true;
  for (std::size_t i = 0; i < address_bytes + length + 1; ++i) {
    const std::uint32_t value = hex_pair(line, 4 + 2 * i);
    valid = valid && value <= 0xFF;
    if (i >= address_bytes && i < address_bytes + length) data[i - address_bytes] = static_cast<std::uint8_t>(value);
  }
  if (!valid) {
    set_debug_dll_error(map_invalid_hex);
    return;
  }
  // The checksum is never compared: the module always skips that test.
  if (length == 0) {
    m.no_data = true;
    return;
  }
  set_block_address(static_cast<std::int32_t>(address));
  set_block_data(data);
  set_block_length(static_cast<std::uint16_t>(length));
}

// Source files, then records of address, file, line and symbol name up to
// the end of the file. A file that ends inside them is an invalid header.
std::uint8_t read_map_debug_information() {
  BoundedReader& map = map_state.map;
  const std::uint8_t marker = map.read_u8();
  const std::uint16_t value = map.read_u16_be();
  const std::uint8_t file_count = map.read_u8();
  if (marker != map_header_marker || value == 0 || map.overrun()) return map_invalid_header;
  for (std::uint8_t i = 0; i < file_count; ++i) {
    const ShortText name = map.read_zstring();
    if (map.overrun()) return map_invalid_header;
    if (!PUT_DEBUG_FILE(name)) return map_no_file_space;
  }
  while (!map.at_end()) {
    const auto address = static_cast<std::int32_t>(map.read_u32_le());
    const std::uint8_t file = map.read_u8();
    const std::uint16_t line = map.read_u16_be();
    const ShortText name = map.read_zstring();
    if (map.overrun()) return map_invalid_header;
    if (file != 0 && line != 0 && !PUT_DEBUG_LINE(address, file, line)) return map_no_line_space;
    if (name.empty()) continue;
    if (!PUT_DEBUG_SYMBOL(0, 0, nullptr, 0, whole_program_scope_end, address, name) ||
        !PUT_DEBUG_ADDRESS(address, get_last_debug_symbol())) {
      return map_no_symbol_space;
    }
  }
  return map_no_error;
}

}  // namespace

MapModule& map_module() { return map_state; }

void reset_map_module() { map_state = MapModule{}; }

void DEBUG_DLL_NAME_MAP() { set_debug_dll_name("S-RECORD/VLX-MAP"); }

ShortText DEBUG_DLL_FILTER_MAP() { return "S-RECORD Object File (*.s19) | *.phy;*.s19"; }

ShortText DEBUG_DLL_FILTER_MAP_UPDATER() { return "S-RECORD/VLX-MAP Object/Debug | *.map;*.s19"; }

void DEBUG_DLL_ERROR_MAP() {
  switch (get_debug_dll_error()) {
    case map_no_file:
      set_debug_dll_error_text("ERROR - Neither MAP nor S-Record file " + get_load_file_name() + " exists.");
      break;
    case map_invalid_hex:
      set_debug_dll_error_text("ERROR - Invalid HEX character in S-Record file.");
      break;
    case map_invalid_checksum:
      set_debug_dll_error_text("ERROR - Invalid Checksum in S-Record file.");
      break;
    case map_invalid_header:
      set_debug_dll_error_text("ERROR - Invalid header in MAP file.");
      break;
    case map_no_file_space:
      set_debug_dll_error_text("ERROR - To Many Files or Insufficient Space.");
      break;
    case map_no_line_space:
      set_debug_dll_error_text("ERROR - Insufficient Space for Debug Line Numbers.");
      break;
    case map_no_symbol_space:
      set_debug_dll_error_text("ERROR - Insufficient Space for Debug Symbols.");
      break;
    case map_line_without_data:
      set_debug_dll_error_text("ERROR - An S-record line contains no data.");
      break;
    default:
      set_debug_dll_error_text("ERROR - Unknown");
      break;
  }
}

// Either file may be named; the other is looked for under the same base
// name. A file that exists but is neither fails without that search.
void DEBUG_DLL_OPEN_MAP() {
  MapModule& m = map_state;
  close_map_file();
  close_srecord_file();
  set_debug_dll_error(map_no_error);
  const ShortText name = get_load_file_name();
  m.map_file_name = name;
  if (valid_file_exists(name)) {
    if (!is_map_file(name)) {
      close_map_file();
      m.srecord_file_name = name;
      if (!is_srecord_file(name)) {
        close_srecord_file();
        set_debug_dll_error(map_no_file);
        return;
      }
    }
  }
  if (!m.map_open) {
    const std::optional<ShortText> companion = find_companion_file(name, ".MAP");
    if (companion && !is_map_file(*companion)) close_map_file();
  }
  if (!m.srecord_open) {
    const std::optional<ShortText> companion = find_companion_file(name, ".S19");
    if (companion) {
      m.srecord_file_name = *companion;
      if (!is_srecord_file(*companion)) close_srecord_file();
    }
  }
  if (m.srecord_open) m.srecord_lines.rewind();
  if (!m.map_open && !m.srecord_open) set_debug_dll_error(map_no_file);
}

void DEBUG_DLL_LOAD_MAP() {
  do {
    read_srecord_object_line();
  } while (map_state.no_data);
}

void DEBUG_DLL_CLOSE_MAP() {
  close_srecord_file();
  close_map_file();
}

void DEBUG_DLL_DEBUG_MAP() {
  set_debug_dll_error(map_no_error);
  if (map_state.map_open) set_debug_dll_error(read_map_debug_information());
}

DebugDll map_module_entry() {
  return {DEBUG_DLL_NAME_MAP,  DEBUG_DLL_ERROR_MAP, DEBUG_DLL_LOAD_MAP,   DEBUG_DLL_OPEN_MAP,
          DEBUG_DLL_CLOSE_MAP, DEBUG_DLL_DEBUG_MAP, DEBUG_DLL_FILTER_MAP, DEBUG_DLL_OPEN_MAP};
}

}  // namespace vx::loaders

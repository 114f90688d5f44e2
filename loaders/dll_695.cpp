#include "loaders/dll_695.h"

#include <optional>

#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "loaders/debug_context.h"
#include "loaders/format_modules.h"
#include "loaders/ieee695_records.h"

namespace vx::loaders {
namespace {

using namespace ieee695;

constexpr std::uint32_t absolute_object_format = 1;
constexpr std::uint32_t object_format_attribute = 38;
constexpr std::size_t extension_part = 0;
constexpr std::size_t data_part = 5;

Ieee695Module module_state;

void close_file() {
  Ieee695Module& m = module_state;
  m.file_open = false;
  m.file = BoundedReader();
  m.bytes.clear();
  m.more_bytes.clear();
  m.current_valid = false;
  m.repeat_count = 0;
}

// The AD extension part up to the object format attribute.
std::uint8_t read_extension_part() {
  Ieee695Module& m = module_state;
  m.go_on = true;
  seek(m.part[extension_part]);
  while (m.go_on) {
    if (!m.current_valid) return ieee695_null_part;
    bool read = false;
    switch (m.current) {
      case assign:
        read = read_assign();
        break;
      case local_name:
        read = read_local_name();
        break;
      case attribute:
        read = read_header_attribute();
        if (m.header_attribute == object_format_attribute) m.go_on = false;
        break;
      default:
        break;
    }
    if (!read) return ieee695_null_part;
  }
  return m.last_number == absolute_object_format ? ieee695_no_error : ieee695_not_absolute;
}

std::uint8_t open_module() {
  Ieee695Module& m = module_state;
  ShortText name = get_load_file_name();
  if (!valid_file_exists(name)) name = replace_extension(name, "695").value_or(name);
  m.file_name = name;
  if (!valid_file_exists(name)) return ieee695_no_file;
  std::optional<std::vector<std::uint8_t>> bytes = read_file_bytes(name);
  if (!bytes) return ieee695_no_file;
  m.bytes = std::move(*bytes);
  m.file = BoundedReader(m.bytes);
  advance();
  if (!read_module_begin()) return ieee695_no_module_begin;
  if (!read_address_descriptor()) return ieee695_no_address_descriptor;
  for (int i = 0; i < 8; ++i) {
    if (!read_assign()) return ieee695_missing_part_pointer;
  }
  if (m.part[extension_part] == 0 || m.part[data_part] == 0) return ieee695_null_part;
  const std::uint8_t code = read_extension_part();
  if (code != ieee695_no_error) return code;
  m.more_bytes.assign(Ieee695Module::more_bytes_capacity, 0);
  return ieee695_no_error;
}

// The next run of an LD record; false when the byte is no data count.
bool send_load() {
  Ieee695Module& m = module_state;
  if (!m.current_valid || m.current >= 0x80) return false;
  const std::uint8_t length = m.current;
  std::array<std::uint8_t, block_capacity> data{};
  for (std::uint8_t i = 0; i < length; ++i) {
    advance();
    if (!m.current_valid) return false;
    data[i] = m.current;
  }
  set_block_length(length);
  set_block_data(data);
  advance();
  return true;
}

std::uint32_t address_after_block() {
  return static_cast<std::uint32_t>(get_block_address()) + get_block_length();
}

// Every repetition of the block must stay below 4 GiB, and all of them
// together within the limit of the load.
bool repeats_fit() {
  Ieee695Module& m = module_state;
  const std::uint64_t total = (std::uint64_t{m.repeat_count} + 1) * get_block_length();
  const std::uint64_t end = std::uint64_t{static_cast<std::uint32_t>(get_block_address())} + total;
  m.repeated_bytes += total;
  return m.repeated_bytes <= Ieee695Module::max_repeated_bytes && end <= std::uint64_t{1} << 32;
}

// Records up to the next LD; false when one could not be read or the data
// part ended without a record that closes it.
bool read_data_records() {
  Ieee695Module& m = module_state;
  std::uint32_t value = 0;
  while (m.go_on) {
    if (!m.current_valid) return false;
    switch (m.current) {
      case assign:
        if (!read_assign()) return false;
        break;
      case section_begin:
        advance();
        if (!read_value(value)) return false;
        break;
      case load_data:
        advance();
        m.data_continues = send_load();
        if (!m.data_continues) return false;
        m.next_address = address_after_block();
        return m.repeat_count == 0 || repeats_fit();
      case repeat_data:
        advance();
        if (!read_value(m.repeat_count)) return false;
        break;
      default:
        return true;
    }
  }
  return true;
}

// A block that came with the error is not handed out, nor repeated.
void refuse_data_part() {
  set_debug_dll_error(ieee695_invalid_section_address);
  set_block_length(0);
  module_state.repeat_count = 0;
}

}  // namespace

Ieee695Module& ieee695_module() { return module_state; }

void reset_ieee695_module() { module_state = Ieee695Module{}; }

void DEBUG_DLL_NAME_695() { set_debug_dll_name("IEEE695"); }

ShortText DEBUG_DLL_FILTER_695() { return "IEEE-695 Object/Debug | *.695"; }

void DEBUG_DLL_ERROR_695() {
  switch (get_debug_dll_error()) {
    case ieee695_no_file:
      set_debug_dll_error_text("ERROR - Load file " + module_state.file_name + " does not exist.");
      break;
    case ieee695_invalid_string:
      set_debug_dll_error_text("ERROR - Invalid string in 695 file.");
      break;
    case ieee695_invalid_number:
      set_debug_dll_error_text("ERROR - Invalid count/number in 695 file.");
      break;
    case ieee695_no_module_begin:
      set_debug_dll_error_text("ERROR - Invalid 695 header, no Module Beginning.");
      break;
    case ieee695_no_address_descriptor:
      set_debug_dll_error_text("ERROR - Invalid 695 header, no Address Descriptor.");
      break;
    case ieee695_missing_part_pointer:
      set_debug_dll_error_text("ERROR - Invalid 695 header, missing File Part Pointer.");
      break;
    case ieee695_null_part:
      set_debug_dll_error_text("ERROR - Invalid 695 header, null Expansion or Data File Part.");
      break;
    case ieee695_invalid_expansion_part:
      set_debug_dll_error_text("ERROR - Invalid 695 header, Invalid Expansion File Part.");
      break;
    case ieee695_not_absolute:
      set_debug_dll_error_text("ERROR - Not an ABSOLUTE 695 file, can not be loaded.");
      break;
    case ieee695_invalid_section_address:
      set_debug_dll_error_text("ERROR - Invalid 695 file Section Address.");
      break;
    case ieee695_invalid_debug_block:
      set_debug_dll_error_text("ERROR - Invalid 695 file debug block.");
      break;
    case ieee695_no_debug_space:
      set_debug_dll_error_text("ERROR - Insufficient space to load 695 debug info.");
      break;
    case ieee695_no_memory:
      set_debug_dll_error_text("ERROR - Not enough memory to allocate data structures.");
      break;
    case ieee695_number_too_large:
      set_debug_dll_error_text("ERROR - Number too larger in IEEE695 value.");
      break;
    default:
      set_debug_dll_error_text("ERROR - Unknown");
      break;
  }
}

// Also the module's test: the header part must describe an absolute module.
void DEBUG_DLL_OPEN_695() {
  Ieee695Module& m = module_state;
  close_file();
  m.part = {};
  m.next_address = 0;
  m.repeat_count = 0;
  m.repeated_bytes = 0;
  m.last_number = 0;
  set_debug_dll_error(ieee695_no_error);
  const std::uint8_t code = open_module();
  set_debug_dll_error(code);
  if (code != ieee695_no_error) {
    close_file();
    return;
  }
  m.data_continues = false;
  m.first_load = true;
  m.file_open = true;
}

void DEBUG_DLL_LOAD_695() {
  Ieee695Module& m = module_state;
  set_debug_dll_error(ieee695_no_error);
  if (m.repeat_count == 0) set_block_length(0);
  set_block_address(static_cast<std::int32_t>(m.next_address));
  if (!m.file_open) return;
  if (m.first_load) {
    m.repeat_count = 0;
    m.first_load = false;
    m.go_on = true;
    seek(m.part[data_part]);
  }
  if (m.repeat_count != 0) {
    --m.repeat_count;
    m.next_address = address_after_block();
    return;
  }
  bool read = false;
  if (m.data_continues && m.current_valid && m.current < 0x80) {
    read = m.data_continues = send_load();
    m.next_address = address_after_block();
  } else {
    read = read_data_records();
  }
  if (!read) refuse_data_part();
}

void DEBUG_DLL_CLOSE_695() { close_file(); }

// The external part is read whatever the debug part gave; the first failure names the code.
void DEBUG_DLL_DEBUG_695() {
  set_debug_dll_error(ieee695_no_error);
  const std::uint8_t debug_code = read_debug_section();
  const std::uint8_t externals_code = read_externals_section();
  set_debug_dll_error(debug_code != ieee695_no_error ? debug_code : externals_code);
}

DebugDll ieee695_module_entry() {
  return {DEBUG_DLL_NAME_695,  DEBUG_DLL_ERROR_695, DEBUG_DLL_LOAD_695,   DEBUG_DLL_OPEN_695,
          DEBUG_DLL_CLOSE_695, DEBUG_DLL_DEBUG_695, DEBUG_DLL_FILTER_695, DEBUG_DLL_OPEN_695};
}

}  // namespace vx::loaders

#include "loaders/dll_intelhex.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>

#include "foundation/command_exception.h"
#include "foundation/file_checks.h"
#include "foundation/file_names.h"
#include "loaders/bounded_reader.h"
#include "loaders/debug_context.h"
#include "loaders/format_modules.h"

namespace vx::loaders {
namespace {

constexpr std::uint8_t data_record = 0x00;
constexpr std::uint8_t end_of_file_record = 0x01;
constexpr std::uint8_t segment_address_record = 0x02;
constexpr std::uint8_t linear_address_record = 0x04;
constexpr std::uint8_t start_linear_address_record = 0x05;

IntelHexModule module_state;

bool is_blank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool is_blank_line(std::string_view line) { return std::all_of(line.begin(), line.end(), is_blank); }

std::string without_blanks(std::string_view line) {
  std::string compact;
  compact.reserve(line.size());
  std::copy_if(line.begin(), line.end(), std::back_inserter(compact), [](char c) { return !is_blank(c); });
  return compact;
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The digit pairs of a record behind its colon, summed as they are read.
class RecordBytes {
 public:
  explicit RecordBytes(std::string_view digits) : digits_(digits) {}

  // False when the pair runs past the line or is no pair of hexadecimal digits.
  bool next(std::uint8_t& byte) {
    if (digits_.size() - position_ < 2) return false;
    const int high = hex_digit(digits_[position_]);
    const int low = hex_digit(digits_[position_ + 1]);
    if (high < 0 || low < 0) return false;
    byte = static_cast<std::uint8_t>(high << 4 | low);
    position_ += 2;
    sum_ = static_cast<std::uint8_t>(sum_ + byte);
    return true;
  }
  // With the checksum byte read, 0 for an intact record.
  std::uint8_t sum() const { return sum_; }

 private:
  std::string_view digits_;
  std::size_t position_ = 0;
  std::uint8_t sum_ = 0;
};

void close_file() noexcept {
  module_state.file_open = false;
  module_state.next_line = 0;
  module_state.file_bytes = {};
}

// Every error ends the reading of the file at once, its text set.
void fail(IntelHexError code) {
  set_debug_dll_error(code);
  DEBUG_DLL_ERROR_INTELHEX();
  module_state.read_on = false;
  close_file();
}

// The updater shows nothing of an unexpected failure but its error text.
template <typename Entry>
void guarded(Entry entry) {
  try {
    entry();
  } catch (const CommandException&) {
    throw;
  } catch (...) {
    fail(intelhex_unknown_failure);
  }
}

void open_file() {
  IntelHexModule& m = module_state;
  close_file();
  set_debug_dll_error(intelhex_no_error);
  m.upper_address = 0;
  m.file_name = get_load_file_name();
  if (!valid_file_exists(m.file_name)) {
    const std::string hex_name = file_names::replace_extension(m.file_name.view(), "hex");
    if (hex_name.size() > ShortText::max_length || !valid_file_exists(ShortText(hex_name))) {
      fail(intelhex_no_file);
      return;
    }
    m.file_name = ShortText(hex_name);
  }
  std::optional<std::vector<std::uint8_t>> bytes = read_file_bytes(m.file_name);
  if (!bytes) {
    fail(intelhex_unknown_failure);
    return;
  }
  m.file_bytes = std::move(*bytes);
  m.file_open = true;
}

// Lines end at LF, CR LF or a lone CR, so that no line end hides records
// behind the first one of a line.
std::optional<std::string_view> read_next_line() {
  IntelHexModule& m = module_state;
  const std::string_view text(reinterpret_cast<const char*>(m.file_bytes.data()), m.file_bytes.size());
  if (m.next_line >= text.size()) return std::nullopt;
  const std::size_t end = std::min(text.find_first_of("\r\n", m.next_line), text.size());
  const std::string_view line = text.substr(m.next_line, end - m.next_line);
  m.next_line = end + (text.substr(end, 2) == "\r\n" ? 2 : 1);
  return line;
}

// Blank lines are passed over; only blank lines up to the end end the data.
std::optional<std::string_view> next_filled_line() {
  while (const std::optional<std::string_view> line = read_next_line()) {
    if (!is_blank_line(*line)) return line;
  }
  return std::nullopt;
}

void read_record_line() {
  IntelHexModule& m = module_state;
  set_debug_dll_error(intelhex_no_error);
  set_block_length(0);
  set_block_address(0);
  m.read_on = false;
  if (!m.file_open) return;
  const std::optional<std::string_view> line = next_filled_line();
  if (!line) return;

  const std::string record = without_blanks(*line);
  if (record.front() != ':') return fail(intelhex_unexpected_text);
  RecordBytes bytes(std::string_view(record).substr(1));
  std::uint8_t count = 0;
  std::uint8_t offset_high = 0;
  std::uint8_t offset_low = 0;
  std::uint8_t type = 0;
  if (!bytes.next(count) || !bytes.next(offset_high) || !bytes.next(offset_low) || !bytes.next(type)) {
    return fail(intelhex_unexpected_text);
  }
  if (type == segment_address_record) return fail(intelhex_segment_address);
  if (type > start_linear_address_record) return fail(intelhex_unknown_record);
  std::array<std::uint8_t, block_capacity> data{};
  for (std::size_t i = 0; i < count; ++i) {
    if (!bytes.next(data[i])) return fail(intelhex_unexpected_text);
  }
  std::uint8_t checksum = 0;
  if (!bytes.next(checksum)) return fail(intelhex_unexpected_text);
  if (type == linear_address_record && count < 2) return fail(intelhex_unexpected_text);
  // Start addresses (types 03 and 05) are never checked.
  const bool checked = type == data_record || type == end_of_file_record || type == linear_address_record;
  if (checked && !get_skip_srecord_checksum() && bytes.sum() != 0) return fail(intelhex_invalid_checksum);

  if (type == data_record && count != 0) {
    const std::uint32_t offset = static_cast<std::uint32_t>(offset_high) << 8 | offset_low;
    set_block_address(static_cast<std::int32_t>(m.upper_address + offset));
    set_block_data(data);
    set_block_length(count);
    return;
  }
  if (type == linear_address_record) {
    m.upper_address = static_cast<std::uint32_t>(data[0]) << 24 | static_cast<std::uint32_t>(data[1]) << 16;
  }
  m.read_on = true;
}

}  // namespace

IntelHexModule& intelhex_module() { return module_state; }

void reset_intelhex_module() { module_state = IntelHexModule{}; }

void read_intelhex_line() { guarded(read_record_line); }

void DEBUG_DLL_NAME_INTELHEX() { set_debug_dll_name("Intel Hexadecimal"); }

ShortText DEBUG_DLL_FILTER_INTELHEX() { return "Intel Hexadecimal | *.hex"; }

void DEBUG_DLL_ERROR_INTELHEX() {
  const ShortText& name = module_state.file_name;
  switch (get_debug_dll_error()) {
    case intelhex_no_file:
      set_debug_dll_error_text("ERROR - File " + name + " does not exist");
      break;
    case intelhex_unexpected_text:
      set_debug_dll_error_text("ERROR - Unexpected text in file " + name);
      break;
    case intelhex_invalid_checksum:
      set_debug_dll_error_text("ERROR - Invalid checksum in file");
      break;
    case intelhex_segment_address:
      set_debug_dll_error_text("ERROR - Extended Segment Address Record not supported");
      break;
    case intelhex_unknown_record:
      set_debug_dll_error_text("ERROR - Unknown record type");
      break;
    default:
      set_debug_dll_error_text("ERROR - Unknown");
      break;
  }
}

// The named file, else the same name with the extension "hex".
void DEBUG_DLL_OPEN_INTELHEX() { guarded(open_file); }

void DEBUG_DLL_LOAD_INTELHEX() {
  do {
    read_intelhex_line();
  } while (get_debug_dll_error() == intelhex_no_error && module_state.read_on);
}

void DEBUG_DLL_CLOSE_INTELHEX() { close_file(); }

void DEBUG_DLL_DEBUG_INTELHEX() { set_debug_dll_error(intelhex_no_error); }

// The updater's loader tests no file: it has no test entry.
DebugDll intelhex_module_entry() {
  return {DEBUG_DLL_NAME_INTELHEX,  DEBUG_DLL_ERROR_INTELHEX, DEBUG_DLL_LOAD_INTELHEX,   DEBUG_DLL_OPEN_INTELHEX,
          DEBUG_DLL_CLOSE_INTELHEX, DEBUG_DLL_DEBUG_INTELHEX, DEBUG_DLL_FILTER_INTELHEX, nullptr};
}

}  // namespace vx::loaders

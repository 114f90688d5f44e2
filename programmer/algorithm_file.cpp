#include "programmer/algorithm_file.h"

#include <array>
#include <fstream>
#include <optional>
#include <string_view>

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/clock_trim.h"
#include "interface/engine_settings.h"
#include "interface/interface_speed.h"
#include "interface/target_operations.h"
#include "programmer/command_line.h"
#include "programmer/command_table.h"
#include "programmer/module_state.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

constexpr std::string_view programmer_version = "1.71.00.00";
constexpr std::uint8_t end_of_text = 0x1A;

// One keyword line: its fields by 1-based columns. A field that does not read marks the
// module's algorithm file invalid, and every later field read of the line fails too.
class KeywordLine {
 public:
  explicit KeywordLine(const ShortText& line) : line_(line) {}

  bool is(std::string_view keyword) const { return line_.view().starts_with(keyword); }
  bool slash_at(std::size_t column) const { return column <= line_.size() && line_[column - 1] == '/'; }
  template <typename... Columns>
  bool slashes_at(Columns... columns) const {
    return (slash_at(columns) && ...);
  }
  ShortText text(std::size_t first, std::size_t last) const {
    return first > line_.size() ? ShortText() : line_.substr(first - 1, last - first + 1);
  }
  ShortText rest(std::size_t first) const { return first > line_.size() ? ShortText() : line_.substr(first - 1); }

  std::uint32_t hex32(std::size_t first, std::size_t last) {
    std::int32_t value = 0;
    if (!complete(last) || !str_to_long("$" + text(first, last), value)) fail();
    return static_cast<std::uint32_t>(value);
  }
  std::uint16_t hex16(std::size_t first, std::size_t last) {
    std::uint16_t value = 0;
    if (!complete(last) || !str_to_word("$" + text(first, last), value)) fail();
    return value;
  }
  std::uint8_t hex8(std::size_t first, std::size_t last) { return static_cast<std::uint8_t>(hex16(first, last)); }
  long double real(std::size_t first, std::size_t last) {
    long double value = 0;
    if (!complete(last) || !str_to_real(trim(text(first, last)), value)) fail();
    return value;
  }
  void fail() { module_state().invalid = true; }
  bool ok() const { return !module_state().invalid; }

 private:
  bool complete(std::size_t last) const { return ok() && last <= line_.size(); }
  const ShortText& line_;
};

void add_range(KeywordLine& line, RangeList& list, std::size_t start_first, std::size_t end_first) {
  const std::uint32_t start = line.hex32(start_first, start_first + 7);
  const std::uint32_t end = line.hex32(end_first, end_first + 7);
  // A list with no room left would lose the range: the file is refused.
  if (line.ok() && !list.add(start, end)) line.fail();
}

void add_remap_triple(KeywordLine& line) {
  loaders::AddressRemapTable& table = module_state().remap;
  const loaders::RemapTriple triple{static_cast<std::int32_t>(line.hex32(16, 23)),
                                    static_cast<std::int32_t>(line.hex32(25, 32)),
                                    static_cast<std::int32_t>(line.hex32(34, 41))};
  if (!line.ok()) return;
  if (table.count == loaders::AddressRemapTable::capacity) {
    line.fail();
    return;
  }
  table.triples[table.count++] = triple;
}

void switch_to_bus_clock() {
  WRITE_CONTROL(static_cast<std::uint8_t>(READ_STATUS_BYTE() | 0x08));
  delay_milliseconds(10);
  sync_and_set_speed(10);
}

void apply_blocking_mask(KeywordLine& line) {
  ModuleState& module = module_state();
  const std::uint32_t mask = line.hex32(15, 22);
  std::uint32_t low = 0;
  std::uint32_t high = 0xFFFFFFFF;
  if (line.slashes_at(32, 41)) {
    low = line.hex32(24, 31);
    high = line.hex32(33, 40);
  }
  if (!line.ok()) return;
  module.blocking = true;
  module.blocking_mask = mask;
  module.blocking_low = low;
  module.blocking_high = high;
}

void set_stack_pointer(KeywordLine& line) {
  const std::uint32_t value = line.hex32(8, 15);
  if (!line.ok()) return;
  GET_PC();
  mcu_registers().SP = static_cast<std::uint16_t>(value);
  PUT_PC();
}

void add_reset_condition(KeywordLine& line) {
  ModuleState& module = module_state();
  const ResetCondition condition{line.hex16(24, 27), line.hex8(29, 30), line.hex8(32, 33)};
  if (!line.ok()) return;
  // A third condition takes the place of the second.
  const std::size_t slot = module.reset_condition_count < 2 ? module.reset_condition_count++ : 1;
  module.reset_conditions[slot] = condition;
}

void apply_flash_paging(KeywordLine& line) {
  PagingWindow& window = module_state().window;
  line.hex8(18, 19);
  const std::uint16_t low = line.hex16(21, 24);
  const std::uint16_t high = line.hex16(26, 29);
  const std::uint16_t page_register = line.hex16(31, 34);
  // The table holds one window: the first one stays.
  if (!line.ok() || window.in_use) return;
  window = PagingWindow{true, low, high, page_register, 0, false};
}

void write_byte_and_sync(KeywordLine& line) {
  const std::uint8_t value = line.hex8(21, 22);
  const std::uint32_t address = line.hex32(24, 31);
  if (!line.ok()) return;
  WRITE_DATA_BYTE(address, value);
  sync_and_set_speed(sync_state().sync_parameter / 3);
}

bool near(long double value, long double target) { return value - target < 1 && target - value < 1; }

void apply_trim_range(KeywordLine& line) {
  TrimSettings& trim = engine_settings().trim;
  long double low = line.real(12, 19);
  long double high = line.real(21, 28);
  const long double scale = line.real(30, 37);
  if (!line.ok()) return;
  if (near(high, 40'000'000)) {
    trim.reference_min = low / 1024;
    trim.reference_max = high / 1024;
  } else if (near(high, 20'000'000)) {
    trim.reference_min = low / 512;
    trim.reference_max = high / 512;
  } else {
    trim.reference_min = 0;
    trim.reference_max = 0;
    trim.default_reference = 0;
  }
  trim.trim_scale = scale;
  trim.range_prescaled = true;
}

void apply_ics_range(KeywordLine& line) {
  TrimSettings& trim = engine_settings().trim;
  const long double low = line.real(11, 19);
  const long double high = line.real(21, 29);
  const long double scale = line.real(31, 39);
  if (!line.ok()) return;
  trim.reference_min = low / 10;
  trim.reference_max = high / 10;
  trim.trim_scale = scale / 10;
  trim.range_prescaled = false;
}

void report_trim(const ShortText& text) {
  twiddle_stop();
  WRITE_TO_DEBUG(text);
  twiddle_start();
}

void measure_byte_trim(KeywordLine& line) {
  const std::uint16_t trim_register = line.hex16(12, 15);
  const std::uint16_t location = line.hex16(17, 20);
  const std::uint32_t reference = line.hex32(22, 29);
  if (!line.ok()) return;
  std::uint8_t value = 0;
  if (!interface_trim_measure(trim_register, static_cast<std::int32_t>(reference), value)) {
    report_trim("Error measuring trim values.");
    return;
  }
  TrimState& trim = module_state().trim;
  trim.enabled = true;
  trim.type = TrimType::byte;
  trim.value = value;
  trim.address = location;
  report_trim("(Recommended Trim = $" + hex_byte(value) + ")");
}

std::uint16_t read_channel26() {
  WRITE_DATA_BYTE(0x16, 0xB8);
  WRITE_DATA_BYTE(0x11, 0x00);
  WRITE_DATA_BYTE(0x10, 0x1A);
  delay_milliseconds(2);
  return READ_DATA_WORD(0x12);
}

void measure_nine_bit_trim(KeywordLine& line, TrimType type) {
  if (!line.slashes_at(16, 21, 24, 29, 34, 43)) {
    line.fail();
    return;
  }
  const std::uint16_t trim_register = line.hex16(12, 15);
  const std::uint16_t fine_register = line.hex16(17, 20);
  const std::uint8_t fine_mask = line.hex8(22, 23);
  const std::uint16_t location = line.hex16(25, 28);
  const std::uint16_t fine_location = line.hex16(30, 33);
  const std::uint32_t reference = line.hex32(35, 42);
  if (!line.ok()) return;
  std::uint16_t value = 0;
  if (!measure_trim_9bit(trim_register, fine_register, fine_mask, static_cast<std::int32_t>(reference), value)) {
    report_trim("Error measuring trim values.");
    return;
  }
  TrimState& trim = module_state().trim;
  trim.enabled = true;
  trim.type = type;
  trim.value = value;
  trim.address = location;
  trim.fine_address = fine_location;
  trim.fine_mask = fine_mask;
  if (type == TrimType::nine_bit_adc) trim.channel26_reading = read_channel26();
  report_trim("(Recommended TRIM=$" + hex_word(static_cast<std::uint16_t>(value >> 1)) +
              ((value & 1) != 0 ? ",FTRIM=1)" : ",FTRIM=0)"));
}

void check_required_version(KeywordLine& line) {
  // The keyword fills columns 1-23: the version stands in 24-27, its point in 25.
  if (line.text(25, 25) != ".") {
    line.fail();
    return;
  }
  if (!line.slash_at(28)) return;
  const ShortText required = line.text(24, 27);
  if (programmer_version.substr(0, 4) >= required.view()) return;
  DEBUG_BEEP();
  twiddle_stop();
  END_DEBUG_LINE();
  WRITELN_TO_DEBUG("Error loading algorithm. This algorithm requires ");
  WRITELN_TO_DEBUG("      version " + required + " of the flash programmer.");
  WRITELN_TO_DEBUG("      You are currently running version " + ShortText(programmer_version) + ".");
  programmer_run().algorithm_loaded = false;
  internal_prog_halt(14);
}

bool is_comment_keyword(const KeywordLine& line) {
  if (line.is("WARNING=")) return true;
  for (char n = '1'; n <= '6'; ++n) {
    if (line.is(std::string("COMMENT") + n + "=")) return true;
  }
  return false;
}

// The keywords that only set a flag.
void apply_flag_keywords(const KeywordLine& line) {
  ModuleState& module = module_state();
  if (line.is("NO_SERIALIZE")) module.no_serialize = true;
  if (line.is("NO_CRC")) module.no_crc = true;
  if (line.is("NO_BYTE_WRITES")) module.no_byte_writes = true;
}

std::array<std::uint16_t, 256> make_crc_table() {
  std::array<std::uint16_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t crc = i << 8;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 0x8000) != 0 ? (crc << 1) ^ 0x1021 : crc << 1;
    table[i] = static_cast<std::uint16_t>(crc);
  }
  return table;
}

const std::array<std::uint16_t, 256> crc_table = make_crc_table();

std::uint16_t crc16_step(std::uint16_t crc, std::uint8_t byte) {
  return static_cast<std::uint16_t>(crc_table[crc >> 8] ^ ((crc << 8) & 0xFFFF) ^ byte);
}

}  // namespace

ShortText algorithm_extension() { return "." + ShortText(algorithm_family) + "P"; }

void apply_keyword_line(const ShortText& text) {
  ModuleState& module = module_state();
  KeywordLine line(text);
  apply_flag_keywords(line);
  if (line.is("NO_BASE_ADDRESS")) {
    module.no_base_address = true;
    if (line.text(16, 16) == "=" && line.slash_at(25)) module.cm_base_address = line.hex32(17, 24);
  }
  if (line.is("ERASE_CONFIRMATION=")) module.erase_confirmation = line.rest(20);
  if (line.is("DEVICE_HAS_EEPROM")) module.second_register_set = true;
  if (line.is("SET_HIGH_SPEED") || line.is("_FAST")) switch_to_bus_clock();
  if (line.is("DELAY=") && line.slash_at(11)) {
    std::int32_t milliseconds = 0;
    if (str_to_long(trim(line.text(7, 10)), milliseconds)) {
      delay_milliseconds(milliseconds);
    } else {
      line.fail();
    }
  }
  if (line.is("ERASED_STATE=0")) module.erased_value = 0;
  if (line.is("ADDR_RANGE=") && line.slashes_at(20, 29)) add_range(line, module.module_ranges, 12, 21);
  if (line.is("MOVE_ADDRESSES=") && line.slashes_at(24, 33, 42)) add_remap_triple(line);
  if (line.is("PRESERVE_RANGE=") && line.slashes_at(24, 33) && !module.keep_preserve)
    add_range(line, module.preserve_ranges, 16, 25);
  if (line.is("CRC_KEEPOUT_RANGE=") && line.slashes_at(27, 36)) add_range(line, module.crc_keepout_ranges, 19, 28);
  if (line.is("BLOCKING_MASK=") && line.slash_at(23)) apply_blocking_mask(line);
  if (line.is("SET_SP=") && line.slash_at(16)) set_stack_pointer(line);
  if (line.is("BOUNDARY_MASK=") && line.slash_at(23)) {
    module.boundary_mask = line.hex32(15, 22);
    module.boundary = line.ok();
  }
  if (line.is("SHORT_TABLE")) module.short_table = true;
  if (line.is("SRECORD_SECTION_MASK=") && line.slash_at(30)) {
    module.section_mask = line.hex32(22, 29);
    module.section_masked = line.ok();
  }
  if (line.is("NOSORT")) command_line().sort_flag = false;
  if (line.is("BLANK_MODULE_ONLY")) module.blank_module_only = true;
  if (line.is("ADDRESS_PAGING=") && line.slashes_at(24, 33)) {
    module.paging_mask = line.hex32(16, 23);
    module.paging_offset = line.hex32(25, 32);
    module.paging_complement = ~module.paging_mask;
    module.address_paging = line.ok();
  }
  if (line.is("PROGRAMMING_ALSO_DOES_VERIFY")) module.programming_also_verifies = true;
  if (line.is("WRITE_LONG=") && line.slashes_at(20, 29)) {
    const std::uint32_t value = line.hex32(12, 19);
    const std::uint32_t address = line.hex32(21, 28);
    if (line.ok()) WRITE_DATA_LONG(address, value);
  }
  if (line.is("WRITE_WORD=") && line.slashes_at(16, 25)) {
    const std::uint16_t value = line.hex16(12, 15);
    const std::uint32_t address = line.hex32(17, 24);
    if (line.ok()) WRITE_DATA_WORD(address, value);
  }
  if (line.is("WRITE_BYTE=") && line.slashes_at(14, 23)) {
    const std::uint8_t value = line.hex8(12, 13);
    const std::uint32_t address = line.hex32(15, 22);
    if (line.ok()) WRITE_DATA_BYTE(address, value);
  }
  if (is_comment_keyword(line)) return;
  if (line.is("ERASE_REQUIRES_A_RESET=") && line.slashes_at(28, 31, 34)) add_reset_condition(line);
  if (line.is("DZ_EEPROM_PAGING=") && line.slashes_at(20, 29)) {
    const std::uint8_t or_value = line.hex8(18, 19);
    const std::uint32_t page_register = line.hex32(21, 28);
    if (line.ok()) module.fixed_page = FixedPageRegister{true, page_register, or_value, 0, false};
  }
  if (line.is("S08_FLASH_PAGING=") && line.slashes_at(20, 25, 30, 35)) apply_flash_paging(line);
  if (line.is("WRITE_BYTE_AND_SYNC=") && line.slashes_at(23, 32)) write_byte_and_sync(line);
  if (upper_case(line.text(1, 11)) == "TRIM_RANGE=" && line.slashes_at(20, 29)) apply_trim_range(line);
  if (line.is("ICS_RANGE=") && line.slashes_at(20, 30)) apply_ics_range(line);
  if (line.is("HCS08_TRIM=") && line.slashes_at(16, 21, 30)) measure_byte_trim(line);
  if (line.is("09BIT_TRIM=")) measure_nine_bit_trim(line, TrimType::nine_bit);
  if (line.is("09QD4_TRIM=")) measure_nine_bit_trim(line, TrimType::nine_bit_adc);
  if (line.is("REQUIRES_QUILL_VERSION=")) check_required_version(line);
}

bool read_user_line(const ShortText& text) {
  KeywordLine line(text);
  if (!line.is("USER=") || !line.slashes_at(39, 48, 57)) return false;
  ModuleState& module = module_state();
  if (module.user_command_total == user_command_count) return false;
  std::uint16_t flag = 0;
  std::int32_t min = 0;
  std::int32_t max = 0;
  if (!str_to_word("$" + line.text(28, 28), flag) || !str_to_long("$" + line.text(40, 47), min) ||
      !str_to_long("$" + line.text(49, 56), max)) {
    return false;
  }
  UserCommand& user = module.user_commands[module.user_command_total];
  user.defined = true;
  user.name = line.text(6, 27);
  user.takes_parameter = flag != 0;
  user.label = trim_trailing(line.text(29, 38));
  user.parameter_min = static_cast<std::uint32_t>(min);
  user.parameter_max = static_cast<std::uint32_t>(max);
  user.text = line.rest(58);
  CommandEntry& command = command_table().entries[first_user_command + module.user_command_total];
  command.mnemonic = user.name.substr(0, 2);
  command.enabled = true;
  command.offered = true;
  ++module.user_command_total;
  return true;
}

bool read_reset_on_user_line(const ShortText& text) {
  KeywordLine line(text);
  if (!line.is("RESET_ON_USER=") || !line.slash_at(16)) return false;
  std::uint16_t digit = 0;
  if (!str_to_word("$" + line.text(15, 15), digit)) return false;
  if (digit >= 1 && digit <= user_command_count) module_state().user_commands[digit - 1].reset_after = true;
  return true;
}

FileCrc check_file_crc16(const ShortText& file_name) {
  std::ifstream file(file_name.str(), std::ios::binary);
  FileCrc result;
  if (!file) return result;
  std::uint16_t crc = 0;
  for (int c = file.get(); c != std::char_traits<char>::eof(); c = file.get()) {
    if (c == end_of_text) {
      const int low = file.get();
      const int high = file.get();
      result.computed = crc;
      result.matches = high != std::char_traits<char>::eof() && ((high << 8) | low) == crc;
      return result;
    }
    crc = crc16_step(crc, static_cast<std::uint8_t>(c));
  }
  result.computed = crc;
  return result;
}

}  // namespace vx::programmer

#include "programmer/choose_module.h"

#include <array>
#include <fstream>

#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/cable_handshake.h"
#include "interface/engine_settings.h"
#include "interface/interface_speed.h"
#include "interface/port_state.h"
#include "interface/port_table.h"
#include "interface/srecord_download.h"
#include "interface/target_connection.h"
#include "interface/target_operations.h"
#include "programmer/algorithm_file.h"
#include "programmer/algorithm_routines.h"
#include "programmer/algorithm_source_window.h"
#include "programmer/command_help_list.h"
#include "programmer/command_line.h"
#include "programmer/command_loop.h"
#include "programmer/command_table.h"
#include "programmer/connection_settings.h"
#include "programmer/flash_controller.h"
#include "programmer/module_state.h"
#include "programmer/program_windows.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

constexpr char bell = '\x07';
constexpr std::int32_t lowest_bus_frequency = 175'000;
constexpr std::uint32_t entry_table_start = 18;
// The header pass echoes the file's first plain lines: its title.
constexpr int echoed_plain_lines = 2;

ShortText file_type() { return algorithm_extension(); }

[[noreturn]] void fail_cm(const ShortText& message, std::int32_t code) {
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG(message + ShortText(1, bell));
  programmer_run().algorithm_loaded = false;
  internal_prog_halt(code);
}

// A divider from a clock this slow would be 0xFF: the routine would program with a wrong clock.
std::int32_t usable_bus_frequency(std::int32_t frequency) {
  if (frequency < lowest_bus_frequency) {
    twiddle_stop();
    fail_cm("Bus frequency of " + long_to_str(frequency) + " Hz is too low to set the flash clock.", 35);
  }
  return frequency;
}

std::int32_t bus_frequency_for_erase() {
  if (command_line().fixed_bus_frequency_set) return command_line().fixed_bus_frequency;
  return static_cast<std::int32_t>(sync_with_retry(sync_state().sync_parameter));
}

// True when the part had to be reset for its new security state.
bool unsecure_device() {
  if (!target_is_secured()) return false;
  flash_blank_check();
  if (!target_is_secured()) return false;
  twiddle_stop();
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("Device is secured. Erasing ...");
  set_flash_clock_divider(usable_bus_frequency(bus_frequency_for_erase()));
  flash_mass_erase();
  flash_blank_check();
  flash_unsecure();
  WRITE_TO_DEBUG(" Done.");
  // The new security state takes effect at the next reset.
  const bool reset = target_is_secured();
  if (reset) FORCE_BACKGROUND_MODE();
  twiddle_start();
  return reset;
}

void derive_clocks() {
  ModuleState& module = module_state();
  if (!command_line().fixed_bus_frequency_set) {
    const std::int32_t frequency = static_cast<std::int32_t>(sync_with_retry(sync_state().sync_parameter));
    twiddle_stop();
    WRITE_TO_DEBUG("(Bus Freq = " + long_to_str(frequency / 1000) + "KHz)");
    twiddle_start();
    usable_bus_frequency(frequency);
    module.timing_factor = static_cast<std::int32_t>(static_cast<std::int64_t>(frequency) * 33 / 8'000'000);
    module.fcdiv_value = static_cast<std::uint16_t>(flash_clock_divider(frequency));
    return;
  }
  const std::int32_t frequency = usable_bus_frequency(command_line().fixed_bus_frequency);
  GET_CPU_THINGS();
  module.timing_factor = std::max(frequency / 494'253, 1);
  module.fcdiv_value = static_cast<std::uint16_t>(flash_clock_divider(frequency));
}

void run_keyword_pass(const ShortText& file_name) {
  reset_keyword_state();
  engine_settings().objects = ObjectRanges{};
  ModuleState& module = module_state();
  std::ifstream file(file_name.str(), std::ios::binary);
  if (!file) {
    twiddle_stop();
    fail_cm("Error opening file: " + file_name, 11);
  }
  SrecordDownload& download = srecord_download();
  download.file = &file;
  download.error = false;
  bool first_record = true;
  while (file.peek() != std::char_traits<char>::eof()) {
    if (read_srecord_line(false)) {
      if (download.error) module.invalid = true;
      if (first_record && !module.invalid) {
        module.algorithm_base_address = download.record_address & module.section_mask;
        first_record = false;
      }
    } else {
      apply_keyword_line(download.line);
    }
    if (module.invalid && !module.invalid_reported) {
      WRITELN_TO_DEBUG("");
      WRITELN_TO_DEBUG("Invalid algorithm line : " + download.line + ShortText(1, bell));
      module.invalid_reported = true;
    }
  }
  download.file = nullptr;
  download.error = false;
  if (module.invalid) {
    twiddle_stop();
    fail_cm("Invalid " + file_type() + " file : " + file_name, 36);
  }
}

void read_entry_table() {
  ModuleState& module = module_state();
  const std::size_t count = entry_table_start + module.user_command_total;
  module.entries.fill(0);
  for (std::size_t n = 0; n < count; ++n) {
    module.entries[n] = module.short_table ? READ_DATA_WORD(module.algorithm_base_address + 2 * n)
                                           : READ_DATA_LONG(module.algorithm_base_address + 4 * n);
  }
  for (std::size_t n = 0; n < module.user_command_total; ++n) {
    module.user_commands[n].routine = module.entries[entry::first_user_routine + n];
  }
}

// The unit every program block is cut to.
std::uint32_t blocking_unit() {
  const ModuleState& module = module_state();
  if (module.blocking) return module.blocking_mask + 1;
  return module.entries[entry::program_word] != 0 ? 2 : 1;
}

// A RAM buffer that cannot hold whole blocks would let a block run past it.
void check_ram_buffer(const ShortText& file_name) {
  const ModuleState& module = module_state();
  if (module.entries[entry::program_byte] == 0 && module.entries[entry::program_word] == 0) return;
  const std::uint32_t size = module.entries[entry::ram_buffer_size];
  const std::uint32_t unit = blocking_unit();
  if (size != 0 && unit != 0 && size >= unit && size % unit == 0) return;
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("RAM buffer size $" + hex_long(size) + " does not hold whole blocks of $" + hex_long(unit) +
                 " bytes.");
  fail_cm("Invalid " + file_type() + " file : " + file_name, 36);
}

void set_enables() {
  const ModuleState& module = module_state();
  const auto& e = module.entries;
  CommandTable& table = command_table();
  const auto enable = [&](std::uint16_t code, bool on) { table.entries[code].enabled = on; };
  const bool blank_check = e[entry::blank_check_byte] != 0 || e[entry::blank_check_word] != 0;
  const bool program = e[entry::program_byte] != 0 || e[entry::program_word] != 0;
  enable(command::BM, blank_check);
  enable(command::BR, blank_check && !module.blank_module_only);
  enable(command::EB, e[entry::erase_byte_range] != 0);
  enable(command::EW, e[entry::erase_word_range] != 0);
  enable(command::EM, e[entry::erase_module] != 0);
  enable(command::EN, e[entry::erase_module] != 0);
  enable(command::PB, program && !module.no_byte_writes);
  enable(command::PW, e[entry::program_word] != 0);
  enable(command::PM, program);
  for (const std::uint16_t code : {command::VM, command::VR, command::UM, command::UR, command::SM, command::SA,
                                   command::GO, command::PR}) {
    enable(code, true);
  }
  for (const std::uint16_t code : {command::VC, command::SC, command::VV}) enable(code, !module.no_crc);
  enable(command::PT, module.trim.enabled);
  enable(command::CS, !module.no_serialize);
  enable(command::PS, !module.no_serialize);
}

// The read service sees the module's ranges at their device addresses and its paged reads.
void publish_module_ranges() {
  const ModuleState& module = module_state();
  ObjectRanges& objects = engine_settings().objects;
  objects.ranges.clear();
  for (const AddressRange& range : module.module_ranges) objects.ranges.push_back(ObjectRange{range.start, range.end});
  objects.range_offset = module_start();
  objects.paging_window = module.address_paging;
  objects.window_mask = module.paging_complement;
  objects.window_base = module.paging_offset;
}

void enable_module() {
  ModuleState& module = module_state();
  if (module.entries[entry::module_enable] == 0) {
    WRITE_TO_DEBUG("Done.");
    return;
  }
  const RoutineOutcome outcome = call_module_enable_routine();
  if (!outcome.failed()) {
    WRITE_TO_DEBUG("Done.(FCDIV=$" + hex_byte(READ_DATA_BYTE(flash::FCDIV)) + ")");
    module.entries[entry::module_enable] = 0;
    return;
  }
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG("Error enabling module just selected." + ShortText(1, bell));
  programmer_run().algorithm_loaded = false;
  reset_command_tables();
  internal_prog_halt(15);
}

void take_base_address() {
  ModuleState& module = module_state();
  if (module.no_base_address) return;
  if (module.base_parameter_given) {
    module.cm_base_address = module.base_parameter;
    return;
  }
  // A CM that fails here must not leave its enables or a saved file name behind.
  programmer_run().algorithm_loaded = false;
  module.cm_base_address =
      required_hex_parameter("Error - Choose Module command is missing the required Base Address parameter.");
  programmer_run().algorithm_loaded = true;
}

void read_cm_line() {
  ModuleState& module = module_state();
  const CommandLoop& loop = command_loop();
  const ShortText text =
      trim(loop.line_cursor <= loop.current_line.size() ? loop.current_line.substr(loop.line_cursor - 1) : ShortText());
  ShortText name = text;
  module.base_parameter_given = false;
  const std::size_t blank = text.view().find_last_of(' ');
  if (blank != std::string_view::npos) {
    const ShortText after = text.substr(blank + 1);
    std::int32_t value = 0;
    if (!after.empty() && str_to_long("$" + after, value)) {
      module.base_parameter = static_cast<std::uint32_t>(value);
      module.base_parameter_given = true;
      name = trim(text.substr(0, blank));
    }
  }
  programmer_run().algorithm_file_name = name;
}

void run_header_pass(std::ifstream& file) {
  ModuleState& module = module_state();
  module.user_commands = {};
  module.user_command_total = 0;
  TAlgorithm_Source_window* source = program_windows().Algorithm_Source_window.get();
  if (source != nullptr) source->ListBox1().clear_items();
  int echoed = 0;
  while (file.peek() != std::char_traits<char>::eof() && file.peek() != 0x1A) {
    const ShortText line = read_text_line(file);
    if (source != nullptr) source->ListBox1().add_item(line.view());
    if (read_user_line(line) || read_reset_on_user_line(line)) continue;
    if (echoed < echoed_plain_lines) {
      check_abort();
      END_DEBUG_LINE();
      WRITELN_TO_DEBUG(line);
      ++echoed;
    }
  }
}

}  // namespace

void PICK_SETUP_FILE() {
  reset_command_tables();
  ModuleState& module = module_state();
  if (module.reuse) {
    module.reuse = false;
  } else {
    read_cm_line();
  }
  const ShortText file_name = programmer_run().algorithm_file_name;
  if (!valid_file_exists(file_name)) {
    WRITELN_TO_DEBUG("");
    WRITELN_TO_DEBUG(file_type() + " file does not exist." + ShortText(1, bell));
    internal_prog_halt(41);
  }
  init_prg();
  LOAD_PRG(file_name);
  verify_prg(file_name);
  const FileCrc crc = check_file_crc16(file_name);
  if (!crc.matches) {
    WRITELN_TO_DEBUG("");
    WRITELN_TO_DEBUG("WARNING - Selected " + file_type() + " file has been modified. CRC16 = $" + hex_word(crc.computed) +
                     ShortText(1, bell));
  }
  read_entry_table();
  check_ram_buffer(file_name);
  set_enables();
  rebuild_command_list();
  publish_module_ranges();
  programmer_run().algorithm_loaded = true;
  enable_module();
  take_base_address();
  if (!module.blocking && module.entries[entry::program_word] != 0) {
    module.blocking = true;
    module.blocking_mask = 1;
    module.blocking_low = 0;
    module.blocking_high = 0xFFFFFFFF;
  }
}

bool init_prg() {
  ProgrammerRun& run = programmer_run();
  WRITELN_TO_DEBUG("");
  port_out(static_cast<std::uint16_t>(port_state().port_base_address), 7);
  if (!FORCE_BACKGROUND_MODE()) fail_cm("Cannot enter background mode. Check connnections.", 34);
  WRITE_TO_DEBUG("Initializing.");
  twiddle_start();
  if (!check_target_after_command()) {
    twiddle_stop();
    fail_cm("Not able to access processor. Try a software reset.", 35);
  }
  if (run.current_address == -1) {
    twiddle_stop();
    WRITELN_TO_DEBUG("Target has been RESET and is active.");
    run.current_address = 0;
    return true;
  }
  run_keyword_pass(run.algorithm_file_name);
  // The reset that unsecured the part undid the pass's target writes (the watchdog switched
  // off, clock settings, trims): they must reach the part as it now runs.
  if (unsecure_device()) run_keyword_pass(run.algorithm_file_name);
  derive_clocks();
  PUT_CPU_THINGS();
  twiddle_stop();
  WRITELN_TO_DEBUG("Initialized.");
  return true;
}

bool LOAD_PRG(const ShortText& file_name) {
  std::ifstream file(file_name.str(), std::ios::binary);
  if (!file) fail_cm("Error opening file: " + file_name, 11);
  run_header_pass(file);
  CommandTable& table = command_table();
  const ModuleState& module = module_state();
  table.entries[command::PT].offered = module.trim.enabled;
  for (const std::uint16_t code : {command::VC, command::SC, command::VV}) table.entries[code].offered = !module.no_crc;
  rebuild_command_list();
  file.close();
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("Loading programming algorithm ... ");
  const std::int32_t speed = startup_settings().bdm_speed;
  for (std::uint8_t type = 0; type <= 2; ++type) set_pci_delay(type, static_cast<std::uint16_t>(speed));
  load_algorithm_records(file_name);
  if (srecord_download().error) fail_cm("Error reading " + file_type() + " file.", 12);
  return true;
}

bool verify_prg(const ShortText& file_name) {
  const ModuleState& module = module_state();
  std::ifstream file(file_name.str(), std::ios::binary);
  SrecordDownload& download = srecord_download();
  download.file = &file;
  std::array<std::uint8_t, SrecordDownload::record_capacity> target{};
  while (file && file.peek() != std::char_traits<char>::eof()) {
    if (!read_srecord_line(true)) continue;
    std::uint32_t address = download.record_address;
    if (module.section_masked) {
      if ((address & ~module.section_mask) != module.current_section) continue;
      address &= module.section_mask;
    }
    GET_DATA_BYTE_BLOCK(address, download.data_count, target.data());
    for (std::uint16_t i = 0; i < download.data_count; ++i) {
      if (target[i] == download.data[i]) continue;
      download.file = nullptr;
      fail_cm("Error loading " + file_type() + " file : " + file_name + " at address " + hex_long(address + i), 14);
    }
  }
  download.file = nullptr;
  return true;
}

}  // namespace vx::programmer

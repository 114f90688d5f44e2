#include "programmer/algorithm_routines.h"

#include <fstream>
#include <memory>

#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "interface/engine_settings.h"
#include "interface/srecord_download.h"
#include "interface/target_operations.h"
#include "programmer/module_state.h"

namespace vx::programmer {
namespace {

enum class RegisterWrite : std::uint8_t { all, pc_only };
enum class Wait : std::uint8_t { cancellable_with_grace, cancellable, freeze_then_key };

// After a cancel the routine may still finish: up to 1000 more polls.
constexpr std::int32_t cancel_grace_ms = 2000;

void write_parameter(std::uint32_t offset, std::uint32_t value) {
  WRITE_DATA_WORD(module_state().entries[entry::parameter_block] + offset, static_cast<std::uint16_t>(value));
}

std::uint16_t read_parameter(std::uint32_t offset) {
  return READ_DATA_WORD(module_state().entries[entry::parameter_block] + offset);
}

void set_hx(std::uint32_t value) {
  mcu_registers().H = static_cast<std::uint8_t>(value >> 8);
  mcu_registers().X = static_cast<std::uint8_t>(value);
}

// Starts the routine with the register model as it stands and waits for it; true when it
// stopped without a cancel.
bool run_routine(std::uint32_t routine, RegisterWrite write, Wait wait) {
  mcu_registers().PC = static_cast<std::uint16_t>(routine);
  if (write == RegisterWrite::all) {
    PUT_CPU_THINGS();
  } else {
    PUT_PC();
  }
  RESUME();
  switch (wait) {
    case Wait::cancellable_with_grace:
      WAIT_FOR_FREEZE_OR_KEY_DELAY(cancel_grace_ms);
      break;
    case Wait::cancellable:
      WAIT_FOR_FREEZE_OR_KEY();
      break;
    case Wait::freeze_then_key:
      if (!WAIT_FOR_FREEZE()) WAIT_FOR_FREEZE_OR_KEY();
      return true;
  }
  const bool cancelled = run_state().abort_flag;
  GET_CPU_THINGS();
  return !cancelled;
}

RoutineOutcome outcome_from_registers(bool stopped) { return RoutineOutcome{!stopped, get_routine_result()}; }

RoutineOutcome outcome_from_result_word(bool stopped) {
  return RoutineOutcome{!stopped, stopped ? read_parameter(parameter::length) : std::uint16_t{0}};
}

void call_page_routine(std::uint32_t routine, RegisterWrite write) {
  run_routine(reload_algorithm_page(routine, true), write, Wait::freeze_then_key);
}

std::uint16_t data_column(char type) { return type == '1' ? 9 : type == '2' ? 11 : 13; }

}  // namespace

void load_algorithm_records(const ShortText& file_name) {
  ModuleState& module = module_state();
  SrecordDownload& download = srecord_download();
  download.error = false;
  std::ifstream file(file_name.str(), std::ios::binary);
  module.download_file_name = file_name;
  if (!file) {
    download.error = true;
    return;
  }
  download.file = &file;
  download.expected_next_address.reset();
  download.run_length = 0;
  while (file.peek() != std::char_traits<char>::eof()) {
    if (!read_srecord_line(false)) continue;
    if (download.error) break;
    std::uint32_t address = download.record_address;
    if (module.section_masked) {
      const std::uint32_t section = address & ~module.section_mask;
      if (module.first_record) {
        module.current_section = section;
        module.first_record = false;
      }
      if (section != module.current_section) continue;
      address &= module.section_mask;
    }
    download.current_address = address;
    download.write_count = download.data_count;
    write_srecord_data_bytes(data_column(download.line[1]));
    if (download.error) break;
  }
  if (!download.error) flush_target_write_buffer();
  download.file = nullptr;
}

std::uint32_t reload_algorithm_page(std::uint32_t routine, bool show) {
  ModuleState& module = module_state();
  if (!module.section_masked || routine == 0) return routine;
  const std::uint32_t start = routine & module.section_mask;
  const std::uint32_t section = routine & ~module.section_mask;
  if (section == module.current_section) return start;
  module.current_section = section;
  // The download shares the writer with the programming pipeline.
  const auto saved = std::make_unique<SrecordDownload>(srecord_download());
  if (show) {
    END_DEBUG_LINE();
    WRITE_TO_DEBUG("Loading programming algorithm routine...");
  }
  load_algorithm_records(module.download_file_name);
  if (show) WRITE_TO_DEBUG("Done.");
  srecord_download() = *saved;
  return start;
}

std::uint16_t get_routine_result() {
  return static_cast<std::uint16_t>(mcu_registers().H << 8 | mcu_registers().X);
}

RoutineOutcome call_program_routine(std::uint32_t device_address, std::uint16_t length) {
  const ModuleState& module = module_state();
  const std::uint32_t routine =
      module.entries[entry::program_word] != 0 ? module.entries[entry::program_word] : module.entries[entry::program_byte];
  write_parameter(parameter::ram_buffer, module.entries[entry::ram_buffer]);
  write_parameter(parameter::address, device_address);
  write_parameter(parameter::length, length);
  const std::uint32_t start = reload_algorithm_page(routine, true);
  mcu_registers().H = static_cast<std::uint8_t>(device_address >> 24);
  mcu_registers().X = static_cast<std::uint8_t>(device_address >> 16);
  return outcome_from_registers(run_routine(start, RegisterWrite::all, Wait::cancellable_with_grace));
}

RoutineOutcome call_erase_routine(std::size_t entry_number, std::uint32_t start, std::uint32_t size) {
  write_parameter(parameter::address, start);
  write_parameter(parameter::length, size);
  const std::uint32_t pc = reload_algorithm_page(module_state().entries[entry_number], true);
  return outcome_from_result_word(run_routine(pc, RegisterWrite::pc_only, Wait::cancellable_with_grace));
}

RoutineOutcome call_blank_check_routine(bool word_wise, std::uint32_t start, std::uint32_t size,
                                        std::uint32_t& first_non_blank) {
  write_parameter(parameter::address, start);
  write_parameter(parameter::length, size);
  const std::size_t entry_number = word_wise ? entry::blank_check_word : entry::blank_check_byte;
  const std::uint32_t pc = reload_algorithm_page(module_state().entries[entry_number], true);
  const RoutineOutcome outcome = outcome_from_result_word(run_routine(pc, RegisterWrite::pc_only, Wait::cancellable));
  if (outcome.failed()) first_non_blank = static_cast<std::uint32_t>(get_routine_result() - (word_wise ? 2 : 1));
  return outcome;
}

RoutineOutcome call_module_enable_routine() {
  const ModuleState& module = module_state();
  const std::uint32_t pc = reload_algorithm_page(module.entries[entry::module_enable], false);
  set_hx(static_cast<std::uint32_t>(module.timing_factor));
  mcu_registers().A = static_cast<std::uint8_t>(module.fcdiv_value);
  return outcome_from_registers(run_routine(pc, RegisterWrite::all, Wait::cancellable));
}

RoutineOutcome call_user_routine(std::size_t index, std::uint32_t parameter) {
  const ModuleState& module = module_state();
  write_parameter(parameter::ram_buffer, module.entries[entry::ram_buffer]);
  write_parameter(parameter::address, module.entries[entry::module_start]);
  const std::uint32_t pc = reload_algorithm_page(module.entries[entry::first_user_routine + index], true);
  mcu_registers().A = static_cast<std::uint8_t>(parameter >> 16);
  set_hx(parameter);
  return outcome_from_registers(run_routine(pc, RegisterWrite::all, Wait::cancellable));
}

void select_address_page(std::uint32_t address) {
  ModuleState& module = module_state();
  if (module.entries[entry::page_select] != 0) {
    write_parameter(parameter::address, address);
    call_page_routine(module.entries[entry::page_select], RegisterWrite::all);
  }
  FixedPageRegister& fixed = module.fixed_page;
  if (fixed.in_use && address > 0xFFFF && !fixed.applied) {
    fixed.saved = READ_DATA_BYTE(fixed.address);
    WRITE_DATA_BYTE(fixed.address, static_cast<std::uint8_t>(fixed.saved | fixed.or_value));
    fixed.applied = true;
  }
  PagingWindow& window = module.window;
  const std::uint32_t offset = address & 0xFFFF;
  if (window.in_use && !window.applied && offset >= window.low && offset <= window.high) {
    window.saved = READ_DATA_BYTE(window.page_register);
    WRITE_DATA_BYTE(window.page_register, static_cast<std::uint8_t>(address >> 16));
    window.applied = true;
  }
}

void restore_address_page() {
  ModuleState& module = module_state();
  if (module.entries[entry::page_restore] != 0) call_page_routine(module.entries[entry::page_restore], RegisterWrite::pc_only);
  FixedPageRegister& fixed = module.fixed_page;
  if (fixed.applied) {
    WRITE_DATA_BYTE(fixed.address, fixed.saved);
    fixed.applied = false;
  }
  PagingWindow& window = module.window;
  if (window.applied) {
    WRITE_DATA_BYTE(window.page_register, window.saved);
    window.applied = false;
  }
}

void install_page_selection() {
  engine_settings().select_address_page = [](std::uint32_t address) { select_address_page(address); };
  engine_settings().restore_address_page = [] { restore_address_page(); };
}

}  // namespace vx::programmer

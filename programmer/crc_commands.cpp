#include "programmer/crc_commands.h"

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "interface/srecord_download.h"
#include "interface/target_operations.h"
#include "loaders/object_image.h"
#include "programmer/algorithm_routines.h"
#include "programmer/chosen_module.h"
#include "programmer/command_line.h"
#include "programmer/command_loop.h"
#include "programmer/crc_blocks.h"
#include "programmer/crc_check_value.h"
#include "programmer/crc_routine.h"
#include "programmer/module_state.h"
#include "programmer/object_image_load.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

const ShortText kind(check_value_kind);

bool aborted() { return run_state().abort_flag; }

void restore_routine_memory(std::uint16_t routine) { Load_crc_algorithm(CrcRoutineMode::restore_memory, routine); }

// Every way out after the routine was loaded gives the algorithm its RAM back first.
[[noreturn]] void fail_after_load(std::uint16_t routine, const ShortText& line, std::int32_t result) {
  WRITELN_TO_DEBUG(line);
  srecord_download().error = true;
  restore_routine_memory(routine);
  internal_prog_halt(result);
}

// The pages of a block, switched as the page selection would but on the block's range.
void select_block_pages(std::uint32_t first, std::uint32_t last) {
  ModuleState& module = module_state();
  FixedPageRegister& fixed = module.fixed_page;
  if (fixed.in_use && first >= 0x10000 && !fixed.applied) {
    fixed.saved = READ_DATA_BYTE(fixed.address);
    WRITE_DATA_BYTE(fixed.address, static_cast<std::uint8_t>(fixed.saved | fixed.or_value));
    fixed.applied = true;
  }
  PagingWindow& window = module.window;
  if (window.in_use && !window.applied && (first & 0xFFFF) <= window.high && window.low <= (last & 0xFFFF)) {
    window.saved = READ_DATA_BYTE(window.page_register);
    WRITE_DATA_BYTE(window.page_register, static_cast<std::uint8_t>(first >> 16));
    window.applied = true;
  }
}

void restore_block_pages() {
  ModuleState& module = module_state();
  if (module.fixed_page.applied) {
    WRITE_DATA_BYTE(module.fixed_page.address, module.fixed_page.saved);
    module.fixed_page.applied = false;
  }
  if (module.window.applied) {
    WRITE_DATA_BYTE(module.window.page_register, module.window.saved);
    module.window.applied = false;
  }
}

bool object_byte_qualifies(const ModuleWindow& window, std::int64_t address) {
  const auto object_address = static_cast<std::int32_t>(address);
  return address_in_module(window, object_address) && !address_preserved(window, object_address);
}

}  // namespace

std::uint16_t load_crc_routine() {
  reload_algorithm_page(program_routine_entry(), true);
  const ModuleState& module = module_state();
  auto routine = static_cast<std::uint16_t>(module.entries[entry::ram_buffer]);
  // Too small a buffer: the routine borrows the start of the algorithm itself.
  if (module.entries[entry::ram_buffer_size] < crc_routine_size) {
    routine = static_cast<std::uint16_t>(module.algorithm_base_address);
    Load_crc_algorithm(CrcRoutineMode::save_memory, routine);
  }
  if (!Load_crc_algorithm(CrcRoutineMode::load, routine)) {
    WRITE_TO_DEBUG("Error loading " + kind + " Algorithm.");
    srecord_download().error = true;
    restore_routine_memory(routine);
    internal_prog_halt(60);
  }
  return routine;
}

std::uint32_t run_target_crc(std::uint16_t routine, std::uint32_t first, std::uint32_t last, std::uint32_t value_in) {
  const std::uint32_t device_first = device_address(first);
  const std::uint32_t device_last = device_address(last);
  select_block_pages(device_first, device_last);
  const std::uint32_t value = run_crc_routine(routine, device_first, device_last, value_in);
  restore_block_pages();
  return value;
}

void verify_crc() {
  END_DEBUG_LINE();
  if (!programmer_run().object_file_specified) {
    WRITE_TO_DEBUG("Error - S record file is not selected.\x07");
    internal_prog_halt(5);
  }
  if (!command_line().sort_flag) {
    WRITELN_TO_DEBUG("Sorting must be enabled to verify checksum.");
    srecord_download().error = true;
    internal_prog_halt(52);
  }
  const std::uint16_t routine = load_crc_routine();
  END_DEBUG_LINE();
  WRITE_TO_DEBUG("Verifying object file " + kind + " to device ranges ... ");
  if (!load_command_object_image()) {
    fail_after_load(routine, "Error while loading S-record file.", 5);
  }
  const ModuleWindow window = current_module_window();
  loaders::rewind_object_image();
  ObjectBlockWalker walker(loaders::next_image_byte,
                           [&window](std::int64_t address) { return object_byte_qualifies(window, address); });
  if (!walker.more()) fail_after_load(routine, "Error - no valid data in range of module.", 50);
  END_DEBUG_LINE();
  while (walker.more() && !aborted()) {
    const CrcBlock block = walker.next_block(aborted);
    if (aborted()) break;
    WRITE_TO_DEBUG("   block " + hex_long(static_cast<std::uint32_t>(block.first)) + "-" +
                   hex_long(static_cast<std::uint32_t>(block.last)) + " ... ");
    const std::uint32_t device = run_target_crc(routine, static_cast<std::uint32_t>(block.first),
                                                static_cast<std::uint32_t>(block.last), 0);
    if (device != block.value) {
      fail_after_load(routine,
                      kind + " Error in block. (File = $" + check_value_hex(block.value) + ", Device = $" +
                          check_value_hex(device) + ")",
                      51);
    }
    WRITELN_TO_DEBUG("Ok.");
  }
  restore_routine_memory(routine);
  if (aborted()) {
    WRITELN_TO_DEBUG("Verify Checksum Canceled by user.");
    internal_prog_halt(51);
  }
  WRITELN_TO_DEBUG("   Checksum Verification Successful. (Cumulative " + kind + "=$" +
                   check_value_hex(walker.cumulative()) + ")");
}

std::uint32_t calculate_device_crc() {
  const std::uint16_t routine = load_crc_routine();
  const ModuleState& module = module_state();
  const ModuleWindow window = current_module_window();
  const std::vector<AddressRun> runs =
      qualifying_runs(window.cm_base, window.window_end(), [&](std::int64_t address) {
        return address_in_module(window, static_cast<std::int32_t>(address)) && !crc_excluded(module, address);
      });
  if (runs.empty()) fail_after_load(routine, "Error - no valid data in range of module.", 50);
  std::uint32_t value = 0;
  for (const AddressRun& run : runs) {
    if (aborted()) break;
    value = run_target_crc(routine, static_cast<std::uint32_t>(run.first), static_cast<std::uint32_t>(run.last), value);
  }
  restore_routine_memory(routine);
  if (aborted()) {
    WRITELN_TO_DEBUG("Checksum calculation canceled by user.");
    internal_prog_halt(51);
  }
  return value;
}

void show_module_crc() {
  END_DEBUG_LINE();
  WRITE_TO_DEBUG("Calculating Device " + kind + " ... ");
  const std::uint32_t value = calculate_device_crc();
  WRITELN_TO_DEBUG(kind + "=$" + check_value_hex(value));
}

void verify_module_crc_value() {
  const std::uint32_t expected = hex_parameter();
  END_DEBUG_LINE();
  WRITE_TO_DEBUG("Comparing Device " + kind + " to $" + check_value_hex(expected) + "... ");
  const std::uint32_t value = calculate_device_crc();
  const ShortText device = "(Device " + kind + " = $" + check_value_hex(value) + ")";
  if (value != expected) {
    WRITELN_TO_DEBUG("Error! " + kind + " does not match. " + device);
    internal_prog_halt(61);
  }
  WRITELN_TO_DEBUG("Success! " + device);
}

}  // namespace vx::programmer

#include "programmer/trim_commands.h"

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/srecord_download.h"
#include "interface/target_operations.h"
#include "interface/target_read_cache.h"
#include "programmer/algorithm_routines.h"
#include "programmer/chosen_module.h"
#include "programmer/module_state.h"
#include "programmer/program_commands.h"
#include "programmer/trim_locations.h"

namespace vx::programmer {
namespace {

constexpr std::int32_t trim_failure = 18;

[[noreturn]] void fail_trim(const ShortText& line) {
  WRITELN_TO_DEBUG(line);
  internal_prog_halt(trim_failure);
}

void program_one_byte(std::uint16_t address, std::uint8_t value) {
  srecord_download().error = false;
  ProgramPipeline pipeline = module_pipeline(address, address + 3);
  // A trim location inside a preserved range is still the trim location.
  pipeline.set_allow_preserved(true);
  pipeline.add_program_byte(value);
  if (!program_collected_blocks(pipeline)) fail_trim("Error during programming.");
}

}  // namespace

void program_trim_location(std::uint16_t address, std::uint8_t value, std::string_view name) {
  const ShortText location = ShortText(name) + " Location ";
  const std::uint16_t raw = read_target_byte_cached(address);
  // A byte that cannot be read is neither blank nor the value.
  if (raw == unreadable_target_byte) {
    fail_trim("Unable to read " + location + "$" + hex_word(address) + ".");
  }
  const auto held = static_cast<std::uint8_t>(raw == outside_object_ranges ? 0xFF : raw);
  if (held != 0xFF) {
    const ShortText held_text = "($" + hex_byte(held) + ")";
    if (address_preserved(current_module_window(), address)) {
      WRITELN_TO_DEBUG("Skipping Preserved " + location + "$" + hex_word(address) + " as it is not blank" + held_text +
                       ".");
      return;
    }
    if (held != value) fail_trim("Unable to program " + location + "$" + hex_word(address) + " as it is not blank" +
                                 held_text + ".");
    WRITELN_TO_DEBUG(location + "($" + hex_word(address) + ") has been programmed " + held_text + ".");
    return;
  }
  WRITE_TO_DEBUG("Programming " + ShortText(name) + " value $" + hex_byte(value) + " to location $    ");
  program_one_byte(address, value);
  const std::uint8_t readback = READ_DATA_BYTE(address);
  if (readback != value) {
    fail_trim(" Failure. " + ShortText(name) + " value in device($" + hex_byte(readback) +
              ") does not match calculated value $" + hex_byte(value) + ".");
  }
  WRITELN_TO_DEBUG(" Success.");
}

void program_trim() {
  const TrimState& trim = module_state().trim;
  if (!trim.enabled) return;
  if (!trim_value_valid(trim)) fail_trim(" Error : Trim value is not valid.");
  mcu_registers().PC = static_cast<std::uint16_t>(reload_algorithm_page(program_routine_entry(), true));
  END_DEBUG_LINE();
  for (const TrimLocation& location : trim_locations(trim)) {
    program_trim_location(location.address, location.value, location.name);
  }
}

}  // namespace vx::programmer

#include "programmer/utility_commands.h"

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/target_operations.h"
#include "programmer/algorithm_routines.h"
#include "programmer/choose_module.h"
#include "programmer/chosen_module.h"
#include "programmer/command_loop.h"
#include "programmer/command_table.h"
#include "programmer/module_state.h"

namespace vx::programmer {

void show_module() {
  const ModuleWindow window = current_module_window();
  const auto start = static_cast<std::int32_t>(hex_parameter());
  const auto end = static_cast<std::int32_t>(hex_parameter());
  if (RangeCheck failure = check_show_range(window, start, end)) fail_parameter(*failure);
  const ModuleState& state = module_state();
  const std::uint32_t first = window.device_address(start);
  const std::uint32_t last = window.device_address(end);
  std::uint32_t shown_page = 0;
  for (std::uint32_t h = first;; ++h) {
    const std::uint32_t index = h - first;
    if (index % 16 == 0) {
      END_DEBUG_LINE();
      WRITE_TO_DEBUG(hex_long(static_cast<std::uint32_t>(window.object_address(h))) + " ");
    }
    const std::uint32_t page = state.paging_mask & h;
    if (index == 0 || (state.address_paging && page != shown_page)) {
      select_address_page(h);
      shown_page = page;
    }
    WRITE_TO_DEBUG(hex_byte(READ_DATA_BYTE(paged_read_address(h))) + " ");
    if (h == last) break;
  }
  restore_address_page();
}

void delay_command() {
  WRITELN_TO_DEBUG("");
  std::int32_t milliseconds = 0;
  if (!str_to_long(next_line_word(), milliseconds)) milliseconds = 0;
  if (milliseconds == 0) {
    WRITELN_TO_DEBUG("Error specifying decimal delay in milliseconds.");
    internal_prog_halt(44);
  }
  WRITE_TO_DEBUG("Delaying.");
  twiddle_start();
  for (std::int32_t left = milliseconds; left > 0; --left) {
    delay_milliseconds(1);
    if (cancel_key_pending()) {
      twiddle_stop();
      WRITELN_TO_DEBUG("Canceled by user.");
      internal_prog_halt(1);
    }
  }
  twiddle_stop();
  WRITELN_TO_DEBUG("Done.");
}

void run_user_function(std::uint16_t command_number) {
  const std::size_t index = command_number - command::first_user;
  const UserCommand& user = module_state().user_commands[index];
  const std::uint32_t parameter = user.takes_parameter ? hex_parameter() : 0;
  if (parameter < user.parameter_min || parameter > user.parameter_max) {
    WRITELN_TO_DEBUG("");
    WRITELN_TO_DEBUG("User parameter is not in the range " + hex_long(user.parameter_min) + " to " +
                     hex_long(user.parameter_max) + ".");
    internal_prog_halt(30);
  }
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("Started.");
  twiddle_start();
  const RoutineOutcome outcome = call_user_routine(index, parameter);
  twiddle_stop();
  if (outcome.failed()) {
    WRITELN_TO_DEBUG("Error during .08P specified function.");
    internal_prog_halt(31);
  }
  WRITELN_TO_DEBUG("Done.");
  if (user.reset_after) {
    ModuleState& state = module_state();
    state.reuse = true;
    PICK_SETUP_FILE();
    state.reuse = false;
    END_DEBUG_LINE();
  }
}

}  // namespace vx::programmer

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/interface_speed.h"
#include "interface/target_connection.h"
#include "interface/target_operations.h"
#include "programmer/choose_module.h"
#include "programmer/command_dispatch.h"
#include "programmer/command_help_list.h"
#include "programmer/command_loop.h"
#include "programmer/programmer_run.h"

// The commands around the module: CM, RE (reset the target, back to the start
// enables), GO (start the target's code) and SA.
namespace vx::programmer {
namespace {

void reset_chip_command() {
  programmer_run().current_address = -1;
  reset_command_tables();
  init_prg();
}

// Runs the target from its reset vector and reports its clock; the enables go back to
// their defaults, so a later command needs a new CM.
void start_target_code() {
  if (FORCE_BACKGROUND_MODE()) {
    RESUME();
    delay_milliseconds(100);
    WRITELN_TO_DEBUG(" Frequency ~ " + long_to_str(static_cast<std::int32_t>(sync_with_retry(10))));
  }
  CommandTable& table = command_table();
  for (std::uint16_t n = 1; n <= command_count; ++n) {
    table.entries[n].enabled = command_catalogue()[n - 1].default_enable;
  }
  rebuild_command_list();
}

}  // namespace

void register_module_commands() {
  register_command_handler(command::CM, PICK_SETUP_FILE);
  register_command_handler(command::RE, reset_chip_command);
  register_command_handler(command::GO, start_target_code);
  // SA: the source window is never shown.
  register_command_handler(command::SA, [] {});
}

}  // namespace vx::programmer

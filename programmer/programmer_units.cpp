#include "programmer/programmer_units.h"

#include <vector>

#include "interface/drivers/ftdi_binding.h"
#include "interface/ethernet_transport.h"
#include "interface/interface_units.h"
#include "interface/serial_transport.h"
#include "loaders/load_driver.h"
#include "loaders/object_image.h"
#include "platform/clock.h"
#include "platform/ws/application.h"
#include "platform/ws/shell.h"
#include "programmer/algorithm_routines.h"
#include "programmer/command_dispatch.h"
#include "programmer/command_line.h"
#include "programmer/command_loop.h"
#include "programmer/command_table.h"
#include "programmer/command_tokens.h"
#include "programmer/configuration_commands.h"
#include "programmer/connection_settings.h"
#include "programmer/firmware_update_start.h"
#include "programmer/module_state.h"
#include "programmer/network_card.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

// Object files load through the format modules; MOVE_ADDRESSES= lines remap their addresses.
void start_object_loading() {
  loaders::start_object_loading();
  loaders::install_address_remap_table(&module_state().remap);
}

void start_serial() { start_serial_transport(); }

void start_ethernet() {
  start_ethernet_transport(static_cast<std::uint32_t>(platform::clock().monotonic_microseconds()),
                           read_network_card_ip());
}

// The main block gives the command line its parameters before the single-instance check.
void reset_parameters() { reset_command_line(); }

}  // namespace

std::span<const ProgramUnit> programmer_units() {
  static const std::vector<ProgramUnit> units = units_above(interface_units(), {
      {.start = reset_command_table_state, .reset = reset_command_table_state},
      {.start = reset_command_dispatch, .reset = reset_command_dispatch},
      {.start = install_page_selection},
      {.start = start_firmware_update},
      {.start = start_object_loading},
      {.start = start_ftdi_binding, .finish = finish_ftdi_binding},
      {.start = start_serial, .finish = finish_serial_transport},
      {.start = start_ethernet, .finish = finish_ethernet_transport},
      {.reset = reset_command_tokens},
      {.reset = FREE_CONFIGURATION_COMMANDS},
      {.reset = reset_startup_settings},
      {.reset = reset_parameters},
      {.reset = reset_command_loop},
      {.reset = reset_module_state},
      {.reset = reset_programmer_run},
      {.reset = ws::reset_application},
      {.reset = ws::reset_shell},
  });
  return units;
}

}  // namespace vx::programmer

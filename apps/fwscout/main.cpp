// fwscout lists the Quorvex Universal interfaces and OSBDM/OSJTAG boards on
// USB. With VX_SIM naming a scenario it lists the simulated devices.
#include "apps/simulation_start/simulation_start.h"
#include "platform/ws/qt/qt_backend.h"
#include "utilities/scout_main_block.h"

int main() {
  vx::ws::install_display_backend(&vx::ws::qt::backend());
  return vx::apps::run_with_simulation([] { return vx::utilities::fwscout_form::scout_main_block(); });
}

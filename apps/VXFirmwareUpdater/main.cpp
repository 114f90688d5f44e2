// VXFirmwareUpdater, the interface firmware updater. With VX_SIM naming a
// scenario it runs against the simulated devices the scenario describes.
#include <cstdio>

#include "fwupdate/updater_main_block.h"
#include "sim/simulated_world.h"
#include "utilities/desktop_required.h"

int main() {
  // Before the simulated world: a run that cannot start leaves no state file behind.
  if (!vx::utilities::desktop_usable("VXFirmwareUpdater")) return vx::utilities::no_desktop_exit_code;
  const vx::sim::SimulationStart simulation = vx::sim::start_simulation_from_environment();
  if (!simulation.error.empty()) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.c_str());
    return 2;
  }
  return vx::updater::updater_main_block();
}

// fwscout lists the Quorvex Universal interfaces and OSBDM/OSJTAG boards on
// USB. With VX_SIM naming a scenario it lists the simulated devices.
#include <cstdio>

#include "sim/simulated_world.h"
#include "utilities/scout_main_block.h"

int main() {
  const vx::sim::SimulationStart simulation = vx::sim::start_simulation_from_environment();
  if (!simulation.error.empty()) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.c_str());
    return 2;
  }
  return vx::utilities::fwscout_form::scout_main_block();
}

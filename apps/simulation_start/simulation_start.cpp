#include "apps/simulation_start/simulation_start.h"

#include <cstdio>

#include "sim/simulated_world.h"

namespace vx::apps {

int run_with_simulation(const std::function<int()>& main_block) {
  const sim::SimulationStart simulation = sim::start_simulation_from_environment();
  if (!simulation.error.empty()) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.c_str());
    return unusable_scenario_exit_code;
  }
  return main_block();
}

}  // namespace vx::apps

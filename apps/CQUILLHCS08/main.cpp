// CQUILLHCS08, the flash programmer. With VX_SIM naming a scenario it runs
// against the simulated devices the scenario describes.
#include <csignal>
#include <cstdio>
#include <vector>

#include "programmer/main_block.h"
#include "sim/simulated_world.h"

int main(int argc, char** argv) {
  // A file that reaches the size limit fails its write, which the run reports, instead of
  // ending the run without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  const vx::sim::SimulationStart simulation = vx::sim::start_simulation_from_environment();
  if (!simulation.error.empty()) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.c_str());
    return 2;
  }
  std::vector<vx::ShortText> parameters(argv + 1, argv + argc);
  return vx::programmer::programmer_main_block(std::move(parameters));
}

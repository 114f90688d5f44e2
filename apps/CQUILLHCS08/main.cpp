// CQUILLHCS08, the flash programmer. With VX_SIM naming a scenario it runs
// against the simulated devices the scenario describes.
#include <csignal>
#include <vector>

#include "apps/simulation_start/simulation_start.h"
#include "platform/ws/qt/qt_backend.h"
#include "programmer/main_block.h"

int main(int argc, char** argv) {
  vx::ws::install_display_backend(&vx::ws::qt::backend());
  // A file that reaches the size limit fails its write, which the run reports, instead of
  // ending the run without a word.
  std::signal(SIGXFSZ, SIG_IGN);
  std::vector<vx::ShortText> parameters(argv + 1, argv + argc);
  return vx::apps::run_with_simulation(
      [&parameters] { return vx::programmer::programmer_main_block(std::move(parameters)); });
}

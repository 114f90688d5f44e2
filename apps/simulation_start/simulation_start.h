#pragma once

#include <functional>

// How the programs start against the simulator: with VX_SIM naming a scenario, the devices it
// describes replace the real ones for the whole run.
namespace vx::apps {

// The exit code of a program whose VX_SIM scenario cannot be used.
inline constexpr int unusable_scenario_exit_code = 2;

// Runs the program's main block inside the simulated world that VX_SIM names (the real
// devices without it) and answers its exit code. A named scenario that cannot be used is
// reported on stderr and the main block does not run.
int run_with_simulation(const std::function<int()>& main_block);

}  // namespace vx::apps

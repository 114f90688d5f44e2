#pragma once

#include <cstdint>

// SM (module memory on the status window), DE (a wait) and the algorithm's own user commands.
namespace vx::programmer {

void show_module();
void delay_command();
// Command number 19-24.
void run_user_function(std::uint16_t command_number);

}  // namespace vx::programmer

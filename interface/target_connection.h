#pragma once

#include <cstdint>

// Getting the target into background mode and keeping it there: the start-up
// connection with its recovery steps (power-on resets with BKGD held low),
// the check after each script command, and power at the end of the run.
namespace vx {

class Tbdcpowerdialogform;

struct TargetConnection {
  // Created by the engine at start-up; until then the prompt is a message box.
  Tbdcpowerdialogform* power_dialog = nullptr;
};

TargetConnection& target_connection();
void reset_target_connection();

enum class PowerPrompt : std::uint8_t { power_down = 0, power_up = 1, power_cycle = 2 };

bool FORCE_BACKGROUND_MODE();
bool SET_SPEED_WITH_SYNC();
bool connect_target();
bool target_sync_ok();
bool ENABLE_BDM_MODE();
bool GO_TO_BACKGROUND();
// The breakpoint register holds two patterns; a failed link only answers false.
bool check_target_sync_while_stopped();
bool recover_from_reset();
bool check_target_after_command();
void start_target_on_port();
void power_off_on_exit();
void show_power_dialog(PowerPrompt mode);

}  // namespace vx

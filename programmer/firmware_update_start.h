#pragma once

// The firmware update engine in the programmer: its build of the update
// decision, the engine as the decision's steps and the link's services,
// and the close request that waits while an update runs.
namespace vx::programmer {

void start_firmware_update();
// True when an update runs: the close is held back and asked again when the update has ended.
bool hold_close_during_update();

}  // namespace vx::programmer

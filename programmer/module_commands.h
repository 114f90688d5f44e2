#pragma once

// The commands around the module: CM, RE (reset the target, back to the start
// enables), GO (start the target's code) and SA.
namespace vx::programmer {

void reset_chip_command();
// Runs the target from its reset vector and reports its clock; the enables go back to
// their defaults, so a later command needs a new CM.
void start_target_code();

}  // namespace vx::programmer

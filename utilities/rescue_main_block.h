#pragma once

#include <functional>

namespace vx::utilities {

class TForm1;

// fwrescue from start to end on a display: the recovery window, beside the
// programmer in the program's directory, and the message loop until the user
// closes the window. `sit_down` sees the window once it is created, before
// the loop starts (a test's user). Returns the exit code: 0.
int rescue_main_block(const std::function<void(TForm1&)>& sit_down = {});

}  // namespace vx::utilities

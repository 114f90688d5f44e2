#pragma once

#include <vector>

#include "foundation/short_text.h"

namespace vx::programmer {

// The flash programmer from start to end: single-instance test, windows,
// command line, the message loop in which the script runs, and shutdown.
// Returns the process exit code.
int programmer_main_block(std::vector<ShortText> parameters);

}  // namespace vx::programmer

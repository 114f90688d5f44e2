#pragma once

#include <cstdint>

#include "programmer/module_window.h"

// The start and end addresses that a range command reads from its line. Each is tested as it
// is read, the start before the end is read; a failed test ends the script with its result.
namespace vx::programmer {

struct ParameterRange {
  std::int32_t start = 0;
  std::int32_t end = 0;
};

// BR, PR, VR and UR: both in the module window, end >= start.
ParameterRange read_window_range(const ModuleWindow& window);
// EB (word false) and EW (word true).
ParameterRange read_erase_range(const ModuleWindow& window, bool word);

}  // namespace vx::programmer

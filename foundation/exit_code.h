#pragma once

#include <cstdint>

namespace vx {

// The process keeps 8 bits of the script result; a failure must never read
// as success, so a negative result, or one whose low byte is 0, exits 255.
constexpr int process_exit_code(std::int32_t script_result) {
  if (script_result == 0) return 0;
  if (script_result < 0 || (script_result & 0xFF) == 0) return 255;
  return script_result & 0xFF;
}

}  // namespace vx

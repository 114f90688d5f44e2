#pragma once

#include <cstdint>

namespace vx::platform {

// The calling thread's id, for set_thread_priority.
std::int64_t current_thread_id();
// Priority levels: idle 0, lowest 1, below normal 2, normal 3, above normal
// 4, highest 5, time-critical 6 (higher values count as 6). Raising a
// thread above normal needs the right to; without it the thread stays as it is.
void set_thread_priority(std::int64_t thread_id, std::uint8_t level);

}  // namespace vx::platform

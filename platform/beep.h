#pragma once

#include <cstdint>

namespace vx::platform {

// The system's default beep: the terminal bell on stderr when stderr is a
// terminal, nothing otherwise. Counted, so tests can see that it sounded.
void beep();
std::uint64_t beep_count();

}  // namespace vx::platform

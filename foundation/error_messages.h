#pragma once

#include <cstdint>

namespace vx {

// Writes numbered message 1-66 as a status line. 98 and 99 open a line
// "At location <address> - " for the caller's text.
void ERROR_MESSAGE(std::uint32_t number);

}  // namespace vx

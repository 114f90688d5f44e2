#pragma once

#include <cstdint>
#include <string_view>

// PT: the trim value that CM measured goes into the device's non-volatile
// trim locations, each programmed once and read back.
namespace vx::programmer {

void program_trim();
// Programs one blank location, or accepts one that holds the value already, or skips a
// preserved one; ends the script with 18 otherwise.
void program_trim_location(std::uint16_t address, std::uint8_t value, std::string_view name);

}  // namespace vx::programmer

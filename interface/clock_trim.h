#pragma once

#include <cstdint>

// Trim values measured by the interface itself (firmware 4.08 and later): the
// host sends timing constants and the trim register's address, the interface
// steps the register and answers the value that brings the target's clock
// nearest the reference.
namespace vx {

// The engine's trim settings applied to a device's reference (Hz); a custom reference outside
// its limits ends the script with 43.
void adjust_trim_reference(std::int32_t& reference);
// An 8-bit trim register; the value found is written to it. True when the interface found it
// within its tolerance.
bool interface_trim_measure(std::uint16_t trim_address, std::int32_t reference, std::uint8_t& trim);
// An 8-bit trim register and a fine-trim bit in a control register; result = trim x 2 + fine
// bit. True when the clock ends within 2 % of the reference.
bool measure_trim_9bit(std::uint16_t trim_address, std::uint16_t control_address, std::uint8_t fine_mask,
                       std::int32_t reference, std::uint16_t& result);

}  // namespace vx

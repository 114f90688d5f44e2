#pragma once

#include <cstdint>

// The line-number program of .debug_line into the store's source files and lines.
namespace vx::loaders {

// Section start and end are file offsets; the result is the module's error code.
void ANALYZE_DEBUG_LINE(std::uint32_t section_start, std::uint32_t section_end);
void RESET_STATE_REGISTERS(int unit);

}  // namespace vx::loaders

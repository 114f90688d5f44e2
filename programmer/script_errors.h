#pragma once

#include <cstdint>

#include "foundation/short_text.h"

namespace vx::programmer {

// A bad line of the command file: message + " on line " + n + " of script.('" + text + "')"; result 47.
[[noreturn]] void script_line_error(std::int32_t line_number, const ShortText& message, const ShortText& text);

}  // namespace vx::programmer

#pragma once

#include <span>
#include <string_view>

#include "controls/command_row.h"

namespace vx::controls {

// Table names compare without regard to case, accented letters included.
bool same_table_name(std::string_view a, std::string_view b);

// The built-in rows of the table of that name ("Default", "WordStar" or
// "Grid", in any case); empty for any other name.
std::span<const CommandRow> builtin_rows_named(std::string_view name);

}  // namespace vx::controls

#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// The help rows of the commands and the command list made of them. No window shows the list; it
// follows the offered flags as CM, RE and GO change them.
namespace vx::programmer {

// The help row of command 1-70: fixed texts, the user commands' names, blanks for the rest.
ShortText command_description(std::int32_t number);
// Under each listed category's heading, the rows of its offered commands in number order.
// The list is `command_table().help_list`.
void rebuild_command_list();

}  // namespace vx::programmer

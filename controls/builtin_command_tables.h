#pragma once

#include <span>

#include "controls/command_row.h"

// The rows of the three tables every command processor starts with.
namespace vx::controls {

std::span<const CommandRow> default_command_rows();
std::span<const CommandRow> wordstar_command_rows();
std::span<const CommandRow> grid_command_rows();

}  // namespace vx::controls

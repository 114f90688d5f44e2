#pragma once

#include <array>
#include <cstdint>

#include "programmer/command_table.h"

// Which routine runs each command. A handler takes no arguments: it reads
// its parameters from the command line in hand (next_line_word,
// hex_parameter, required_hex_parameter) and ends the script through
// internal_prog_halt when a step fails. Commands without a handler are
// echoed and passed over.
namespace vx::programmer {

using CommandHandler = void (*)();

struct CommandDispatch {
  // Index 0 is unused.
  std::array<CommandHandler, command_count + 1> handlers{};
};

CommandDispatch& command_dispatch();
// Empties the table and registers every command unit's handlers.
void reset_command_dispatch();
void register_command_handler(std::uint16_t code, CommandHandler handler);
// False when the command has no handler.
bool run_command_handler(std::uint16_t code);

// Each command unit registers its own handlers.
void register_loop_commands();
void register_module_commands();
void register_program_commands();
void register_crc_commands();

}  // namespace vx::programmer

#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// The command loop: reads the command file a line at a time, echoes each
// line, and runs the commands the loaded algorithm enables.
namespace vx::programmer {

struct CommandLoop {
  // The last line read, comment removed once it is a command.
  ShortText current_line;
  // 1-based position of the next parameter character.
  std::size_t line_cursor = 1;
  std::uint16_t command_code = 0;
};

CommandLoop& command_loop();
void reset_command_loop();

// Back to the enables before any CM: at start-up, at every CM and at RE.
void reset_command_tables();
// Reads lines until one holds an enabled command; remarks are echoed on the
// way. Ends the script with 0 at the end of the file, with 33 at a command
// the algorithm does not enable.
void get_next_command();
// The next blank- or tab-separated word of the current line; empty at its end.
ShortText next_line_word();
// The next word read as bare hexadecimal digits ("$" is put in front, so a word with a
// prefix of its own fails). A failure writes the message, or the standard one, and ends
// the script with 39.
std::uint32_t hex_parameter();
std::uint32_t required_hex_parameter(const ShortText& message);
// Runs commands until the script ends (CommandException) or the program terminates.
void usr_pickwindow_response();

}  // namespace vx::programmer

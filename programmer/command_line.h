#pragma once

#include <cstdint>
#include <vector>

#include "foundation/short_text.h"

// The programmer's command line: the command file, the port and interface,
// a log file, the switches and tuning values. The values the interface
// layer reads (/NCL08, the delays) go into its connection_settings().
namespace vx::programmer {

struct CommandLine {
  // The words after the program's name.
  std::vector<ShortText> parameters;

  std::uint16_t selected_port = 1;
  bool hide_main_window = false;
  bool skip_srecord_range_check = false;
  bool sort_flag = true;
  bool scan_ethernet_discovery = true;
  bool user_lpt_address_set = false;
  std::uint32_t user_lpt_address = 0;
  bool fixed_bus_frequency_set = false;
  std::int32_t fixed_bus_frequency = 0;
};

CommandLine& command_line();
void reset_command_line(std::vector<ShortText> parameters = {});

// HIDEAPP anywhere hides the main window, unless "?" stands anywhere.
void read_window_switches();
// True when a word names an existing file other than the log file: the run
// has a command file of its own.
bool command_file_named();
// The command-line stage: options, the command file and its ":" lines, the
// port. Every failure ends the script through internal_prog_halt.
void parse_command_line();

}  // namespace vx::programmer

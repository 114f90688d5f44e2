#include "programmer/command_loop.h"

#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "interface/target_connection.h"
#include "interface/target_read_cache.h"
#include "programmer/command_dispatch.h"
#include "programmer/command_help_list.h"
#include "programmer/command_table.h"
#include "programmer/module_state.h"
#include "programmer/object_image_load.h"
#include "programmer/programmer_run.h"

namespace vx::programmer {
namespace {

constexpr char command_colour_mark = '\x01';

CommandLoop loop;

bool word_separator(char c) { return c == ' ' || c == '\t'; }

void at_end_of_script() {
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG("");
  WRITELN_TO_DEBUG(" All programming steps completed.");
  internal_prog_halt(0);
}

// The command with this mnemonic; 0 when none has it.
std::uint16_t find_command(const ShortText& word) {
  const CommandTable& table = command_table();
  for (std::uint16_t n = 1; n <= command_count; ++n) {
    if (table.entries[n].mnemonic == word) return n;
  }
  return 0;
}

void help_command() {
  WRITELN_TO_DEBUG("");
  WRITE_TO_DEBUG("Look at file cquill.doc for program information.");
}

void quit_command() {
  run_state().quit_requested = true;
  internal_prog_halt(0);
}

}  // namespace

void register_loop_commands() {
  register_command_handler(command::HE, help_command);
  register_command_handler(command::QU, quit_command);
}

CommandLoop& command_loop() { return loop; }

void reset_command_loop() { loop = CommandLoop{}; }

void reset_command_tables() {
  restore_default_commands();
  rebuild_command_list();
  ProgrammerRun& run = programmer_run();
  module_state().entries[entry::module_enable] = 0;
  module_state().user_command_total = 0;
  run.en_flag = false;
  run.blank_check_passed = false;
  run.algorithm_loaded = false;
}

ShortText next_line_word() {
  const ShortText& line = loop.current_line;
  std::size_t position = loop.line_cursor - 1;
  while (position < line.size() && word_separator(line[position])) ++position;
  const std::size_t start = position;
  while (position < line.size() && !word_separator(line[position])) ++position;
  loop.line_cursor = position + 1;
  return line.substr(start, position - start);
}

std::uint32_t required_hex_parameter(const ShortText& message) {
  const ShortText word = next_line_word();
  std::int32_t value = 0;
  if (word.empty() || !str_to_long("$" + word, value)) {
    WRITELN_TO_DEBUG(message);
    internal_prog_halt(39);
  }
  return static_cast<std::uint32_t>(value);
}

std::uint32_t hex_parameter() {
  return required_hex_parameter("Error converting hexadecimal command number (Bad command parameter).");
}

void get_next_command() {
  loop.command_code = 0;
  ScriptFile& file = programmer_run().command_file;
  for (;;) {
    loop.line_cursor = 1;
    if (!file.read_line(loop.current_line)) at_end_of_script();
    const ShortText word = upper_case(next_line_word());
    const std::uint16_t code = word.size() == 2 ? find_command(word) : 0;
    if (code != 0) {
      END_DEBUG_LINE();
      WRITE_TO_DEBUG("CMD>" + ShortText(1, command_colour_mark) + loop.current_line);
      const std::size_t comment = loop.current_line.view().find(';');
      if (comment != std::string_view::npos) loop.current_line.truncate(comment);
      if (!command_table().entries[code].enabled) {
        WRITELN_TO_DEBUG("Command is inactive for this .S8P file.");
        internal_prog_halt(33);
      }
      loop.command_code = code;
      return;
    }
    WRITELN_TO_DEBUG("");
    WRITELN_TO_DEBUG("");
    WRITE_TO_DEBUG("REM>" + ShortText(1, command_colour_mark) + loop.current_line);
  }
}

void usr_pickwindow_response() {
  RunState& run = run_state();
  for (;;) {
    get_next_command();
    if (run.program_ending) return;
    run.command_running = true;
    forget_command_object_image();
    run_command_handler(loop.command_code);
    // The next command reads target memory afresh.
    target_read_cache().valid = false;
    run.command_running = false;
    run.abort_flag = false;
    // GO leaves the target running.
    if (loop.command_code != command::GO && !check_target_after_command()) {
      WRITELN_TO_DEBUG("Error communicating to target processor - try a RESET.");
    }
  }
}

}  // namespace vx::programmer

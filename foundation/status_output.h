#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>

#include "foundation/log_file.h"
#include "foundation/short_text.h"
#include "foundation/status_view.h"

namespace vx {

// Everything the programmer tells its user: the status window's lines and,
// while recording, the log file.
struct StatusOutput {
  static constexpr std::size_t max_lines = 2000;

  // Quiet while a byte or word programming command writes its blocks.
  bool output_suppressed = false;
  // Set for good once the status window is being destroyed.
  bool window_destroyed = false;
  bool line_open = false;
  // Guards the two writers re-entering each other, so the log gets each text once.
  bool in_output = false;
  std::deque<std::string> lines;
  std::uint32_t current_location = 0;
  LogFile log_file;
  bool spinner_running = false;
  std::uint8_t spinner_index = 0;

  // The status window's output list; none while no status window exists.
  StatusListView* view = nullptr;
  // The status window's command box key handler.
  std::function<void(char& key)> command_key_press;
};

StatusOutput& status_output();
void reset_status_output();

void WRITELN_TO_DEBUG(const ShortText& text);
void WRITE_TO_DEBUG(const ShortText& text);
void END_DEBUG_LINE();
void DEBUG_BEEP();
void STATUS_KEY_PRESS(char& key);
// At exit: a line left open still reaches the headless output.
void finish_open_status_line();

void twiddle_start();
void twiddle_tick();
void twiddle_stop();

}  // namespace vx

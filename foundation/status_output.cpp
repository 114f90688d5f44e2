#include "foundation/status_output.h"

#include <algorithm>
#include <cstdio>

#include "foundation/program_trace.h"
#include "foundation/run_state.h"
#include "platform/ws/shell.h"

namespace vx {
namespace {

constexpr char backspace = 8;
constexpr char bell = 7;
constexpr std::string_view log_failure_text = "Error in Logfile - Closing";

StatusOutput output;

bool output_possible() {
  const RunState& run = run_state();
  return !output.output_suppressed && !output.window_destroyed && output.view != nullptr && !run.program_ending &&
         run.gui_status != nullptr;
}

bool recording() { return run_state().gui_status != nullptr && run_state().gui_status->log_recording(); }

std::string without_markers(std::string_view text) {
  std::string copy(text);
  std::erase_if(copy, [](char c) { return c >= 1 && c <= 3; });
  return copy;
}

// Before the status window exists a failing start-up must still be seen: its lines go to stderr.
bool before_status_window() {
  const RunState& run = run_state();
  return output.view == nullptr && !output.window_destroyed && !output.output_suppressed && !run.program_ending &&
         run.gui_status != nullptr;
}

void write_before_status_window(const ShortText& text, bool end_line) {
  std::string line = without_markers(text);
  if (end_line) line += '\n';
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

// Each backspace takes the character before it; a leading one goes alone.
std::string with_backspaces_applied(std::string_view text) {
  std::string result;
  for (char c : text) {
    if (c != backspace) {
      result += c;
    } else if (!result.empty()) {
      result.pop_back();
    }
  }
  return result;
}

// Recording stops, the window says why once, and the script goes on.
void close_failed_log(bool end_line_after_message) {
  run_state().gui_status->set_log_recording(false);
  output.in_output = false;
  END_DEBUG_LINE();
  WRITELN_TO_DEBUG(log_failure_text);
  if (end_line_after_message) END_DEBUG_LINE();
  output.log_file.close();
}

// Keeps in_output and the view's update counter balanced, whatever a view throws.
class OutputScope {
 public:
  explicit OutputScope(bool with_update) : with_update_(with_update) {
    output.in_output = true;
    if (with_update_) output.view->begin_update();
  }
  ~OutputScope() {
    if (with_update_ && output.view != nullptr) {
      try {
        output.view->end_update();
        output.view->repaint_now();
      } catch (...) {
      }
    }
    output.in_output = false;
  }
  OutputScope(const OutputScope&) = delete;
  OutputScope& operator=(const OutputScope&) = delete;

 private:
  bool with_update_;
};

void append_new_line(std::string_view text) {
  std::string line = with_backspaces_applied(text);
  std::erase(line, bell);
  output.lines.push_back(std::move(line));
  if (output.lines.size() > StatusOutput::max_lines) output.lines.pop_front();

  StatusListView& view = *output.view;
  const auto count = static_cast<std::int32_t>(output.lines.size());
  if (count != view.item_count()) view.set_num_items(count);
  if (view.top_index() != view.item_count() - 1) view.set_top_index(view.item_count() - 1);
  if (view.item_count() != 0) view.redraw_item(view.item_count() - 1);
  if (view.item_index() != -1) view.set_item_index(-1);
}

void extend_open_line(std::string_view text) {
  if (!output.lines.empty()) {
    std::string line = with_backspaces_applied(output.lines.back() + std::string(text));
    const auto bells = std::erase(line, bell);
    for (std::size_t i = 0; i < bells; ++i) DEBUG_BEEP();
    output.lines.back() = std::move(line);
  }
  StatusListView& view = *output.view;
  const std::int32_t count = view.item_count();
  if (count != 0) {
    const std::int32_t rows = view.row_height() > 0 ? view.client_height() / view.row_height() : 0;
    if (view.top_index() != count - 1 && rows + view.top_index() - 1 < count - 1) view.set_top_index(count - 1);
    view.redraw_item(count - 1);
  }
  if (view.item_index() != -1) view.set_item_index(-1);
}

}  // namespace

StatusOutput& status_output() { return output; }

void reset_status_output() { output = StatusOutput{}; }

void WRITELN_TO_DEBUG(const ShortText& text) {
  if (trace_active()) trace_line("WRITELN_TO_DEBUG: " + text);
  if (before_status_window()) write_before_status_window(text, true);
  if (!output_possible()) return;
  if (recording() && !output.in_output && !output.log_file.write_line(without_markers(text))) close_failed_log(false);
  if (!output_possible()) return;

  // Called from WRITE_TO_DEBUG, this line is only the start of an open one.
  const bool starts_open_line = output.in_output;
  {
    OutputScope scope(true);
    if (output.line_open) {
      WRITE_TO_DEBUG(text);
      output.line_open = false;
    } else {
      append_new_line(text);
    }
  }
  if (!starts_open_line && output.view != nullptr && !output.lines.empty()) {
    output.view->line_finished(output.lines.back());
  }
}

void WRITE_TO_DEBUG(const ShortText& text) {
  if (trace_active()) trace_line("WRITE_TO_DEBUG: " + text);
  if (before_status_window()) write_before_status_window(text, false);
  if (!output_possible()) return;
  if (recording() && !output.in_output) {
    const std::string copy = without_markers(text);
    const bool spinner_step = copy.size() == 2 && copy[0] == backspace;
    if (!spinner_step && !output.log_file.write(copy)) close_failed_log(true);
  }
  if (!output_possible()) return;

  OutputScope scope(false);
  if (!output.line_open) {
    WRITELN_TO_DEBUG(text);
    output.line_open = true;
  } else {
    extend_open_line(text);
  }
}

void END_DEBUG_LINE() {
  if (output.line_open) WRITELN_TO_DEBUG("");
}

void DEBUG_BEEP() { ws::beep(); }

void STATUS_KEY_PRESS(char& key) {
  if (output.view != nullptr && !output.window_destroyed && !run_state().program_ending && output.command_key_press) {
    output.command_key_press(key);
    key = 0;
  } else {
    DEBUG_BEEP();
  }
}

void finish_open_status_line() {
  if (output.line_open && output.view != nullptr && !output.lines.empty()) {
    output.view->line_finished(output.lines.back());
  }
  output.line_open = false;
}

}  // namespace vx

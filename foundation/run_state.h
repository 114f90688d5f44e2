#pragma once

#include <cstdint>
#include <memory>

#include "foundation/short_text.h"

namespace vx {

struct Rgb {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

// What the run control shows in the programmer's windows; the main and
// status windows implement it (a headless view writes to stderr).
class RunControlView {
 public:
  virtual ~RunControlView() = default;
  // The status window's result panel.
  virtual void show_result_panel(const ShortText& text, Rgb colour) = 0;
  // The main window's cancel button becomes its active control.
  virtual void activate_cancel_button() = 0;
  // The cancel button turns into an OK button captioned "Quit"; the main window takes the focus.
  virtual void turn_cancel_into_quit() = 0;
  // Record/stop buttons and open/close menu items follow the recording state.
  virtual void show_log_recording(bool recording) = 0;
};

// The application status object; while log recording is on, status output goes to the log too.
class Tgui_status {
 public:
  bool log_recording() const { return log_recording_; }
  void set_log_recording(bool on);

 private:
  bool log_recording_ = false;
};

// Program-wide state of one script run.
struct RunState {
  bool abort_flag = false;
  std::uint8_t last_key = 0;
  bool command_running = false;
  std::int32_t last_script_result = 0;
  // What the process exits with.
  std::int32_t exit_code = 0;
  bool never_exit = false;            // "?"
  bool exit_only_on_success = false;  // "!"
  bool quit_requested = false;
  // The script reached its end, with success or failure.
  bool script_finished = false;
  bool program_ending = false;
  bool hide_application = false;
  std::uint32_t address_limit = 0xFFFFF;
  std::uint8_t address_digit_count = 5;
  ShortText default_directory;
  ShortText program_directory;
  bool path_checks_on = true;
  ShortText desktop_file_name = "CQUILLHCS08.DSK";
  std::unique_ptr<Tgui_status> gui_status;
  RunControlView* view = nullptr;
};

RunState& run_state();
void reset_run_state();

}  // namespace vx

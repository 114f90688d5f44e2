#include "foundation/run_control.h"

#include <unistd.h>

#include "foundation/command_exception.h"
#include "foundation/file_checks.h"
#include "foundation/kstring.h"
#include "foundation/microsecond_timer.h"
#include "foundation/program_trace.h"
#include "foundation/status_output.h"
#include "foundation/system_helpers.h"
#include "platform/ws/application.h"

namespace vx {
namespace {

constexpr Rgb maroon{128, 0, 0};
constexpr Rgb navy{0, 0, 128};

void trace_if_active(const ShortText& text) {
  if (trace_active()) trace_line(text);
}

// A headless run with nobody at a terminal cannot press "Quit".
bool someone_can_answer() { return !ws::headless() || isatty(STDIN_FILENO) == 1; }

void process_pending_messages() {
  trace_if_active("About to call application.processmessages");
  ws::process_messages();
  trace_if_active("Done calling application.processmessages");
}

}  // namespace

void set_script_defaults() {
  RunState& run = run_state();
  run.address_limit = 0xFFFFF;
  run.default_directory = run.program_directory;
}

void init_application_state() {
  RunState& run = run_state();
  set_script_defaults();
  run.gui_status = std::make_unique<Tgui_status>();
  const std::uint32_t limit = run.address_limit;
  run.address_digit_count = limit <= 0xFFFF ? 4 : limit <= 0xFFFFF ? 5 : limit <= 0xFFFFFF ? 6 : limit <= 0xFFFFFFF ? 7 : 8;
}

void start_run_control() {
  RunState& run = run_state();
  run.quit_requested = false;
  run.hide_application = false;
  ShortText program;
  GET_EXE_PATH(program);
  run.program_directory = path_part(program);
  init_application_state();
  run.command_running = false;
  run.abort_flag = false;
  run.gui_status->set_log_recording(false);
  run.desktop_file_name = "CQUILLHCS08.DSK";
  check_program_directory();
}

void internal_prog_halt(std::int32_t code) {
  RunState& run = run_state();
  run.abort_flag = true;
  trace_if_active("internal_prog_halt(" + long_to_str(code) + ")");
  // A halt inside quiet block programming must still say why the script ended.
  status_output().output_suppressed = false;
  twiddle_stop();
  run.last_script_result = code;
  run.script_finished = true;
  if (code != 0) {
    const ShortText text = "ERROR " + long_to_str(code) + " during script!";
    if (run.view != nullptr) {
      run.view->show_result_panel(text, maroon);
      run.view->activate_cancel_button();
    }
    DEBUG_BEEP();
    END_DEBUG_LINE();
    WRITELN_TO_DEBUG(text);
  } else {
    if (run.view != nullptr) run.view->show_result_panel("SUCCESS - All programming steps completed.", navy);
    if (run.quit_requested) exit_application();
  }
  const bool stay_open = run.never_exit || (run.exit_only_on_success && code != 0);
  if (stay_open && someone_can_answer()) {
    if (run.view != nullptr) run.view->turn_cancel_into_quit();
    throw CommandException(CommandException::halting_script);
  }
  terminate_program(code);
}

void terminate_program(std::int32_t code) {
  run_state().exit_code = code;
  trace_if_active("terminate_program(" + long_to_str(code) + ")");
  exit_application();
}

void exit_application() {
  trace_if_active("terminate_program");
  RunState& run = run_state();
  run.program_ending = true;
  run.abort_flag = true;
  if (!ws::terminated()) ws::terminate();
  throw CommandException(CommandException::exiting_application);
}

bool check_abort() {
  process_pending_messages();
  if (ws::terminated()) exit_application();
  return run_state().abort_flag;
}

std::uint16_t poll_abort_key() {
  process_pending_messages();
  RunState& run = run_state();
  const std::uint16_t key = run.abort_flag ? static_cast<std::uint16_t>(256 + run.last_key) : 32;
  run.abort_flag = false;
  return key;
}

void delay_milliseconds(std::int32_t milliseconds) {
  if (milliseconds != 0) delay_microseconds(static_cast<std::int64_t>(milliseconds) * 1000);
}

}  // namespace vx

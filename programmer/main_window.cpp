#include "programmer/main_window.h"

#include <algorithm>

#include "foundation/command_exception.h"
#include "foundation/run_control.h"
#include "foundation/run_state.h"
#include "foundation/settings_file.h"
#include "foundation/status_output.h"
#include "platform/ws/application.h"
#include "platform/ws/shell.h"
#include "programmer/command_line.h"
#include "programmer/command_loop.h"
#include "programmer/default_desktop.h"
#include "programmer/firmware_update_start.h"
#include "programmer/program_windows.h"
#include "programmer/programmer_run.h"
#include "programmer/single_instance.h"

namespace vx::programmer {
namespace {

constexpr std::uint8_t escape_key = 27;
// The script ended by an error of the program itself rather than of a step.
constexpr std::int32_t unexpected_error_result = 62;

bool bring_to_front_on_instance_message(ws::Message& message) {
  if (message.id == 0 || message.id != single_instance().messages.instance) return false;
  ws::restore_application();
  if (TMainWin1* main = program_windows().MainWin1.get()) {
    main->set_focus();
    ws::bring_to_foreground(*main);
  }
  return true;
}

// An unattended run must never hang or report success after an error of the program.
void end_script_after_unexpected_error(const std::exception& error) {
  END_DEBUG_LINE();
  WRITELN_TO_DEBUG(ShortText("WARNING!!!! = ") + error.what());
  try {
    internal_prog_halt(unexpected_error_result);
  } catch (const CommandException&) {
  }
}

}  // namespace

TMainWin1::TMainWin1()
    : panel2_(std::make_unique<ws::Panel>(this)),
      cancel_(std::make_unique<ws::Button>(panel2_.get())),
      client_area_(std::make_unique<ws::Window>(this)),
      timer1_(command_timer_ms, false),
      timer2_(twiddle_timer_ms, true) {
  hide();
  key_preview = true;
  panel2_->set_align(ws::Align::top);
  panel2_->hide();
  client_area_->set_align(ws::Align::client);
  cancel_->set_kind(ws::ButtonKind::abort);
  // Clear of the panel's bevel.
  cancel_->set_bounds(8, 8, cancel_->width(), cancel_->height());
  cancel_->on_click = [this](ws::Window&) { CquillCancelBtnClick(); };
  on_key_press = [this](ws::Window&, char& key) { FormKeyPress(key); };
  on_close = [this](ws::Form&, ws::CloseAction& action) { FormClose(action); };
  timer1_.on_timer = [this](ws::Timer&) { Timer1Timer(); };
  timer2_.on_timer = [this](ws::Timer&) { Timer2Timer(); };
}

void TMainWin1::FormCreate() {
  menu = nullptr;
  ws::set_application_title("CQUILLHCS08 Programmer");
  ws::set_message_hook(bring_to_front_on_instance_message);
  RunState& run = run_state();
  install_default_desktop(run.desktop_file_name);

  set_bounds(0, 0, width(), height());
  WindowLayout layout;
  layout.width = width();
  layout.height = height();
  layout.state = static_cast<std::int32_t>(window_state());
  layout.visible = visible();
  LOAD_WINDOW_LAYOUT(run.desktop_file_name, "MAINWIN", layout, false);
  set_window_state(static_cast<ws::WindowState>(std::clamp(layout.state, 0, 2)));
  set_bounds(layout.left, layout.top, layout.width, layout.height);
  if (!command_line().hide_main_window) show();
  set_caption("9S08JM60 Programmer");
  panel2_->show();
}

void TMainWin1::FormKeyPress(char& key) { STATUS_KEY_PRESS(key); }

void TMainWin1::FormClose(ws::CloseAction& action) {
  if (closing_ || hold_close_during_update()) {
    action = ws::CloseAction::none;
    return;
  }
  closing_ = true;
  RunState& run = run_state();
  // Closing in the middle of a script cancels it, as the cancel button does.
  if (programmer_run().script_running) {
    run.abort_flag = true;
    run.last_key = escape_key;
    run.last_script_result = 1;
  }
  terminate_program(run.last_script_result);
}

void TMainWin1::CquillCancelBtnClick() {
  RunState& run = run_state();
  if (cancel_->kind() == ws::ButtonKind::abort) {
    run.abort_flag = true;
    run.last_key = escape_key;
    turn_cancel_into_quit();
    run.last_script_result = 1;
    return;
  }
  terminate_program(run.last_script_result);
}

void TMainWin1::turn_cancel_into_quit() {
  cancel_->set_kind(ws::ButtonKind::ok);
  cancel_->set_caption("Quit");
  set_focus();
  activate_cancel_button();
}

void TMainWin1::activate_cancel_button() { set_active_control(cancel_.get()); }

void TMainWin1::Timer1Timer() {
  timer1_.set_enabled(false);
  RunState& run = run_state();
  if (run.program_ending) return;
  ProgrammerRun& programmer = programmer_run();
  programmer.script_running = true;
  try {
    ws::process_messages();
    if (!run.program_ending) usr_pickwindow_response();
  } catch (const CommandException&) {
  } catch (const std::exception& error) {
    end_script_after_unexpected_error(error);
  }
  run.command_running = false;
  programmer.script_running = false;
}

void TMainWin1::Timer2Timer() { twiddle_tick(); }

void enable_command_timer() {
  if (TMainWin1* main = program_windows().MainWin1.get()) main->Timer1().set_enabled(true);
}

}  // namespace vx::programmer

#include "programmer/main_block.h"

#include <cstdio>

#include "controls/intl_support.h"
#include "foundation/command_exception.h"
#include "foundation/exit_code.h"
#include "foundation/kstring.h"
#include "foundation/loader_trace.h"
#include "foundation/program_units.h"
#include "foundation/program_trace.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "fwupdate/update_progress_form.h"
#include "interface/port_table.h"
#include "interface/power_dialog_form.h"
#include "interface/target_connection.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"
#include "programmer/algorithm_source_window.h"
#include "programmer/command_line.h"
#include "programmer/connection_manager.h"
#include "programmer/ethernet_address_window.h"
#include "programmer/lpt_address_window.h"
#include "programmer/main_window.h"
#include "programmer/program_windows.h"
#include "programmer/programmer_units.h"
#include "programmer/run_view.h"
#include "programmer/single_instance.h"
#include "programmer/status_window.h"
#include "programmer/trim_center_frequency_window.h"
#include "programmer/window_colors.h"

namespace vx::programmer {
namespace {

// A later copy given a command file did not run it; its caller must not read success.
constexpr int command_file_not_run = 94;

bool terminating() { return run_state().program_ending; }

void close_main_window() {
  if (TMainWin1* main = program_windows().MainWin1.get()) {
    ws::post_message(main->handle(), ws::msg::close);
  } else {
    ws::terminate();
  }
}

// A window whose creation ends the program leaves the start-up going on to the message loop.
template <typename Create>
void create_window(Create create) {
  try {
    create();
  } catch (const CommandException&) {
  }
}

void create_windows() {
  ProgramWindows& windows = program_windows();
  create_window([&] {
    windows.MainWin1 = std::make_unique<TMainWin1>();
    ws::set_main_form(windows.MainWin1.get());
    windows.MainWin1->FormCreate();
  });
  windows.ChangeColor1 = std::make_unique<TChangeColor1>();
  windows.Algorithm_Source_window = std::make_unique<TAlgorithm_Source_window>();
  windows.TrimCenterFrequencyForm = std::make_unique<TTrimCenterFrequencyForm>();
  windows.IPForm1 = std::make_unique<TIPForm1>();
  if (!terminating()) {
    create_window([&] {
      windows.status1 = std::make_unique<Tstatus1>();
      windows.status1->FormCreate();
    });
  }
  if (!terminating()) windows.lptaddrform = std::make_unique<Tlptaddrform>();
  if (!terminating()) windows.connectiondialog2 = std::make_unique<Tconnectiondialog2>();
  if (!terminating()) {
    // Shown by each update; it installs itself as the engine's view.
    windows.askupdate_bdmquorvex1 = std::make_unique<fwupdate::Taskupdate_bdmquorvex1>();
    windows.askupdate_bdmquorvex1->hide();
  }
  windows.bdcpowerdialogform = std::make_unique<Tbdcpowerdialogform>();
  // Shown only when the target connection asks for the power to be switched.
  windows.bdcpowerdialogform->hide();
  target_connection().power_dialog = windows.bdcpowerdialogform.get();
}

void run_command_line_stage() {
  try {
    if (!terminating()) parse_command_line();
    if (!terminating()) enable_command_timer();
  } catch (const CommandException&) {
    run_state().program_ending = true;
  }
}

void run_message_loop() {
  try {
    if (!ws::terminated()) ws::run();
  } catch (const CommandException&) {
  }
}

}  // namespace

int programmer_main_block(std::vector<ShortText> parameters) {
  init_decimal_separator();
  start_run_control();
  reset_command_line(std::move(parameters));

  register_programmer_messages();
  if (probe_running_instance()) {
    signal_first_copy();
    if (!command_file_named()) return 0;
    std::fprintf(stderr, "CQUILLHCS08 Programmer is already running; the command file was not run.\n");
    return command_file_not_run;
  }
  listen_for_later_copies();

  run_state().program_ending = false;
  read_window_switches();
  if (command_line().hide_main_window) ws::set_headless(true);
  ProgrammerRunView view;
  run_state().view = &view;
  if (ws::headless()) install_headless_signals(close_main_window);
  start_units(programmer_units());

  // The controls read the regional settings through this object.
  controls::create_intl_support();
  create_windows();
  run_command_line_stage();
  if (!terminating() && command_line().hide_main_window) ws::set_show_main_form(false);
  run_message_loop();

  finish_open_status_line();
  destroy_program_windows();
  controls::free_intl_support();
  close_all_ports();
  finish_units(programmer_units());
  settle_signal_ending();
  remove_headless_signals();
  run_state().view = nullptr;
  trace_finish();
  debugtext_finish();
  return process_exit_code(run_state().exit_code);
}

}  // namespace vx::programmer

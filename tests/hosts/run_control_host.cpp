// A minimal headless program around the run control, for tests that need a
// real process: its exit code, its output and its signals.
//   run_control_host halt CODE [!|?]   ends the script with CODE
//   run_control_host poll              polls for an abort key while a command runs
//   run_control_host log FILE          writes two status lines into a log on FILE
#include <cstdio>
#include <cstdlib>
#include <string>

#include "foundation/command_exception.h"
#include "foundation/exit_code.h"
#include "foundation/headless_run_view.h"
#include "foundation/headless_status_sink.h"
#include "foundation/kstring.h"
#include "foundation/run_control.h"
#include "foundation/status_output.h"
#include "platform/clock.h"
#include "platform/ws/application.h"

namespace {

constexpr std::uint64_t poll_deadline_us = 10'000'000;

void run_script(const std::string& action, const char* argument) {
  vx::RunState& run = vx::run_state();
  if (action == "halt") vx::internal_prog_halt(std::atoi(argument));
  if (action == "poll") {
    run.command_running = true;
    std::printf("polling\n");
    std::fflush(stdout);
    vx::platform::Clock& clock = vx::platform::clock();
    const std::uint64_t start = clock.monotonic_microseconds();
    while (clock.monotonic_microseconds() - start < poll_deadline_us) {
      const std::uint16_t key = vx::poll_abort_key();
      if (key != 32) {
        vx::WRITELN_TO_DEBUG("key " + vx::long_to_str(key));
        vx::internal_prog_halt(0);
      }
      clock.sleep_microseconds(1000);
    }
    vx::internal_prog_halt(99);
  }
  if (action == "log") {
    if (vx::status_output().log_file.create(argument)) run.gui_status->set_log_recording(true);
    vx::WRITE_TO_DEBUG("first");
    vx::WRITELN_TO_DEBUG(" line");
    vx::WRITELN_TO_DEBUG("second line");
    vx::internal_prog_halt(0);
  }
  vx::internal_prog_halt(1);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  vx::start_run_control();
  vx::HeadlessStatusSink sink;
  vx::status_output().view = &sink;
  vx::HeadlessRunView view;
  vx::run_state().view = &view;
  vx::install_headless_signals([] { vx::terminate_program(vx::run_state().last_script_result); });

  const std::string action = argv[1];
  const char* argument = argc > 2 ? argv[2] : "";
  for (int i = 3; i < argc; ++i) {
    if (argv[i][0] == '!') vx::run_state().exit_only_on_success = true;
    if (argv[i][0] == '?') vx::run_state().never_exit = true;
  }
  try {
    run_script(action, argument);
  } catch (const vx::CommandException&) {
  }
  try {
    if (!vx::ws::terminated()) vx::ws::run();
  } catch (const vx::CommandException&) {
  }
  vx::finish_open_status_line();
  vx::remove_headless_signals();
  return vx::process_exit_code(vx::run_state().exit_code);
}

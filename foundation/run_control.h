#pragma once

#include <cstdint>
#include <functional>

#include "foundation/run_state.h"

// How a script ends and how the program ends. Both unwind the caller with
// CommandException; the exit code is run_state().exit_code.
namespace vx {

// Start-up defaults: the program's directory, the status object, the path checks.
void start_run_control();
void set_script_defaults();
void init_application_state();

// Ends the script with a result code; never returns.
[[noreturn]] void internal_prog_halt(std::int32_t code);
// Ends the program with the code as its exit code; never returns.
[[noreturn]] void terminate_program(std::int32_t code);
// Ends the program with the exit code already set; never returns.
[[noreturn]] void exit_application();

// Handles pending window messages, then reports the abort flag.
bool check_abort();
// Handles pending window messages; 256 + the last key when aborted (Esc: 283), else 32.
std::uint16_t poll_abort_key();
void delay_milliseconds(std::int32_t milliseconds);

// Without a display nobody can press a key: SIGINT is Esc while a command
// runs and closes the main window otherwise; SIGTERM closes the main window.
// A run that does not end within a second of the signal (a long load pumps no
// messages) ends with 1 then, and at once on a second signal.
void install_headless_signals(std::function<void()> close_main_window);
void remove_headless_signals();
// While one is alive, that second waits: work that must not be cut off halfway (an interface
// rewriting its own firmware) finishes first. A second signal still ends the run at once.
class SignalEndingHold {
 public:
  SignalEndingHold();
  ~SignalEndingHold();
  SignalEndingHold(const SignalEndingHold&) = delete;
  SignalEndingHold& operator=(const SignalEndingHold&) = delete;
};
// After a signal that came before the script completed, the run exits with the
// cancel result (or the failure the script ended with) and says so on stderr.
void settle_signal_ending();

}  // namespace vx

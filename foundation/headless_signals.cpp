#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

#include "foundation/run_control.h"
#include "platform/ws/application.h"

namespace vx {
namespace {

constexpr std::uint8_t escape_key = 27;

// The handler only writes the signal's number into a pipe; the message loop
// reads it on the main thread, where the run state may be touched.
struct HeadlessSignals {
  int read_end = -1;
  std::function<void()> close_main_window;
  struct sigaction previous_interrupt {};
  struct sigaction previous_terminate {};
};

constexpr int cancel_result = 1;
constexpr char ended_by_signal[] = "CQUILLHCS08: ended by a signal before the script completed.\n";

HeadlessSignals signals_state;
std::atomic<int> signal_write_end{-1};
std::atomic<int> signals_received{0};
std::atomic<int> ending_holds{0};

[[noreturn]] void end_now() {
  if (write(STDERR_FILENO, ended_by_signal, sizeof ended_by_signal - 1) < 0) {
    // Nothing is left to tell it to.
  }
  _exit(cancel_result);
}

void on_alarm(int) {
  if (ending_holds.load() > 0) {
    alarm(1);
    return;
  }
  end_now();
}

void on_signal(int number) {
  const int saved_errno = errno;
  if (signals_received.fetch_add(1) > 0) end_now();
  const int fd = signal_write_end.load();
  const auto byte = static_cast<unsigned char>(number);
  if (fd >= 0 && write(fd, &byte, 1) < 0) {
    // A full pipe already holds a signal that will be acted on.
  }
  // The message loop may not run for a while (a load, a blocked read): the run ends anyway.
  alarm(1);
  errno = saved_errno;
}

void act_on_signals() {
  unsigned char number = 0;
  while (read(signals_state.read_end, &number, 1) == 1) {
    RunState& run = run_state();
    if (number == SIGINT && run.command_running) {
      run.last_key = escape_key;
      run.abort_flag = true;
    } else if (signals_state.close_main_window) {
      signals_state.close_main_window();
    }
  }
}

}  // namespace

void install_headless_signals(std::function<void()> close_main_window) {
  remove_headless_signals();
  signals_received.store(0);
  int ends[2];
  if (pipe2(ends, O_NONBLOCK | O_CLOEXEC) != 0) return;
  signals_state.read_end = ends[0];
  signal_write_end.store(ends[1]);
  signals_state.close_main_window = std::move(close_main_window);
  ws::watch_descriptor(signals_state.read_end, act_on_signals);

  struct sigaction action {};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &signals_state.previous_interrupt);
  sigaction(SIGTERM, &action, &signals_state.previous_terminate);
  struct sigaction alarm_action {};
  alarm_action.sa_handler = on_alarm;
  sigemptyset(&alarm_action.sa_mask);
  sigaction(SIGALRM, &alarm_action, nullptr);
}

void settle_signal_ending() {
  RunState& run = run_state();
  if (signals_received.load() == 0 || (run.script_finished && run.exit_code == 0)) return;
  if (run.exit_code == 0) run.exit_code = cancel_result;
  std::fputs(ended_by_signal, stderr);
}

SignalEndingHold::SignalEndingHold() { ending_holds.fetch_add(1); }
// The run gets its second from the end of the held work, as if the signal came then.
SignalEndingHold::~SignalEndingHold() {
  if (ending_holds.fetch_sub(1) == 1 && signals_received.load() > 0) alarm(1);
}

void remove_headless_signals() {
  if (signals_state.read_end < 0) return;
  alarm(0);
  signal(SIGALRM, SIG_DFL);
  sigaction(SIGINT, &signals_state.previous_interrupt, nullptr);
  sigaction(SIGTERM, &signals_state.previous_terminate, nullptr);
  ws::unwatch_descriptor(signals_state.read_end);
  close(signal_write_end.exchange(-1));
  close(signals_state.read_end);
  signals_state = HeadlessSignals{};
}

}  // namespace vx

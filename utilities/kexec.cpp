#include "utilities/kexec.h"

#include <optional>

#include "platform/process.h"
#include "platform/ws/application.h"

namespace vx::utilities {
namespace {

// Between two looks at a waited-for program: short enough for the window to
// stay responsive, long enough not to spin.
constexpr std::uint64_t look_interval_us = 10'000;
constexpr std::uint64_t short_look_interval_us = 100'000;

KexecState& state() {
  static KexecState instance;
  return instance;
}

std::uint16_t low_word(std::uint32_t value) { return static_cast<std::uint16_t>(value & 0xFFFF); }

std::optional<platform::Process> start(const CommandLine& command, int& error) {
  return platform::Process::start(command.program, platform::split_parameters(command.parameters), error);
}

// Hands a program left running to the message loop, which collects its end.
void leave_running(platform::Process& process) {
  const int descriptor = process.release();
  if (descriptor < 0) return;
  ws::watch_descriptor(descriptor, [descriptor] {
    if (!platform::collect_released(descriptor)) return;
    ws::unwatch_descriptor(descriptor);
  });
}

std::uint16_t wait_for_end(const CommandLine& command, bool handle_messages, std::uint64_t interval_us) {
  int error = 0;
  std::optional<platform::Process> process = start(command, error);
  if (!process) return low_word(static_cast<std::uint32_t>(error));
  for (;;) {
    if (handle_messages) ws::process_messages();
    const std::optional<platform::ExitCode> code = process->poll(error);
    if (code) return low_word(*code);
    if (error != 0) return low_word(static_cast<std::uint32_t>(error));
    if (ws::terminated()) {
      leave_running(*process);
      return still_active;
    }
    process->wait_until_changed(interval_us);
  }
}

std::uint16_t start_and_leave(const CommandLine& command) {
  int error = 0;
  std::optional<platform::Process> process = start(command, error);
  if (!process) return low_word(static_cast<std::uint32_t>(error));
  leave_running(*process);
  return 0;
}

bool fits_short(const CommandLine& command) {
  return command.program.size() + 1 + command.parameters.size() <= ShortText::max_length;
}

void finish_front_end(std::uint16_t result) {
  state().exec_result = result;
  if (result != 0) ws::process_messages();
}

}  // namespace

KexecState& kexec_state() { return state(); }
void reset_kexec_state() { state() = KexecState{}; }

std::uint16_t exec_and_wait(const CommandLine& command) { return wait_for_end(command, true, look_interval_us); }

std::uint16_t exec_no_wait(const CommandLine& command) { return start_and_leave(command); }

std::uint16_t exec_and_wait_short(const CommandLine& command) {
  if (!fits_short(command)) return command_line_too_long;
  return wait_for_end(command, false, short_look_interval_us);
}

std::uint16_t exec_no_wait_short(const CommandLine& command) {
  if (!fits_short(command)) return command_line_too_long;
  return start_and_leave(command);
}

void exec_program(const std::string& program, const std::string& parameters, bool wait) {
  const CommandLine command{program, parameters};
  finish_front_end(wait ? exec_and_wait(command) : exec_no_wait(command));
}

void exec_program_short(const ShortText& program, const ShortText& parameters, bool wait) {
  const CommandLine command{program.str(), parameters.str()};
  finish_front_end(wait ? exec_and_wait_short(command) : exec_no_wait_short(command));
}

}  // namespace vx::utilities

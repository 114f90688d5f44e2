#pragma once

#include <cstdint>
#include <string>

#include "foundation/short_text.h"

// Starts another program by its command line, either waiting for its end
// while the window system keeps running, or leaving it to run on its own.
namespace vx::utilities {

// A program, used whole as a path, and its parameters as one text.
struct CommandLine {
  std::string program;
  std::string parameters;
};

// What an exit code of 259 means to the wait: the program still runs.
inline constexpr std::uint16_t still_active = 259;
// A short command line longer than a ShortText holds is not started.
inline constexpr std::uint16_t command_line_too_long = 36;

struct KexecState {
  // The outcome of the last start through the front ends: 0 for a program
  // left running or one that ended with 0, else its exit code or the
  // system's error number, in its low 16 bits.
  std::uint16_t exec_result = 0;
};
KexecState& kexec_state();
void reset_kexec_state();

// Runs the program and waits for its end, handling the window system's
// messages meanwhile; returns its exit code (128 + signal when a signal
// ended it) or the error number of a failed start. When the application
// terminates during the wait, the wait ends with 259 and the program runs on.
std::uint16_t exec_and_wait(const CommandLine& command);
// Starts the program and leaves it; 0, or the error number of a failed start.
std::uint16_t exec_no_wait(const CommandLine& command);
// The same for command lines of at most 255 characters; the waiting one
// sleeps between its looks instead of handling messages.
std::uint16_t exec_and_wait_short(const CommandLine& command);
std::uint16_t exec_no_wait_short(const CommandLine& command);

// The front ends: start program + " " + parameters, waiting or not, and keep
// the outcome in exec_result.
void exec_program(const std::string& program, const std::string& parameters, bool wait);
void exec_program_short(const ShortText& program, const ShortText& parameters, bool wait);

}  // namespace vx::utilities

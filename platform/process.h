#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Programs started as processes of their own, with the caller's environment
// and working directory, and their end as an exit code.
namespace vx::platform {

// What an ended process leaves: its exit code, or 128 + the signal's number
// when a signal ended it.
using ExitCode = std::uint32_t;

// A parameter text split into arguments: blanks and tabs separate, double
// quotes group blanks into one argument and are dropped; "" is an empty argument.
std::vector<std::string> split_parameters(std::string_view parameters);

// One started process. It must be waited for (`wait_until_changed` and
// `poll`) until it has ended, or released, which leaves it to run and has its
// end collected by `collect_released`.
class Process {
 public:
  Process() = default;
  ~Process();
  Process(Process&& other) noexcept;
  Process& operator=(Process&& other) noexcept;
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  // Starts `program` (used whole as the path, blanks and all; without a '/'
  // it is looked up on PATH) with the arguments. Nothing with `error` set to
  // the system's error number when it cannot start: 2 when there is no such
  // program, 13 when it may not be run.
  static std::optional<Process> start(const std::string& program, const std::vector<std::string>& arguments,
                                      int& error);

  int pid() const { return pid_; }
  // The exit code once the process has ended; nothing while it runs. A
  // failed query gives its error number in `error` and ends the process's watch.
  std::optional<ExitCode> poll(int& error);
  // Blocks until the process may have ended, at most `microseconds` (on the installed clock).
  void wait_until_changed(std::uint64_t microseconds) const;
  // Leaves the process to run on and returns a descriptor that becomes
  // readable when it ends; `collect_released` with it then collects the end,
  // so that no zombie stays behind. -1 when there is nothing to collect.
  int release();

 private:
  Process(int pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
  void forget();

  int pid_ = -1;
  int pidfd_ = -1;
  bool ended_ = false;
};

// Collects the end of the released process whose descriptor has become
// readable, and closes the descriptor. Nothing while it still runs.
bool collect_released(int descriptor);

}  // namespace vx::platform

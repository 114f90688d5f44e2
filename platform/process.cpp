#include "platform/process.h"

#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>
#include <mutex>

#include "platform/clock.h"

extern char** environ;

namespace vx::platform {
namespace {

// Released processes by the descriptor that tells their end.
struct ReleasedProcesses {
  std::mutex mutex;
  std::map<int, int> pids;
};

ReleasedProcesses& released() {
  static ReleasedProcesses instance;
  return instance;
}

int open_pidfd(int pid) { return static_cast<int>(syscall(SYS_pidfd_open, pid, 0)); }

ExitCode exit_code_of(int status) {
  if (WIFSIGNALED(status)) return 128 + static_cast<ExitCode>(WTERMSIG(status));
  return static_cast<ExitCode>(WEXITSTATUS(status));
}

}  // namespace

std::vector<std::string> split_parameters(std::string_view parameters) {
  std::vector<std::string> arguments;
  std::string argument;
  bool in_argument = false, quoted = false;
  for (const char c : parameters) {
    if (c == '"') {
      quoted = !quoted;
      in_argument = true;
    } else if ((c == ' ' || c == '\t') && !quoted) {
      if (in_argument) arguments.push_back(std::move(argument));
      argument.clear();
      in_argument = false;
    } else {
      argument += c;
      in_argument = true;
    }
  }
  if (in_argument) arguments.push_back(std::move(argument));
  return arguments;
}

Process::~Process() {
  if (pid_ > 0 && !ended_) release();
  forget();
}

Process::Process(Process&& other) noexcept : pid_(other.pid_), pidfd_(other.pidfd_), ended_(other.ended_) {
  other.pid_ = -1;
  other.pidfd_ = -1;
}

Process& Process::operator=(Process&& other) noexcept {
  if (this != &other) {
    if (pid_ > 0 && !ended_) release();
    forget();
    pid_ = other.pid_;
    pidfd_ = other.pidfd_;
    ended_ = other.ended_;
    other.pid_ = -1;
    other.pidfd_ = -1;
  }
  return *this;
}

void Process::forget() {
  if (pidfd_ >= 0) close(pidfd_);
  pidfd_ = -1;
  pid_ = -1;
}

std::optional<Process> Process::start(const std::string& program, const std::vector<std::string>& arguments,
                                      int& error) {
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  // The program gets the standard streams and none of this program's other descriptors.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclosefrom_np(&actions, 3);
  pid_t pid = -1;
  // posix_spawnp uses a path with a '/' as it stands and reports a failed exec as its result.
  error = posix_spawnp(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (error != 0) return std::nullopt;
  return Process(pid, open_pidfd(pid));
}

std::optional<ExitCode> Process::poll(int& error) {
  error = 0;
  if (pid_ <= 0 || ended_) return std::nullopt;
  int status = 0;
  const pid_t done = waitpid(pid_, &status, WNOHANG);
  if (done == 0) return std::nullopt;
  ended_ = true;
  if (done < 0) {
    error = errno;
    return std::nullopt;
  }
  return exit_code_of(status);
}

void Process::wait_until_changed(std::uint64_t microseconds) const {
  if (pidfd_ < 0) return clock().sleep_microseconds(microseconds);
  pollfd fd{pidfd_, POLLIN, 0};
  clock().wait_readable({&fd, 1}, microseconds);
}

int Process::release() {
  int descriptor = -1;
  if (pid_ > 0 && !ended_ && pidfd_ >= 0) {
    std::lock_guard lock(released().mutex);
    descriptor = pidfd_;
    released().pids[descriptor] = pid_;
    pidfd_ = -1;
  }
  ended_ = true;
  forget();
  return descriptor;
}

bool collect_released(int descriptor) {
  std::lock_guard lock(released().mutex);
  const auto found = released().pids.find(descriptor);
  if (found == released().pids.end()) return false;
  if (waitpid(found->second, nullptr, WNOHANG) == 0) return false;
  close(descriptor);
  released().pids.erase(found);
  return true;
}

}  // namespace vx::platform

#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "support/temp_dir.h"

namespace vx::test {

// A program started with stdin from /dev/null (or another file, such as a
// terminal) and its output in files.
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& arguments,
               const std::vector<std::string>& environment = {}, const std::string& input = "/dev/null") {
    pid_ = fork();
    if (pid_ == 0) {
      const int null_in = open(input.c_str(), O_RDONLY);
      const int out = open(stdout_path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      const int err = open(stderr_path().c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      dup2(null_in, STDIN_FILENO);
      dup2(out, STDOUT_FILENO);
      dup2(err, STDERR_FILENO);
      for (const std::string& setting : environment) putenv(const_cast<char*>(setting.c_str()));
      std::vector<char*> argv{const_cast<char*>(program.c_str())};
      for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
      argv.push_back(nullptr);
      execv(program.c_str(), argv.data());
      _exit(127);
    }
  }
  ~ChildProcess() {
    if (pid_ > 0 && !exited_) {
      kill(pid_, SIGKILL);
      wait_for_exit();
    }
  }
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // The exit code; -1 when it ended by a signal.
  int wait_for_exit() {
    int status = 0;
    waitpid(pid_, &status, 0);
    return ended(status);
  }
  // As wait_for_exit, but nothing when it still runs after `timeout_ms`.
  std::optional<int> wait_for_exit_within(int timeout_ms) {
    for (int waited = 0;; waited += 5) {
      int status = 0;
      if (waitpid(pid_, &status, WNOHANG) == pid_) return ended(status);
      if (waited >= timeout_ms) return std::nullopt;
      platform::clock().sleep_microseconds(5000);
    }
  }
  // The signal that ended it; 0 when it exited.
  int ending_signal() const { return ending_signal_; }
  // True once stdout holds the text; false after `timeout_ms`.
  bool wait_for_output(const std::string& text, int timeout_ms) {
    for (int waited = 0; waited < timeout_ms; waited += 5) {
      if (output().find(text) != std::string::npos) return true;
      platform::clock().sleep_microseconds(5000);
    }
    return false;
  }
  void signal(int number) { kill(pid_, number); }
  pid_t pid() const { return pid_; }

  std::string output() const { return read_file(stdout_path()); }
  std::string errors() const { return read_file(stderr_path()); }

 private:
  int ended(int status) {
    exited_ = true;
    ending_signal_ = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string stdout_path() const { return dir_.file("stdout"); }
  std::string stderr_path() const { return dir_.file("stderr"); }

  TempDir dir_;
  pid_t pid_ = -1;
  bool exited_ = false;
  int ending_signal_ = 0;
};

}  // namespace vx::test

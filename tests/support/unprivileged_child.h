#pragma once

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

// Runs a piece of a test in a child process that has dropped to the
// unprivileged user "nobody": the tests run as root, who is never refused
// an open, so permission failures can only be shown from such a child.
namespace vx::test {

inline constexpr uid_t unprivileged_id = 65534;

// What `work` answered in the child, or "child failed" when it could not run.
inline std::string in_unprivileged_child(const std::function<std::string()>& work) {
  int channel[2];
  if (pipe(channel) != 0) return "child failed";
  const pid_t child = fork();
  if (child == 0) {
    close(channel[0]);
    std::string answer = "child failed";
    if (setgroups(0, nullptr) == 0 && setresgid(unprivileged_id, unprivileged_id, unprivileged_id) == 0 &&
        setresuid(unprivileged_id, unprivileged_id, unprivileged_id) == 0) {
      answer = work();
    }
    [[maybe_unused]] const ssize_t written = write(channel[1], answer.data(), answer.size());
    _exit(0);
  }
  close(channel[1]);
  std::string answer;
  char chunk[512];
  for (ssize_t got = 0; (got = read(channel[0], chunk, sizeof chunk)) > 0;) answer.append(chunk, static_cast<std::size_t>(got));
  close(channel[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return answer;
}

}  // namespace vx::test

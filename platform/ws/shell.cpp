#include "platform/ws/shell.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <string>

#include "platform/ws/application.h"
#include "platform/ws/display_backend.h"

extern char** environ;

namespace vx::ws {
namespace {

struct ShellState {
  unsigned beeps = 0;
  std::vector<std::string> help_requests;
  std::vector<std::string> urls;
  // Until the program gives its own, its name.
  std::string title = program_invocation_short_name;
  std::string help_file;
};

ShellState& shell() {
  static ShellState instance;
  return instance;
}

// A shell starts the opener in the background and ends at once, so there
// is no child left to reap; the address is an argument, never shell text.
bool start_opener(const std::string& url) {
  const std::string shell_path = "/bin/sh";
  const std::string flag = "-c";
  const std::string script = "xdg-open \"$1\" >/dev/null 2>&1 </dev/null &";
  const std::string name = "sh";
  char* const argv[] = {const_cast<char*>(shell_path.c_str()), const_cast<char*>(flag.c_str()),
                        const_cast<char*>(script.c_str()), const_cast<char*>(name.c_str()),
                        const_cast<char*>(url.c_str()), nullptr};
  pid_t child = 0;
  if (posix_spawn(&child, shell_path.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
  int status = 0;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return false;
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace

void beep() {
  ++shell().beeps;
  if (DisplayBackend* desktop = display_backend()) desktop->beep();
}

unsigned beep_count() { return shell().beeps; }

int screen_width() {
  DisplayBackend* desktop = display_backend();
  return desktop != nullptr ? desktop->screen_size().width : 1280;
}

int screen_height() {
  DisplayBackend* desktop = display_backend();
  return desktop != nullptr ? desktop->screen_size().height : 1024;
}

int screen_pixels_per_inch() {
  DisplayBackend* desktop = display_backend();
  return desktop != nullptr ? desktop->screen_pixels_per_inch() : 96;
}

void set_application_title(std::string_view title) { shell().title = title; }

const std::string& application_title() { return shell().title; }

void set_help_file(std::string_view file) { shell().help_file = file; }

const std::string& help_file() { return shell().help_file; }

bool show_help(std::string_view topic) {
  shell().help_requests.emplace_back(topic);
  return false;
}

const std::vector<std::string>& help_requests() { return shell().help_requests; }

bool open_url(std::string_view url) {
  shell().urls.emplace_back(url);
  return headless() || start_opener(std::string(url));
}

const std::vector<std::string>& opened_urls() { return shell().urls; }

void reset_shell() { shell() = ShellState{}; }

}  // namespace vx::ws

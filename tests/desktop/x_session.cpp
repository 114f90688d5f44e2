#include "desktop/x_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <stdexcept>

#include "platform/clock.h"

namespace vx::test::desktop {
namespace {

std::vector<char*> argv_of(const std::vector<std::string>& arguments) {
  std::vector<char*> argv;
  for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// A program started with stdout into `out_fd` (or a log file) and stdin from /dev/null.
pid_t start(const std::vector<std::string>& arguments, int out_fd, const std::string& log, int keep_fd = -1) {
  const pid_t pid = fork();
  if (pid == 0) {
    const int null_in = open("/dev/null", O_RDONLY);
    const int log_fd = log.empty() ? -1 : open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(null_in, STDIN_FILENO);
    dup2(out_fd >= 0 ? out_fd : log_fd, STDOUT_FILENO);
    if (log_fd >= 0) dup2(log_fd, STDERR_FILENO);
    for (int fd = 3; fd < 256; ++fd) {
      if (fd != keep_fd) close(fd);
    }
    std::vector<char*> argv = argv_of(arguments);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid < 0) throw std::runtime_error("cannot start " + arguments.front());
  return pid;
}

int wait_exit(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// TERM, and KILL for a process that has not ended a few seconds later.
void stop(pid_t& pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  int status = 0;
  for (int waited_ms = 0;; waited_ms += 10) {
    const pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended != 0 && !(ended < 0 && errno == EINTR)) break;
    if (waited_ms == 5000) kill(pid, SIGKILL);
    platform::clock().sleep_microseconds(10'000);
  }
  pid = -1;
}

std::string command_of(const std::vector<std::string>& arguments) {
  std::string command;
  for (const std::string& argument : arguments) command += (command.empty() ? "" : " ") + argument;
  return command;
}

std::vector<std::string> words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> result;
  for (std::string word; in >> word;) result.push_back(word);
  return result;
}

// Every "0x..." window id in xprop's answer.
std::vector<XWindow> window_ids(const std::string& text) {
  std::vector<XWindow> ids;
  static const std::regex hex("0x[0-9a-fA-F]+");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), hex); it != std::sregex_iterator(); ++it) {
    ids.push_back(std::stoul(it->str(), nullptr, 16));
  }
  return ids;
}

int field(const std::string& text, const std::string& label) {
  const std::size_t at = text.find(label);
  if (at == std::string::npos) throw std::runtime_error("xwininfo gave no " + label + ": " + text);
  return std::stoi(text.substr(at + label.size()));
}

const char* const required_tools[] = {"Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "import", "convert", "timeout"};

}  // namespace

bool tool_installed(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream folders(path ? path : "/usr/bin:/bin");
  for (std::string folder; std::getline(folders, folder, ':');) {
    if (access((folder + "/" + name).c_str(), X_OK) == 0) return true;
  }
  return false;
}

// Far more than any of the tools takes, and well short of a test's time limit.
constexpr int tool_limit_seconds = 30;

std::optional<ToolResult> run_tool_within(const std::vector<std::string>& arguments, int seconds) {
  // A tool that ignores timeout's TERM is killed, and timeout with it.
  std::vector<std::string> bounded{"timeout", "--kill-after=5", std::to_string(seconds)};
  bounded.insert(bounded.end(), arguments.begin(), arguments.end());
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  const pid_t pid = start(bounded, fds[1], "");
  close(fds[1]);
  ToolResult result;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    result.output.append(buffer, static_cast<std::size_t>(n));
  }
  close(fds[0]);
  result.exit_code = wait_exit(pid);
  constexpr int timed_out = 124;
  if (result.exit_code == timed_out || result.exit_code < 0) return std::nullopt;
  return result;
}

ToolResult run_tool(const std::vector<std::string>& arguments) {
  std::optional<ToolResult> result = run_tool_within(arguments, tool_limit_seconds);
  if (!result) {
    throw std::runtime_error("\"" + command_of(arguments) + "\" still ran after " + std::to_string(tool_limit_seconds) +
                             " s");
  }
  return std::move(*result);
}

unsigned ScreenImage::pixel(int x, int y) const {
  const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 3;
  return static_cast<unsigned>(rgb[at]) << 16 | static_cast<unsigned>(rgb[at + 1]) << 8 | rgb[at + 2];
}

XSession::XSession() {
  std::string missing;
  for (const char* tool : required_tools) {
    if (!tool_installed(tool)) missing += std::string(" ") + tool;
  }
  if (!missing.empty()) throw std::runtime_error("desktop tools missing (scripts/install-deps.sh installs them):" + missing);
  start_server();
  setenv("DISPLAY", display_.c_str(), 1);
  unsetenv("VX_HEADLESS");
  unsetenv("QT_QPA_PLATFORM");
  unsetenv("WAYLAND_DISPLAY");
  move_keyboard_to_xtest();
  start_window_manager();
  wait_for_window_manager();
}

XSession::~XSession() {
  stop(window_manager_);
  stop(server_);
  unsetenv("DISPLAY");
}

void XSession::start_server() {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  server_ = start({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                   std::to_string(screen_width()) + "x" + std::to_string(screen_height()) + "x24", "-nolisten", "tcp",
                   "-noreset"},
                  -1, dir_.file("xvfb.log"), fds[1]);
  close(fds[1]);
  std::string number;
  pollfd told{fds[0], POLLIN, 0};
  char c;
  while (poll(&told, 1, tool_limit_seconds * 1000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
  close(fds[0]);
  if (number.empty()) throw std::runtime_error("Xvfb did not start: " + read_file(dir_.file("xvfb.log")));
  display_ = ":" + number;
}

// The first key XTest sends moves the core keyboard onto XTest's own device, which the server
// announces as a new keymap. The window manager then grabs its keys again, and a chord sent
// meanwhile (Alt+F4) reaches the focused program instead of the manager. So that move is made
// before the manager runs; -noreset keeps it when the key's client leaves as the last one.
void XSession::move_keyboard_to_xtest() const {
  if (run_tool({"xdotool", "key", "shift"}).exit_code != 0) throw std::runtime_error("xdotool could not press a key");
}

void XSession::start_window_manager() {
  window_manager_ = start({"openbox", "--sm-disable"}, -1, dir_.file("openbox.log"));
}

// The manager announces itself with _NET_SUPPORTING_WM_CHECK on the root window; xprop -spy
// prints the root's properties, then each one that changes.
void XSession::wait_for_window_manager() const {
  int fds[2];
  if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
  pid_t spy = start({"timeout", "30", "xprop", "-spy", "-root"}, fds[1], "");
  close(fds[1]);
  std::string line;
  bool announced = false;
  char c;
  while (!announced && read(fds[0], &c, 1) == 1) {
    if (c != '\n') {
      line += c;
      continue;
    }
    announced = line.starts_with("_NET_SUPPORTING_WM_CHECK(WINDOW)");
    line.clear();
  }
  close(fds[0]);
  stop(spy);
  if (!announced) throw std::runtime_error("the window manager did not start: " + read_file(dir_.file("openbox.log")));
}

XWindow XSession::wait_for_window(pid_t pid, const std::string& name_pattern, int seconds) const {
  const std::optional<ToolResult> found = run_tool_within(
      {"xdotool", "search", "--all", "--sync", "--onlyvisible", "--pid", std::to_string(pid), "--name", name_pattern},
      seconds);
  const std::vector<std::string> ids = found ? words(found->output) : std::vector<std::string>{};
  if (ids.empty()) {
    // What the server had instead, for the failure's report.
    std::fprintf(stderr, "no window \"%s\" of process %d; the screen holds:\n%s\n", name_pattern.c_str(), pid,
                 run_tool({"xwininfo", "-root", "-tree"}).output.c_str());
  }
  return ids.empty() ? 0 : std::stoul(ids.front());
}

std::string XSession::window_name(XWindow window) const {
  std::string name = run_tool({"xdotool", "getwindowname", std::to_string(window)}).output;
  while (!name.empty() && name.back() == '\n') name.pop_back();
  return name;
}

WindowPlace XSession::place(XWindow window) const {
  const std::string info = run_tool({"xwininfo", "-id", std::to_string(window)}).output;
  WindowPlace place;
  place.client_x = field(info, "Absolute upper-left X:");
  place.client_y = field(info, "Absolute upper-left Y:");
  place.client_width = field(info, "Width:");
  place.client_height = field(info, "Height:");
  const std::string extents = property(window, "_NET_FRAME_EXTENTS");
  if (!extents.empty()) {
    std::istringstream in(extents);
    char comma;
    in >> place.frame_left >> comma >> place.frame_right >> comma >> place.frame_top >> comma >> place.frame_bottom;
  }
  return place;
}

std::string XSession::property(XWindow window, const std::string& name) const {
  const std::string text = run_tool({"xprop", "-id", std::to_string(window), name}).output;
  for (const char* separator : {" = ", ": "}) {
    const std::size_t at = text.find(separator);
    if (at == std::string::npos) continue;
    std::string value = text.substr(at + std::string(separator).size());
    while (!value.empty() && value.back() == '\n') value.pop_back();
    return value.find("not found") != std::string::npos || value.find("no such atom") != std::string::npos ? "" : value;
  }
  return "";
}

XWindow XSession::transient_for(XWindow window) const {
  const std::vector<XWindow> ids =
      window_ids(run_tool({"xprop", "-id", std::to_string(window), "WM_TRANSIENT_FOR"}).output);
  return ids.empty() ? 0 : ids.front();
}

std::vector<XWindow> XSession::stacking() const {
  return window_ids(run_tool({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}).output);
}

XWindow XSession::active_window() const {
  const std::vector<XWindow> ids = window_ids(run_tool({"xprop", "-root", "_NET_ACTIVE_WINDOW"}).output);
  return ids.empty() ? 0 : ids.front();
}

bool XSession::wait_until(const std::function<bool()>& condition, int seconds) const {
  for (int waited_ms = 0; waited_ms < seconds * 1000; waited_ms += 20) {
    if (condition()) return true;
    platform::clock().sleep_microseconds(20'000);
  }
  return condition();
}

void XSession::activate(XWindow window) const {
  run_tool({"xdotool", "windowactivate", "--sync", std::to_string(window)});
}

void XSession::key(const std::string& keys) const {
  std::vector<std::string> arguments{"xdotool", "key", "--delay", "60"};
  for (const std::string& key : words(keys)) arguments.push_back(key);
  run_tool(arguments);
}

void XSession::type(const std::string& text) const { run_tool({"xdotool", "type", "--delay", "60", text}); }

void XSession::click(int x, int y, int button) const {
  run_tool({"xdotool", "mousemove", "--sync", std::to_string(x), std::to_string(y), "click", std::to_string(button)});
}

void XSession::drag(int from_x, int from_y, int to_x, int to_y) const {
  run_tool({"xdotool", "mousemove", "--sync", std::to_string(from_x), std::to_string(from_y), "mousedown", "1",
            "mousemove", "--sync", std::to_string(to_x), std::to_string(to_y), "mouseup", "1"});
}

ScreenImage XSession::screenshot(const std::string& name) const {
  std::filesystem::create_directories(VX_SCREENSHOTS);
  const std::string path = std::string(VX_SCREENSHOTS) + "/desktop-" + name + ".png";
  if (run_tool({"import", "-window", "root", path}).exit_code != 0) throw std::runtime_error("import failed for " + path);
  const std::string ppm = run_tool({"convert", path, "-depth", "8", "ppm:-"}).output;
  std::istringstream in(ppm);
  std::string magic;
  int maximum = 0;
  ScreenImage image;
  in >> magic >> image.width >> image.height >> maximum;
  in.get();
  if (magic != "P6" || maximum != 255) throw std::runtime_error("unexpected screenshot format of " + path);
  image.rgb.resize(static_cast<std::size_t>(image.width) * static_cast<std::size_t>(image.height) * 3);
  in.read(reinterpret_cast<char*>(image.rgb.data()), static_cast<std::streamsize>(image.rgb.size()));
  return image;
}

}  // namespace vx::test::desktop

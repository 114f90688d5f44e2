#pragma once

#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_dir.h"

// A real X desktop for the programs: an Xvfb server of its own with the openbox window manager,
// real input through XTest (xdotool), window state read from the server (xprop, xwininfo) and
// pixels from screenshots (ImageMagick). Every tool is required: a missing one fails the test.
namespace vx::test::desktop {

using XWindow = unsigned long;

struct ToolResult {
  int exit_code = -1;
  std::string output;
};

// Runs a program to its end with stdout captured (stderr passes through); the display is the
// one this process's DISPLAY names. A tool still running after `seconds` is ended: nothing then.
std::optional<ToolResult> run_tool_within(const std::vector<std::string>& arguments, int seconds);
// The same for a tool that is quick; one that is not ends there and throws with its command, so a
// step that hangs fails the test and names itself.
ToolResult run_tool(const std::vector<std::string>& arguments);

// The frame the window manager put around a client window, and where the client lies.
struct WindowPlace {
  int client_x = 0, client_y = 0, client_width = 0, client_height = 0;
  int frame_left = 0, frame_right = 0, frame_top = 0, frame_bottom = 0;

  int frame_x() const { return client_x - frame_left; }
  int frame_y() const { return client_y - frame_top; }
  int frame_width() const { return client_width + frame_left + frame_right; }
  int frame_height() const { return client_height + frame_top + frame_bottom; }
};

// An RGB screenshot of the whole screen.
struct ScreenImage {
  int width = 0, height = 0;
  std::vector<unsigned char> rgb;

  unsigned pixel(int x, int y) const;  // 0xRRGGBB
};

class XSession {
 public:
  // Starts the server (which picks a free display and tells it through -displayfd) and the window
  // manager, and returns once the manager has announced itself on the root window. DISPLAY is
  // set in this process, and VX_HEADLESS and QT_QPA_PLATFORM are cleared, so programs started
  // from here reach the server as a user's programs would.
  XSession();
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  const std::string& display() const { return display_; }
  int screen_width() const { return 1024; }
  int screen_height() const { return 768; }

  // Windows of a process (by _NET_WM_PID), visible and managed, waiting up to `seconds` for one
  // whose name matches the regular expression.
  XWindow wait_for_window(pid_t pid, const std::string& name_pattern, int seconds = 30) const;

  std::string window_name(XWindow window) const;
  WindowPlace place(XWindow window) const;
  // A property as xprop prints it (the text after "=" or ":"), empty when unset.
  std::string property(XWindow window, const std::string& name) const;
  // The window that `window` stays above (WM_TRANSIENT_FOR), 0 for none.
  XWindow transient_for(XWindow window) const;
  // Managed windows, bottom to top, and the active one.
  std::vector<XWindow> stacking() const;
  XWindow active_window() const;

  // Asks again until `condition` holds (true) or `seconds` have passed (false): the window
  // manager acts on a request in its own time.
  bool wait_until(const std::function<bool()>& condition, int seconds = 10) const;

  // Real input through XTest: the window manager activates the window first, as a click on its
  // frame would, then the keys go to whatever has the keyboard focus.
  void activate(XWindow window) const;
  void key(const std::string& keys) const;
  void type(const std::string& text) const;
  void click(int x, int y, int button = 1) const;
  void drag(int from_x, int from_y, int to_x, int to_y) const;

  // Saves the screen as <build>/screenshots/desktop-<name>.png and returns its pixels.
  ScreenImage screenshot(const std::string& name) const;

 private:
  void start_server();
  void move_keyboard_to_xtest() const;
  void start_window_manager();
  void wait_for_window_manager() const;

  TempDir dir_;
  std::string display_;
  pid_t server_ = -1;
  pid_t window_manager_ = -1;
};

// True when the named program can be found on PATH.
bool tool_installed(const std::string& name);

}  // namespace vx::test::desktop

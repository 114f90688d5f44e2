#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/ws/application.h"
#include "platform/ws/display.h"
#include "platform/ws/display_backend.h"
#include "platform/ws/qt/qt_backend.h"
#include "platform/ws/window.h"

namespace vx::test {

// While it lives, the Qt backend is installed and a window system whose
// headless state is not yet decided uses a display on Qt's offscreen
// platform. A base listed before the fixture's own, so that it is in place
// before the fixture's windows.
class OffscreenDisplay {
 public:
  OffscreenDisplay() : previous_(ws::install_display_backend(&ws::qt::backend())) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  }
  ~OffscreenDisplay() {
    unsetenv("QT_QPA_PLATFORM");
    ws::install_display_backend(previous_);
  }
  OffscreenDisplay(const OffscreenDisplay&) = delete;
  OffscreenDisplay& operator=(const OffscreenDisplay&) = delete;

 private:
  ws::DisplayBackend* previous_;
};

// Paints the window and its children afresh and writes them through the
// display backend to <build>/screenshots/<name>.png, for people to look
// at. Needs a display (tests use QT_QPA_PLATFORM=offscreen); returns the
// path, or nothing when no picture was written.
inline void invalidate_with_children(ws::Window& window) {
  window.invalidate();
  for (ws::Window* child : window.children()) invalidate_with_children(*child);
}

inline std::string save_screenshot(ws::Window& window, const std::string& name) {
  invalidate_with_children(window);
  ws::process_messages();
  std::filesystem::create_directories(VX_SCREENSHOTS);
  const std::string path = std::string(VX_SCREENSHOTS) + "/" + name + ".png";
  return ws::save_window_png(window, path) ? path : std::string();
}

}  // namespace vx::test

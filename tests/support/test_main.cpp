// The main of every test program: nothing a test sends may leave the machine,
// however a fixture sets the network settings, and no test opens a window on
// the desktop it was started from (display tests use the offscreen platform).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/net.h"

// The leak checker's hook: fontconfig, started by the display tests through
// Qt, keeps its caches until the process ends.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

// The race detector's hook: Qt's own worker threads (the file dialog's
// directory listing) synchronise through code built without the detector,
// so it reports races that are none. Our threads never share data with them.
extern "C" const char* __tsan_default_suppressions() {
  return "race:libQt6Core.so\nrace:libQt6Gui.so\nrace:libQt6Widgets.so\n";
}

int main(int argc, char** argv) {
  vx::platform::confine_to_loopback();
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

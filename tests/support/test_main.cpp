// The main of every test program: nothing a test sends may leave the machine,
// however a fixture sets the network settings, and no test opens a window on
// the desktop it was started from (display tests use the offscreen platform).
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/net.h"

int main(int argc, char** argv) {
  vx::platform::confine_to_loopback();
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

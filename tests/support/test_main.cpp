// The main of every test program: nothing a test sends may leave the machine,
// however a fixture sets the network settings.
#include <gtest/gtest.h>

#include "platform/net.h"

int main(int argc, char** argv) {
  vx::platform::confine_to_loopback();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

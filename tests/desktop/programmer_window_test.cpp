#include <gtest/gtest.h>

#include "desktop/desktop_programs.h"
#include "desktop/x_session.h"

// The programmer's main window on a real X server under a window manager.
namespace vx::test::desktop {
namespace {

class ProgrammerOnTheDesktop : public ::testing::Test {
 protected:
  XSession x;
  ProgrammerInstall install;
};

TEST_F(ProgrammerOnTheDesktop, ItsWindowIsManagedAndTheWindowManagerClosesIt) {
  ChildProcess program(install.program(), {"?", "NOSCAN", "bogusword"}, desktop_environment(install));
  const XWindow main = x.wait_for_window(program.pid(), "Programmer");
  ASSERT_NE(main, 0u) << program.output() << program.errors();
  ASSERT_TRUE(program.wait_for_output("ERROR 43 during script!", 30000)) << program.output();
  EXPECT_EQ(x.window_name(main), "9S08JM60 Programmer");
  EXPECT_FALSE(x.property(main, "_NET_FRAME_EXTENTS").empty()) << "openbox framed the window";
  x.screenshot("programmer-command-line-error");
  x.activate(main);
  x.key("alt+F4");
  EXPECT_EQ(program.wait_for_exit(), 43);
}

}  // namespace
}  // namespace vx::test::desktop

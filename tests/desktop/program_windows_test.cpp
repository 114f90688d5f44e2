#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "desktop/desktop_programs.h"
#include "desktop/x_session.h"

// Every program's main window on the desktop: its own window class, its caption, and the window
// manager's close button ends it.
namespace vx::test::desktop {
namespace {

struct Program {
  const char* binary;
  const char* name;
  const char* caption;
  const char* shot;
};

TEST(ProgramWindows, EachProgramNamesItsWindowsClassAndClosesByTheWindowManager) {
  XSession x;
  const Program programs[] = {
      {VX_UPDATER_BINARY, "VXFirmwareUpdater", "Firmware Update and Architecture Selection", "updater-window"},
      {VX_FWRESCUE_BINARY, "fwrescue", "OSBDM Firmware Update Utility", "fwrescue-window"},
      {VX_FWSCOUT_BINARY, "fwscout", ".", "fwscout-window"},
  };
  for (const Program& p : programs) {
    ProgrammerInstall install;
    std::filesystem::copy_file(p.binary, install.file(p.name));
    ChildProcess program(install.file(p.name), {}, desktop_environment(install));
    const XWindow window = x.wait_for_window(program.pid(), p.caption);
    ASSERT_NE(window, 0u) << p.name << program.errors();
    EXPECT_EQ(x.property(window, "WM_CLASS"), "\"" + std::string(p.name) + "\", \"" + p.name + "\"") << p.name;
    const WindowPlace place = x.place(window);
    EXPECT_GE(place.frame_y(), 0) << p.name << ": the caption is on the screen";
    x.screenshot(p.shot);
    x.activate(window);
    x.key("alt+F4");
    EXPECT_EQ(program.wait_for_exit_within(exit_limit_ms), 0) << p.name << program.errors();
  }
}

}  // namespace
}  // namespace vx::test::desktop

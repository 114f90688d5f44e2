#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "desktop/desktop_programs.h"
#include "desktop/x_session.h"

// The programmer updating a cable's firmware, its progress window on a real desktop.
namespace vx::test::desktop {
namespace {

namespace fs = std::filesystem;

// The firmware-update example beside the programmer, its bench in real time with the update
// held at a row long enough to look at the window.
class FirmwareUpdateOnTheDesktop : public ::testing::Test {
 protected:
  FirmwareUpdateOnTheDesktop() {
    for (const auto& entry : fs::directory_iterator(VX_FIRMWARE_UPDATE_EXAMPLE)) {
      fs::copy_file(entry.path(), install.dir.path() / entry.path().filename(), fs::copy_options::overwrite_existing);
    }
    std::ifstream in(install.file("bench.ini"));
    std::stringstream text;
    text << in.rdbuf();
    std::string bench = text.str();
    bench.replace(bench.find("mode = virtual"), 14, "mode = real");
    install.write("bench.ini", bench + "hold_row = 64\nhold_ms = 30000\n");
    const ToolResult packed =
        run_tool({VX_FWFILE_PACK, install.file("firmware.s19"), install.dir.path().string(), "quorvexens", "4.10"});
    EXPECT_EQ(packed.exit_code, 0) << packed.output;
  }

  XSession x;
  ProgrammerInstall install;
};

TEST_F(FirmwareUpdateOnTheDesktop, TheProgressWindowIsOnTopCentredAndWhole) {
  ChildProcess program(install.program(), {"NOSCAN", "PORT=1", install.file("update.cfg")}, desktop_environment(install));
  const XWindow main = x.wait_for_window(program.pid(), "Programmer");
  const XWindow progress = x.wait_for_window(program.pid(), "Updating firmware");
  ASSERT_NE(main, 0u) << program.errors();
  ASSERT_NE(progress, 0u) << program.errors();
  const std::vector<XWindow> stacking = x.stacking();
  ASSERT_FALSE(stacking.empty());
  EXPECT_EQ(stacking.back(), progress) << "the progress window is the top of the stacking order";
  EXPECT_EQ(x.transient_for(progress), main) << "the progress window stays above the main window";
  const WindowPlace place = x.place(progress);
  EXPECT_GE(place.frame_x(), 0);
  EXPECT_GE(place.frame_y(), 0);
  EXPECT_LE(place.frame_x() + place.frame_width(), x.screen_width());
  EXPECT_LE(place.frame_y() + place.frame_height(), x.screen_height());
  // Centred as the window system centres a form: its size, placed by its frame's corner.
  const int tolerance = place.frame_top + place.frame_bottom;
  EXPECT_LE(std::abs(place.frame_x() + place.frame_width() / 2 - x.screen_width() / 2), tolerance);
  EXPECT_LE(std::abs(place.frame_y() + place.frame_height() / 2 - x.screen_height() / 2), tolerance);
  x.screenshot("progress-window-above-main-window");
}

}  // namespace
}  // namespace vx::test::desktop

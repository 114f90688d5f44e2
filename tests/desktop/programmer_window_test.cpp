#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "desktop/desktop_programs.h"
#include "desktop/screen_rows.h"
#include "desktop/x_session.h"

// The programmer's main window on a real X server under a window manager, with real input.
namespace vx::test::desktop {
namespace {

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(line);
  }
  return lines;
}

class ProgrammerOnTheDesktop : public ::testing::Test {
 protected:
  std::unique_ptr<ChildProcess> start(const std::vector<std::string>& arguments) {
    return std::make_unique<ChildProcess>(install.program(), arguments, desktop_environment(install));
  }
  // A script of one delay in real time, with Space, Enter, PgDn, Home and a letter typed into
  // the main window once the delay has started.
  std::unique_ptr<ChildProcess> start_delay_and_type(int milliseconds) {
    use_real_time(install);
    auto program = start({"NOSCAN", install.write("delay.cfg", "DE " + std::to_string(milliseconds) + "\n")});
    const XWindow main = x.wait_for_window(program->pid(), "Programmer");
    EXPECT_NE(main, 0u) << program->errors();
    EXPECT_TRUE(program->wait_for_output("CMD>DE", 30000)) << program->output();
    x.activate(main);
    x.key("space Return Next Home a");
    return program;
  }

  XSession x;
  ProgrammerInstall install;
};

// Every line that went to stdout is painted in the status list; before, the lines written
// before the message loop ran left a grey band in their place.
TEST_F(ProgrammerOnTheDesktop, TheLinesOfACommandLineErrorArePainted) {
  auto program = start({"?", "NOSCAN", "bogusword"});
  const XWindow main = x.wait_for_window(program->pid(), "Programmer");
  ASSERT_NE(main, 0u) << program->output() << program->errors();
  ASSERT_TRUE(program->wait_for_output("ERROR 43 during script!", 30000)) << program->output();
  EXPECT_EQ(x.window_name(main), "9S08JM60 Programmer");
  const WindowPlace place = x.place(main);
  const ScreenImage image = x.screenshot("programmer-command-line-error");
  const std::vector<std::string> printed = lines_of(program->output());
  const int right = place.client_x + place.client_width;
  const std::vector<Band> rows = bands_in_white_area(image, right - 40, place.client_y, place.client_y + place.client_height,
                                                     place.client_x + 4, right - 20);
  EXPECT_EQ(rows.size(), printed.size()) << program->output();
  for (const Band& row : rows) EXPECT_FALSE(row.one_colour) << "a band without text at " << row.top;
  x.activate(main);
  x.key("alt+F4");
  EXPECT_EQ(program->wait_for_exit_within(exit_limit_ms), 43);
}

// A main window stored at 0,0 has its frame there, so its caption and close button are on the
// screen and its client area lies below the caption.
TEST_F(ProgrammerOnTheDesktop, AWindowStoredAtTheOriginHasItsFrameThere) {
  auto program = start({"?", "NOSCAN", "bogusword"});
  const XWindow main = x.wait_for_window(program->pid(), "Programmer");
  ASSERT_NE(main, 0u) << program->errors();
  ASSERT_TRUE(program->wait_for_output("ERROR 43 during script!", 30000));
  const WindowPlace place = x.place(main);
  EXPECT_GT(place.frame_top, 0) << "the window manager gave the window a caption";
  EXPECT_EQ(place.frame_x(), 0);
  EXPECT_EQ(place.frame_y(), 0);
  EXPECT_EQ(place.client_y, place.frame_top);
  x.screenshot("programmer-at-origin");
}

// A second copy started while another program's window covers the first copy raises the
// first copy's window and makes it the active one.
TEST_F(ProgrammerOnTheDesktop, ASecondCopyRaisesTheFirst) {
  auto first = start({"?", "NOSCAN", "bogusword"});
  const XWindow main = x.wait_for_window(first->pid(), "Programmer");
  ASSERT_NE(main, 0u) << first->errors();
  ASSERT_TRUE(first->wait_for_output("ERROR 43 during script!", 30000));
  ChildProcess cover(VX_FWSCOUT_BINARY, {}, desktop_environment(install));
  const XWindow covering = x.wait_for_window(cover.pid(), ".");
  ASSERT_NE(covering, 0u) << cover.errors();
  x.activate(covering);
  ASSERT_EQ(x.stacking().back(), covering);
  auto second = start({});
  EXPECT_EQ(second->wait_for_exit_within(exit_limit_ms), 0) << second->errors();
  EXPECT_TRUE(x.wait_until([&] { return x.stacking().back() == main && x.active_window() == main; }))
      << "the first copy's window is on top and active";
  x.screenshot("programmer-second-copy-raised");
}

// The first pixel of a colour, row by row; {-1, -1} when there is none.
std::pair<int, int> first_pixel(const ScreenImage& image, unsigned colour) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      if (image.pixel(x, y) == colour) return {x, y};
    }
  }
  return {-1, -1};
}

// With STATUS_STATE=0 the status window has its caption bar inside the main window, and a real
// drag of that caption moves it there.
TEST_F(ProgrammerOnTheDesktop, TheStatusWindowInNormalStateMovesByItsCaption) {
  std::string desktop = read_file(install.file("CQLLSTD.DSK"));
  desktop.replace(desktop.find("STATUS_STATE=2"), 14, "STATUS_STATE=0");
  desktop.replace(desktop.find("STATUS_WIDTH=792"), 16, "STATUS_WIDTH=500");
  desktop.replace(desktop.find("STATUS_HEIGHT=540"), 17, "STATUS_HEIGHT=300");
  install.write("CQLLSTD.DSK", desktop);
  auto program = start({"?", "NOSCAN", "bogusword"});
  const XWindow main = x.wait_for_window(program->pid(), "Programmer");
  ASSERT_NE(main, 0u) << program->errors();
  ASSERT_TRUE(program->wait_for_output("ERROR 43 during script!", 30000));
  constexpr unsigned caption_blue = 0x000080;
  const std::pair<int, int> caption = first_pixel(x.screenshot("status-window-normal-state"), caption_blue);
  ASSERT_GE(caption.first, 0) << "the status window's caption bar is drawn";
  const WindowPlace place = x.place(main);
  EXPECT_GT(caption.second, place.client_y) << "inside the main window";
  x.drag(caption.first + 80, caption.second + 8, caption.first + 180, caption.second + 58);
  const std::pair<int, int> moved{caption.first + 100, caption.second + 50};
  EXPECT_TRUE(x.wait_until(
      [&] { return first_pixel(x.screenshot("status-window-normal-state-moved"), caption_blue) == moved; }));
}

// Keys typed into the window while a delay runs go to the status window's key handling: none
// presses the cancel button or moves the focus to it, so the delay ends on its own.
TEST_F(ProgrammerOnTheDesktop, KeysLeaveADelayRunning) {
  auto program = start_delay_and_type(4000);
  ASSERT_EQ(program->output().find("Done."), std::string::npos) << "the keys came during the delay";
  EXPECT_EQ(program->wait_for_exit_within(exit_limit_ms), 0) << program->output();
  EXPECT_NE(program->output().find("Delaying.  Done."), std::string::npos) << program->output();
}

// Esc alone stops a command that runs.
TEST_F(ProgrammerOnTheDesktop, EscapeCancelsAHeldDelay) {
  auto program = start_delay_and_type(30000);
  x.key("Escape");
  EXPECT_EQ(program->wait_for_exit_within(exit_limit_ms), 1) << program->output();
  EXPECT_NE(program->output().find("Delaying.  Canceled by user."), std::string::npos) << program->output();
}

}  // namespace
}  // namespace vx::test::desktop

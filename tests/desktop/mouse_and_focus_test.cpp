#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "desktop/desktop_programs.h"
#include "desktop/x_session.h"
#include "platform/clock.h"

// The user's mouse and keys on the standard controls, through real XTest input: the status list's
// scroll bar, its pop-up menu and a focused button pressed by Enter, and the updater's combo box
// and the focus that Tab moves from it. What the programs show is read from screenshots of the server.
namespace vx::test::desktop {
namespace {

constexpr unsigned white = 0xFFFFFF;
constexpr unsigned navy = 0x000080;
constexpr int scroll_bar = 16;

// A rectangle of the screen, right and bottom exclusive.
struct Area {
  int left = 0, top = 0, right = 0, bottom = 0;
};

bool same_pixels(const ScreenImage& a, const Area& in_a, const ScreenImage& b, const Area& in_b) {
  for (int y = 0; y < in_a.bottom - in_a.top; ++y) {
    for (int x = 0; x < in_a.right - in_a.left; ++x) {
      if (a.pixel(in_a.left + x, in_a.top + y) != b.pixel(in_b.left + x, in_b.top + y)) return false;
    }
  }
  return true;
}

bool holds_colour(const ScreenImage& image, const Area& area, unsigned colour) {
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (image.pixel(x, y) == colour) return true;
    }
  }
  return false;
}

// The screen once two screenshots in a row agree: the program has handled the input and painted.
ScreenImage settled(const XSession& x, const std::string& name) {
  ScreenImage last = x.screenshot(name);
  for (int attempt = 0; attempt < 50; ++attempt) {
    platform::clock().sleep_microseconds(100'000);
    ScreenImage now = x.screenshot(name);
    if (now.rgb == last.rgb) return now;
    last = std::move(now);
  }
  return last;
}

// The status list of the programmer's window, found in a screenshot: its white client area and
// the scroll bar to its right.
struct StatusList {
  Area client;
  int row_height = 0;

  int bar_x() const { return client.right + scroll_bar / 2; }
  int rows() const { return (client.bottom - client.top) / row_height; }
  Area row(int index) const {
    return {client.left, client.top + index * row_height, client.right, client.top + (index + 1) * row_height};
  }
  // The thumb's top edge: the first light line of the track between the arrows.
  int thumb_top(const ScreenImage& image) const {
    for (int y = client.top + scroll_bar; y < client.bottom - scroll_bar; ++y) {
      if (image.pixel(bar_x(), y) == white) return y;
    }
    return -1;
  }
};

StatusList find_status_list(const ScreenImage& image, const WindowPlace& window) {
  StatusList list;
  // The longest white run down the middle: the rows' text is short and lies to the left.
  const int middle = window.client_x + window.client_width / 2;
  for (int y = window.client_y, run = 0; y <= window.client_y + window.client_height; ++y) {
    if (y < window.client_y + window.client_height && image.pixel(middle, y) == white) {
      ++run;
    } else {
      if (run > list.client.bottom - list.client.top) list.client = {0, y - run, 0, y};
      run = 0;
    }
  }
  int x = middle;
  while (x > window.client_x && image.pixel(x - 1, list.client.top) == white) --x;
  list.client.left = x;
  // Beside the track below the up arrow, whose light edges would read as the list's white.
  x = middle;
  while (x < window.client_x + window.client_width && image.pixel(x, list.client.top + scroll_bar + 1) == white) ++x;
  list.client.right = x;
  return list;
}

// The rows of `after` are those of `before` moved down by `rows` rows (the rows both show).
bool moved_down(const StatusList& list, const ScreenImage& before, const ScreenImage& after, int rows) {
  const int shown = list.rows();
  if (rows <= 0 || rows >= shown) return false;
  const int kept = (shown - rows) * list.row_height;
  const Area from{list.client.left, list.client.top, list.client.right, list.client.top + kept};
  const Area to{from.left, from.top + rows * list.row_height, from.right, from.bottom + rows * list.row_height};
  return same_pixels(before, from, after, to);
}

class ProgrammerMouseOnTheDesktop : public ::testing::Test {
 protected:
  // Remarks enough for several pages; the run stays open when its script has ended.
  void start() {
    std::string script;
    for (int i = 1; i <= 120; ++i) script += "Remark number " + std::to_string(i) + " of the mouse test.\n";
    const std::vector<std::string> arguments{"?", "NOSCAN", install.write("remarks.cfg", script), "USB1"};
    program.emplace(install.program(), arguments, desktop_environment(install));
    window = x.wait_for_window(program->pid(), "Programmer");
    ASSERT_NE(window, 0u) << program->errors();
    ASSERT_TRUE(program->wait_for_output("Remark number 120", 30000)) << program->output() << program->errors();
    x.activate(window);
    place = x.place(window);
  }

  XSession x;
  ProgrammerInstall install;
  std::optional<ChildProcess> program;
  XWindow window = 0;
  WindowPlace place;
};

TEST_F(ProgrammerMouseOnTheDesktop, TheScrollBarsArrowTrackAndThumbScrollTheStatusList) {
  start();
  ScreenImage before = settled(x, "status-last-page");
  StatusList list = find_status_list(before, place);
  ASSERT_GT(list.client.bottom - list.client.top, 100)
      << "the list in the screenshot: " << list.client.left << "," << list.client.top << " " << list.client.right << ","
      << list.client.bottom << " in " << place.client_x << "," << place.client_y << " " << place.client_width;
  ASSERT_GT(list.thumb_top(before), 0) << "a thumb on the bar";

  // The up arrow: one row. The row height is what the rows moved by.
  x.click(list.bar_x(), list.client.top + scroll_bar / 2);
  ScreenImage after = settled(x, "status-one-row-up");
  for (int height = 8; height <= 30 && list.row_height == 0; ++height) {
    list.row_height = height;
    if (!moved_down(list, before, after, 1)) list.row_height = 0;
  }
  ASSERT_GT(list.row_height, 0) << "the rows moved down by one row in " << list.client.left << "," << list.client.top
                                << " " << list.client.right << "," << list.client.bottom;

  // A row of text at the top, so the page's one shared row tells the distance; then the track above
  // the thumb: a page less one row.
  if (!holds_colour(after, list.row(0), navy)) {
    x.click(list.bar_x(), list.client.top + scroll_bar / 2);
    after = settled(x, "status-one-row-up");
  }
  before = after;
  x.click(list.bar_x(), list.client.top + scroll_bar + 2);
  after = settled(x, "status-page-up");
  EXPECT_TRUE(moved_down(list, before, after, list.rows() - 1)) << list.rows() << " rows of " << list.row_height;

  // The thumb dragged to the top: the first lines of the run.
  const int thumb = list.thumb_top(after);
  ASSERT_GT(thumb, 0);
  x.drag(list.bar_x(), thumb + 3, list.bar_x(), list.client.top - 40);
  after = settled(x, "status-first-page");
  EXPECT_FALSE(holds_colour(after, list.row(0), navy)) << "the first line is the program's, not a remark";
  EXPECT_EQ(list.thumb_top(after), list.client.top + scroll_bar) << "the thumb at the top";
  EXPECT_FALSE(program->output().empty());

  x.activate(window);
  x.key("alt+F4");
  EXPECT_EQ(program->wait_for_exit_within(exit_limit_ms), 0) << "Alt+F4 ended the run";
}

TEST_F(ProgrammerMouseOnTheDesktop, ARightClickShowsHelpAndEnterOnTheFocusedQuitEndsTheRun) {
  start();
  const ScreenImage first = settled(x, "status-before-menu");
  const StatusList list = find_status_list(first, place);
  const int at_x = list.client.left + 200, at_y = list.client.top + 40;
  x.click(at_x, at_y, 3);
  const ScreenImage menu = settled(x, "status-popup-menu");
  const Area beside_pointer{at_x + 2, at_y + 2, at_x + 60, at_y + 20};
  EXPECT_FALSE(same_pixels(first, beside_pointer, menu, beside_pointer)) << "a menu at the pointer";
  // Its one item, "Help...", lies just below the pointer.
  x.click(at_x + 20, at_y + 10);
  EXPECT_TRUE(program->wait_for_output("Error opening Help File", 10000)) << program->output();

  // A press on Quit that is released beside it gives the button the focus without pressing it;
  // the button shows the focus with its rectangle's dark dots, then Enter presses it.
  x.activate(window);
  const Area button{place.client_x + 4, place.client_y + 4, place.client_x + 100, list.client.top - 6};
  const auto dots = [&button](const ScreenImage& image) {
    int count = 0;
    for (int y = button.top; y < button.bottom; ++y) {
      for (int x_at = button.left; x_at < button.right; ++x_at) count += image.pixel(x_at, y) == 0x3F3F3F ? 1 : 0;
    }
    return count;
  };
  EXPECT_EQ(dots(settled(x, "status-focus-list")), 0);
  const int quit_x = place.client_x + 45, quit_y = place.client_y + 20;
  x.drag(quit_x, quit_y, quit_x + 300, quit_y);
  EXPECT_GT(dots(settled(x, "status-focus-quit")), 0) << "the focus drawn on the button";
  x.key("Return");
  EXPECT_EQ(program->wait_for_exit_within(exit_limit_ms), 0) << "Enter pressed Quit";
}

// The updater's hardware type: a click shows its list, a click on an entry takes it; Tab moves on.
TEST(UpdaterComboOnTheDesktop, AClickShowsTheListAClickOnAnEntryChoosesItAndTabMovesTheFocus) {
  XSession x;
  TempDir dir;
  const std::string bench = std::string(VX_UPDATER_EXAMPLE) + "/bench.ini";
  std::filesystem::create_directory(dir.path() / "run");
  ChildProcess updater(VX_UPDATER_BINARY, {},
                       {"VX_SIM=" + bench, "VX_RUNTIME_DIR=" + dir.file("run"),
                        "VX_REGISTRY_FILE=" + dir.file("registry.ini")});
  const XWindow window = x.wait_for_window(updater.pid(), "Selection Utility");
  ASSERT_NE(window, 0u) << updater.errors();
  x.activate(window);
  const WindowPlace place = x.place(window);
  // Where the form puts the box: its panel at 0,75, the box at 180,8 in it, 481 by 21.
  const int box_x = place.client_x + 180, box_y = place.client_y + 75 + 8;
  const Area below{box_x + 4, box_y + 24, box_x + 470, box_y + 24 + 40};
  const ScreenImage closed = settled(x, "updater-combo-closed");
  EXPECT_FALSE(holds_colour(closed, below, navy));
  x.click(box_x + 100, box_y + 10);
  const ScreenImage open = settled(x, "updater-combo-open");
  EXPECT_TRUE(holds_colour(open, below, navy)) << "the list below the box, its chosen row highlighted";

  // The second entry, a row below the first.
  const auto highlighted = [&](int y) { return holds_colour(open, {below.left, y, below.right, y + 1}, navy); };
  int first_row = below.top;
  while (first_row < below.bottom && !highlighted(first_row)) ++first_row;
  int row_end = first_row;
  while (row_end < below.bottom && highlighted(row_end)) ++row_end;
  x.click(box_x + 100, row_end + (row_end - first_row) / 2);
  const ScreenImage chosen = settled(x, "updater-combo-chosen");
  EXPECT_FALSE(holds_colour(chosen, below, navy)) << "the list closed";
  const Area box{box_x + 2, box_y + 2, box_x + 460, box_y + 19};
  EXPECT_FALSE(same_pixels(closed, box, chosen, box)) << "another choice in the box";

  // The box shows its focus by its highlighted text; Tab takes the focus, and the highlight, away.
  EXPECT_TRUE(holds_colour(chosen, box, navy));
  x.key("Tab");
  EXPECT_FALSE(holds_colour(settled(x, "updater-focus-moved"), box, navy)) << "the focus left the box, visibly";
  x.activate(window);
  x.key("alt+F4");
  updater.wait_for_exit_within(exit_limit_ms);
}

}  // namespace
}  // namespace vx::test::desktop

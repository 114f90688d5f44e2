#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "platform/ws/canvas.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "program_windows_fixture.h"
#include "support/display_input.h"
#include "support/screenshot.h"

namespace vx::programmer {
namespace {

constexpr std::string_view command_mark = "\x01";

// The status window with its list box driven by the status output, as on a desktop.
class StatusWindowTest : public ProgrammerWindowsTest {
 protected:
  explicit StatusWindowTest(const std::string& colors = "") : ProgrammerWindowsTest(colors) {
    status_output().view = &status_window().ListBoxView();
    main().show();
    status_window().show();
    controls::TOvcVirtualListBox& box = list();
    auto supplier = box.OnGetItem;
    box.OnGetItem = [this, supplier](controls::TOvcCustomVirtualListBox& sender, std::int32_t index,
                                     std::string& text) {
      ++fetched;
      supplier(sender, index, text);
    };
    ws::process_messages();
  }
  ~StatusWindowTest() override { ws::record_drawing(false); }

  controls::TOvcVirtualListBox& list() { return status_window().Listbox1(); }

  // The texts the list drew at its latest full repaint, once the message loop painted what the lines left.
  std::vector<ws::DrawOp> texts_drawn() {
    ws::process_messages();
    ws::reset_drawing_log();
    ws::record_drawing(true);
    list().repaint();
    ws::record_drawing(false);
    std::vector<ws::DrawOp> texts;
    for (const ws::DrawOp& op : ws::drawing_of(list().handle())) {
      if (op.kind == ws::DrawKind::text) texts.push_back(op);
    }
    return texts;
  }

  const ws::DrawOp* text_starting(const std::vector<ws::DrawOp>& texts, std::string_view start) {
    const auto found = std::ranges::find_if(texts, [&](const ws::DrawOp& op) { return op.text.starts_with(start); });
    return found != texts.end() ? &*found : nullptr;
  }

  std::string row_text(std::int32_t index) {
    std::string text;
    list().OnGetItem(list(), index, text);
    return text;
  }

  int fetched = 0;
};

TEST_F(StatusWindowTest, TheListKeepsTheLast2000LinesWithTheLastInTheLastRow) {
  controls::TOvcVirtualListBox& box = list();
  int most_fetched = 0;
  int most_fetched_once_scrolling = 0;
  for (int line = 1; line <= 2001; ++line) {
    fetched = 0;
    WRITELN_TO_DEBUG("line " + std::to_string(line));
    EXPECT_EQ(fetched, 0) << "painted by the message loop's next pass, not at once";
    ws::process_messages();
    most_fetched = std::max(most_fetched, fetched);
    if (line > 2 * box.RowsPerPage()) most_fetched_once_scrolling = std::max(most_fetched_once_scrolling, fetched);
  }
  EXPECT_EQ(box.NumItems(), 2000);
  EXPECT_EQ(status_output().lines.front(), "line 2");
  EXPECT_EQ(box.TopIndex() + box.RowsPerPage() - 1, 1999);
  // However many lines there are, a new one fetches at most a page of rows; once the list
  // scrolls, only the new row: the rows already drawn move.
  EXPECT_LE(most_fetched, box.RowsPerPage());
  EXPECT_EQ(most_fetched_once_scrolling, 1);

  const std::vector<ws::DrawOp> texts = texts_drawn();
  const ws::DrawOp* last = text_starting(texts, "line 2001");
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->from.y, (box.RowsPerPage() - 1) * box.RowHeight());
  EXPECT_EQ(text_starting(texts, "line 1 "), nullptr);
}

TEST_F(StatusWindowTest, AnEchoedCommandIsDrawnInTheResponseThenTheCommandColour) {
  WRITELN_TO_DEBUG("CMD>" + ShortText(command_mark) + "PM");
  controls::TOvcVirtualListBox& box = list();
  // The row height follows the font once the list exists, not the stored 16.
  EXPECT_EQ(box.RowHeight(), ws::text_extent(box.font(), "Wy").height);

  std::vector<ws::DrawOp> texts = texts_drawn();
  const ws::DrawOp* prompt = text_starting(texts, "CMD>");
  const ws::DrawOp* command = text_starting(texts, "PM");
  ASSERT_NE(prompt, nullptr);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(prompt->text, "CMD>");
  EXPECT_EQ(prompt->color, ws::color::black);
  EXPECT_EQ(prompt->from.x, 0);
  EXPECT_EQ(command->color, ws::color::navy);
  EXPECT_EQ(command->from.x, 4 * ws::char_width(box.font(), '1'));
  // The row's padding and one blank follow the command.
  const auto width = static_cast<std::size_t>(status_window().visible_width());
  EXPECT_EQ(command->text, "PM" + std::string(width - 7, ' ') + " ");

  // The selected row is drawn in the selection text colour.
  status_window().selection_text_colour = ws::color::green;
  box.SetItemIndex(0);
  texts = texts_drawn();
  EXPECT_EQ(text_starting(texts, "CMD>")->color, ws::color::green);
  EXPECT_EQ(text_starting(texts, "PM")->color, ws::color::green);
}

class StatusWindowColoursTest : public StatusWindowTest {
 protected:
  StatusWindowColoursTest()
      : StatusWindowTest("Status_Window_-_Dialog_Commands0000F=255\nStatus_Window_-_Dialog_Background0002B=65535\n") {}
};

TEST_F(StatusWindowColoursTest, StoredColoursTakeEffect) {
  WRITELN_TO_DEBUG("CMD>" + ShortText(command_mark) + "PM");
  EXPECT_EQ(text_starting(texts_drawn(), "PM")->color, 255u);
  EXPECT_EQ(list().color(), 65535u);
}

TEST_F(StatusWindowTest, KeysInTheListFollowTheWindowsCommandTables) {
  for (int line = 1; line <= 5; ++line) WRITELN_TO_DEBUG("line " + std::to_string(line));
  list().set_focus();
  struct Case {
    std::uint16_t key;
    std::int32_t item;
  };
  // Up and Down are no commands of this window; Left and Right move the
  // selection, since the list has no horizontal bar.
  for (const Case& c : {Case{ws::vk::down, -1}, Case{ws::vk::up, -1}, Case{ws::vk::right, 0}, Case{ws::vk::right, 1},
                        Case{ws::vk::down, 1}, Case{ws::vk::left, 0}}) {
    ws::input::press_key(c.key);
    ws::process_messages();
    EXPECT_EQ(list().ItemIndex(), c.item) << c.key;
  }

  ws::input::press_key(ws::vk::escape);
  ws::process_messages();
  EXPECT_EQ(run_state().last_key, 27);
  EXPECT_FALSE(run_state().abort_flag);
  run_state().command_running = true;
  ws::input::press_key(ws::vk::escape);
  ws::process_messages();
  EXPECT_TRUE(run_state().abort_flag);
}

TEST_F(StatusWindowTest, AResizeRepadsTheRows) {
  WRITELN_TO_DEBUG("short");
  const int before = status_window().visible_width();
  EXPECT_EQ(row_text(0).size(), static_cast<std::size_t>(before));
  main().set_bounds(main().left(), main().top(), main().width() - 200, main().height());
  ws::process_messages();
  const int after = status_window().visible_width();
  EXPECT_LT(after, before);
  EXPECT_EQ(row_text(0), "short" + std::string(static_cast<std::size_t>(after) - 5, ' '));
  EXPECT_EQ(row_text(7), std::string(static_cast<std::size_t>(after), ' '));
}

TEST_F(StatusWindowTest, TheColourWindowListsThePartsInTheirColours) {
  TChangeColor1& colours = *program_windows().ChangeColor1;
  controls::TOvcVirtualListBox& box = colours.ListBox1();
  ASSERT_EQ(box.NumItems(), 6);
  struct Case {
    std::int32_t index;
    const char* name;
    ws::Color foreground;
    ws::Color background;
  };
  const ws::Color preset_text = 1;
  const ws::Color preset_back = 2;
  const Tstatus1& status_form = status_window();
  for (const Case& c : {Case{0, "Status Window - Dialog Commands", status_form.command_colour, preset_back},
                        Case{2, "Status Window - Dialog Background", preset_text, ws::color::window},
                        Case{5, "Status Window - Status Bar", ws::color::window_text, ws::color::button_face}}) {
    std::string name;
    box.OnGetItem(box, c.index, name);
    EXPECT_EQ(name, c.name);
    ws::Color foreground = preset_text;
    ws::Color background = preset_back;
    box.OnGetItemColor(box, c.index, foreground, background);
    EXPECT_EQ(foreground, c.foreground) << c.name;
    EXPECT_EQ(background, c.background) << c.name;
  }
}

// The same windows on a display: real fonts and pixels, for people to look at.
class StatusWindowOnDisplayTest : private test::OffscreenDisplay, public StatusWindowColoursTest {};

TEST_F(StatusWindowOnDisplayTest, Screenshots) {
  ASSERT_FALSE(ws::headless());
  const auto write_line = [](int line) {
    WRITELN_TO_DEBUG(line % 3 == 0 ? "CMD>" + ShortText(command_mark) + ShortText("PM " + std::to_string(line))
                                   : "line " + std::to_string(line));
  };
  // Most lines arrive while the list is hidden, where no row is drawn; the last ones scroll
  // it on the display.
  list().hide();
  for (int line = 1; line <= 1980; ++line) write_line(line);
  list().show();
  ws::process_messages();
  for (int line = 1981; line <= 2001; ++line) write_line(line);
  EXPECT_EQ(list().RowHeight(), ws::text_extent(list().font(), "Wy").height);
  EXPECT_FALSE(test::save_screenshot(main(), "status_window_2001_lines_stored_colours").empty());

  TChangeColor1& colours = *program_windows().ChangeColor1;
  colours.set_bounds(0, 0, 320, 160);
  colours.show();
  EXPECT_FALSE(test::save_screenshot(colours, "colour_window_parts").empty());
}

// The status window in normal state (STATUS_STATE=0) inside the main window, on a display.
class NormalStatusWindowTest : private test::OffscreenDisplay, public ProgrammerWindowsTest {
 protected:
  NormalStatusWindowTest()
      : ProgrammerWindowsTest("Status_Window_-_Status_Bar0005F=255\n", "STATUS_STATE=0\nSTATUS_LEFT=20\nSTATUS_TOP=10\nSTATUS_WIDTH=400\nSTATUS_HEIGHT=160\n") {
    main().show();
    status_window().show();
    ws::process_messages();
  }
};

// Its own frame: the caption " Status Window", a border and the border icons; the caption moves
// it, an edge resizes it, the maximise icon fills the main window's client area with it.
TEST_F(NormalStatusWindowTest, HasACaptionAndMovesResizesAndMaximisesByItsFrame) {
  for (int line = 1; line <= 4; ++line) WRITELN_TO_DEBUG("line " + std::to_string(line));
  Tstatus1& window = status_window();
  ASSERT_EQ(window.window_state(), ws::WindowState::normal);
  EXPECT_EQ(window.caption(), " Status Window");
  EXPECT_EQ(window.bounds(), (ws::Rect{20, 10, 420, 170}));
  const ws::Rect client = window.client_rect();
  EXPECT_LT(client.width(), window.width());
  EXPECT_LE(client.height(), window.height() - 18) << "room for the caption";
  EXPECT_FALSE(test::save_screenshot(main(), "status_window_normal_state").empty());

  const ws::Point caption{60, -10};
  // One step: the injector gives every point in the window's coordinates as they were at the start.
  ws::input::drag(window, caption, {caption.x + 30, caption.y + 25}, 1);
  ws::process_messages();
  EXPECT_EQ(window.bounds(), (ws::Rect{50, 35, 450, 195})) << "moved by its caption";
  ws::input::drag(window, {100, client.height() + 2}, {100, client.height() + 42}, 1);
  ws::process_messages();
  EXPECT_EQ(window.bounds(), (ws::Rect{50, 35, 450, 235})) << "resized by its bottom edge";
  EXPECT_GT(window.Listbox1().height(), 0);
  EXPECT_EQ(window.Listbox1().width(), window.client_rect().width());
  ws::input::click(window, {window.width() - 18, -9});
  ws::process_messages();
  EXPECT_EQ(window.window_state(), ws::WindowState::maximized);
  EXPECT_EQ(window.bounds().width(), main().ClientArea().client_rect().width());
}

// Keys typed into the programmer's window on a desktop: each reaches the status window's key
// handling, none moves the focus out of the list or presses the cancel button, and the page keys
// move the current row and bring it into view.
TEST_F(StatusWindowOnDisplayTest, KeysOnTheDesktopStayWithTheStatusList) {
  for (int line = 1; line <= 200; ++line) WRITELN_TO_DEBUG("line " + std::to_string(line));
  ASSERT_TRUE(list().focused());
  run_state().command_running = true;
  for (const auto& [key, text] : {std::pair{"Space", " "}, {"Return", "\r"}, {"PgDown", ""}, {"Home", ""}, {"A", "a"}}) {
    ASSERT_TRUE(test::press_key_on_display(main(), key, text));
    ws::process_messages();
    EXPECT_TRUE(list().focused()) << key;
    EXPECT_EQ(ws::active_form(), &status_window()) << key;
    EXPECT_FALSE(run_state().abort_flag) << key;
  }
  EXPECT_EQ(run_state().last_key, 'a');
  struct Case {
    const char* key;
    std::int32_t item;
  };
  const std::int32_t last = list().NumItems() - 1;
  for (const Case& c : {Case{"End", last}, Case{"Home", 0}, Case{"PgDown", list().RowsPerPage() - 1}, Case{"PgUp", 0}}) {
    ASSERT_TRUE(test::press_key_on_display(main(), c.key));
    ws::process_messages();
    EXPECT_EQ(list().ItemIndex(), c.item) << c.key;
    EXPECT_LE(list().TopIndex(), list().ItemIndex()) << c.key;
    EXPECT_LT(list().ItemIndex(), list().TopIndex() + list().RowsPerPage()) << c.key;
    EXPECT_TRUE(list().focused()) << c.key;
  }
}

}  // namespace
}  // namespace vx::programmer

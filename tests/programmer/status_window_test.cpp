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

  // The texts the list drew at its latest full repaint.
  std::vector<ws::DrawOp> texts_drawn() {
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
  for (int line = 1; line <= 2001; ++line) {
    fetched = 0;
    WRITELN_TO_DEBUG("line " + std::to_string(line));
    most_fetched = std::max(most_fetched, fetched);
  }
  EXPECT_EQ(box.NumItems(), 2000);
  EXPECT_EQ(status_output().lines.front(), "line 2");
  EXPECT_EQ(box.TopIndex() + box.RowsPerPage() - 1, 1999);
  // However many lines there are, a new one fetches at most a page of rows.
  EXPECT_GT(most_fetched, 0);
  EXPECT_LE(most_fetched, box.RowsPerPage());

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
  const Tstatus1& status = status_window();
  for (const Case& c : {Case{0, "Status Window - Dialog Commands", status.command_colour, preset_back},
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

}  // namespace
}  // namespace vx::programmer

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/ws/buttons.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws/lists.h"
#include "platform/ws/scroll_bars.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using testing_support::LoggingWindow;

// A form with a list of 40 items whose bar the user works with the mouse.
class ScrollBarTest : public testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    form.set_bounds(0, 0, 300, 300);
    list.set_bounds(10, 10, 120, list.item_height() * 8 + 2 * single_border_size);
    std::vector<std::string> items;
    for (int i = 0; i < 40; ++i) items.push_back("row " + std::to_string(i));
    list.set_items(items);
    form.show();
    process_messages();
  }

  ScrollBarLayout layout() const {
    return scroll_bar_layout(list.client_rect(), ScrollBarKind::vertical, list.scroll_info(ScrollBarKind::vertical));
  }
  static Point middle(const Rect& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

  Form form;
  ListBox list{&form};
};

TEST_F(ScrollBarTest, ArrowsAndTrackScrollByLinesAndPagesAndNeverSelectARow) {
  const int rows = list.rows_per_page();
  ASSERT_EQ(rows, 8);
  struct Case {
    int from;
    const char* part;
    int top;
  };
  for (const Case& c : {Case{10, "first arrow", 9}, Case{10, "last arrow", 11}, Case{10, "track above", 10 - rows},
                        Case{10, "track below", 10 + rows}, Case{0, "first arrow", 0}, Case{32, "last arrow", 32}}) {
    list.set_top_index(c.from);
    const ScrollBarLayout bar = layout();
    const std::string part = c.part;
    Point at = middle(bar.first_arrow);
    if (part == "last arrow") at = middle(bar.last_arrow);
    if (part == "track above") at = {middle(bar.thumb).x, bar.thumb.top - 1};
    if (part == "track below") at = {middle(bar.thumb).x, bar.thumb.bottom};
    input::click(list, at);
    process_messages();
    EXPECT_EQ(list.top_index(), c.top) << c.part << " from " << c.from;
  }
  EXPECT_EQ(list.item_index(), -1) << "a press on the bar is no row click";
  EXPECT_FALSE(list.has_capture());
}

TEST_F(ScrollBarTest, DraggingTheThumbTracksAndEndsWithItsPosition) {
  const ScrollBarLayout bar = layout();
  const Point grab = middle(bar.thumb);
  input::drag(list, grab, {grab.x, list.client_rect().bottom + 50}, 6);
  process_messages();
  EXPECT_EQ(list.top_index(), 40 - list.rows_per_page()) << "dragged past the end: the last page";
  const Point back = middle(layout().thumb);
  input::drag(list, back, {back.x, -40}, 3);
  process_messages();
  EXPECT_EQ(list.top_index(), 0);
}

TEST_F(ScrollBarTest, TheWindowGetsTrackRequestsThenThePositionAndTheEnd) {
  LoggingWindow window(&form);
  window.set_bounds(150, 10, 100, 200);
  window.set_scroll_info(ScrollBarKind::vertical, {0, 99, 10, 0});
  window.show_scroll_bar(ScrollBarKind::vertical, true);
  process_messages();
  window.log.clear();
  const ScrollBarLayout bar = scroll_bar_layout(window.client_rect(), ScrollBarKind::vertical,
                                                window.scroll_info(ScrollBarKind::vertical));
  const Point grab = middle(bar.thumb);
  input::drag(window, grab, {grab.x, grab.y + bar.travel}, 2);
  process_messages();
  std::vector<std::pair<int, int>> requests;
  for (const Message& m : window.log) {
    if (m.id == msg::vscroll) requests.emplace_back(low_word(m.wparam), high_word(m.wparam));
    EXPECT_NE(m.id, msg::left_button_down) << "the bar's press is not the window's";
  }
  // The window did not move its thumb, so each step is measured from where it was taken.
  const std::vector<std::pair<int, int>> expected{{scroll_code::thumb_track, 45},
                                                  {scroll_code::thumb_track, 90},
                                                  {scroll_code::thumb_position, 90},
                                                  {scroll_code::end_scroll, 0}};
  EXPECT_EQ(requests, expected);
}

TEST_F(ScrollBarTest, TheWheelScrollsTheListUnderThePointerWhileTheFocusStaysPut) {
  Button button(&form, "Quit");
  button.set_bounds(10, 250, 75, 25);
  button.set_focus();
  input::wheel(-120, list.client_to_screen({10, 10}));
  process_messages();
  EXPECT_EQ(list.top_index(), 3);
  input::wheel(2 * 120, list.client_to_screen({10, 10}));
  process_messages();
  EXPECT_EQ(list.top_index(), 0);
  EXPECT_TRUE(button.focused());
  EXPECT_EQ(list.item_index(), -1);
}

TEST_F(ScrollBarTest, PageKeysHomeAndEndMoveTheSelectionAndBringItIntoView) {
  list.set_focus();
  struct Case {
    std::uint16_t key;
    int index;
  };
  const int page = list.rows_per_page() - 1;
  for (const Case& c : {Case{vk::down, 0}, Case{vk::page_down, page}, Case{vk::page_down, 2 * page},
                        Case{vk::page_up, page}, Case{vk::end, 39}, Case{vk::page_down, 39}, Case{vk::home, 0},
                        Case{vk::page_up, 0}}) {
    input::press_key(c.key);
    process_messages();
    EXPECT_EQ(list.item_index(), c.index) << c.key;
    EXPECT_LE(list.top_index(), c.index) << c.key;
    EXPECT_GT(list.top_index() + list.rows_per_page(), c.index) << c.key;
  }
}

TEST_F(ScrollBarTest, AComboBoxDropsItsListOverTheFormAndTakesAChoiceByClickOrKeys) {
  ComboBox combo(&form);
  combo.set_bounds(150, 10, 140, 21);
  combo.set_items({"Quorvex Universal", "Quorvex Universal FX", "OSBDM"});
  combo.set_item_index(0);
  int changes = 0;
  combo.on_change = [&](ComboBox&) { ++changes; };
  // A control made later lies where the list drops.
  Button below(&form, "Below");
  below.set_bounds(150, 35, 140, 25);
  process_messages();

  input::click(combo, {10, 10});
  process_messages();
  ASSERT_TRUE(combo.dropped_down());
  Window& list_window = *combo.drop_down_list();
  EXPECT_EQ(form.children().back(), &list_window) << "over every other control";
  EXPECT_EQ(list_window.client_to_screen({0, 0}).y, combo.client_to_screen({0, 0}).y + combo.height());
  const int row = font_metrics(combo.font()).height;
  input::click(list_window, {10, row * 2 + 1});
  process_messages();
  EXPECT_FALSE(combo.dropped_down());
  EXPECT_EQ(combo.text(), "OSBDM");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(combo.focused());

  // F4 drops it, Up moves the choice, Enter closes it without reaching the form's buttons.
  int below_clicks = 0;
  below.on_click = [&](Window&) { ++below_clicks; };
  for (const std::uint16_t key : {static_cast<std::uint16_t>(vk::f1 + 3), vk::up, vk::enter}) {
    input::press_key(key);
    process_messages();
    if (key != vk::enter) {
      EXPECT_TRUE(combo.dropped_down()) << key;
    }
  }
  EXPECT_FALSE(combo.dropped_down());
  EXPECT_EQ(combo.item_index(), 1);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(below_clicks, 0);

  // A click into another control closes the list and changes nothing.
  input::click(combo, {10, 10});
  input::click(below, {5, 5});
  process_messages();
  EXPECT_FALSE(combo.dropped_down());
  EXPECT_EQ(combo.item_index(), 1);
}

}  // namespace
}  // namespace vx::ws

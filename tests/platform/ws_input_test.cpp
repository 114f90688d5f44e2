#include <algorithm>
#include <string>
#include <vector>

#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws/keyboard.h"
#include "platform/ws/lists.h"
#include "platform/ws/menu.h"
#include "support/typing_field.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using test::TypingField;
using testing_support::LoggingWindow;
using InputTest = testing_support::WindowSystemTest;

struct KeyMessage {
  MessageId id;
  WParam key;
  friend bool operator==(const KeyMessage&, const KeyMessage&) = default;
};

std::vector<KeyMessage> keys_of(const LoggingWindow& window) {
  std::vector<KeyMessage> keys;
  for (const Message& m : window.log) {
    if (m.id >= msg::key_down && m.id <= msg::sys_character) keys.push_back({m.id, m.wparam});
  }
  return keys;
}

TEST_F(InputTest, CtrlCArrivesAsKeyDown67ThenCharacter3) {
  LoggingWindow window;
  window.set_focus();
  bool ctrl_held_at_c = false;
  set_message_hook([&](Message& m) {
    if (m.id == msg::key_down && m.wparam == 'C') ctrl_held_at_c = key_is_down(vk::control);
    return false;
  });
  input::press_key('C', shift_ctrl);
  process_messages();
  const std::vector<KeyMessage> expected{{msg::key_down, vk::control}, {msg::key_down, 67}, {msg::character, 3},
                                         {msg::key_up, 67},            {msg::key_up, vk::control}};
  EXPECT_EQ(keys_of(window), expected);
  EXPECT_TRUE(ctrl_held_at_c) << "the keyboard state is that of the message being handled";
  EXPECT_FALSE(key_is_down(vk::control));
}

TEST_F(InputTest, KeysMakeTheCharactersOfTheKeyboard) {
  struct Case {
    std::uint16_t key;
    ShiftState modifiers;
    char expected;
  };
  const Case cases[] = {
      {'A', shift_none, 'a'}, {'A', shift_shift, 'A'},   {'1', shift_shift, '!'},      {vk::escape, shift_none, 27},
      {vk::enter, shift_none, '\r'}, {vk::oem_period, shift_none, '.'}, {vk::oem_minus, shift_shift, '_'},
      {vk::numpad0 + 7, shift_none, '7'}, {'Z', shift_ctrl, 26},      {vk::left, shift_none, 0},
      {'5', shift_ctrl, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(input::character_of(c.key, c.modifiers), c.expected) << "key " << c.key;
  }
}

TEST_F(InputTest, AltKeysComeAsSystemKeys) {
  LoggingWindow window;
  window.set_focus();
  input::press_key('F', shift_alt);
  process_messages();
  const std::vector<KeyMessage> expected{{msg::sys_key_down, vk::alt}, {msg::sys_key_down, 'F'},
                                         {msg::sys_character, 'f'},    {msg::sys_key_up, 'F'},
                                         {msg::key_up, vk::alt}};
  EXPECT_EQ(keys_of(window), expected);
}

TEST_F(InputTest, AltWithKeypadDigitsComposesACharacterWhenAltIsReleased) {
  LoggingWindow window;
  window.set_focus();
  input::alt_keypad(65);
  input::alt_keypad(321);  // modulo 256: 65 again
  input::alt_keypad(1);
  process_messages();
  std::vector<WParam> characters;
  for (const KeyMessage& key : keys_of(window)) {
    if (key.id == msg::character) characters.push_back(key.key);
    EXPECT_NE(key.id, msg::sys_character) << "keypad digits make no system characters";
  }
  EXPECT_EQ(characters, (std::vector<WParam>{'A', 'A', 1}));

  // Alt with an ordinary key between the digits and the release composes nothing.
  window.log.clear();
  input::key_event(vk::alt, true, true);
  input::key_event(vk::numpad0 + 6, true, true);
  input::key_event('X', true, true);
  input::key_event(vk::alt, false, false);
  process_messages();
  for (const KeyMessage& key : keys_of(window)) EXPECT_NE(key.id, msg::character);
}

TEST_F(InputTest, TypingGoesToTheFocusedWindowAtTheTimeItIsHandled) {
  Form form;
  TypingField first(&form);
  TypingField second(&form);
  form.show();
  first.on_change = [&](TypingField& edit) {
    if (edit.text() == "ab") second.set_focus();
  };
  input::type("abc!");
  process_messages();
  EXPECT_EQ(first.text(), "ab");
  EXPECT_EQ(second.text(), "c!");
}

TEST_F(InputTest, FormWithKeyPreviewSeesKeysFirstAndMaySwallowThem) {
  Form form;
  TypingField edit(&form);
  form.key_preview = true;
  std::string seen;
  form.on_key_press = [&](Window&, char& key) {
    seen += key;
    if (key == 'x') key = 0;
  };
  form.show();
  input::type("axb");
  process_messages();
  EXPECT_EQ(seen, "axb");
  EXPECT_EQ(edit.text(), "ab");
}

TEST_F(InputTest, ClickOnAButtonFocusesItAndClicksOnRelease) {
  Form form;
  TypingField edit(&form);
  Button button(&form, "&Go");
  button.set_bounds(10, 40, 75, 25);
  int clicks = 0;
  button.on_click = [&](Window&) { ++clicks; };
  form.show();
  ASSERT_TRUE(edit.focused());
  input::click(button, {5, 5});
  process_messages();
  EXPECT_TRUE(button.focused());
  EXPECT_EQ(clicks, 1);
  input::press_key(vk::space);
  process_messages();
  EXPECT_EQ(clicks, 2) << "Space clicks the focused button";
  input::click(button, {200, 5});
  process_messages();
  EXPECT_EQ(clicks, 2) << "released outside: no click";
}

TEST_F(InputTest, MouseActivateAnswerCanEatTheClick) {
  Form form;
  Button other(&form, "other");
  struct Refusing : LoggingWindow {
    using LoggingWindow::LoggingWindow;
    LResult window_proc(Message& m) override {
      if (m.id == msg::mouse_activate) {
        log.push_back(m);
        return mouse_activation::no_activate_and_eat;
      }
      return LoggingWindow::window_proc(m);
    }
  } refusing(&form);
  form.show();
  input::click(refusing, {1, 1});
  process_messages();
  const std::vector<MessageId> ids = refusing.ids();
  EXPECT_EQ(std::count(ids.begin(), ids.end(), msg::mouse_activate), 1);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), msg::left_button_down), 0);
  EXPECT_EQ(std::count(ids.begin(), ids.end(), msg::left_button_up), 1) << "only the press is eaten";
}

TEST_F(InputTest, WhileTheCaptureIsHeldTheMouseReportsToItsHolder) {
  Form form;
  LoggingWindow source(&form);
  LoggingWindow elsewhere(&form);
  source.set_bounds(0, 0, 50, 20);
  elsewhere.set_bounds(100, 0, 50, 20);
  source.captures_mouse = true;
  form.show();
  post_input({source.handle(), msg::left_button_down, mk::left_button, make_lparam(5, 5)});
  input::click(elsewhere, {5, 6});
  process_messages();
  EXPECT_TRUE(elsewhere.ids().empty());
  const auto release = std::find_if(source.log.begin(), source.log.end(),
                                    [](const Message& m) { return m.id == msg::left_button_up; });
  ASSERT_NE(release, source.log.end());
  EXPECT_EQ(point_from_lparam(release->lparam), (Point{105, 6})) << "in the holder's own coordinates";
  EXPECT_EQ(capture_window(), nullptr) << "the release gives the capture back";
}

TEST_F(InputTest, DragMovesWithTheButtonHeld) {
  Form form;
  LoggingWindow target(&form);
  form.show();
  std::vector<Point> moves;
  target.on_mouse_move = [&](Window&, ShiftState shift, Point p) {
    if ((shift & shift_left) != 0) moves.push_back(p);
  };
  input::drag(target, {0, 0}, {40, 8}, 4);
  process_messages();
  EXPECT_EQ(moves, (std::vector<Point>{{10, 2}, {20, 4}, {30, 6}, {40, 8}}));
}

TEST_F(InputTest, MouseEnterAndLeaveFollowThePointer) {
  Form form;
  Label one(&form, "one");
  Label two(&form, "two");
  two.set_bounds(0, 30, 40, 15);
  std::vector<std::string> events;
  one.on_mouse_enter = [&](Window&) { events.emplace_back("enter one"); };
  one.on_mouse_leave = [&](Window&) { events.emplace_back("leave one"); };
  two.on_mouse_enter = [&](Window&) { events.emplace_back("enter two"); };
  form.show();
  input::click(one, {1, 1});
  input::click(two, {1, 1});
  process_messages();
  EXPECT_EQ(events, (std::vector<std::string>{"enter one", "leave one", "enter two"}));
}

TEST_F(InputTest, RightClickShowsThePopupMenuAndRunsTheChosenItemAfterwards) {
  Form form;
  TypingField edit(&form);
  PopupMenu menu;
  std::vector<std::string> run;
  menu.add("&Restore", [&](MenuItem&) { run.emplace_back("restore"); }).enabled = false;
  menu.add("&Copy", [&](MenuItem&) { run.emplace_back("copy"); });
  edit.popup_menu = &menu;
  form.show();
  choose_next_popup_item("&Restore");
  input::click(edit, {3, 4}, MouseButton::right);
  process_messages();
  EXPECT_TRUE(run.empty()) << "a disabled item cannot be chosen";
  ASSERT_TRUE(menu.last_popup.has_value());
  EXPECT_EQ(*menu.last_popup, edit.client_to_screen({3, 4}));
  choose_next_popup_item("&Copy");
  input::click(edit, {3, 4}, MouseButton::right);
  process_messages();
  EXPECT_EQ(run, (std::vector<std::string>{"copy"}));
}

TEST_F(InputTest, ListsChangeSelectionByKeysAndClicks) {
  Form form;
  ComboBox combo(&form);
  ListBox list(&form);
  list.set_bounds(0, 40, 100, 60);
  combo.set_items({"Quorvex Universal", "Quorvex Universal FX"});
  combo.set_item_index(0);
  list.set_items({"zero", "one", "two"});
  int combo_changes = 0;
  int list_clicks = 0;
  combo.on_change = [&](ComboBox&) { ++combo_changes; };
  list.on_click = [&](Window&) { ++list_clicks; };
  form.show();
  input::press_key(vk::down);
  input::press_key(vk::down);
  process_messages();
  EXPECT_EQ(combo.item_index(), 1);
  EXPECT_EQ(combo.text(), "Quorvex Universal FX");
  EXPECT_EQ(combo_changes, 1) << "no change past the last item";
  input::click(list, {5, list.item_height() * 2 + 1});
  process_messages();
  EXPECT_EQ(list.item_index(), 2);
  EXPECT_EQ(list_clicks, 1);
  combo.clear_items();
  EXPECT_EQ(combo.item_index(), -1);
  EXPECT_EQ(combo.text(), "");
}

// A list longer than its window shows a vertical bar the user can scroll with; a short one none.
TEST_F(InputTest, AListLongerThanItsWindowScrollsWithItsBar) {
  Form form;
  ListBox list(&form);
  list.set_bounds(0, 0, 120, list.item_height() * 3 + 6);
  list.set_items({"zero", "one", "two"});
  form.show();
  process_messages();
  EXPECT_FALSE(list.scroll_bar_visible(ScrollBarKind::vertical));

  list.set_items({"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"});
  ASSERT_TRUE(list.scroll_bar_visible(ScrollBarKind::vertical));
  EXPECT_EQ(list.scroll_info(ScrollBarKind::vertical), (ScrollInfo{0, 9, list.rows_per_page(), 0}));
  const int last_top = 10 - list.rows_per_page();
  struct Step {
    int code;
    int position;
    int top;
  };
  for (const Step step : {Step{scroll_code::line_down, 0, 1}, Step{scroll_code::page_down, 0, 1 + list.rows_per_page()},
                          Step{scroll_code::bottom, 0, last_top}, Step{scroll_code::line_down, 0, last_top},
                          Step{scroll_code::thumb_track, 2, 2}, Step{scroll_code::page_up, 0, 0},
                          Step{scroll_code::line_up, 0, 0}}) {
    input::scroll(list, ScrollBarKind::vertical, step.code, step.position);
    process_messages();
    EXPECT_EQ(list.top_index(), step.top) << step.code;
    EXPECT_EQ(list.scroll_info(ScrollBarKind::vertical).position, step.top) << step.code;
  }
  list.set_items({"only"});
  EXPECT_FALSE(list.scroll_bar_visible(ScrollBarKind::vertical));
}

TEST_F(InputTest, RadioButtonsOfAParentExcludeEachOther) {
  Form form;
  GroupBox group(&form, "Methodology");
  RadioButton automatic(&group, "Automatic");
  RadioButton manual(&group, "Choose Firmware Update File");
  CheckBox check(&form, "Don't ask again");
  manual.set_bounds(0, 20, 120, 17);
  check.set_bounds(0, 120, 120, 17);
  automatic.set_checked(true);
  form.show();
  input::click(manual, {2, 2});
  input::click(check, {2, 2});
  process_messages();
  EXPECT_TRUE(manual.checked());
  EXPECT_FALSE(automatic.checked());
  EXPECT_TRUE(check.checked());
  input::press_key(vk::space);
  process_messages();
  EXPECT_FALSE(check.checked());
}

TEST_F(InputTest, WheelGoesToTheWindowUnderThePointerAndOnToTheParentUnlessHandled) {
  Form form;
  LoggingWindow outer(&form);
  outer.set_bounds(0, 0, 200, 100);
  Button inner(&outer, "b");
  Button elsewhere(&form, "e");
  elsewhere.set_bounds(0, 150, 75, 25);
  form.show();
  elsewhere.set_focus();
  input::wheel(-120, {10, 10});
  process_messages();
  const auto wheel = std::find_if(outer.log.begin(), outer.log.end(),
                                  [](const Message& m) { return m.id == msg::mouse_wheel; });
  ASSERT_NE(wheel, outer.log.end());
  EXPECT_EQ(static_cast<std::int16_t>(high_word(wheel->wparam)), -120);
}

TEST_F(InputTest, ScrollRequestsReachTheWindowAndCancelModeEndsAPress) {
  LoggingWindow window;
  window.captures_mouse = true;
  input::scroll(window, ScrollBarKind::vertical, scroll_code::thumb_track, 100);
  post_input({window.handle(), msg::left_button_down, mk::left_button, make_lparam(1, 1)});
  process_messages();
  ASSERT_FALSE(window.log.empty());
  EXPECT_EQ(window.log.front().id, msg::vscroll);
  EXPECT_EQ(low_word(window.log.front().wparam), scroll_code::thumb_track);
  EXPECT_EQ(high_word(window.log.front().wparam), 100);
  EXPECT_TRUE(window.has_capture());
  window.perform(msg::cancel_mode);
  EXPECT_FALSE(window.has_capture());
}

}  // namespace
}  // namespace vx::ws

namespace vx::ws {
namespace {

// Enter presses the focused button; in another control it presses the form's default button, unless
// that control takes all keys itself (an open combo box). Tab shows where the focus went.
TEST_F(InputTest, EnterPressesTheFocusedOrTheDefaultButtonAndTabShowsTheFocus) {
  Form form;
  TypingField edit(&form);
  Button quit(&form, "Quit");
  Button ok(&form, "OK");
  ComboBox combo(&form);
  quit.set_bounds(0, 40, 75, 25);
  ok.set_bounds(80, 40, 75, 25);
  combo.set_bounds(0, 80, 120, 21);
  combo.set_items({"one", "two"});
  std::vector<std::string> pressed;
  quit.on_click = [&](Window&) { pressed.emplace_back("quit"); };
  ok.on_click = [&](Window&) { pressed.emplace_back("ok"); };
  form.show();
  edit.set_focus();
  process_messages();

  input::press_key(vk::enter);
  process_messages();
  EXPECT_TRUE(pressed.empty()) << "no default button yet";
  ok.is_default = true;
  input::press_key(vk::enter);
  process_messages();
  EXPECT_EQ(pressed, std::vector<std::string>{"ok"});
  EXPECT_EQ(edit.text(), "") << "the Enter was the button's, not typed";

  reset_drawing_log();
  record_drawing(true);
  input::press_key(vk::tab);
  process_messages();
  record_drawing(false);
  ASSERT_TRUE(quit.focused());
  const std::vector<DrawOp> drawn = drawing_of(quit.handle());
  EXPECT_TRUE(std::any_of(drawn.begin(), drawn.end(), [](const DrawOp& op) { return op.kind == DrawKind::focus_rect; }))
      << "the focused button shows it";
  input::press_key(vk::enter);
  process_messages();
  EXPECT_EQ(pressed, (std::vector<std::string>{"ok", "quit"}));

  combo.set_focus();
  combo.set_dropped_down(true);
  input::press_key(vk::enter);
  process_messages();
  EXPECT_FALSE(combo.dropped_down());
  EXPECT_EQ(pressed.size(), 2u) << "the open list took the Enter";
}

}  // namespace
}  // namespace vx::ws

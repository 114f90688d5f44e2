#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <utility>
#include <vector>

#include "controls/command_codes.h"
#include "controls/exceptions.h"
#include "controls/virtual_list_box.h"
#include "list_box_fixture.h"
#include "platform/ws/input.h"
#include "platform/ws/scroll_bars.h"
#include "support/typing_field.h"

namespace vx::controls {
namespace {

using ListBoxKeys = testing_support::ListBoxTest;
using ListBoxMouse = testing_support::ListBoxTest;

struct KeyCase {
  std::int32_t before;
  std::uint16_t key;
  ws::ShiftState modifiers;
  std::int32_t after;
};

TEST_F(ListBoxKeys, KeysMoveTheCurrentItemAsTheControllerTranslatesThem) {
  make_box(2000);
  box->set_focus();
  ws::process_messages();
  const std::vector<KeyCase> cases{
      {-1, ws::vk::down, ws::shift_none, 0},      {-1, ws::vk::home, ws::shift_none, 0},
      {-1, ws::vk::end, ws::shift_none, 1999},    {5, ws::vk::up, ws::shift_none, 4},
      {0, ws::vk::up, ws::shift_none, 0},         {1999, ws::vk::down, ws::shift_none, 1999},
      {0, ws::vk::page_down, ws::shift_none, 6},  {1996, ws::vk::page_down, ws::shift_none, 1999},
      {10, ws::vk::page_up, ws::shift_none, 4},   {3, ws::vk::page_up, ws::shift_none, 0},
      {5, ws::vk::left, ws::shift_none, 4},       {5, ws::vk::right, ws::shift_none, 6},
      // Extend keys act only in multiple mode; other commands do nothing.
      {5, ws::vk::down, ws::shift_shift, 5},      {5, ws::vk::up, ws::shift_shift, 5},
      {5, ws::vk::page_down, ws::shift_shift, 5}, {5, ws::vk::page_up, ws::shift_shift, 5},
      {5, ws::vk::home, ws::shift_shift, 5},      {5, ws::vk::end, ws::shift_shift, 5},
      {5, ws::vk::home, ws::shift_ctrl, 5},       {5, ws::vk::del, ws::shift_none, 5},
  };
  int clicks = 0;
  box->on_click = [&](ws::Window&) { ++clicks; };
  for (const KeyCase& c : cases) {
    box->SetItemIndex(c.before);
    clicks = 0;
    ws::input::press_key(c.key, c.modifiers);
    ws::process_messages();
    EXPECT_EQ(box->ItemIndex(), c.after) << "key " << c.key << " modifiers " << int{c.modifiers} << " from " << c.before;
    EXPECT_EQ(clicks, c.after != c.before ? 1 : 0) << "key " << c.key;
    if (c.after != c.before) {
      EXPECT_EQ(box->AnchorIndex(), c.after) << "key " << c.key;
      EXPECT_GE(c.after, box->TopIndex()) << "key " << c.key;
      EXPECT_LT(c.after, box->TopIndex() + box->RowsPerPage()) << "key " << c.key;
    }
  }
}

TEST_F(ListBoxKeys, APageIsOneRowLessThanThePageButAtLeastOne) {
  make_box(2000);
  box->SetRowHeight(40);
  ASSERT_EQ(box->RowsPerPage(), 1);
  box->set_focus();
  box->SetItemIndex(0);
  ws::input::press_key(ws::vk::page_down);
  ws::process_messages();
  EXPECT_EQ(box->ItemIndex(), 1);

  // An empty box: End and Home do nothing.
  box->SetNumItems(0);
  ws::input::press_key(ws::vk::end);
  ws::input::press_key(ws::vk::page_down);
  ws::process_messages();
  EXPECT_EQ(box->ItemIndex(), -1);
}

TEST_F(ListBoxKeys, LeftAndRightScrollSidewaysWhenThereIsAHorizontalBar) {
  make_box(2000, [](TOvcVirtualListBox& b) { b.SetScrollBars(TScrollStyle::ssBoth); });
  box->SetColumns(2);
  box->set_focus();
  box->SetItemIndex(5);
  for (const auto& [key, offset] : std::vector<std::pair<std::uint16_t, std::int32_t>>{
           {ws::vk::right, 1}, {ws::vk::right, 2}, {ws::vk::right, 2}, {ws::vk::left, 1}}) {
    ws::input::press_key(key);
    ws::process_messages();
    EXPECT_EQ(box->HOffset(), offset) << key;
    EXPECT_EQ(box->ItemIndex(), 5);
  }
}

TEST_F(ListBoxKeys, UserCommandsReachOnUserCommand) {
  make_box(2000);
  controller->EntryCommands().AddCommand("Default", CommandRow{ws::vk::f1 + 4, 0, 0, 0, 256});
  controller->EntryCommands().AddCommand("Default", CommandRow{ws::vk::f1 + 5, 0, 0, 0, 300});
  std::vector<std::uint16_t> commands;
  box->OnUserCommand = [&](TOvcCustomVirtualListBox&, std::uint16_t command) { commands.push_back(command); };
  box->set_focus();
  box->SetItemIndex(3);
  ws::input::press_key(ws::vk::f1 + 4);
  ws::input::press_key(ws::vk::f1 + 5);
  ws::process_messages();
  EXPECT_EQ(commands, (std::vector<std::uint16_t>{256, 300}));
  EXPECT_EQ(box->ItemIndex(), 3);
}

TEST_F(ListBoxKeys, TypedCharactersGoThroughOnCharToItem) {
  make_box(2000);
  box->OnCharToItem = [](TOvcCustomVirtualListBox&, char ch, std::int32_t& index) {
    index = ch == 'z' ? 5000 : ch - 'a';
  };
  box->set_focus();
  box->SetItemIndex(9);
  ws::input::type("c");
  ws::process_messages();
  EXPECT_EQ(box->ItemIndex(), 2);
  ws::input::type("z");
  ws::process_messages();
  EXPECT_EQ(box->ItemIndex(), 2);
}

TEST_F(ListBoxMouse, AClickSelectsTheRowUnderItExceptBelowAShortList) {
  struct Case {
    std::int32_t count;
    int y;
    std::int32_t item;
  };
  // The partial bottom row counts as the last whole row.
  for (const Case& c : {Case{2000, 5, 100}, Case{2000, 15, 101}, Case{2000, 69, 106}, Case{2000, 72, 106},
                        Case{2000, 74, 106}, Case{3, 25, 2}, Case{3, 35, 1}, Case{3, 72, 1}}) {
    make_box(c.count);
    box->SetItemIndex(1);
    box->SetTopIndex(c.count > 100 ? 100 : 0);
    int clicks = 0;
    box->on_click = [&](ws::Window&) { ++clicks; };
    ws::input::click(*box, {20, c.y});
    ws::process_messages();
    EXPECT_EQ(box->ItemIndex(), c.item) << c.count << " y " << c.y;
    // Not while the button holds the mouse, but once it is released.
    EXPECT_EQ(clicks, 1) << c.count << " y " << c.y;
    EXPECT_TRUE(box->focused());
    EXPECT_FALSE(box->has_capture());
  }
}

TEST_F(ListBoxMouse, TheHeaderTakesClicksWithoutSelecting) {
  make_box(2000, [](TOvcVirtualListBox& b) { b.SetShowHeader(true); });
  std::vector<ws::Point> header_clicks;
  box->OnClickHeader = [&](TOvcCustomVirtualListBox&, const ws::Point& point) { header_clicks.push_back(point); };
  int double_clicks = 0;
  box->on_double_click = [&](ws::Window&) { ++double_clicks; };
  ws::input::click(*box, {20, 4});
  ws::process_messages();
  EXPECT_EQ(header_clicks, std::vector<ws::Point>{(ws::Point{20, 4})});
  EXPECT_EQ(box->ItemIndex(), -1);

  ws::input::double_click(*box, {20, 4});
  ws::process_messages();
  EXPECT_EQ(double_clicks, 0);
  EXPECT_EQ(box->ItemIndex(), -1);

  ws::input::click(*box, {20, 15});
  ws::process_messages();
  EXPECT_EQ(box->ItemIndex(), 0);
  ws::input::double_click(*box, {20, 25});
  ws::process_messages();
  EXPECT_EQ(double_clicks, 1);
  EXPECT_EQ(box->ItemIndex(), 1);
}

TEST_F(ListBoxMouse, AButtonHeldOutsideTheBoxScrollsTowardsIt) {
  struct Case {
    std::int32_t top;
    int y;
    std::vector<std::int32_t> tops;
    std::int32_t item;
  };
  // Below: the row under the cursor is 9 rows down from the top, and the
  // top follows the item; above: one row per pass.
  for (const Case& c : {Case{0, 95, {3, 6, 9, 12}, 18}, Case{100, -5, {99, 98, 97, 96}, 96}}) {
    make_box(2000);
    box->SetTopIndex(c.top);
    tops.clear();
    const ws::Point outside{20, c.y};
    box->OnTopIndexChanged = [&](TOvcCustomVirtualListBox&, std::int32_t top) {
      tops.push_back(top);
      if (tops.size() < c.tops.size()) {
        ws::input::mouse_event(*box, ws::msg::mouse_move, ws::mk::left_button, outside);
      } else {
        ws::input::mouse_event(*box, ws::msg::left_button_up, 0, outside);
      }
    };
    ws::input::mouse_event(*box, ws::msg::left_button_down, ws::mk::left_button, {20, 15});
    ws::input::mouse_event(*box, ws::msg::mouse_move, ws::mk::left_button, outside);
    ws::process_messages();
    EXPECT_EQ(tops, c.tops) << c.y;
    EXPECT_EQ(box->ItemIndex(), c.item) << c.y;
    EXPECT_FALSE(box->has_capture());
  }
}

TEST_F(ListBoxMouse, TheBoxDestroyedWhileTrackingAClickEndsTheLoop) {
  make_box(2000);
  box->on_mouse_down = [this](ws::Window&, ws::MouseButton, ws::ShiftState, ws::Point) {
    ws::post_message(form->handle(), ws::msg::user);
  };
  bool destroyed = false;
  ws::set_message_hook([&](ws::Message& message) {
    if (message.id != ws::msg::user) return false;
    box.reset();
    destroyed = true;
    return true;
  });
  ws::input::mouse_event(*box, ws::msg::left_button_down, ws::mk::left_button, {20, 15});
  ws::input::mouse_event(*box, ws::msg::mouse_move, ws::mk::left_button, {20, 95});
  ws::process_messages();
  ws::set_message_hook(nullptr);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(box, nullptr);
}

TEST_F(ListBoxMouse, AClickCannotTakeTheFocusWhileAFieldsErrorIsPending) {
  make_box(2000);
  test::TypingField field(form.get());
  field.set_bounds(250, 10, 80, 20);
  field.set_focus();
  ws::process_messages();
  struct Case {
    bool box_focused;
    bool pending;
    ws::LResult answer;
  };
  for (const Case& c : {Case{false, true, 4}, Case{false, false, 1}, Case{true, true, 1}}) {
    if (c.box_focused) box->set_focus();
    ws::process_messages();
    controller->ErrorPending = c.pending;
    EXPECT_EQ(send(ws::msg::mouse_activate, form->handle(), ws::make_lparam(1, ws::msg::left_button_down)), c.answer)
        << c.box_focused << c.pending;
  }

  field.set_focus();
  ws::process_messages();
  controller->ErrorPending = true;
  box->SetItemIndex(-1);
  ws::input::click(*box, {20, 15});
  ws::process_messages();
  EXPECT_TRUE(field.focused());
  EXPECT_EQ(box->ItemIndex(), -1);
  controller->ErrorPending = false;
}

using MultipleSelection = testing_support::MultipleSelectionTest;

TEST_F(MultipleSelection, CtrlClickTogglesAndShiftClickSelectsFromTheAnchor) {
  make_multiple_box();
  EXPECT_TRUE(box->MultiSelect());
  click(25, ws::shift_ctrl);
  EXPECT_EQ(calls, (std::vector<std::pair<std::int32_t, bool>>{{2, true}}));
  EXPECT_EQ(box->AnchorIndex(), 2);
  EXPECT_EQ(box->ItemIndex(), 2);

  click(55, ws::shift_shift);
  EXPECT_EQ(calls, (std::vector<std::pair<std::int32_t, bool>>{{-1, false}, {2, true}, {3, true}, {4, true}, {5, true}}));
  EXPECT_EQ(chosen, (std::set<std::int32_t>{2, 3, 4, 5}));
  EXPECT_EQ(box->AnchorIndex(), 2);
  EXPECT_EQ(box->ItemIndex(), 5);
  EXPECT_EQ(box->FocusIndex(), 5);

  click(35, ws::shift_ctrl);
  EXPECT_EQ(chosen, (std::set<std::int32_t>{2, 4, 5}));
  EXPECT_EQ(box->AnchorIndex(), 3);

  // The selected rows are drawn in the selection colours.
  const std::vector<ws::DrawOp> text_ops = of_kind(full_repaint(), ws::DrawKind::text);
  ASSERT_EQ(text_ops.size(), 7U);
  for (std::size_t row = 0; row < text_ops.size(); ++row) {
    const bool selected = chosen.contains(static_cast<std::int32_t>(row));
    EXPECT_EQ(text_ops[row].color, selected ? box->SelectColor().TextColor() : box->font().color) << row;
  }
}

TEST_F(MultipleSelection, DraggingExtendsTheSelectionFromWhereThePressWas) {
  make_multiple_box();
  chosen = {40};
  // One event per pass of the tracking loop, fed as the pass paints.
  std::vector<ws::Message> script;
  for (const int y : {25, 35, 45}) {
    script.push_back({box->handle(), ws::msg::mouse_move, ws::mk::left_button, ws::make_lparam(20, y)});
  }
  script.push_back({box->handle(), ws::msg::left_button_up, 0, ws::make_lparam(20, 45)});
  auto supplier = box->OnGetItem;
  box->OnGetItem = [&](TOvcCustomVirtualListBox& sender, std::int32_t index, std::string& text) {
    supplier(sender, index, text);
    if (script.empty() || ws::input_pending()) return;
    ws::post_input(script.front());
    script.erase(script.begin());
  };
  ws::input::mouse_event(*box, ws::msg::left_button_down, ws::mk::left_button, {20, 15});
  ws::process_messages();
  EXPECT_TRUE(script.empty());
  EXPECT_EQ(chosen, (std::set<std::int32_t>{1, 2, 3, 4}));
  EXPECT_EQ(box->AnchorIndex(), 1);
  EXPECT_EQ(box->ItemIndex(), 4);
}

TEST_F(MultipleSelection, ExtendKeysSelectRanges) {
  make_multiple_box();
  box->set_focus();
  box->SetItemIndex(2);
  ws::input::press_key(ws::vk::down);
  ws::process_messages();
  ASSERT_EQ(box->AnchorIndex(), 3);
  struct Case {
    std::uint16_t key;
    std::set<std::int32_t> selected;
    std::int32_t item;
  };
  // The anchor stays at 3 while the range grows and shrinks.
  for (const Case& c : {Case{ws::vk::down, {3, 4}, 4}, Case{ws::vk::page_down, {3, 4, 5, 6, 7, 8, 9, 10}, 10},
                        Case{ws::vk::up, {3, 4, 5, 6, 7, 8, 9}, 9}, Case{ws::vk::home, {0, 1, 2, 3}, 0},
                        Case{ws::vk::end, {}, 1999}}) {
    ws::input::press_key(c.key, ws::shift_shift);
    ws::process_messages();
    EXPECT_EQ(box->ItemIndex(), c.item) << c.key;
    if (!c.selected.empty()) {
      EXPECT_EQ(chosen, c.selected) << c.key;
    }
  }
  EXPECT_EQ(chosen.size(), 1997U);
  EXPECT_EQ(box->TopIndex(), 1993);
}

TEST_F(MultipleSelection, SelectionMessagesGoToTheOwner) {
  make_multiple_box();
  EXPECT_EQ(send(ws::lb::set_sel, 1, static_cast<ws::LParam>(-1)), 0);
  EXPECT_TRUE(all_selected);
  EXPECT_EQ(send(ws::lb::get_sel, 1500), 1);
  EXPECT_EQ(send(ws::lb::set_sel, 0, static_cast<ws::LParam>(-1)), 0);
  EXPECT_FALSE(all_selected);

  calls.clear();
  EXPECT_EQ(send(ws::lb::sel_item_range, 1, ws::make_lparam(6, 3)), 0);
  EXPECT_EQ(calls, (std::vector<std::pair<std::int32_t, bool>>{{6, true}, {5, true}, {4, true}, {3, true}}));
  EXPECT_EQ(send(ws::lb::set_sel, 0, 4), 0);
  EXPECT_EQ(chosen, (std::set<std::int32_t>{3, 5, 6}));
  EXPECT_EQ(send(ws::lb::set_sel, 1, 2000), ws::lb::error);
  EXPECT_EQ(send(ws::lb::sel_item_range, 1, ws::make_lparam(3, 2000)), ws::lb::error);
  EXPECT_EQ(send(ws::lb::get_sel, 5), 1);
  EXPECT_EQ(send(ws::lb::get_sel, 4), 0);

  // A protected item is never selected.
  box->OnGetItemStatus = [](TOvcCustomVirtualListBox&, std::int32_t index, bool& protect) { protect = index == 8; };
  EXPECT_EQ(send(ws::lb::sel_item_range, 1, ws::make_lparam(7, 9)), 0);
  EXPECT_EQ(chosen, (std::set<std::int32_t>{3, 5, 6, 7, 9}));
}

TEST_F(MultipleSelection, MissingOwnerEventsRaise) {
  make_box(2000, [this](TOvcVirtualListBox& b) { be_owner_of(b); });
  box->OnSelect = nullptr;
  EXPECT_THROW(box->SetItemIndex(3), EOnSelectNotAssigned);
  box->OnIsSelected = nullptr;
  box->OnSelect = [](TOvcCustomVirtualListBox&, std::int32_t, bool) {};
  EXPECT_THROW(box->SelectAll(false), EOnIsSelectedNotAssigned);
  ws::Message query{box->handle(), ws::lb::get_sel, 3, 0};
  EXPECT_THROW(box->window_proc(query), EOnIsSelectedNotAssigned);
}

TEST_F(MultipleSelection, IsSetOnlyWhileLoading) {
  make_box(2000);
  box->SetMultiSelect(true);
  EXPECT_FALSE(box->MultiSelect());
  EXPECT_EQ(send(ws::lb::set_sel, 1, 3), ws::lb::error);
}

}  // namespace
}  // namespace vx::controls

namespace vx::controls {
namespace {

using ListBoxBar = testing_support::ListBoxTest;

ws::Point middle(const ws::Rect& rect) { return {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

ws::ScrollBarLayout bar_of(const TOvcVirtualListBox& box) {
  return ws::scroll_bar_layout(box.client_rect(), ws::ScrollBarKind::vertical,
                               box.scroll_info(ws::ScrollBarKind::vertical));
}

// The user's mouse on the bar, from the last page: the up arrow is one row, the track above the
// thumb a page less one row, and the thumb dragged to either end shows the first or the last page.
TEST_F(ListBoxBar, ClicksAndDragsOnTheBarScrollTheBoxWithoutChoosingARow) {
  for (const std::int32_t count : {2000, 1000000}) {
    make_box(count);
    const std::int32_t last_top = count - box->RowsPerPage();
    box->SetTopIndex(last_top);
    ws::input::click(*box, middle(bar_of(*box).first_arrow));
    ws::process_messages();
    EXPECT_EQ(box->TopIndex(), last_top - 1) << count;
    const ws::Rect thumb = bar_of(*box).thumb;
    ws::input::click(*box, {middle(thumb).x, thumb.top - 1});
    ws::process_messages();
    EXPECT_EQ(box->TopIndex(), last_top - 1 - (box->RowsPerPage() - 1)) << count;

    ws::Point grab = middle(bar_of(*box).thumb);
    ws::input::drag(*box, grab, {grab.x, -100});
    ws::process_messages();
    EXPECT_EQ(box->TopIndex(), 0) << count;
    grab = middle(bar_of(*box).thumb);
    ws::input::drag(*box, grab, {grab.x, box->ClientHeight() + 100});
    ws::process_messages();
    EXPECT_EQ(box->TopIndex(), last_top) << count << ": the thumb's last position shows the last page";
    EXPECT_EQ(box->ItemIndex(), -1) << count;
    EXPECT_FALSE(box->has_capture());
  }
}

}  // namespace
}  // namespace vx::controls

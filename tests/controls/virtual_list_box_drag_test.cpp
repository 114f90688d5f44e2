#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "controls/virtual_list_box.h"
#include "list_box_fixture.h"
#include "platform/ws/display.h"
#include "platform/ws/drag.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "support/display_input.h"
#include "support/screenshot.h"

namespace vx::controls {
namespace {

// A press and a release that reached the box's default window procedure.
struct ButtonEvent {
  bool down;
  ws::Point point;
  friend bool operator==(const ButtonEvent&, const ButtonEvent&) = default;
};

// A multiple-selection box (rows of 10 pixels) that drags automatically.
class AutomaticDrag : public testing_support::MultipleSelectionTest {
 protected:
  void make_dragging_box() {
    make_box(2000, [this](TOvcVirtualListBox& b) {
      be_owner_of(b);
      b.DragMode = TDragMode::dmAutomatic;
    });
    box->on_mouse_down = [this](ws::Window&, ws::MouseButton, ws::ShiftState, ws::Point point) {
      buttons.push_back({true, point});
    };
    box->on_mouse_up = [this](ws::Window&, ws::MouseButton, ws::ShiftState, ws::Point point) {
      buttons.push_back({false, point});
    };
    box->on_mouse_move = [this](ws::Window&, ws::ShiftState, ws::Point point) {
      moves.push_back(point);
      drag_seen_by_moves = drag_seen_by_moves || ws::dragging();
    };
  }
  void mouse(ws::MessageId id, ws::Point point, ws::WParam flags = ws::mk::left_button) {
    ws::input::mouse_event(*box, id, flags, point);
  }

  std::vector<ButtonEvent> buttons;
  std::vector<ws::Point> moves;
  bool drag_seen_by_moves = false;
};

// The held button goes on choosing rows: the press on item 1 is followed to item 2.
TEST_F(AutomaticDrag, AMoveBelowTheThresholdStartsNoDrag) {
  make_dragging_box();
  mouse(ws::msg::left_button_down, {20, 18});
  mouse(ws::msg::mouse_move, {20, 21});
  ws::process_messages();
  EXPECT_FALSE(ws::dragging());
  EXPECT_FALSE(drag_seen_by_moves);
  EXPECT_EQ(moves, (std::vector<ws::Point>{{20, 21}}));
  EXPECT_EQ(chosen, (std::set<std::int32_t>{1, 2}));
  EXPECT_EQ(box->ItemIndex(), 2);
}

TEST_F(AutomaticDrag, AMovePastTheThresholdStartsADragAndEndsTheTrackingLoop) {
  make_dragging_box();
  mouse(ws::msg::left_button_down, {20, 15});
  mouse(ws::msg::mouse_move, {20, 22});
  mouse(ws::msg::mouse_move, {20, 45});
  ws::process_messages();
  EXPECT_TRUE(ws::dragging());
  EXPECT_TRUE(box->has_capture());
  // The loop chose the pressed row and then stopped; the drag took the moves.
  EXPECT_EQ(chosen, (std::set<std::int32_t>{1}));
  EXPECT_EQ(box->ItemIndex(), 1);
  EXPECT_TRUE(moves.empty());
  EXPECT_EQ(buttons, (std::vector<ButtonEvent>{{true, {20, 15}}}));

  mouse(ws::msg::left_button_up, {20, 45}, 0);
  ws::process_messages();
  EXPECT_FALSE(ws::dragging());
  EXPECT_FALSE(box->has_capture());
  EXPECT_EQ(buttons, (std::vector<ButtonEvent>{{true, {20, 15}}, {true, {20, 45}}, {false, {20, 45}}}));
  EXPECT_EQ(chosen, (std::set<std::int32_t>{1}));
}

// A press on a selected item only starts the drag; however it ends, the
// press and release at the cursor go on to the default window procedure.
TEST_F(AutomaticDrag, ACancelPassesThePressAndReleaseToTheDefaultWindowProcedure) {
  struct Case {
    std::string ending;
    ws::Point cursor;
  };
  make_dragging_box();
  chosen = {1};
  for (const Case& c : {Case{"release", {20, 15}}, Case{"release", {20, 45}}, Case{"Esc", {20, 45}},
                        Case{"right button", {20, 45}}}) {
    const std::string name = c.ending + " at " + std::to_string(c.cursor.y);
    buttons.clear();
    calls.clear();
    mouse(ws::msg::left_button_down, {20, 15});
    ws::process_messages();
    EXPECT_TRUE(buttons.empty()) << name;
    EXPECT_FALSE(box->focused()) << name << ": nothing else happens on the press";
    mouse(ws::msg::mouse_move, c.cursor);
    if (c.ending == "release") {
      mouse(ws::msg::left_button_up, c.cursor, 0);
    } else if (c.ending == "Esc") {
      ws::input::press_key(ws::vk::escape);
    } else {
      ws::input::click(*box, c.cursor, ws::MouseButton::right);
    }
    ws::process_messages();
    EXPECT_FALSE(ws::dragging()) << name;
    EXPECT_FALSE(box->has_capture()) << name;
    EXPECT_EQ(buttons, (std::vector<ButtonEvent>{{true, c.cursor}, {false, c.cursor}})) << name;
    EXPECT_TRUE(calls.empty()) << name << ": the selection stays";
    EXPECT_EQ(box->ItemIndex(), -1) << name;
    if (c.ending != "release") {
      mouse(ws::msg::left_button_up, c.cursor, 0);
      ws::process_messages();
    }
  }
}

// The same through the display's own input, on the offscreen platform.
class AutomaticDragOnDisplay : private test::OffscreenDisplay, public AutomaticDrag {
 protected:
  void SetUp() override {
    AutomaticDrag::SetUp();
    ws::set_headless(false);
    ASSERT_NE(ws::display(), nullptr);
    make_dragging_box();
    form->invalidate();
    ws::process_messages();
  }
};

TEST_F(AutomaticDragOnDisplay, AMoveBelowTheThresholdStartsNoDrag) {
  ASSERT_TRUE(test::press_on_display(*box, {20, 18}));
  ASSERT_TRUE(test::move_on_display(*box, {20, 21}));
  ASSERT_TRUE(test::release_on_display(*box, {20, 21}));
  ws::process_messages();
  EXPECT_EQ(moves, (std::vector<ws::Point>{{20, 21}}));
  EXPECT_FALSE(drag_seen_by_moves);
  // The deferred drag ended before it began: press and release go on.
  EXPECT_EQ(buttons, (std::vector<ButtonEvent>{{true, {20, 18}}, {true, {20, 21}}, {false, {20, 21}}}));
}

// On a display the tracking loop waits for the user: only the drag ends it
// while the button is held.
TEST_F(AutomaticDragOnDisplay, AMovePastTheThresholdStartsADragAndEndsTheTrackingLoop) {
  ASSERT_TRUE(test::press_on_display(*box, {20, 15}));
  ASSERT_TRUE(test::move_on_display(*box, {20, 17}));
  ASSERT_TRUE(test::move_on_display(*box, {20, 45}));
  ws::process_messages();
  EXPECT_TRUE(ws::dragging());
  EXPECT_EQ(moves, (std::vector<ws::Point>{{20, 17}}));
  EXPECT_EQ(chosen, (std::set<std::int32_t>{1}));
  ASSERT_TRUE(test::release_on_display(*box, {20, 45}));
  ws::process_messages();
  EXPECT_FALSE(ws::dragging());
  EXPECT_EQ(buttons, (std::vector<ButtonEvent>{{true, {20, 15}}, {true, {20, 45}}, {false, {20, 45}}}));
}

TEST_F(AutomaticDragOnDisplay, EscAndTheRightButtonCancelTheDrag) {
  for (const bool by_escape : {true, false}) {
    buttons.clear();
    chosen.clear();
    ASSERT_TRUE(test::press_on_display(*box, {20, 15}));
    ASSERT_TRUE(test::move_on_display(*box, {20, 45}));
    ws::process_messages();
    ASSERT_TRUE(ws::dragging());
    if (by_escape) {
      ASSERT_TRUE(test::press_key_on_display(*form, "Esc", "\x1b"));
    } else {
      ASSERT_TRUE(test::press_on_display(*box, {20, 45}, true));
      ASSERT_TRUE(test::release_on_display(*box, {20, 45}, true));
    }
    ws::process_messages();
    EXPECT_FALSE(ws::dragging()) << by_escape;
    EXPECT_FALSE(box->has_capture()) << by_escape;
    EXPECT_EQ(buttons, (std::vector<ButtonEvent>{{true, {20, 15}}, {true, {20, 45}}, {false, {20, 45}}})) << by_escape;
    ASSERT_TRUE(test::release_on_display(*box, {20, 45}));
    ws::process_messages();
  }
}

}  // namespace
}  // namespace vx::controls

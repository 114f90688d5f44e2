#include <string>
#include <vector>

#include "platform/ws/application.h"
#include "platform/ws/drag.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws/menu.h"
#include "platform/ws/messages.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using testing_support::LoggingWindow;

// A window that starts a deferred drag of itself on a left press.
class DragSource : public LoggingWindow {
 public:
  explicit DragSource(Window* parent) : LoggingWindow(parent) { set_bounds(10, 10, 100, 80); }
  LResult window_proc(Message& message) override {
    if (message.id == msg::left_button_down) begin_drag(*this, point_from_lparam(message.lparam));
    return LoggingWindow::window_proc(message);
  }
  void drag_cancelled(Point point) override { cancelled_at.push_back(point); }
  std::vector<Point> cancelled_at;
};

class DragTest : public testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    form.set_bounds(0, 0, 300, 200);
    form.show();
    process_messages();
  }
  void press(Point point) {
    input::mouse_event(source, msg::left_button_down, mk::left_button, point);
    process_messages();
  }
  void move(Point point) {
    input::mouse_event(source, msg::mouse_move, mk::left_button, point);
    process_messages();
  }
  int moves_seen() const {
    int count = 0;
    for (const Message& m : source.log) count += m.id == msg::mouse_move ? 1 : 0;
    return count;
  }

  Form form;
  DragSource source{&form};
};

TEST_F(DragTest, TheDragBeginsOnceTheMouseHasMovedTheThreshold) {
  struct Case {
    Point to;
    bool begins;
  };
  const Case cases[] = {{{24, 20}, false}, {{20, 16}, false}, {{23, 24}, false},
                        {{25, 20}, true},  {{20, 15}, true},  {{16, 26}, true}};
  for (const Case& c : cases) {
    press({20, 20});
    ASSERT_TRUE(source.has_capture());
    source.log.clear();
    move(c.to);
    EXPECT_EQ(dragging(), c.begins) << c.to.x << "," << c.to.y;
    // Before the drag begins the source sees the mouse as it would without a drag.
    EXPECT_EQ(moves_seen(), c.begins ? 0 : 1) << c.to.x << "," << c.to.y;
    input::mouse_event(source, msg::left_button_up, 0, c.to);
    process_messages();
  }
}

// Nothing takes a drop: every way of ending the drag cancels it at the cursor,
// and what ended it goes no further.
TEST_F(DragTest, ReleaseEscAndTheRightButtonCancelTheDragAtTheCursor) {
  PopupMenu menu;
  source.popup_menu = &menu;
  const std::string endings[] = {"release", "Esc", "right button"};
  for (const std::string& ending : endings) {
    source.cancelled_at.clear();
    press({20, 20});
    move({40, 50});
    ASSERT_TRUE(dragging()) << ending;
    source.log.clear();
    if (ending == "release") {
      input::mouse_event(source, msg::left_button_up, 0, {40, 50});
    } else if (ending == "Esc") {
      source.set_focus();
      input::press_key(vk::escape);
    } else {
      input::click(source, {40, 50}, MouseButton::right);
    }
    process_messages();
    EXPECT_FALSE(dragging()) << ending;
    EXPECT_FALSE(source.has_capture()) << ending;
    EXPECT_EQ(source.cancelled_at, (std::vector<Point>{{40, 50}})) << ending;
    for (const Message& m : source.log) {
      EXPECT_NE(m.id, msg::left_button_up) << ending;
      EXPECT_NE(m.id, msg::right_button_down) << ending;
      EXPECT_NE(m.id, msg::right_button_up) << ending;
      EXPECT_FALSE(m.id == msg::key_down && m.wparam == vk::escape) << ending;
      EXPECT_NE(m.id, msg::character) << ending;
    }
    EXPECT_FALSE(menu.last_popup.has_value()) << ending;
    if (ending != "release") {
      input::mouse_event(source, msg::left_button_up, 0, {40, 50});
      process_messages();
    }
  }
}

TEST_F(DragTest, ADeferredDragEndsCancelledWhenTheButtonComesUpBeforeTheThreshold) {
  press({20, 20});
  move({22, 21});
  input::mouse_event(source, msg::left_button_up, 0, {22, 21});
  process_messages();
  EXPECT_EQ(source.cancelled_at, (std::vector<Point>{{22, 21}}));
  EXPECT_FALSE(source.has_capture());
}

TEST_F(DragTest, TakingTheCaptureAwayEndsTheDragWithoutACancel) {
  press({20, 20});
  move({60, 20});
  ASSERT_TRUE(dragging());
  source.release_capture();
  EXPECT_FALSE(dragging());
  source.log.clear();
  input::mouse_event(source, msg::left_button_up, 0, {60, 20});
  process_messages();
  EXPECT_TRUE(source.cancelled_at.empty());
  EXPECT_EQ(source.ids(), (std::vector<MessageId>{msg::left_button_up}));
}

}  // namespace
}  // namespace vx::ws

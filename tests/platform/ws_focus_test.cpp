#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "support/typing_field.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using test::TypingField;
using testing_support::LoggingWindow;
using FocusTest = testing_support::WindowSystemTest;

// Records focus messages of several windows in one sequence.
struct FocusRecorder {
  struct Entry {
    WindowHandle window;
    MessageId id;
    WindowHandle other;
    friend bool operator==(const Entry&, const Entry&) = default;
  };
  std::vector<Entry> entries;
};

class FocusLogging : public Button {
 public:
  FocusLogging(Window* parent, FocusRecorder& recorder) : Button(parent, "x"), recorder_(recorder) {}
  LResult window_proc(Message& m) override {
    if (m.id == msg::set_focus || m.id == msg::kill_focus) {
      recorder_.entries.push_back({handle(), m.id, static_cast<WindowHandle>(m.wparam)});
    }
    return Button::window_proc(m);
  }

 private:
  FocusRecorder& recorder_;
};

TEST_F(FocusTest, KillFocusReachesTheOldWindowBeforeSetFocusTheNew) {
  Form form;
  FocusRecorder recorder;
  FocusLogging first(&form, recorder);
  FocusLogging second(&form, recorder);
  form.show();
  ASSERT_TRUE(first.focused()) << "a shown form focuses its first control";
  recorder.entries.clear();
  second.set_focus();
  const std::vector<FocusRecorder::Entry> expected{{first.handle(), msg::kill_focus, second.handle()},
                                                   {second.handle(), msg::set_focus, first.handle()}};
  EXPECT_EQ(recorder.entries, expected);
  EXPECT_EQ(form.active_control(), &second);
  EXPECT_EQ(active_form(), &form);
}

TEST_F(FocusTest, TabSkipsHiddenAndDisabledControls) {
  Form form;
  Button first(&form, "first");
  Button hidden(&form, "hidden");
  Button disabled(&form, "disabled");
  Panel panel(&form);
  Button inside_disabled_panel(&panel, "inside");
  Label label(&form, "no tab stop");
  TypingField last(&form);
  hidden.hide();
  disabled.set_enabled(false);
  panel.set_enabled(false);
  form.show();
  ASSERT_TRUE(first.focused());

  input::press_key(vk::tab);
  process_messages();
  EXPECT_TRUE(last.focused());
  input::press_key(vk::tab);
  process_messages();
  EXPECT_TRUE(first.focused()) << "the order wraps round";
  input::press_key(vk::tab, shift_shift);
  process_messages();
  EXPECT_TRUE(last.focused()) << "Shift+Tab goes back";
  EXPECT_TRUE(last.text().empty()) << "the form takes the Tab; no tab character reaches the control";
}

TEST_F(FocusTest, HidingTheFocusedControlTakesTheFocusAway) {
  Form form;
  LoggingWindow plain(&form);
  Button button(&form, "b");
  form.show();
  button.set_focus();
  button.hide();
  EXPECT_EQ(focused_window(), nullptr);
  EXPECT_FALSE(button.can_focus());
  form.set_focus();
  int keys = 0;
  form.on_key_press = [&](Window&, char&) { ++keys; };
  form.hide();
  input::press_key('A');
  process_messages();
  EXPECT_EQ(active_form(), nullptr);
  EXPECT_EQ(keys, 0) << "a hidden form takes no keys";
}

TEST_F(FocusTest, ActiveControlTakesTheFocusWhenTheFormIsActive) {
  Form form;
  Button first(&form, "first");
  Button cancel(&form, "cancel");
  form.set_active_control(&cancel);
  form.show();
  EXPECT_TRUE(cancel.focused()) << "a form shown focuses its active control";
  form.set_active_control(&first);
  EXPECT_TRUE(first.focused());
}

TEST_F(FocusTest, NextDialogControlMessageMovesOnOrToAGivenControl) {
  Form form;
  Button a(&form, "a");
  Button b(&form, "b");
  Button c(&form, "c");
  form.show();
  post_message(form.handle(), msg::next_dialog_control, 0, 0);
  process_messages();
  EXPECT_TRUE(b.focused());
  post_message(form.handle(), msg::next_dialog_control, 1, 0);
  process_messages();
  EXPECT_TRUE(a.focused());
  post_message(form.handle(), msg::next_dialog_control, c.handle(), 1);
  process_messages();
  EXPECT_TRUE(c.focused());
}

TEST_F(FocusTest, FormEventsFollowActivation) {
  Form one;
  Form two;
  Button in_one(&one, "1");
  Button in_two(&two, "2");
  std::vector<std::string> events;
  one.on_activate = [&](Form&) { events.emplace_back("activate one"); };
  two.on_activate = [&](Form&) { events.emplace_back("activate two"); };
  two.on_show = [&](Form&) { events.emplace_back("show two"); };
  one.show();
  two.show();
  EXPECT_EQ(events, (std::vector<std::string>{"activate one", "show two", "activate two"}));
  EXPECT_TRUE(in_two.focused());
}

}  // namespace
}  // namespace vx::ws

#include "controls/custom_control.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/exceptions.h"
#include "platform/ws/application.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "platform/ws_test_support.h"

namespace vx::controls {
namespace {

class TestControl : public TOvcCustomControl {
 public:
  TestControl(ws::Window* parent, std::string name) : TOvcCustomControl(parent) {
    Name = std::move(name);
    set_tab_stop(true);
  }
};

class CustomControl : public ws::testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    form = std::make_unique<ws::Form>();
    form->set_bounds(0, 0, 400, 300);
    form->show();
    first = make_control("Field1", 40, 60);
    second = make_control("Field2", 40, 120);
  }
  void TearDown() override {
    first.reset();
    second.reset();
    form.reset();
    WindowSystemTest::TearDown();
  }

  std::unique_ptr<TestControl> make_control(const std::string& name, int left, int top) {
    auto control = std::make_unique<TestControl>(form.get(), name);
    control->set_bounds(left, top, 100, 20);
    control->Loaded();
    control->AfterEnter = [this](TOvcCustomControl& sender) {
      events.push_back("enter " + sender.Name + (sender.focused() ? " focused" : ""));
    };
    control->AfterExit = [this](TOvcCustomControl& sender) { events.push_back("exit " + sender.Name); };
    return control;
  }

  std::unique_ptr<ws::Form> form;
  std::unique_ptr<TestControl> first;
  std::unique_ptr<TestControl> second;
  std::vector<std::string> events;
};

TEST_F(CustomControl, FocusEventsRunOnceTheFocusHasMoved) {
  first->set_focus();
  second->set_focus();
  EXPECT_TRUE(events.empty());
  ws::process_messages();
  EXPECT_EQ(events, (std::vector<std::string>{"enter Field1", "exit Field1", "enter Field2 focused"}));

  // A control gone before its notification: nothing happens.
  events.clear();
  first->set_focus();
  second.reset();
  ws::process_messages();
  EXPECT_EQ(events, std::vector<std::string>{"enter Field1 focused"});
}

TEST_F(CustomControl, TheWheelReachesTheFocusedControlWithItsSignedDelta) {
  std::vector<int> deltas;
  first->OnMouseWheel = [&](TOvcCustomControl& sender, ws::ShiftState, std::int16_t delta, std::uint16_t x,
                            std::uint16_t y) {
    EXPECT_EQ(&sender, first.get());
    EXPECT_EQ(x, 70);
    EXPECT_EQ(y, 65);
    deltas.push_back(delta);
  };
  first->set_focus();
  ws::input::wheel(-120, {70, 65});
  ws::input::wheel(240, {70, 65});
  ws::process_messages();
  EXPECT_EQ(deltas, (std::vector<int>{-120, 240}));
}

TEST_F(CustomControl, AVisibleLabelSitsAboveTheControlAndFollowsIt) {
  EXPECT_THROW(first->AttachedLabel(), EOvcException);
  first->LabelInfo.SetVisible(true);
  TOvcAttachedLabel& label = first->AttachedLabel();
  EXPECT_EQ(label.Name, "Field1Label1");
  EXPECT_EQ(label.caption(), "Field1Label1");
  EXPECT_EQ(label.Control(), first.get());
  EXPECT_EQ(label.parent(), form.get());
  EXPECT_EQ(label.left(), 40);
  EXPECT_EQ(label.top(), 60 - label.height());

  first->LabelInfo.SetOffsetX(5);
  first->LabelInfo.SetOffsetY(-2);
  EXPECT_EQ(label.left(), 45);
  EXPECT_EQ(label.top(), 58 - label.height());

  first->set_bounds(100, 200, 100, 20);
  ws::process_messages();
  EXPECT_EQ(label.left(), 105);
  EXPECT_EQ(label.top(), 198 - label.height());

  // Moved on its own, the label gives the control new offsets.
  label.set_bounds(90, 150, label.width(), label.height());
  ws::process_messages();
  EXPECT_EQ(first->LabelInfo.OffsetX(), -10);
  EXPECT_EQ(first->LabelInfo.OffsetY(), 150 + label.height() - 200);

  first->hide();
  EXPECT_FALSE(label.visible());
  first->show();
  EXPECT_TRUE(label.visible());

  first->LabelInfo.SetVisible(false);
  EXPECT_THROW(first->AttachedLabel(), EOvcException);
  ws::process_messages();
}

TEST_F(CustomControl, ALabelMadeWhileLoadingWaitsForTheForm) {
  TestControl control(form.get(), "Field3");
  control.LabelInfo.SetVisible(true);
  EXPECT_THROW(control.AttachedLabel(), EOvcException);
  control.Loaded();
  EXPECT_EQ(control.AttachedLabel().Name, "Field3Label1");
}

}  // namespace
}  // namespace vx::controls

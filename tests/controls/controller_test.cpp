#include "controls/controller.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "controls/control_messages.h"
#include "controls/custom_control.h"
#include "controls/helpers.h"
#include "platform/dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/form.h"
#include "platform/ws_test_support.h"

namespace vx::controls {
namespace {

class TestControl : public TOvcCustomControlEx {
 public:
  TestControl(ws::Window* parent, std::string name) : TOvcCustomControlEx(parent) {
    Name = std::move(name);
    set_bounds(40, 60, 100, 20);
  }
};

// Answers every message box with OK and keeps what it was shown.
class RecordingResponder final : public platform::DialogResponder {
 public:
  platform::DialogResult message_box(const platform::MessageDialog& dialog) override {
    shown.push_back(dialog);
    return platform::result_ok;
  }
  std::optional<std::string> open_file(const platform::FileOpenDialog&) override { return std::nullopt; }
  platform::DialogResult modal_form(const platform::FormDialog&) override { return platform::result_none; }
  std::vector<platform::MessageDialog> shown;
};

class Controller : public ws::testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    form = std::make_unique<ws::Form>();
    form->set_bounds(0, 0, 400, 300);
    form->show();
  }
  void TearDown() override {
    form.reset();
    WindowSystemTest::TearDown();
  }

  std::unique_ptr<TestControl> loaded_control(const std::string& name) {
    auto control = std::make_unique<TestControl>(form.get(), name);
    control->Loaded();
    return control;
  }

  std::unique_ptr<ws::Form> form;
};

TEST_F(Controller, ControlsOfAFormWithoutOneShareTheDefaultController) {
  auto first = loaded_control("Field1");
  auto second = loaded_control("Field2");
  EXPECT_EQ(&first->GetController(), &DefaultController());
  EXPECT_EQ(&second->GetController(), &DefaultController());
  EXPECT_TRUE(first->HasController());

  first->GetController().InsertMode = false;
  first->GetController().ErrorPending = true;
  EXPECT_FALSE(second->GetController().InsertMode);
  EXPECT_TRUE(second->GetController().ErrorPending);
  DefaultController().InsertMode = true;
  DefaultController().ErrorPending = false;
}

TEST_F(Controller, ControlsTakeTheFormsControllerWhetherMadeBeforeOrAfterIt) {
  auto before = std::make_unique<TestControl>(form.get(), "Field1");
  auto controller = std::make_unique<TOvcController>(form.get());
  controller->Name = "OvcController1";
  auto after = loaded_control("Field2");
  before->Loaded();
  EXPECT_EQ(&before->GetController(), controller.get());
  EXPECT_EQ(&after->GetController(), controller.get());

  // Gone at run time: both fall back to the default one, without error.
  controller.reset();
  EXPECT_FALSE(before->HasController());
  EXPECT_EQ(&before->GetController(), &DefaultController());
  EXPECT_EQ(&after->GetController(), &DefaultController());
}

TEST_F(Controller, AControlsOwnControllerMayBeOnAnotherFormAndOutlivesNothing) {
  ws::Form other_form;
  auto control = loaded_control("Field1");
  auto other = std::make_unique<TOvcController>(&other_form);
  control->SetController(other.get());
  EXPECT_EQ(&control->GetController(), other.get());

  // Anything but a controller links none.
  TOvcComponent not_a_controller(form.get());
  control->SetController(&not_a_controller);
  EXPECT_FALSE(control->HasController());
  EXPECT_EQ(&control->GetController(), &DefaultController());

  // A control gone before its controller leaves nothing behind to tell.
  control->SetController(other.get());
  control.reset();
  other.reset();
}

TEST_F(Controller, TheEpochIsTheCenturyUntilAYearFrom1600To3999IsSet) {
  TOvcController controller(form.get());
  EXPECT_EQ(controller.GetEpoch(), CurrentCentury());
  const struct {
    int year;
    int epoch;
  } cases[] = {{1599, CurrentCentury()}, {4000, CurrentCentury()}, {1600, 1600}, {3999, 3999}, {-1, 3999}, {1950, 1950}};
  for (const auto& c : cases) {
    controller.SetEpoch(c.year);
    EXPECT_EQ(controller.GetEpoch(), c.epoch) << c.year;
  }
  controller.OnGetEpoch = [](TOvcController&, std::int32_t& epoch) { epoch += 50; };
  EXPECT_EQ(controller.GetEpoch(), 2000);
}

TEST_F(Controller, AnErrorWithoutAHandlerIsAnErrorBoxWithOkOnly) {
  RecordingResponder responder;
  platform::DialogResponder* previous = platform::install_dialog_responder(&responder);
  TOvcController controller(form.get());
  auto field = loaded_control("Field1");

  EXPECT_EQ(controller.ReportError(*field, 30181, "A value is required in this field"), platform::result_ok);
  ASSERT_EQ(responder.shown.size(), 1U);
  EXPECT_EQ(responder.shown[0].text, "A value is required in this field");
  EXPECT_EQ(responder.shown[0].kind, platform::DialogKind::error);
  EXPECT_EQ(responder.shown[0].buttons, platform::button_ok);

  std::vector<std::string> handled;
  controller.OnError = [&](ws::Window& sender, std::uint16_t code, const std::string& text) {
    EXPECT_EQ(&sender, field.get());
    handled.push_back(std::to_string(code) + " " + text);
  };
  EXPECT_EQ(controller.ReportError(*field, 30181, "A value is required in this field"), 0);
  EXPECT_EQ(handled, std::vector<std::string>{"30181 A value is required in this field"});
  EXPECT_EQ(responder.shown.size(), 1U);
  platform::install_dialog_responder(previous);
}

TEST_F(Controller, EditNotificationsRunAfterTheCurrentMessageWithTheOtherControl) {
  TOvcController controller(form.get());
  auto field = loaded_control("Field1");
  auto other = loaded_control("Field2");
  std::vector<std::string> events;
  controller.OnPreEdit = [&](ws::Window& sender, ws::Window* losing) {
    events.push_back("pre " + dynamic_cast<TestControl&>(sender).Name + " " +
                     (losing != nullptr ? dynamic_cast<TestControl*>(losing)->Name : "none"));
  };
  controller.OnPostEdit = [&](ws::Window& sender, ws::Window* gaining) {
    events.push_back("post " + dynamic_cast<TestControl&>(sender).Name + " " +
                     (gaining != nullptr ? dynamic_cast<TestControl*>(gaining)->Name : "none"));
  };

  controller.DelayPreEdit(*field, other.get());
  controller.DelayPostEdit(*field, nullptr);
  EXPECT_TRUE(events.empty());
  ws::process_messages();
  EXPECT_EQ(events, (std::vector<std::string>{"pre Field1 Field2", "post Field1 none"}));

  // The other control gone: none; the field gone: nothing at all.
  events.clear();
  auto doomed = loaded_control("Field3");
  controller.DelayPostEdit(*field, other.get());
  controller.DelayPreEdit(*doomed, field.get());
  other.reset();
  doomed.reset();
  ws::process_messages();
  EXPECT_EQ(events, std::vector<std::string>{"post Field1 none"});
}

TEST_F(Controller, TheMessageWindowFocusesAControlAndPassesNotifyCodes) {
  TOvcController controller(form.get());
  auto field = loaded_control("Field1");
  field->hide();
  std::vector<std::uint16_t> codes;
  controller.OnDelayNotify = [&](ws::Window& sender, std::uint16_t code) {
    EXPECT_EQ(&sender, field.get());
    codes.push_back(code);
  };

  ws::post_message(controller.MessageWindow(), MSG_FOCUS_CONTROL, 0, static_cast<ws::LParam>(field->handle()));
  ws::post_message(controller.MessageWindow(), MSG_DELAY_NOTIFY, 0x12345, static_cast<ws::LParam>(field->handle()));
  ws::process_messages();
  EXPECT_TRUE(field->visible());
  EXPECT_TRUE(field->focused());
  EXPECT_EQ(codes, std::vector<std::uint16_t>{0x2345});
  EXPECT_EQ(controller.MessageWindow(), controller.MessageWindow());
}

TEST_F(Controller, AnExceptionInAHandlerGoesToTheApplicationsHandler) {
  TOvcController controller(form.get());
  auto field = loaded_control("Field1");
  std::vector<std::string> caught;
  ws::set_exception_handler([&](const std::exception& error) { caught.emplace_back(error.what()); });
  controller.OnPreEdit = [](ws::Window&, ws::Window*) { throw std::runtime_error("pre-edit failed"); };

  ws::send_message(controller.MessageWindow(), MSG_PRE_EDIT, 0, static_cast<ws::LParam>(field->handle()));
  EXPECT_EQ(caught, std::vector<std::string>{"pre-edit failed"});
}

TEST_F(Controller, SpecialControlsAreWhatTheHandlerSays) {
  TOvcController controller(form.get());
  auto field = loaded_control("Field1");
  EXPECT_FALSE(controller.IsSpecialControl(field->handle()));
  std::vector<ws::Window*> asked;
  controller.OnIsSpecialControl = [&](TOvcController&, ws::Window* control, bool& special) {
    asked.push_back(control);
    special = control != nullptr;
  };
  EXPECT_TRUE(controller.IsSpecialControl(field->handle()));
  EXPECT_FALSE(controller.IsSpecialControl(ws::no_window));
  EXPECT_EQ(asked, (std::vector<ws::Window*>{field.get(), nullptr}));
}

TEST_F(Controller, TimerTriggersReachTheControllersEvent) {
  TOvcController controller(form.get());
  std::vector<std::int32_t> fired;
  controller.OnTimerTrigger = [&](TOvcController& sender, std::int32_t handle, std::int32_t interval, std::int32_t) {
    EXPECT_EQ(&sender, &controller);
    EXPECT_EQ(interval, 100);
    fired.push_back(handle);
  };
  const std::int32_t handle = controller.TimerPool().Add({}, 100, false);
  for (int ms = 0; ms < 200; ++ms) {
    clock_.advance_nanoseconds(1'000'000);
    ws::process_messages();
  }
  EXPECT_EQ(fired, std::vector<std::int32_t>{handle});
}

}  // namespace
}  // namespace vx::controls

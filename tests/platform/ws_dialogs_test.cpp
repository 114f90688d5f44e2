#include "platform/scripted_dialogs.h"
#include "platform/ws/buttons.h"
#include "platform/ws/controls.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "tests/platform/ws_test_support.h"

namespace vx::ws {
namespace {

using platform::DialogRecord;

class DialogsTest : public testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    previous_ = platform::install_dialog_responder(&script_);
  }
  void TearDown() override {
    platform::install_dialog_responder(previous_);
    WindowSystemTest::TearDown();
  }
  platform::ScriptedResponder script_;

 private:
  platform::DialogResponder* previous_ = nullptr;
};

// A question window: a label and Yes and No buttons.
struct QuestionForm : Form {
  QuestionForm() {
    set_caption("Warning");
    question.set_caption("Use the paged address?");
    yes.set_kind(ButtonKind::yes);
    no.set_kind(ButtonKind::no);
    no.set_bounds(100, 60, 75, 25);
  }
  Label question{this};
  Button yes{this};
  Button no{this};
};

TEST_F(DialogsTest, ScriptedMessageBoxReturnsItsAnswerAndLogsItsText) {
  script_.answer_message(platform::result_yes);
  const platform::DialogResult answer = platform::dialog_responder().message_box(
      {"Overwrite file?", platform::DialogKind::warning, platform::button_yes | platform::button_no, 0});
  EXPECT_EQ(answer, platform::result_yes);
  const platform::DialogResult unscripted = platform::dialog_responder().message_box(
      {"Again?", platform::DialogKind::confirmation, platform::button_yes | platform::button_no, 0});
  EXPECT_EQ(unscripted, platform::result_no) << "past the script, the non-interactive answer";
  ASSERT_EQ(script_.log().size(), 2u);
  EXPECT_EQ(script_.log()[0].text, "Overwrite file?");
  EXPECT_EQ(script_.log()[0].answer, "Yes");
  EXPECT_TRUE(script_.log()[0].scripted);
  EXPECT_FALSE(script_.log()[1].scripted);
}

TEST_F(DialogsTest, ScriptedFileDialogGivesTheNameOrCancels) {
  script_.answer_open_file("/work/fw/usbqxfs20.s19");
  script_.answer_open_file(std::nullopt);
  platform::FileOpenDialog dialog;
  dialog.title = "Choose OSBDM Firmware Version";
  dialog.filter = "Motorola S19 Object (*.s19)|*.s19";
  EXPECT_EQ(platform::dialog_responder().open_file(dialog), "/work/fw/usbqxfs20.s19");
  EXPECT_EQ(platform::dialog_responder().open_file(dialog), std::nullopt);
  EXPECT_TRUE(script_.all_answered());
  EXPECT_EQ(script_.log()[1].answer, "Cancel");
}

TEST_F(DialogsTest, ScriptedFileDialogCompletesATypedNameWithTheDefaultExtension) {
  script_.answer_open_file("/work/fw/usbqxfs20");
  script_.answer_open_file("/work/fw/usbqxfs20.hex");
  platform::FileOpenDialog dialog;
  dialog.default_extension = "s19";
  EXPECT_EQ(platform::dialog_responder().open_file(dialog), "/work/fw/usbqxfs20.s19");
  EXPECT_EQ(platform::dialog_responder().open_file(dialog), "/work/fw/usbqxfs20.hex");
  EXPECT_EQ(script_.log()[0].answer, "/work/fw/usbqxfs20.s19");
}

TEST_F(DialogsTest, ModalFormAnsweredByInputQueuedBeforeIt) {
  QuestionForm form;
  Form owner;
  owner.show();
  input::click(form.yes, {5, 5});
  EXPECT_EQ(form.show_modal(), platform::result_yes);
  EXPECT_TRUE(script_.log().empty()) << "the user answered; nobody asked the responder";
  EXPECT_FALSE(form.visible());
  EXPECT_TRUE(owner.enabled()) << "the other forms take input again";
}

TEST_F(DialogsTest, ModalFormWithoutInputIsAnsweredByTheResponderThroughItsButton) {
  QuestionForm form;
  int no_clicks = 0;
  form.no.on_click = [&](Window&) { ++no_clicks; };
  script_.answer_form(platform::result_no);
  EXPECT_EQ(form.show_modal(), platform::result_no);
  EXPECT_EQ(no_clicks, 1);
  ASSERT_EQ(script_.log().size(), 1u);
  EXPECT_EQ(script_.log()[0].text, "Warning: Use the paged address?");
}

TEST_F(DialogsTest, NonInteractiveResponderNeverBlocks) {
  platform::install_dialog_responder(nullptr);
  QuestionForm form;
  ::testing::internal::CaptureStderr();
  const int modal = form.show_modal();
  platform::FileOpenDialog file;
  file.title = "Specify Quorvex Firmware File";
  const std::optional<std::string> chosen = platform::dialog_responder().open_file(file);
  const std::string written = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(modal, platform::result_no) << "Yes/No: No";
  EXPECT_FALSE(chosen.has_value()) << "a file dialog is cancelled";
  EXPECT_NE(written.find("Warning: Use the paged address?"), std::string::npos);
  EXPECT_NE(written.find("Specify Quorvex Firmware File"), std::string::npos);
  EXPECT_NE(written.find("[dialog answer] Cancel"), std::string::npos);
  platform::install_dialog_responder(&script_);
}

TEST_F(DialogsTest, ClosingAModalFormCancelsIt) {
  QuestionForm form;
  form.on_show = [](Form& shown) { input::close(shown); };
  EXPECT_EQ(form.show_modal(), platform::result_cancel);
  EXPECT_TRUE(script_.log().empty());
}

TEST_F(DialogsTest, UnhandledExceptionIsShownAsAnErrorBox) {
  show_exception(std::runtime_error("Error connecting to hardware."));
  ASSERT_EQ(script_.log().size(), 1u);
  EXPECT_EQ(script_.log()[0].text, "Error connecting to hardware.");
  EXPECT_EQ(script_.log()[0].answer, "OK");
}

TEST_F(DialogsTest, ClosingTheMainFormEndsTheApplicationUnlessRefused) {
  Form main;
  set_main_form(&main);
  int asked = 0;
  main.on_close = [&](Form&, CloseAction& action) {
    if (++asked == 1) action = CloseAction::none;
  };
  main.show();
  input::close(main);
  process_messages();
  EXPECT_FALSE(terminated());
  input::close(main);
  run();
  EXPECT_TRUE(terminated());
  EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace vx::ws

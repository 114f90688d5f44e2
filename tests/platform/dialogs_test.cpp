#include "platform/dialogs.h"

#include <gtest/gtest.h>

namespace vx::platform {
namespace {

TEST(NonInteractiveAnswer, TakesTheButtonThatDoesLeast) {
  struct Case {
    DialogButtons buttons;
    DialogResult expected;
  };
  const Case cases[] = {
      {button_ok, result_ok},
      {button_yes | button_no, result_no},
      {button_ok | button_cancel, result_cancel},
      {button_yes | button_no | button_cancel, result_cancel},
      {button_abort | button_retry | button_ignore, result_abort},
      {button_retry | button_ignore, result_ignore},
      {button_yes | button_yes_to_all | button_no_to_all, result_no_to_all},
      {button_retry, result_cancel},
      {0, result_cancel},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(non_interactive_answer(c.buttons), c.expected) << "buttons " << c.buttons;
  }
}

TEST(FileOpenDialog, ANameWithoutExtensionGetsTheDefaultOne) {
  struct Case {
    const char* name;
    const char* extension;
    const char* expected;
  };
  const Case cases[] = {
      {"fw", "s19", "fw.s19"},
      {"/opt/fw/usbbdmens", "s19", "/opt/fw/usbbdmens.s19"},
      {"fw.hex", "s19", "fw.hex"},
      {"/opt/fw.d/usbbdmens", "s19", "/opt/fw.d/usbbdmens.s19"},
      {"fw.", "s19", "fw."},
      {"fw", "", "fw"},
      {"/opt/fw/", "s19", "/opt/fw/"},
      {"", "s19", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(with_default_extension(c.name, c.extension), c.expected) << c.name;
}

TEST(NonInteractiveAnswer, AFormMayNameItsOwnAnswerAmongItsButtons) {
  FormDialog form{"Warning", "Use p_paddr?", button_yes | button_no, result_yes};
  EXPECT_EQ(non_interactive_answer(form), result_yes);
  form.unattended_answer = result_ok;
  EXPECT_EQ(non_interactive_answer(form), result_no) << "not one of its buttons";
  form.unattended_answer = result_none;
  EXPECT_EQ(non_interactive_answer(form), result_no);
}

TEST(NonInteractiveResponder, WritesTheQuestionAndItsAnswerToStderr) {
  testing::internal::CaptureStderr();
  NonInteractiveResponder responder;
  const DialogResult answer = responder.message_box({"Overwrite file?", DialogKind::warning, button_yes | button_no, 0});
  const std::string written = testing::internal::GetCapturedStderr();
  EXPECT_EQ(answer, result_no);
  EXPECT_NE(written.find("Overwrite file?"), std::string::npos);
  EXPECT_NE(written.find("No"), std::string::npos);
}

TEST(DialogResponderInstall, DefaultsToTheNonInteractivePolicy) {
  struct Always : DialogResponder {
    DialogResult message_box(const MessageDialog&) override { return result_yes; }
    std::optional<std::string> open_file(const FileOpenDialog&) override { return "chosen"; }
    DialogResult modal_form(const FormDialog&) override { return result_yes; }
  } always_yes;
  DialogResponder* previous = install_dialog_responder(&always_yes);
  EXPECT_EQ(dialog_responder().message_box({}), result_yes);
  install_dialog_responder(nullptr);
  EXPECT_NE(dynamic_cast<NonInteractiveResponder*>(&dialog_responder()), nullptr);
  install_dialog_responder(previous);
}

}  // namespace
}  // namespace vx::platform

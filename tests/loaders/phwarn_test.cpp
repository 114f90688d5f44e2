#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "loaders/elf_module.h"
#include "loaders/phwarn.h"
#include "platform/scripted_dialogs.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "platform/ws/reset.h"
#include "support/scoped_platform.h"

namespace vx::loaders {
namespace {

class PhWarnTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws::reset_window_system();
    reset_elf_module();
  }
  void TearDown() override {
    ws::reset_window_system();
    reset_elf_module();
  }
};

TEST_F(PhWarnTest, Layout) {
  TPHWarnBox box;
  EXPECT_EQ(box.caption(), "Warning");
  EXPECT_EQ(box.client_rect().width(), 353);
  EXPECT_EQ(box.client_rect().height(), 241);
  EXPECT_EQ(box.font().name, "MS Sans Serif");
  struct LabelCase {
    const ws::Label& label;
    int top;
    std::string caption;
  };
  const std::vector<LabelCase> labels{
      {box.Label1, 16, "This file may utilize the p_paddr field in the ELF program header(s) "},
      {box.Label6, 32, "to describe how code is to be loaded."},
      {box.Label2, 56, "Use of this field is not standard. "},
      {box.Label3, 80, "Do you want to use the p_paddr field or the standard p_vaddr field?"},
      {box.Label4, 104, "Click \"Yes\" to use the nonstandard p_paddr field."},
      {box.Label5, 128, "Click \"No\" to use the standard p_vaddr field."},
      {box.Label7, 156, "If you are using the GNU compiler, GCC, click \"Yes\""},
  };
  for (const LabelCase& c : labels) {
    EXPECT_EQ(c.label.left(), 16) << c.caption;
    EXPECT_EQ(c.label.top(), c.top) << c.caption;
    EXPECT_EQ(c.label.caption(), c.caption);
  }
  struct ButtonCase {
    const ws::Button& button;
    int left;
    std::string caption;
    int modal_result;
  };
  const std::vector<ButtonCase> buttons{
      {box.yesButton, 40, "Yes", platform::result_yes},
      {box.noButton, 136, "No", platform::result_no},
      {box.helpButton, 232, "Help", 0},
  };
  for (const ButtonCase& c : buttons) {
    EXPECT_EQ(c.button.caption(), c.caption);
    EXPECT_EQ(c.button.bounds(), (ws::Rect{c.left, 180, c.left + 75, 205})) << c.caption;
    EXPECT_EQ(c.button.modal_result, c.modal_result) << c.caption;
  }
  EXPECT_EQ(box.dontAsk.caption(), "Don't ask again");
  EXPECT_EQ(box.dontAsk.left(), 128);
  EXPECT_EQ(box.dontAsk.top(), 211);
  EXPECT_FALSE(box.dontAsk.checked());
}

TEST_F(PhWarnTest, HelpShowsTheExplanationWithoutClosingTheQuestion) {
  test::RecordingResponder responder(platform::result_ok);
  TPHWarnBox box;
  box.helpButton.click();
  ASSERT_EQ(responder.shown.size(), 1u);
  const platform::MessageDialog& help = responder.shown[0];
  EXPECT_EQ(help.kind, platform::DialogKind::custom);
  EXPECT_EQ(help.buttons, platform::button_ok);
  EXPECT_EQ(help.help_context, 0u);
  EXPECT_EQ(help.text, p_paddr_help_text());
  EXPECT_EQ(help.text,
            "The ELF program headers describe how the application code is to be loaded to the target. \n\n\r"
            "Typically, the compiler and linker use the p_vaddr field of the program headers\n\r"
            "to indicate the load address of the target code.\n\n\r"
            "Some tools, such as GNU tools, may use the p_paddr field instead.\n\n\r"
            "Use a utility such as GNU READELF to examine the program headers of your ELF/DWARF file.\n\n\r"
            "For more information, see the documentation for your compiler and linker\n\r"
            "as well as the System V Application Binary Interface, Edition 4.1.");
  EXPECT_GT(help.text.size(), 255u) << "the whole text, not a ShortText's worth";
  EXPECT_EQ(box.modal_result(), 0);
}

TEST_F(PhWarnTest, TheAnswerAndTheDontAskSwitch) {
  struct Case {
    platform::DialogResult answer;
    bool tick;
    bool p_paddr;
  };
  for (const Case& c : {Case{platform::result_yes, false, true}, Case{platform::result_no, false, false},
                        Case{platform::result_cancel, false, false}, Case{platform::result_no, true, false}}) {
    reset_elf_module();
    platform::ScriptedResponder script;
    platform::DialogResponder* previous = platform::install_dialog_responder(&script);
    if (c.tick) {
      for (int i = 0; i < 3; ++i) ws::input::press_key(ws::vk::tab);
      ws::input::press_key(ws::vk::space);
    }
    script.answer_form(c.answer);
    EXPECT_EQ(ask_use_p_paddr(), c.p_paddr) << c.answer;
    platform::install_dialog_responder(previous);
    EXPECT_EQ(elf_module().ask_address_choice, !c.tick) << c.answer;
    ASSERT_EQ(script.log().size(), 1u);
    EXPECT_EQ(script.log()[0].type, platform::DialogRecord::Type::form);
  }
}

}  // namespace
}  // namespace vx::loaders

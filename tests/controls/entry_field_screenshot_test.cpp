#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/controller.h"
#include "controls/simple_field.h"
#include "controls/user_data.h"
#include "platform/ws/application.h"
#include "platform/ws/controls.h"
#include "platform/ws/display.h"
#include "platform/ws/form.h"
#include "platform/ws/input.h"
#include "support/screenshot.h"
#include "tests/platform/ws_test_support.h"

namespace vx::controls {
namespace {

class EntryFieldScreenshot : private test::OffscreenDisplay, public ws::testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    ws::set_headless(false);
    ASSERT_NE(ws::display(), nullptr);
  }

  // A labelled field of the form, built as a form builds it.
  TOvcSimpleField& add_field(ws::Form& form, const std::string& caption, int top,
                             const std::function<void(TOvcSimpleField&)>& setup = {}) {
    labels_.push_back(std::make_unique<ws::Label>(&form, caption));
    labels_.back()->set_bounds(12, top + 4, 110, 16);
    fields_.push_back(std::make_unique<TOvcSimpleField>(&form));
    TOvcSimpleField& field = *fields_.back();
    field.set_bounds(130, top, 140, 25);
    if (setup) setup(field);
    field.Loaded();
    return field;
  }

  void TearDown() override {
    fields_.clear();
    labels_.clear();
    WindowSystemTest::TearDown();
  }

  std::vector<std::unique_ptr<ws::Label>> labels_;
  std::vector<std::unique_ptr<TOvcSimpleField>> fields_;
};

TEST_F(EntryFieldScreenshot, AddressWindowWithAnAddressTyped) {
  ws::Form form;
  form.set_caption("Port addresses");
  form.set_bounds(40, 30, 290, 230);
  form.set_color(ws::color::button_face);
  TOvcController controller(&form);
  TOvcUserData data;
  TCharSet hex;
  for (const char c : std::string_view("0123456789ABCDEFX")) hex.set(static_cast<unsigned char>(c));
  data.SetUserCharSet('1', hex);
  data.SetForceCase('1', fcUpper);
  for (int n = 0; n < 5; ++n) {
    add_field(form, "Port " + std::to_string(n + 1) + ":", 12 + 40 * n, [&data](TOvcSimpleField& f) {
      f.SetUserData(&data);
      f.SetPictureMask('1');
      f.SetMaxLength(4);
      f.SetPadChar('X');
    });
  }
  form.show();
  fields_[1]->set_focus();
  ws::input::type("3f");
  ws::process_messages();
  EXPECT_EQ(fields_[1]->GetDisplayText(), "3FXX");
  EXPECT_EQ(fields_[1]->CaretColumn(), 2u);

  const std::string path = test::save_screenshot(form, "entry_address_window");
  EXPECT_FALSE(path.empty());
}

TEST_F(EntryFieldScreenshot, FieldsInEveryState) {
  ws::Form form;
  form.set_caption("Entry fields");
  form.set_bounds(40, 30, 290, 270);
  form.set_color(ws::color::button_face);
  TOvcController controller(&form);
  TOvcSimpleField& selected = add_field(form, "Selected:", 12);
  add_field(form, "Invalid:", 52, [](TOvcSimpleField& f) {
    f.SetOptions(efoInputRequired | efoSoftValidation);
  });
  TOvcSimpleField& disabled = add_field(form, "Disabled:", 92);
  TOvcSimpleField& read_only =
      add_field(form, "Read-only:", 132, [](TOvcSimpleField& f) { f.SetOptions(efoReadOnly); });
  TOvcSimpleField& controls = add_field(form, "Control chars:", 172);
  TOvcSimpleField& bordered = add_field(form, "Borders:", 212, [](TOvcSimpleField& f) {
    f.Borders().BottomBorder().SetEnabled(true);
    f.Borders().RightBorder().SetPenWidth(3);
    f.Borders().RightBorder().SetEnabled(true);
  });
  form.show();
  disabled.SetAsString("Qelvar 12");
  disabled.set_enabled(false);
  read_only.SetAsString("Tarnish");
  controls.SetAsString(std::string("go\x01\x02 on"));
  bordered.SetAsString("Lines");
  fields_[1]->set_focus();
  selected.SetAsString("Zorvan bench");
  selected.set_focus();
  ws::process_messages();
  selected.SetSelection(0, 6);
  EXPECT_TRUE(fields_[1]->HasState(efsInvalid));
  const std::string path = test::save_screenshot(form, "entry_field_states");
  EXPECT_FALSE(path.empty());
}

}  // namespace
}  // namespace vx::controls

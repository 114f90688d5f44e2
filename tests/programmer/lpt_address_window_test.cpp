#include "programmer/lpt_address_window.h"

#include <gtest/gtest.h>

#include "platform/ws/input.h"
#include "platform/ws/shell.h"
#include "program_windows_fixture.h"
#include "support/screenshot.h"

namespace vx::programmer {
namespace {

class LptAddressWindowTest : public ProgrammerWindowsTest {
 protected:
  LptAddressWindowTest() {
    program_windows().lptaddrform = std::make_unique<Tlptaddrform>();
    window().show();
  }
  Tlptaddrform& window() { return *program_windows().lptaddrform; }
};

TEST_F(LptAddressWindowTest, AddressFieldsTakeFourHexDigitsInUpperCase) {
  Tlptaddrform& addresses = window();
  for (std::size_t i = 0; i < Tlptaddrform::field_count; ++i) {
    controls::TOvcSimpleField& field = addresses.AddressField(i);
    EXPECT_EQ(field.PictureMask(), '1');
    EXPECT_EQ(field.MaxLength(), 4);
    EXPECT_EQ(field.PadChar(), 'X');
    EXPECT_EQ(&field.GetController(), &addresses.OvcController1());
  }
  controls::TOvcSimpleField& field = addresses.AddressField(1);
  field.set_focus();
  const unsigned beeps = ws::beep_count();
  ws::input::type("3fg");
  ws::process_messages();
  EXPECT_EQ(field.GetDisplayText(), "3FXX");
  EXPECT_EQ(field.GetAsString(), "3F");
  EXPECT_EQ(ws::beep_count(), beeps + 1);
  // "2" of the window's own user data takes a bit or X.
  EXPECT_TRUE(addresses.UserData().UserCharSet('2').test('1'));
  EXPECT_FALSE(addresses.UserData().UserCharSet('2').test('2'));
}

TEST_F(LptAddressWindowTest, TheStatusWindowsCommandBoxIsAHiddenTextField) {
  controls::TOvcSimpleField& box = status_window().Edit1();
  EXPECT_EQ(box.DataType(), controls::TSimpleDataType::sftString);
  EXPECT_EQ(box.PictureMask(), 'X');
  EXPECT_EQ(box.MaxLength(), 250);
  EXPECT_FALSE(box.visible());
}

class LptAddressWindowOnDisplayTest : private test::OffscreenDisplay, public LptAddressWindowTest {};

TEST_F(LptAddressWindowOnDisplayTest, Screenshot) {
  ASSERT_FALSE(ws::headless());
  window().AddressField(0).set_focus();
  ws::input::type("3f");
  ws::process_messages();
  EXPECT_FALSE(test::save_screenshot(window(), "programmer_lpt_address_window").empty());
}

}  // namespace
}  // namespace vx::programmer

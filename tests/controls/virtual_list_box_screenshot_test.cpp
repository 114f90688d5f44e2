#include <gtest/gtest.h>

#include <string>

#include "controls/virtual_list_box.h"
#include "list_box_fixture.h"
#include "platform/ws/display.h"
#include "support/screenshot.h"

namespace vx::controls {
namespace {

class ListBoxOnDisplay : private test::OffscreenDisplay, public testing_support::ListBoxTest {
 protected:
  void SetUp() override {
    ListBoxTest::SetUp();
    ws::set_headless(false);
    ASSERT_NE(ws::display(), nullptr);
  }
};

// The header row with and without the 3-D look: the highlight along its top
// and the sunken border, or neither.
TEST_F(ListBoxOnDisplay, TheThreeDLookOfTheHeaderAndTheBorder) {
  make_box(2000, [](TOvcVirtualListBox& b) {
    b.SetShowHeader(true);
    b.SetHeader("Name");
  });
  form->set_color(ws::color::white);
  for (const bool look : {true, false}) {
    form->set_ctl3d(look);
    const std::string name = look ? "list_box_3d_look" : "list_box_flat_look";
    ASSERT_FALSE(test::save_screenshot(*form, name).empty());
    EXPECT_EQ(ws::pixel_on_display(*box, {40, 0}),
              ws::resolve(look ? ws::color::button_highlight : ws::color::button_face))
        << name;
    // Two pixels above the client area: the sunken edge's shadow, or the form beside a plain line.
    EXPECT_EQ(ws::pixel_on_display(*box, {40, -2}), ws::resolve(look ? ws::color::button_shadow : ws::color::white))
        << name;
  }
}

}  // namespace
}  // namespace vx::controls

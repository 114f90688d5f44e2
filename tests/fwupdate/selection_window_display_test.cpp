// The selection window on Qt's offscreen display, saved as pictures for people to look at.
#include <gtest/gtest.h>

#include "platform/ws/color.h"
#include "selection_window.h"
#include "support/screenshot.h"

namespace vx::updater {
namespace {

class SelectionWindowOnDisplayTest : private vx::test::OffscreenDisplay, public test_support::SelectionWindowTest {
 protected:
  void SetUp() override {
    ws::reset_window_system();
    ws::set_headless(false);
  }
};

TEST_F(SelectionWindowOnDisplayTest, ShowsEachStateOfTheSelection) {
  put_interface_files();
  put_board_file();
  start(test_support::example_file("bench.ini"), false);
  window_->show();
  ws::process_messages();
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-selection-start").empty());
  EXPECT_TRUE(window_->FirmwareFileSelectionPanel().visible());
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-selection-all-steps").empty());

  std::string progress_shot;
  progress_->on_close = [&](ws::Form& form, ws::CloseAction&) {
    progress_shot = vx::test::save_screenshot(form, "updater-progress-fx");
  };
  choose_hardware(1);
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(window_->color(), ws::color::green);
  EXPECT_FALSE(progress_shot.empty());
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-selection-success").empty());

  world_->pod(1).inject(sim::PodFault::no_ack);
  press(window_->UpdateFirmwareButton());
  EXPECT_EQ(window_->color(), ws::color::maroon);
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-selection-failure").empty());

  choose_hardware(2);
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-selection-boards").empty());
}

TEST_F(SelectionWindowOnDisplayTest, ShowsTheHintWhenNothingIsConnected) {
  start("[time]\nmode = virtual\n", false);
  window_->show();
  ws::process_messages();
  EXPECT_TRUE(window_->PortValueInterfaceLabel().visible());
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-selection-undetected").empty());
}

}  // namespace
}  // namespace vx::updater

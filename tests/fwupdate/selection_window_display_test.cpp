// The selection window on Qt's offscreen display, saved as pictures for people to look at.
#include <gtest/gtest.h>

#include "platform/ws/color.h"
#include "selection_window.h"
#include "support/display_input.h"
#include "support/screenshot.h"

namespace vx::updater {
namespace {

// Passes the engine's calls on to the progress window and saves it once, as a
// chosen status line shows: the window as a user sees it in mid-update.
class ScreenshotAtLine final : public fwupdate::UpdateProgressView {
 public:
  ScreenshotAtLine(fwupdate::Taskupdate_bdmquorvex1& window, std::string line, std::string name)
      : window_(window), line_(std::move(line)), name_(std::move(name)) {
    fwupdate::install_update_progress_view(this);
  }
  ~ScreenshotAtLine() override { fwupdate::install_update_progress_view(&window_); }

  void show_update_window() override { window_.show_update_window(); }
  void show_update_status(const ShortText& text) override {
    window_.show_update_status(text);
    if (saved.empty() && text == line_) saved = vx::test::save_screenshot(window_, name_);
  }
  void close_update_window(const ShortText& message, const ShortText& version) override {
    window_.close_update_window(message, version);
  }

  std::string saved;

 private:
  fwupdate::Taskupdate_bdmquorvex1& window_;
  std::string line_, name_;
};

constexpr const char* programmed_line = "Programming MCU Flash ... Success.";

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

TEST_F(SelectionWindowOnDisplayTest, ShowsTheFxPictureDuringAnFxUpdate) {
  put_interface_files();
  start(test_support::example_file("bench.ini"));
  choose_hardware(1);
  ScreenshotAtLine shot(*progress_, programmed_line, "updater-progress-fx-running");
  press(window_->UpdateFirmwareButton());
  EXPECT_FALSE(shot.saved.empty());
  EXPECT_TRUE(progress_->image_fx_quorvex().visible());
  EXPECT_EQ(progress_->updatefirmwarelabel().text(), "usbqxfx20armens.620");
  EXPECT_EQ(window_->color(), ws::color::green);
}

TEST_F(SelectionWindowOnDisplayTest, ShowsTheBoardPictureDuringABoardUpdate) {
  put_board_file();
  start("[time]\nmode = virtual\n[osbdm 1]\nmode = bootloader\n");
  choose_hardware(2);
  choose_architecture(7);
  ScreenshotAtLine shot(*progress_, programmed_line, "updater-progress-board-running");
  press(window_->UpdateFirmwareButton());
  EXPECT_FALSE(shot.saved.empty());
  EXPECT_TRUE(progress_->image_osbdm_cable().visible());
  EXPECT_EQ(progress_->updatefirmwarelabel().text(), "osbdmens_s08.400");
}

// The user's mouse on the hardware type: a click drops its list over the panels below, a click on
// an entry takes it.
TEST_F(SelectionWindowOnDisplayTest, AClickOpensTheHardwareTypeListAndAnotherChoosesAnEntry) {
  put_interface_files();
  put_board_file();
  start(test_support::example_file("bench.ini"), false);
  window_->show();
  ws::process_messages();
  ws::ComboBox& hardware = window_->HarwareTypeComboBox();
  ASSERT_TRUE(vx::test::click_on_display(hardware, {40, 8}));
  ws::process_messages();
  ASSERT_TRUE(hardware.dropped_down());
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-combo-open").empty());
  const int row = ws::font_metrics(hardware.font()).height;
  ASSERT_TRUE(vx::test::click_on_display(*hardware.drop_down_list(), {40, row + row / 2}));
  ws::process_messages();
  EXPECT_FALSE(hardware.dropped_down());
  EXPECT_EQ(hardware.item_index(), 1);
  EXPECT_EQ(hardware.text(), "Quorvex Universal FX - High Speed Debug Interface");
  EXPECT_FALSE(vx::test::save_screenshot(*window_, "updater-combo-chosen").empty());
  ASSERT_TRUE(hardware.focused());
  const ws::Point in_box{200, 4};
  EXPECT_EQ(ws::pixel_on_display(hardware, in_box), ws::resolve(ws::color::highlight)) << "the focus shows";
  ASSERT_TRUE(vx::test::press_key_on_display(*window_, "Tab"));
  ws::process_messages();
  EXPECT_FALSE(hardware.focused()) << "Tab moves on";
  EXPECT_EQ(ws::pixel_on_display(hardware, in_box), ws::resolve(ws::color::window)) << "and its highlight goes";
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

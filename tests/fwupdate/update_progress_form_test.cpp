#include "fwupdate/update_progress_form.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "fwupdate/fx_logic.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/updater_usb_ports.h"
#include "platform/ws/color.h"
#include "platform/ws/drawing.h"
#include "platform/ws/font.h"
#include "support/screenshot.h"
#include "tests/platform/ws_test_support.h"

namespace vx::fwupdate {
namespace {

class UpdateProgressFormTest : public ws::testing_support::WindowSystemTest {
 protected:
  void SetUp() override {
    WindowSystemTest::SetUp();
    reset_update_decision(EngineBuild::programmer);
    form_ = std::make_unique<Taskupdate_bdmquorvex1>();
  }
  void TearDown() override {
    form_.reset();
    reset_update_decision(EngineBuild::updater);
    WindowSystemTest::TearDown();
  }

  // An update of the given picture and link kind about to start.
  void prepare(std::uint8_t picture, std::uint8_t link_kind, bool windriver) {
    UpdateDecision& decision = update_decision();
    decision.picture = picture;
    decision.update_link_kind = link_kind;
    decision.windriver_interface = windriver;
    decision.current_version_text = "5.02";
    decision.update_version_text = "5.60";
    decision.original_version_text = "5.35";
  }

  std::unique_ptr<Taskupdate_bdmquorvex1> form_;
};

TEST_F(UpdateProgressFormTest, ShowsThePictureAndVersionsOfTheInterface) {
  struct Case {
    const char* what;
    std::uint8_t picture, link_kind;
    bool windriver;
    bool cable, usb, programmer, original;
  };
  const Case cases[] = {
      {"cable", 1, cable_link, false, true, false, false, false},
      {"FTDI interface", 0, usb_link, false, false, true, false, false},
      {"WinDriver interface", 0, usb_link, true, false, true, false, true},
      {"programmer", 2, programmer_link, false, false, false, true, false},
      {"trace interface", 4, programmer_link, false, false, false, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prepare(c.picture, c.link_kind, c.windriver);
    show_update_window();
    EXPECT_TRUE(form_->visible());
    EXPECT_EQ(form_->currentfirmwarelabel().text(), "5.02");
    EXPECT_EQ(form_->updatefirmwarelabel().text(), "5.60");
    EXPECT_EQ(form_->Image_parallel_cable().visible(), c.cable);
    EXPECT_EQ(form_->image_usb_cable().visible(), c.usb);
    EXPECT_EQ(form_->image_tamberlypro().visible(), c.programmer);
    EXPECT_EQ(form_->Label1().visible(), c.original);
    EXPECT_EQ(form_->Label4().visible(), c.original);
    EXPECT_EQ(form_->Label4().text(), "5.35");
  }
}

class UpdaterProgressFormTest : public UpdateProgressFormTest {
 protected:
  void SetUp() override {
    UpdateProgressFormTest::SetUp();
    reset_update_decision(EngineBuild::updater);
    form_ = std::make_unique<Taskupdate_bdmquorvex1>();
  }
  void TearDown() override {
    updater::updater_usb_ports().usb_device_family = updater::UpdaterUsbPorts::family_none;
    UpdateProgressFormTest::TearDown();
  }
};

TEST_F(UpdaterProgressFormTest, TellsBoardsAndFxInterfacesApart) {
  using Ports = updater::UpdaterUsbPorts;
  struct Case {
    const char* what;
    std::uint8_t picture, family, universal_kind;
    bool usb, board, fx, programmer;
  };
  const Case cases[] = {
      {"Universal", 0, Ports::family_windriver, 1, true, false, false, false},
      {"Universal FX", 0, Ports::family_windriver, universal_fx, false, false, true, false},
      {"board", 0, Ports::family_osbdm, 0, false, true, false, false},
      {"board after an FX", 0, Ports::family_osbdm, universal_fx, false, true, false, false},
      {"programmer", 2, Ports::family_none, 0, false, false, false, true},
      {"trace interface", 4, Ports::family_none, 0, false, false, false, false},
  };
  EXPECT_EQ(form_->width(), 694);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    prepare(c.picture, c.picture == 0 ? usb_link : programmer_link, c.family == Ports::family_windriver);
    updater::updater_usb_ports().usb_device_family = c.family;
    update_decision().universal_kind = c.universal_kind;
    show_update_window();
    EXPECT_EQ(form_->image_usb_cable().visible(), c.usb);
    EXPECT_EQ(form_->image_osbdm_cable().visible(), c.board);
    EXPECT_EQ(form_->image_fx_quorvex().visible(), c.fx);
    EXPECT_EQ(form_->image_tamberlypro().visible(), c.programmer);
    EXPECT_FALSE(form_->Image_parallel_cable().visible());
  }
}

TEST_F(UpdaterProgressFormTest, AnExplicitFileKeepsItsNameAsTheUpdateVersion) {
  prepare(0, usb_link, true);
  update_decision().use_explicit_file = true;
  update_decision().update_version_text = "99.99";
  form_->updatefirmwarelabel().set_caption("usbqxfx20armens.620");
  show_update_window();
  EXPECT_EQ(form_->updatefirmwarelabel().text(), "usbqxfx20armens.620");
  update_decision().use_explicit_file = false;
  show_update_window();
  EXPECT_EQ(form_->updatefirmwarelabel().text(), "99.99");
}

TEST_F(UpdateProgressFormTest, AFailureClosesItMaroonAndTheNextUpdateStartsPlain) {
  prepare(1, cable_link, false);
  update_status("Erasing MCU Firmware \"update\" block ... ");
  EXPECT_TRUE(form_->visible()) << "a status line shows the hidden window";
  EXPECT_EQ(form_->StatusLabel().text(), "Erasing MCU Firmware \"update\" block ... ");
  EXPECT_EQ(update_progress().last_update_status, "Erasing MCU Firmware \"update\" block ... ");
  update_progress().result_mode = update_failed_mode;
  form_->close_update_window("Firmware update failed.", "5.02");
  EXPECT_FALSE(form_->visible());
  EXPECT_EQ(form_->color(), ws::color::maroon);
  EXPECT_EQ(form_->interfacedetectedlabel().text(), "Firmware update failed.");
  EXPECT_EQ(form_->currentfirmwarelabel().text(), "5.02");
  show_update_window();
  EXPECT_EQ(form_->color(), ws::color::button_face);
  EXPECT_EQ(form_->interfacedetectedlabel().text(),
            "Interface hardware detected with old firmware. Updating...      (Please Wait)");
  EXPECT_EQ(update_progress().last_update_status, "");
}

class UpdateProgressFormOnDisplayTest : private test::OffscreenDisplay, public UpdateProgressFormTest {
 protected:
  void SetUp() override {
    UpdateProgressFormTest::SetUp();
    ws::set_headless(false);
    ASSERT_NE(ws::display(), nullptr);
    // Laid out again with the display's fonts.
    form_.reset();
    form_ = std::make_unique<Taskupdate_bdmquorvex1>();
  }
};

// The longest lines the update engines show there fit the status label in the display's font.
TEST_F(UpdateProgressFormOnDisplayTest, TheLongestStatusLinesShowWhole) {
  ws::Label& label = form_->StatusLabel();
  for (const char* line : {"Programming MCU flash bytes at Address $000F8C40 : Success.",
                           "Programming MCU flash bytes at Address $000F8C40 : ERROR!!!",
                           "Booting Quorvex to original firmware (please wait) ... ",
                           "Failed Updating FPGA design, resetting device.  Please try again.",
                           "Unable to locate upgrade firmware files or upgrade firmware files support different format."}) {
    const std::vector<std::string> lines = ws::wrap_text(label.font(), line, label.width());
    int widest = 0;
    for (const std::string& part : lines) widest = std::max(widest, ws::text_extent(label.font(), part).width);
    EXPECT_LE(widest, label.width()) << line;
    EXPECT_LE(static_cast<int>(lines.size()) * ws::font_metrics(label.font()).height, label.height()) << line;
  }
  prepare(0, usb_link, false);
  show_update_window();
  for (const char* line : {"Programming MCU flash bytes at Address $000F8C40 : ERROR!!!",
                           "Unable to locate upgrade firmware files or upgrade firmware files support different format."}) {
    update_status(line);
    EXPECT_FALSE(test::save_screenshot(*form_, std::string("fwupdate_progress_longest_status_") +
                                                   (line[0] == 'P' ? "row" : "files")).empty());
  }
}

TEST_F(UpdateProgressFormOnDisplayTest, Screenshots) {
  struct Case {
    const char* name;
    std::uint8_t picture, link_kind;
    bool windriver;
  };
  const Case cases[] = {{"fwupdate_progress_cable", 1, cable_link, false},
                        {"fwupdate_progress_usb_windriver", 0, usb_link, true},
                        {"fwupdate_progress_programmer", 2, programmer_link, false}};
  for (const Case& c : cases) {
    prepare(c.picture, c.link_kind, c.windriver);
    show_update_window();
    update_status("Programming MCU flash bytes at Address $8040 : Success.");
    EXPECT_FALSE(test::save_screenshot(*form_, c.name).empty());
  }
  // A stand-alone programmer in the middle of its staged update, with its own versions.
  prepare(2, programmer_link, false);
  update_decision().current_version_text = "8.16";
  update_decision().update_version_text = "8.20";
  update_decision().original_version_text = "";
  show_update_window();
  for (const char* line : {"Transmitting firmware to target ... ", "Programming $00090400", "Programming $0010FF00"}) {
    update_status(line);
  }
  EXPECT_FALSE(test::save_screenshot(*form_, "fwupdate_progress_programmer_staged").empty());
  // The endings as they show just before the window closes.
  struct Ending {
    const char* name;
    std::uint8_t mode;
    const char* message;
    const char* version;
  };
  for (const Ending& e : {Ending{"fwupdate_progress_succeeded", update_succeeded, "Firmware update successful.", "5.60"},
                          Ending{"fwupdate_progress_failed", update_failed_mode, "Firmware update failed.", "5.02"}}) {
    prepare(0, usb_link, false);
    show_update_window();
    update_status(e.mode == update_succeeded ? "All steps completed successfully." : "Failure.");
    std::string saved;
    form_->on_close = [&](ws::Form& form, ws::CloseAction&) { saved = test::save_screenshot(form, e.name); };
    update_progress().result_mode = e.mode;
    form_->close_update_window(e.message, e.version);
    EXPECT_FALSE(saved.empty());
  }
}

}  // namespace
}  // namespace vx::fwupdate

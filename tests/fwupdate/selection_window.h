#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/program_units.h"
#include "foundation/run_state.h"
#include "fwupdate/firmware_selection_form.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/update_decision.h"
#include "fwupdate/update_progress_form.h"
#include "fwupdate/updater_link.h"
#include "fwupdate/updater_main_block.h"
#include "fwupdate/updater_units.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/link_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "loaders/debug_context.h"
#include "platform/dialogs.h"
#include "platform/dynlib.h"
#include "platform/ws/application.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "platform/ws/reset.h"
#include "sim/simulated_world.h"
#include "support/recording_list_view.h"
#include "support/temp_dir.h"
#include "tools/fwfile/firmware_file.h"

namespace vx::updater::test_support {

// The user's side of the dialogs: every message box recorded and answered,
// file dialogs answered with the queued names (none left: cancelled).
class UserAtDialogs final : public platform::DialogResponder {
 public:
  UserAtDialogs() { previous_ = platform::install_dialog_responder(this); }
  ~UserAtDialogs() override { platform::install_dialog_responder(previous_); }
  UserAtDialogs(const UserAtDialogs&) = delete;
  UserAtDialogs& operator=(const UserAtDialogs&) = delete;

  platform::DialogResult message_box(const platform::MessageDialog& dialog) override {
    messages.push_back(dialog.text);
    // Error boxes have OK only; a question (the retry) is declined.
    if (dialog.buttons == platform::button_ok) return platform::result_ok;
    if (dialog.buttons != (platform::button_ok | platform::button_cancel)) return platform::result_no;
    const platform::DialogResult answer = confirmations.empty() ? platform::result_cancel : confirmations.front();
    if (!confirmations.empty()) confirmations.pop_front();
    if (at_the_hardware) at_the_hardware(dialog.text, answer);
    return answer;
  }
  std::optional<std::string> open_file(const platform::FileOpenDialog& dialog) override {
    file_dialogs.push_back(dialog);
    if (files.empty()) return std::nullopt;
    std::string name = files.front();
    files.pop_front();
    return name;
  }
  platform::DialogResult modal_form(const platform::FormDialog&) override { return platform::result_cancel; }

  std::vector<std::string> messages;
  std::vector<platform::FileOpenDialog> file_dialogs;
  std::deque<std::string> files;
  // Answers to the OK/Cancel questions in turn (none left: Cancel), and what the user does at the
  // hardware on answering (fitting or removing a board's jumper).
  std::deque<platform::DialogResult> confirmations;
  std::function<void(const std::string& question, platform::DialogResult answer)> at_the_hardware;

 private:
  platform::DialogResponder* previous_ = nullptr;
};

inline std::string example_file(const std::string& name) {
  return vx::test::read_file(std::string(VX_UPDATER_EXAMPLE) + "/" + name);
}

// The updater's world in this process: the example bench's devices, a
// program folder of its own with the example's firmware files, the units
// started as the program starts them, and both windows.
class SelectionWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ws::reset_window_system();
    ws::set_headless(true);
  }
  void TearDown() override {
    window_.reset();
    progress_.reset();
    finish_updater_units();
    reset_units();
    world_.reset();
    platform::reset_dynlib();
    ws::reset_window_system();
  }

  static void reset_units() {
    vx::reset_units(updater_units());
    reset_run_state();
    loaders::reset_debug_contexts();
  }

  void put_interface_files() {
    std::string error;
    ASSERT_TRUE(tools::write_firmware_file(example_file("universal.s19"), dir_.path().string(), "usbqxfs20armens",
                                           "6.20", error))
        << error;
    ASSERT_TRUE(tools::write_firmware_file(example_file("universal-fx.s19"), dir_.path().string(),
                                           "usbqxfx20armens", "6.20", error))
        << error;
  }
  void put_board_file(const std::string& name = "osbdmens_s08.400") {
    std::ofstream(dir_.file(name), std::ios::binary) << example_file("osbdm_s08.s19");
  }

  // The bench (or another scenario) and the windows, shown as the program shows them.
  void start(const std::string& scenario = example_file("bench.ini"), bool show = true) {
    const sim::ScenarioResult loaded = sim::parse_scenario(scenario, dir_.path());
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    reset_units();
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    start_updater_units(ShortText(dir_.path().string() + "/"));
    port_table().ethernet_scan_enabled = false;
    progress_ = std::make_unique<fwupdate::Taskupdate_bdmquorvex1>();
    progress_->hide();
    window_ = std::make_unique<Tupdatefirmwareselectionform>(ShortText(dir_.path().string() + "/"), *progress_);
    ws::set_main_form(window_.get());
    window_->FormCreate();
    if (show) window_->show();
  }

  // As a user does it: the hardware type by the arrow keys, buttons by the mouse.
  void choose_hardware(int index) {
    ws::ComboBox& types = window_->HarwareTypeComboBox();
    types.set_focus();
    for (int at = types.item_index(); at != index; at += at < index ? 1 : -1) {
      ws::input::press_key(at < index ? ws::vk::down : ws::vk::up);
    }
    ws::process_messages();
  }
  void press(ws::Button& button) {
    ws::input::click(button, {button.width() / 2, button.height() / 2});
    ws::process_messages();
  }
  void choose_device(int index) {
    window_->SelectDeviceCombobox().set_item_index(index);
    window_->SelectDeviceComboboxChange();
  }
  void choose_architecture(int index) {
    window_->SelectArchitectureComboBox().set_item_index(index);
    window_->SelectArchitectureComboBoxChange();
  }

  vx::test::ScopedStatusOutput status_;
  vx::test::TempDir dir_;
  UserAtDialogs user_;
  std::unique_ptr<sim::SimulatedWorld> world_;
  std::unique_ptr<fwupdate::Taskupdate_bdmquorvex1> progress_;
  std::unique_ptr<Tupdatefirmwareselectionform> window_;
};

}  // namespace vx::updater::test_support

// VXFirmwareUpdater as a user runs it to update the first OSBDM board of the
// scenario VX_SIM names, on Qt's offscreen display: the user chooses the
// OSBDM hardware type and the S08 architecture, clicks "Update Firmware",
// fits the board's jumper when asked for bootloader mode and removes it when
// asked for run mode (answering OK), declines a retry, tells the result as a
// line "user: result ..." on stderr and closes the window.
#include <cstdio>
#include <memory>
#include <string>

#include "fwupdate/firmware_selection_form.h"
#include "fwupdate/updater_main_block.h"
#include "platform/dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/display.h"
#include "platform/ws/qt/qt_backend.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "platform/ws/timer.h"
#include "sim/simulated_world.h"
#include "support/display_input.h"

namespace {

using vx::updater::Tupdatefirmwareselectionform;

constexpr int osbdm_hardware_type = 2, s08_architecture = 7;

void tell(const std::string& line) {
  std::fprintf(stderr, "user: %s\n", line.c_str());
  std::fflush(stderr);
}

// The user at the board: the jumper moves as the questions ask; anything else gets the unattended answer.
class UserAtTheBoard final : public vx::platform::DialogResponder {
 public:
  explicit UserAtTheBoard(vx::sim::SimOsbdmBoards& boards) : boards_(boards) {}

  vx::platform::DialogResult message_box(const vx::platform::MessageDialog& dialog) override {
    tell("asked \"" + dialog.text + "\"");
    if (dialog.text.starts_with("The embedded firmware needs to be in bootloader mode")) {
      boards_.set_jumper(0, true);
      return vx::platform::result_ok;
    }
    if (dialog.text.starts_with("The embedded OSJTAG/OSBDM needs to enter run mode")) {
      boards_.set_jumper(0, false);
      return vx::platform::result_ok;
    }
    return vx::platform::non_interactive_answer(dialog.buttons);
  }
  std::optional<std::string> open_file(const vx::platform::FileOpenDialog&) override { return std::nullopt; }
  vx::platform::DialogResult modal_form(const vx::platform::FormDialog& dialog) override {
    return vx::platform::non_interactive_answer(dialog);
  }

 private:
  vx::sim::SimOsbdmBoards& boards_;
};

class User {
 public:
  explicit User(Tupdatefirmwareselectionform& window) : window_(window), timer_(20) {
    timer_.on_timer = [this](vx::ws::Timer&) { look(); };
  }

 private:
  void look() {
    Tupdatefirmwareselectionform& w = window_;
    if (!w.visible()) return;
    if (!clicked_) {
      vx::ws::ComboBox& types = w.HarwareTypeComboBox();
      if (types.item_index() != osbdm_hardware_type) {
        types.set_focus();
        vx::ws::input::press_key(types.item_index() < osbdm_hardware_type ? vx::ws::vk::down : vx::ws::vk::up);
        return;
      }
      if (w.SelectDeviceCombobox().items().empty()) return;
      w.SelectArchitectureComboBox().set_item_index(s08_architecture);
      w.SelectArchitectureComboBoxChange();
      tell("row \"" + w.SelectDeviceCombobox().text() + "\"");
      tell("automatic file \"" + w.AutomaticFirmwareNameLabel().caption() + "\"");
      clicked_ = true;
      vx::ws::Button& update = w.UpdateFirmwareButton();
      vx::test::click_on_display(update, {update.width() / 2, update.height() / 2});
      return;
    }
    if (!w.UpdateFirmwareButton().enabled() || w.ResultLabel().caption() == "Ready") return;
    tell("result \"" + w.ResultLabel().caption() + "\"");
    timer_.set_enabled(false);
    tell(vx::test::close_on_display(w) ? "closed the window" : "no window to close");
  }

  Tupdatefirmwareselectionform& window_;
  vx::ws::Timer timer_;
  bool clicked_ = false;
};

}  // namespace

int main() {
  vx::ws::install_display_backend(&vx::ws::qt::backend());
  const vx::sim::SimulationStart simulation = vx::sim::start_simulation_from_environment();
  if (!simulation.error.empty() || !simulation.world || simulation.world->osbdm_boards().size() == 0) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.empty() ? "no OSBDM board" : simulation.error.c_str());
    return 2;
  }
  UserAtTheBoard dialogs(simulation.world->osbdm_boards());
  vx::platform::install_dialog_responder(&dialogs);
  vx::ws::set_headless(false);
  std::unique_ptr<User> user;
  const int code = vx::updater::updater_main_block(
      [&](Tupdatefirmwareselectionform& window) { user = std::make_unique<User>(window); });
  user.reset();
  vx::platform::install_dialog_responder(nullptr);
  return code;
}

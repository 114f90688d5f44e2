// VXFirmwareUpdater as a user runs it, on Qt's offscreen display, against the
// scenario VX_SIM names: the user reads the caption and the device rows,
// clicks "Update Firmware", waits for the result, saves the window as
// <VX_TEST_SCREENSHOTS>-result.png and closes it. Each step is told on stderr
// as a line starting "user: "; dialogs get the unattended answers.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fwupdate/firmware_selection_form.h"
#include "fwupdate/updater_main_block.h"
#include "platform/scripted_dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/display.h"
#include "platform/ws/qt/qt_backend.h"
#include "platform/ws/timer.h"
#include "sim/simulated_world.h"
#include "support/display_input.h"

namespace {

using vx::updater::Tupdatefirmwareselectionform;

void tell(const std::string& line) {
  std::fprintf(stderr, "user: %s\n", line.c_str());
  std::fflush(stderr);
}

class User {
 public:
  explicit User(Tupdatefirmwareselectionform& window) : window_(window), timer_(20) {
    timer_.on_timer = [this](vx::ws::Timer&) { look(); };
  }

 private:
  void look() {
    Tupdatefirmwareselectionform& w = window_;
    if (!clicked_) {
      if (!w.visible()) return;
      tell("caption \"" + w.caption() + "\"");
      for (const std::string& row : w.SelectDeviceCombobox().items()) tell("row \"" + row + "\"");
      tell("automatic file \"" + w.AutomaticFirmwareNameLabel().caption() + "\"");
      clicked_ = true;
      vx::ws::Button& update = w.UpdateFirmwareButton();
      vx::test::click_on_display(update, {update.width() / 2, update.height() / 2});
      return;
    }
    if (!w.UpdateFirmwareButton().enabled() || w.ResultLabel().caption() == "Ready") return;
    char colour[16];
    std::snprintf(colour, sizeof colour, "%06X", static_cast<unsigned>(w.color()));
    tell("result \"" + w.ResultLabel().caption() + "\" on " + colour);
    if (const char* prefix = std::getenv("VX_TEST_SCREENSHOTS")) {
      vx::ws::save_window_png(w, std::string(prefix) + "-result.png");
    }
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
  if (!simulation.error.empty()) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.c_str());
    return 2;
  }
  vx::platform::ScriptedResponder dialogs;
  vx::platform::install_dialog_responder(&dialogs);
  vx::ws::set_headless(false);
  std::unique_ptr<User> user;
  const int code = vx::updater::updater_main_block(
      [&](Tupdatefirmwareselectionform& window) { user = std::make_unique<User>(window); });
  user.reset();
  for (const vx::platform::DialogRecord& record : dialogs.log()) {
    tell("the dialog \"" + record.text + "\" was answered " + record.answer);
  }
  vx::platform::install_dialog_responder(nullptr);
  return code;
}

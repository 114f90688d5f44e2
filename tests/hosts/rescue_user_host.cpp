// fwrescue as a user runs it, on Qt's offscreen display: clicks travel as
// the display's own events and the file dialog answers with VX_TEST_FIRMWARE
// (empty: Cancel). The user saves the window as <VX_TEST_SCREENSHOTS>-idle.png,
// -running.png (while the programmer runs) and -<VX_TEST_RESULT_SHOT>.png,
// picks the file, presses "Update Firmware", waits for the result, presses
// "Show Logfile ..." and closes the window. Each step is told on stderr as a
// line starting "user: ".
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/scripted_dialogs.h"
#include "platform/ws/application.h"
#include "platform/ws/display.h"
#include "platform/ws/qt/qt_backend.h"
#include "platform/ws/timer.h"
#include "support/display_input.h"
#include "utilities/osbdm_update_firmware_form.h"
#include "utilities/rescue_main_block.h"

namespace {

using vx::utilities::TForm1;

enum class Stage { idle, picked, running, finished, log_shown, done };

std::string setting(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

void tell(const std::string& line) {
  std::fprintf(stderr, "user: %s\n", line.c_str());
  std::fflush(stderr);
}

void save(TForm1& window, const std::string& name) {
  const std::string prefix = setting("VX_TEST_SCREENSHOTS");
  if (prefix.empty()) return;
  const bool saved = vx::ws::save_window_png(window, prefix + "-" + name + ".png");
  tell(saved ? "saved the window " + name : "could not save the window " + name);
}

void click(vx::ws::Window& button) {
  vx::test::click_on_display(button, {button.width() / 2, button.height() / 2});
}

std::string hex_colour(vx::ws::Color colour) {
  char text[16];
  std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(colour));
  return text;
}

class User {
 public:
  explicit User(TForm1& window) : window_(window), timer_(20) {
    timer_.on_timer = [this](vx::ws::Timer&) { look(); };
  }

 private:
  void look() {
    TForm1& w = window_;
    switch (stage_) {
      case Stage::idle:
        save(w, "idle");
        tell("clicked \"" + w.Button1().caption() + "\"");
        click(w.Button1());
        stage_ = Stage::picked;
        break;
      case Stage::picked:
        if (!picked_) {
          picked_ = true;  // the click is handled before the next look
          break;
        }
        tell("FirmwareNameLabel reads \"" + w.FirmwareNameLabel().caption() + "\"; \"Update Firmware\" is " +
             (w.UpdateButton().enabled() ? "enabled" : "disabled"));
        if (!w.UpdateButton().enabled()) {
          stage_ = Stage::finished;
          break;
        }
        tell("clicked \"Update Firmware\"");
        click(w.UpdateButton());
        stage_ = Stage::running;
        break;
      case Stage::running:
        if (w.Label6().caption() == "Running...") {
          tell("Label6 reads \"Running...\" while the programmer runs; \"Update Firmware\" is " +
               std::string(w.UpdateButton().enabled() ? "enabled" : "disabled"));
          save(w, "running");
          stage_ = Stage::finished;
        } else if (w.Label5().caption() != "None.") {
          stage_ = Stage::finished;
        }
        break;
      case Stage::finished:
        if (w.Label6().caption() != "Not Running.") break;
        tell("Label5 reads \"" + w.Label5().caption() + "\" on " + hex_colour(w.GroupBox3().color()) +
             "; Label6 reads \"" + w.Label6().caption() + "\"");
        save(w, setting("VX_TEST_RESULT_SHOT"));
        if (w.showlogfilebutton().enabled()) {
          tell("clicked \"Show Logfile ...\"");
          click(w.showlogfilebutton());
        }
        stage_ = Stage::log_shown;
        break;
      case Stage::log_shown:
        tell(vx::test::close_on_display(w) ? "closed the window" : "no window to close");
        stage_ = Stage::done;
        break;
      case Stage::done:
        break;
    }
  }

  TForm1& window_;
  vx::ws::Timer timer_;
  Stage stage_ = Stage::idle;
  bool picked_ = false;
};

}  // namespace

int main() {
  vx::ws::install_display_backend(&vx::ws::qt::backend());
  vx::platform::ScriptedResponder dialogs;
  const std::string firmware = setting("VX_TEST_FIRMWARE");
  dialogs.answer_open_file(firmware.empty() ? std::nullopt : std::optional<std::string>(firmware));
  vx::platform::install_dialog_responder(&dialogs);
  // VX_HEADLESS=1 is the programmer's; this program has the display.
  vx::ws::set_headless(false);
  std::unique_ptr<User> user;
  const int code = vx::utilities::rescue_main_block([&](TForm1& window) { user = std::make_unique<User>(window); });
  user.reset();
  for (const vx::platform::DialogRecord& record : dialogs.log()) {
    tell("the dialog \"" + record.text + "\" was answered " + record.answer);
  }
  vx::platform::install_dialog_responder(nullptr);
  return code;
}

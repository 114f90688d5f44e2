// The programmer as CQUILLHCS08 runs it, with someone at its windows on Qt's
// offscreen display: what the user does travels as the display's own events.
// VX_TEST_USER says what that is:
//   watch       name the windows shown while PM waits for the target;
//   escape      press Esc while PM waits for the target (saying whether the status list has the
//               focus), then click "Quit";
//   cancel      click the cancel button while PM waits for the target, then again once it reads "Quit";
//   close       close the main window from its frame while PM waits for the target;
//   screenshot  when the script has ended, save the main window to VX_TEST_SCREENSHOT, then click "Quit".
// Each step is told on stderr as a line starting "user: ".
#include <QCoreApplication>
#include <QGuiApplication>
#include <QTimer>
#include <QWindow>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "platform/ws/display.h"
#include "platform/ws/qt/qt_backend.h"
#include "programmer/main_block.h"
#include "programmer/main_window.h"
#include "programmer/program_windows.h"
#include "programmer/programmer_run.h"
#include "programmer/status_window.h"
#include "sim/simulated_world.h"
#include "support/display_input.h"

namespace {

using vx::run_state;

enum class Stage { waiting, acted, done };

struct User {
  std::string action;
  Stage stage = Stage::waiting;
  vx::sim::SimulatedWorld* world = nullptr;
};

User& user() {
  static User instance;
  return instance;
}

void tell(const std::string& line) {
  std::fprintf(stderr, "user: %s\n", line.c_str());
  std::fflush(stderr);
}

// PM is running and the target runs one of its routines, which the
// programmer waits for.
bool programming_waits_for_target() {
  if (!run_state().command_running || user().world->target().state() == vx::sim::RunState::Background) return false;
  // The last command echoed: "CMD>", the command colour's mark, the line.
  const auto& lines = vx::status_output().lines;
  for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
    if (line->rfind("CMD>", 0) == 0) return line->compare(5, 2, "PM") == 0;
  }
  return false;
}

vx::programmer::TMainWin1* main_window() { return vx::programmer::program_windows().MainWin1.get(); }

void click_cancel() {
  vx::ws::Button& button = main_window()->CquillCancelBtn();
  vx::test::click_on_display(button, {button.client_rect().width() / 2, button.client_rect().height() / 2});
}

bool reads_quit() { return main_window()->CquillCancelBtn().caption() == "Quit"; }

// One look at the program, on its own thread, between the display's events.
void look() {
  User& u = user();
  if (main_window() == nullptr) return;
  if (u.stage == Stage::waiting && u.action == "watch" && programming_waits_for_target()) {
    for (const QWindow* window : QGuiApplication::topLevelWindows()) {
      if (window->isVisible()) tell("window \"" + window->title().toStdString() + "\"");
    }
    u.stage = Stage::done;
  } else if (u.stage == Stage::waiting && u.action == "escape" && programming_waits_for_target()) {
    vx::programmer::Tstatus1* status = vx::programmer::program_windows().status1.get();
    const bool in_list = status != nullptr && vx::ws::focused_window() == &status->Listbox1();
    tell(std::string(in_list ? "the status list has the focus; " : "the status list lacks the focus; ") +
         (vx::test::press_key_on_display(*main_window(), "Esc", "\x1b") ? "pressed Esc" : "no window for Esc"));
    u.stage = Stage::acted;
  } else if (u.stage == Stage::waiting && u.action == "cancel" && programming_waits_for_target()) {
    click_cancel();
    tell("clicked \"Cancel\"");
    u.stage = Stage::acted;
  } else if (u.stage == Stage::waiting && u.action == "close" && programming_waits_for_target()) {
    tell(vx::test::close_on_display(*main_window()) ? "closed the main window" : "no window to close");
    u.stage = Stage::done;
  } else if (u.stage == Stage::waiting && u.action == "screenshot" && run_state().script_finished) {
    const char* path = std::getenv("VX_TEST_SCREENSHOT");
    const bool saved = path != nullptr && vx::ws::save_window_png(*main_window(), path);
    tell(saved ? "saved the main window" : "could not save the main window");
    tell("the status panel reads \"" + vx::programmer::program_windows().status1->Panel2().caption() + "\"");
    u.stage = Stage::acted;
  } else if (u.stage == Stage::acted && reads_quit() && !vx::programmer::programmer_run().script_running) {
    tell("the button reads \"Quit\"; clicked it");
    click_cancel();
    u.stage = Stage::done;
  }
}

// Each time the program handles the display's events, so no short wait is missed.
void look_again() {
  look();
  if (user().stage != Stage::done) QTimer::singleShot(0, QCoreApplication::instance(), look_again);
}

// The user sits down once the display is up.
void sit_down() { QTimer::singleShot(0, QCoreApplication::instance(), look_again); }

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(sit_down)

int main(int argc, char** argv) {
  vx::ws::install_display_backend(&vx::ws::qt::backend());
  std::signal(SIGXFSZ, SIG_IGN);
  const char* action = std::getenv("VX_TEST_USER");
  user().action = action != nullptr ? action : "watch";
  const vx::sim::SimulationStart simulation = vx::sim::start_simulation_from_environment();
  if (!simulation.error.empty() || !simulation.world) {
    std::fprintf(stderr, "VX_SIM: %s\n", simulation.error.c_str());
    return 2;
  }
  user().world = simulation.world.get();
  std::vector<vx::ShortText> parameters(argv + 1, argv + argc);
  return vx::programmer::programmer_main_block(std::move(parameters));
}

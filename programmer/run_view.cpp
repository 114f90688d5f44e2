#include "programmer/run_view.h"

#include "platform/ws/application.h"
#include "programmer/main_window.h"
#include "programmer/program_windows.h"
#include "programmer/status_window.h"

namespace vx::programmer {
namespace {

ws::Color window_colour(Rgb colour) {
  return static_cast<ws::Color>(colour.red) | static_cast<ws::Color>(colour.green) << 8 |
         static_cast<ws::Color>(colour.blue) << 16;
}

}  // namespace

void ProgrammerRunView::show_result_panel(const ShortText& text, Rgb colour) {
  if (Tstatus1* status = program_windows().status1.get()) {
    status->set_status_text_colour(window_colour(colour));
    status->set_status_text(text);
  }
  if (ws::headless()) headless_.show_result_panel(text, colour);
}

void ProgrammerRunView::activate_cancel_button() {
  if (TMainWin1* main = program_windows().MainWin1.get()) main->activate_cancel_button();
}

void ProgrammerRunView::turn_cancel_into_quit() {
  if (TMainWin1* main = program_windows().MainWin1.get()) main->turn_cancel_into_quit();
}

}  // namespace vx::programmer

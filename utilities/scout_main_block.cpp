#include "utilities/scout_main_block.h"

#include <cstdio>

#include "foundation/kstring.h"
#include "foundation/program_units.h"
#include "foundation/run_state.h"
#include "foundation/system_helpers.h"
#include "platform/ws/application.h"
#include "utilities/fwscout_form.h"
#include "utilities/scout_units.h"

namespace vx::utilities::fwscout_form {
namespace {

void start_program() {
  ShortText exe;
  GET_EXE_PATH(exe);
  // The OSBDM library is looked for beside the program first.
  run_state().program_directory = path_part(exe);
  start_units(scout_units());
}

void print_list(TForm1& window) {
  for (const std::string& line : window.ListBox1().items()) std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

}  // namespace

int scout_main_block(const std::function<void(TForm1&)>& sit_down) {
  start_program();
  {
    TForm1 window;
    ws::set_main_form(&window);
    if (sit_down) sit_down(window);
    if (ws::headless()) {
      window.show();
      print_list(window);
    } else {
      ws::run();
    }
    ws::set_main_form(nullptr);
  }
  finish_units(scout_units());
  return 0;
}

}  // namespace vx::utilities::fwscout_form

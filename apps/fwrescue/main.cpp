// fwrescue restores an OSBDM board's firmware by running the flash programmer
// beside it. It starts no simulated world: VX_SIM reaches the programmer
// through the environment.
#include "platform/ws/qt/qt_backend.h"
#include "utilities/desktop_required.h"
#include "utilities/rescue_main_block.h"

int main() {
  vx::ws::install_display_backend(&vx::ws::qt::backend());
  if (!vx::utilities::desktop_usable("fwrescue")) return vx::utilities::no_desktop_exit_code;
  return vx::utilities::rescue_main_block();
}

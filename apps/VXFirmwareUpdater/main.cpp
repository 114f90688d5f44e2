// VXFirmwareUpdater, the interface firmware updater. With VX_SIM naming a
// scenario it runs against the simulated devices the scenario describes.
#include "apps/simulation_start/simulation_start.h"
#include "fwupdate/updater_main_block.h"
#include "platform/ws/qt/qt_backend.h"
#include "utilities/desktop_required.h"

int main() {
  vx::ws::install_display_backend(&vx::ws::qt::backend());
  // Before the simulated world: a run that cannot start leaves no state file behind.
  if (!vx::utilities::desktop_usable("VXFirmwareUpdater")) return vx::utilities::no_desktop_exit_code;
  return vx::apps::run_with_simulation([] { return vx::updater::updater_main_block(); });
}

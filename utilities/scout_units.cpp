#include "utilities/scout_units.h"

#include <vector>

#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/interface_units.h"

namespace vx::utilities::fwscout_form {
namespace {

void reset_osbdm() { reset_osbdm_binding(scout_osbdm_build); }

void reset_usb_ports() { updater::reset_updater_usb_ports(updater::UsbListing::scout); }

}  // namespace

std::span<const ProgramUnit> scout_units() {
  static const std::vector<ProgramUnit> units = units_above(interface_units(), {
      // The USB library is let go last, after the boards and devices it reached.
      {.finish = reset_wdusb_library},
      {.start = reset_osbdm, .reset = reset_osbdm, .finish = unload_osbdm_library},
      {.start = reset_usb_ports, .reset = reset_usb_ports, .finish = updater::close_usb_devices},
      {.reset = reset_usb_classification},
  });
  return units;
}

}  // namespace vx::utilities::fwscout_form

#pragma once

#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/link_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"

namespace vx::test {

// The updater's device units (ports, USB lists, boards, link and protocol) as a fresh start
// leaves them; each test adds the units it uses beyond these.
inline void reset_updater_device_units() {
  reset_port_table();
  updater::reset_updater_usb_ports();
  reset_usb_classification();
  reset_osbdm_binding();
  reset_wdusb_state();
  reset_wdusb_library();
  reset_link_state();
  reset_byte_protocol();
  reset_programmer_link();
}

}  // namespace vx::test

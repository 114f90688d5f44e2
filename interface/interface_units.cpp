#include "interface/interface_units.h"

#include <array>

#include "interface/byte_protocol.h"
#include "interface/cable_handshake.h"
#include "interface/connection_settings.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/pci_card.h"
#include "interface/drivers/port_access.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/drivers/windows_version.h"
#include "interface/engine_settings.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_reset.h"
#include "interface/interface_speed.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/port_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "interface/srecord_download.h"
#include "interface/target_connection.h"
#include "interface/target_operations.h"
#include "interface/target_read_cache.h"
#include "interface/usb_routing.h"

namespace vx {
namespace {

// The USB routing closes its ports through the bindings: it is reset before them.
constexpr std::array units{
    ProgramUnit{.reset = reset_usb_routing},
    ProgramUnit{.reset = reset_ftdi_binding},
    ProgramUnit{.reset = reset_wdusb_state},
    ProgramUnit{.reset = reset_wdusb_library},
    ProgramUnit{.reset = reset_link_state},
    ProgramUnit{.reset = reset_port_counts},
    ProgramUnit{.reset = reset_port_state},
    ProgramUnit{.reset = reset_port_table},
    ProgramUnit{.reset = reset_cable_handshake},
    ProgramUnit{.reset = reset_pci_driver_state},
    ProgramUnit{.reset = reset_port_access_state},
    ProgramUnit{.reset = reset_windows_report},
    ProgramUnit{.reset = reset_byte_protocol},
    ProgramUnit{.reset = reset_interface_state},
    ProgramUnit{.reset = reset_sync_state},
    ProgramUnit{.reset = reset_connection_settings},
    ProgramUnit{.reset = reset_engine_settings},
    ProgramUnit{.reset = reset_firmware_update_link},
    ProgramUnit{.reset = fwupdate::reset_firmware_request},
    ProgramUnit{.reset = reset_target_access},
    ProgramUnit{.reset = reset_target_read_cache},
    ProgramUnit{.reset = reset_srecord_download},
    ProgramUnit{.reset = reset_target_connection},
    ProgramUnit{.reset = reset_programmer_link},
};

}  // namespace

std::span<const ProgramUnit> interface_units() { return units; }

}  // namespace vx

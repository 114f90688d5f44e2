#pragma once

#include <cstdint>

#include "foundation/short_text.h"
#include "interface/interface_class.h"

// How the programmer reaches its target from one run to the next, kept in
// section STARTUP (the Ethernet address in section PORT) of the desktop
// file: read once by the command-line stage, written back at shutdown.
// The values the interface layer works with (power, delays, the I/O delay
// count) live in its connection_settings(), the custom trim reference in
// its engine_settings(); the ones only the programmer reads live here. The
// USB vendor identifier (USB_VENDOR_ID) is read only, and handed to the
// interface layer.
namespace vx::programmer {

struct StartupSettings {
  static constexpr std::uint16_t io_delay_limit = 4096;

  bool io_delay_set = false;
  // PCI_DELAY and BDM_SPEED both set it.
  std::int32_t bdm_speed = 0;
  std::uint16_t saved_port = 1;
  // 0 parallel cable or PCI card, 1 USB interface, 2 serial, 3 Ethernet, 4 USB stand-alone programmer.
  std::int32_t interface_selection = 1;
  ShortText ethernet_address;
  bool show_at_startup = true;
  std::int32_t cpu_type = 0;
};

StartupSettings& startup_settings();
void reset_startup_settings();

void load_connection_settings();
void save_connection_settings();

// The interface class a port's driver works with for the chosen interface type.
InterfaceClass interface_class();
// The kinds of port listed for the interface type: 1 parallel and PCI, 4 USB,
// 8 serial, 16 Ethernet, 32 programmer on USB; 7 without a connection manager.
std::uint32_t interface_port_kind_mask();
void select_cpu_type(std::int32_t index);

}  // namespace vx::programmer

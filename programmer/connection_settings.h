#pragma once

#include <cstdint>

#include "foundation/short_text.h"

// How the programmer reaches its target from one run to the next: kept in
// section STARTUP (and the Ethernet address in section PORT) of the desktop
// file, read once by the command-line stage and written back at shutdown.
namespace vx::programmer {

struct ConnectionSettings {
  static constexpr std::uint16_t io_delay_limit = 4096;

  std::uint16_t io_delay_count = 0;
  bool io_delay_set = false;
  // PCI_DELAY and BDM_SPEED both set it.
  std::int32_t bdm_speed = 0;
  std::uint16_t saved_port = 1;
  // 0 parallel cable or PCI card, 1 USB interface, 2 serial, 3 Ethernet, 4 USB stand-alone programmer.
  std::int32_t interface_selection = 1;
  ShortText ethernet_address;
  bool show_at_startup = true;
  // In hertz; kept in the file as hundredths.
  long double custom_trim_reference = 31250.0L;
  bool custom_trim_override = false;
  bool relays_in_use = true;
  bool power_off_on_exit = false;
  // 255 = 5.0 V, 128 = 3.0 V, 0 = 2.0 V.
  std::int32_t voltage_selector = 255;
  std::int32_t power_down_delay_ms = 250;
  std::int32_t power_up_delay_ms = 250;
  std::uint16_t reset_delay_ms = 0;
  std::int32_t cpu_type = 0;

  // The trim reference range; TRIM_RANGE= and ICS_RANGE= of the algorithm file change them.
  long double trim_reference_upper = 39062.5L;
  long double trim_reference_lower = 31250.0L;
  long double trim_reference_default = 31250.0L;
  long double trim_reference_scale = 1.0L;
  bool trim_reference_prescaled = false;
};

ConnectionSettings& connection_settings();
void reset_connection_settings();

void load_connection_settings();
void save_connection_settings();

// The interface class a port's driver works with: 1 USB, 2 stand-alone programmer, else 0.
std::uint8_t interface_class();
// The kinds of port listed for the interface type: 1 parallel and PCI, 4 USB,
// 8 serial, 16 Ethernet, 32 programmer on USB; 7 without a connection manager.
std::uint32_t interface_port_kind_mask();
void select_cpu_type(std::int32_t index);

long double trim_reference_upper();
long double trim_reference_lower();
long double trim_reference_default();
long double trim_reference_scale();
bool trim_reference_prescaled();
long double custom_trim_reference();
bool custom_trim_override();

}  // namespace vx::programmer

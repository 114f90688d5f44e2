#include "programmer/connection_settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "foundation/run_state.h"
#include "foundation/settings_file.h"
#include "interface/connection_settings.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/engine_settings.h"
#include "interface/port_ranges.h"
#include "interface/port_table.h"
#include "programmer/connection_manager.h"
#include "programmer/program_windows.h"

namespace vx::programmer {
namespace {

constexpr const char* startup = "STARTUP";

StartupSettings settings;

const ShortText& desktop() { return run_state().desktop_file_name; }

std::int32_t get_integer(const char* key, std::int32_t default_value) {
  return GET_INI_INTEGER(desktop(), startup, key, default_value, false);
}

bool get_bool(const char* key, bool default_value) { return get_integer(key, default_value ? 1 : 0) != 0; }

void put_integer(const char* key, std::int32_t value, bool flush = false) {
  PUT_INI_INTEGER(desktop(), startup, key, value, flush);
}

void put_bool(const char* key, bool value) { put_integer(key, value ? 1 : 0); }

// The first number of a port range names no port (the trace ranges are not the programmer's).
std::uint16_t corrected_port(std::uint16_t port) {
  for (const PortRangeBounds& bounds : port_ranges) {
    if (!is_trace_range(bounds.range) && port == bounds.base) return static_cast<std::uint16_t>(port + 1);
  }
  return port;
}

// Hundredths of a hertz, kept within what the file's integer can hold.
std::int32_t stored_trim_reference(long double hertz) {
  const long double hundredths = std::trunc(hertz * 100.0L);
  if (std::isnan(hundredths)) return 0;
  return static_cast<std::int32_t>(
      std::clamp(hundredths, static_cast<long double>(std::numeric_limits<std::int32_t>::min()),
                 static_cast<long double>(std::numeric_limits<std::int32_t>::max())));
}

}  // namespace

StartupSettings& startup_settings() { return settings; }

void reset_startup_settings() { settings = StartupSettings{}; }

void load_connection_settings() {
  vx::ConnectionSettings& link = vx::connection_settings();
  TrimSettings& trim = engine_settings().trim;
  link.io_delay_cnt = static_cast<std::uint16_t>(get_integer("IO_DELAY_CNT", 0));
  settings.bdm_speed = get_integer("PCI_DELAY", 0);
  settings.saved_port = corrected_port(static_cast<std::uint16_t>(get_integer("PORT", 1)));
  settings.interface_selection = get_integer("interface_selection", 1);
  GET_INI_STRING(desktop(), "PORT", "IP", settings.ethernet_address, false, settings.ethernet_address);
  ShortText usb_vendor;
  GET_INI_STRING(desktop(), startup, "USB_VENDOR_ID", ShortText(), false, usb_vendor);
  take_desktop_usb_vendor_id(usb_vendor.view());
  settings.show_at_startup = get_integer("SHOWDIALOG", 1) == 1;
  if (GET_INI_INTEGER(desktop(), "VXDEBUG", "NOCONNECTIONGDLG", 0, false) == 1) settings.show_at_startup = false;
  trim.custom_reference =
      get_integer("trim_reference_target_newvalue", stored_trim_reference(trim.custom_reference)) / 100.0L;
  link.power_relays_in_use = get_bool("USE_TAMBERLYPRO_RELAYS", link.power_relays_in_use);
  link.power_off_on_exit = get_bool("TamberlyPro_poweroffonexit", link.power_off_on_exit);
  link.supply_selection =
      static_cast<std::uint8_t>(get_integer("TamberlyPro_currentvoltage", link.supply_selection));
  link.power_down_delay_ms = get_integer("TamberlyPro_PowerDownDelay", link.power_down_delay_ms);
  link.power_up_delay_ms = get_integer("TamberlyPro_PowerUpDelay", link.power_up_delay_ms);
  // The flag belongs to this run's command line, never to an earlier one.
  settings.io_delay_set = false;
  link.io_delay_cnt = std::min(link.io_delay_cnt, StartupSettings::io_delay_limit);
  // Ethernet port numbers follow the order of discovery: the address finds the device again.
  if (classify(settings.saved_port).range == PortRange::ethernet) {
    FIND_ETHERNET_PORT(settings.ethernet_address, settings.saved_port, false);
  }
  select_cpu_type(get_integer("CPUTARGETTYPE", 0));
}

void save_connection_settings() {
  const vx::ConnectionSettings& link = vx::connection_settings();
  const TrimSettings& trim = engine_settings().trim;
  put_integer("trim_reference_target_newvalue", stored_trim_reference(trim.custom_reference));
  put_bool("trim_reference_target_override", trim.custom_override);
  put_integer("CPUTARGETTYPE", settings.cpu_type);
  put_bool("IO_DELAY_SET", settings.io_delay_set);
  put_bool("USE_TAMBERLYPRO_RELAYS", link.power_relays_in_use);
  put_bool("TamberlyPro_poweroffonexit", link.power_off_on_exit);
  put_integer("TamberlyPro_currentvoltage", link.supply_selection);
  put_integer("TamberlyPro_PowerDownDelay", link.power_down_delay_ms);
  put_integer("TamberlyPro_PowerUpDelay", link.power_up_delay_ms);
  put_integer("IO_DELAY_CNT", link.io_delay_cnt);
  put_integer("PCI_DELAY", settings.bdm_speed);
  put_integer("RESET_DELAY", link.reset_delay_ms);
  put_integer("PORT", settings.saved_port);
  put_integer("interface_selection", settings.interface_selection);
  PUT_INI_STRING(desktop(), "PORT", "IP", settings.ethernet_address, false);
  put_integer("SHOWDIALOG", settings.show_at_startup ? 1 : 0, true);
}

InterfaceClass interface_class() {
  if (!program_windows().connectiondialog2) return InterfaceClass::parallel_cable;
  switch (settings.interface_selection) {
    case 1: return InterfaceClass::usb_interface;
    case 2: case 3: case 4: return InterfaceClass::standalone_programmer;
    default: return InterfaceClass::parallel_cable;
  }
}

std::uint32_t interface_port_kind_mask() {
  if (!program_windows().connectiondialog2) return 7;
  switch (settings.interface_selection) {
    case 1: return 4;
    case 2: return 8;
    case 3: return 16;
    case 4: return 32;
    default: return 1;
  }
}

void select_cpu_type(std::int32_t index) {
  const std::int32_t count = static_cast<std::int32_t>(cpu_type_names().size());
  settings.cpu_type = index >= 0 && index < count ? index : 0;
  if (program_windows().connectiondialog2) program_windows().connectiondialog2->CPUType().set_item_index(settings.cpu_type);
}

}  // namespace vx::programmer

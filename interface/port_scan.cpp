#include <algorithm>
#include <span>

#include "foundation/command_exception.h"
#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/connection_manager_view.h"
#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/pci_card.h"
#include "interface/drivers/port_access.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/ethernet_devices.h"
#include "interface/ethernet_transport.h"
#include "interface/port_counts.h"
#include "interface/port_ranges.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "interface/usb_routing.h"
#include "interface/user_port_lists.h"
#include "platform/net.h"

namespace vx {
namespace {

constexpr std::size_t ethernet_ip_length = 60, ethernet_name_length = 120;

std::uint32_t& value(std::int32_t port) { return port_table().values[static_cast<std::size_t>(port)]; }

void mark_present(PortRange range, std::int32_t count) {
  for (std::int32_t n = 1; n <= count; ++n) value(port_of(range, n)) = PortTable::present;
}

void clear_scan() {
  PortTable& table = port_table();
  table.values.fill(0);
  table.user_lpt_flags.fill(false);
  table.pci_card_regions.fill(platform::PciRegions{});
  for (EthernetPortEntry& entry : table.ethernet) entry = EthernetPortEntry{};
  port_counts() = PortCounts{};
}

void find_parallel_ports() {
  PortTable& table = port_table();
  vxdrv_open(1);
  vxdrv_control();
  for (std::uint8_t n = 1; n <= 3; ++n) {
    std::uint16_t address = 0;
    if (read_bios_lpt_address(address, n) == vxdrv::success) value(n) = address;
  }
  if (value(1) == 0 && value(2) == 0 && value(3) == 0) {
    write_vichw11_service_key();
    init_lpt_ports(std::span<std::uint32_t>(table.values).subspan(1, PortTable::lpt_slot_count));
    close_lpt_ports();
  }
  for (std::int32_t n = 1; n <= PortTable::lpt_slot_count; ++n) {
    if (value(n) != 0) continue;
    value(n) = read_user_lpt_address(n);
    table.user_lpt_flags[static_cast<std::size_t>(n)] = true;
  }
  if (!table.lpt_address_option_set) return;
  // Held by any port already, also after an empty one: a second entry would list the port twice.
  for (std::int32_t n = 1; n <= PortTable::lpt_slot_count; ++n) {
    if (value(n) == table.lpt_address_option) return;
  }
  for (std::int32_t n = 1; n <= PortTable::lpt_slot_count; ++n) {
    if (value(n) == 0) {
      value(n) = table.lpt_address_option;
      table.user_lpt_flags[static_cast<std::size_t>(n)] = true;
      write_user_lpt_address(n, table.lpt_address_option);
      return;
    }
  }
}

void find_pci_cards() {
  for (std::uint8_t n = 1; n <= PortTable::scanned_pci_cards; ++n) {
    if (vxdrv_open(n) != vxdrv::success) continue;
    value(port_of(PortRange::pci_card, n)) = PortTable::present;
    port_table().pci_card_regions[n] = pci_driver_state().regions;
    ++port_counts().found_pci_count;
  }
}

void find_usb_devices() {
  PortCounts& counts = port_counts();
  if (const UsbDeviceList* list = installed_usb_device_list()) {
    // Its enumeration takes what it lists into the table (take_listed_usb_devices).
    list->enumerate();
    return;
  }
  if (!wdusb_library().loader_has_run) {
    try {
      load_usb_driver_dll();
    } catch (const CommandException&) {
      throw;
    } catch (...) {
    }
  }
  counts.found_usb_programmer_count = 0;
  wdusb_enumerate();
  counts.found_usb_programmer_count = std::clamp(sap_usb_programmer_count(), 0, UsbRouting::max_port);
  mark_present(PortRange::usb_programmer, counts.found_usb_programmer_count);
  ft_list_devices();
  const std::int32_t ftdi_count = ft_device_count();
  const std::int32_t windriver_count = wdusb_interface_count();
  // Ports 21-39: both families together never take more.
  counts.found_usb_interface_count = std::min(ftdi_count + windriver_count, UsbRouting::max_port);
  if (trace_active()) {
    trace_line("wdusb_number_of_devices_usbquorvex=" + long_to_str(windriver_count));
    trace_line("vxusb2_number_of_devices_enumerated=" + long_to_str(ftdi_count));
  }
  mark_present(PortRange::usb_interface, counts.found_usb_interface_count);
}

// One of the Ethernet lists: the programmers', or the trace interfaces'.
struct EthernetList {
  std::array<EthernetPortEntry, PortTable::ethernet_capacity>& entries;
  std::int32_t& count;
  PortRange range;
};

EthernetList programmer_list() { return {port_table().ethernet, port_counts().found_ethernet_count, PortRange::ethernet}; }

EthernetList trace_list() {
  return {port_table().ethernet_traces, port_counts().found_ethernet_trace_count, PortRange::ethernet_trace};
}

// False when the list is full.
bool add_ethernet_entry(const EthernetList& list, const ShortText& ip, const ShortText& name, bool user_specified) {
  if (list.count >= PortTable::ethernet_capacity) return false;
  list.entries[static_cast<std::size_t>(list.count)] = {trim(ip).substr(0, ethernet_ip_length),
                                                        trim(name).substr(0, ethernet_name_length), user_specified};
  ++list.count;
  return true;
}

void add_user_address(const EthernetList& list, const ShortText& wanted) {
  for (std::int32_t n = 0; n < list.count; ++n) {
    if (list.entries[static_cast<std::size_t>(n)].ip == wanted) return;
  }
  if (add_ethernet_entry(list, wanted, "User Specified", true)) value(port_of(list.range, list.count)) = PortTable::present;
}

void take_discovered_devices(std::int32_t records) {
  const EthernetDeviceList& devices = ethernet_devices();
  records = std::clamp<std::int32_t>(records, 0, static_cast<std::int32_t>(EthernetDeviceList::capacity));
  for (std::int32_t k = 0; k < records; ++k) {
    const EthernetDeviceRecord& record = devices.records[static_cast<std::size_t>(k)];
    if (record.type_code == 2 && port_table().trace_interfaces) {
      add_ethernet_entry(trace_list(), record.ip_address, record.device_name, false);
      continue;
    }
    if (record.type_code != 0 || record.revision == wdusb_device_sentinel) continue;
    add_ethernet_entry(programmer_list(), record.ip_address, record.device_name, false);
  }
}

void scan() {
  PortTable& table = port_table();
  close_all_ports();
  table.ports_scanned = true;
  clear_scan();
  // Without the Ethernet scan nothing is broadcast; user addresses are still reached at the programmer port.
  if (table.ethernet_scan_enabled) {
    discover_ethernet_devices();
  } else {
    set_device_udp_port(platform::net_settings().programmer_port);
  }
  find_parallel_ports();
  find_pci_cards();
  std::int32_t found_lpt = 0;
  for (std::int32_t n = 1; n <= PortTable::lpt_slot_count; ++n) found_lpt += value(n) != 0 ? 1 : 0;
  port_counts().found_lpt_count = found_lpt;
  port_counts().found_ethernet_count = 0;
  mark_present(PortRange::serial, last_device(PortRange::serial));
  find_usb_devices();
  if (table.ethernet_scan_enabled) take_discovered_devices(collect_ethernet_devices());
  const std::int32_t user_ips = count_user_ethernet_ips();
  for (std::int32_t n = 1; n <= user_ips; ++n) add_user_ethernet_device(read_user_ethernet_ip(n));
  mark_present(PortRange::ethernet, port_counts().found_ethernet_count);
  mark_present(PortRange::ethernet_trace, port_counts().found_ethernet_trace_count);
}

}  // namespace

void take_listed_usb_devices(std::int32_t interface_count) {
  PortCounts& counts = port_counts();
  // The list fills the WinDriver programmer table as well.
  counts.found_usb_interface_count = std::clamp(interface_count, 0, UsbRouting::max_port);
  counts.found_usb_programmer_count = std::clamp(sap_usb_programmer_count(), 0, UsbRouting::max_port);
  mark_present(PortRange::usb_programmer, counts.found_usb_programmer_count);
  mark_present(PortRange::usb_interface, counts.found_usb_interface_count);
  const UsbDeviceList* list = installed_usb_device_list();
  if (port_table().trace_interfaces && list != nullptr) {
    counts.found_usb_trace_count = std::clamp(list->trace_count(), 0, UsbRouting::max_port);
    mark_present(PortRange::usb_trace, counts.found_usb_trace_count);
  }
}

void SCAN_PORTS() {
  if (ConnectionManagerView* view = connection_manager_view()) view->show_scanning(true);
  if (!port_table().ports_scanned) scan();
  FILL_PORT_LIST();
  if (ConnectionManagerView* view = connection_manager_view()) view->show_scanning(false);
}

void add_user_ethernet_device(const ShortText& ip) {
  const ShortText wanted = trim(ip);
  // A gap in the registry's numbering reads as an empty address: nothing to reach.
  if (wanted.empty()) return;
  add_user_address(programmer_list(), wanted);
  if (port_table().trace_interfaces) add_user_address(trace_list(), wanted);
}

void FIND_ETHERNET_PORT(const ShortText& ip, std::uint16_t& port, bool add) {
  if (!port_table().ports_scanned) SCAN_PORTS();
  const ShortText wanted = trim(ip);
  const auto search = [&] {
    bool found = false;
    for (std::int32_t n = 1; n <= port_counts().found_ethernet_count; ++n) {
      if (port_table().ethernet[static_cast<std::size_t>(n - 1)].ip != wanted) continue;
      port = static_cast<std::uint16_t>(port_of(PortRange::ethernet, n));
      found = true;
    }
    return found;
  };
  if (search() || wanted.empty() || !add) return;
  add_user_ethernet_device(wanted);
  search();
}

ShortText GET_ETHERNET_PORT_IP(std::int32_t port) {
  const PortNumber number = classify(port);
  if (number.n < 1) return ShortText();
  const auto entry = static_cast<std::size_t>(number.n - 1);
  if (number.range == PortRange::ethernet_trace && port_table().trace_interfaces) {
    return trim(port_table().ethernet_traces[entry].ip);
  }
  if (number.range != PortRange::ethernet) return ShortText();
  return trim(port_table().ethernet[entry].ip);
}

}  // namespace vx

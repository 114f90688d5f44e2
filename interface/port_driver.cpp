#include <algorithm>

#include "foundation/kstring.h"
#include "foundation/program_trace.h"
#include "interface/drivers/pci_card.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/port_ranges.h"
#include "interface/port_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "interface/usb_routing.h"

namespace vx {
namespace {

constexpr std::uint16_t default_pci_delay = 10, minimum_pci_delay = 10, minimum_fast_card_delay = 31;
constexpr std::uint32_t pci_delay_shift = 22;
constexpr std::uint8_t card_type_standard = 0, card_type_fast = 2;

PortTable table;

const ShortText bangs(34, '!');

void trace(const ShortText& text) {
  if (trace_active()) trace_line(text);
}

void addresses_from_table(std::uint16_t port) { set_port_addresses(table.values[port]); }

void undo() {
  port_state().current_port = 0;
  set_port_addresses(0);
}

void begin(std::uint16_t port, std::uint8_t kind, InterfaceClass interface_class) {
  port_state().port_kind = kind;
  link_state().interface_class = interface_class;
  port_state().current_port = port;
}

bool open_pci_card(std::uint16_t port, std::int32_t card) {
  const platform::PciRegions& regions = table.pci_card_regions[static_cast<std::size_t>(card)];
  if (regions[0] == 0) {
    undo();
    return false;
  }
  port_state().current_port = port;
  pci_driver_state().regions = regions;
  pci_write_region4(0xFF);
  pci_write_region3(0xFFFFFFFF);
  addresses_from_table(port);
  return true;
}

// A trace interface is a programmer of kind 1.
void set_programmer_kind(const PortNumber& number) {
  port_state().programmer_kind = is_trace_range(number.range) ? 1 : 0;
}

bool open_ethernet_programmer(std::uint16_t port, const PortNumber& number) {
  set_programmer_kind(number);
  begin(0, PortState::kind_ethernet_programmer, InterfaceClass::standalone_programmer);
  set_port_addresses(0);
  const ShortText ip = GET_ETHERNET_PORT_IP(port);
  if (sap_open_ethernet(ip) != sap_ok) return false;
  port_state().current_port = port;
  addresses_from_table(port);
  port_state().open_ethernet_ip = ip;
  return true;
}

bool open_usb_programmer(std::uint16_t port, const PortNumber& number) {
  set_programmer_kind(number);
  begin(port, PortState::kind_usb_programmer, InterfaceClass::standalone_programmer);
  set_port_addresses(PortTable::present);
  const std::int32_t opened = number.range == PortRange::usb_programmer ? sap_open_usb(number.n)
                              : table.open_usb_trace_interface       ? table.open_usb_trace_interface(number.n)
                                                                     : sap_usb_failed;
  if (opened == sap_ok) return true;
  undo();
  return false;
}

bool open_by_range(std::uint16_t port) {
  const PortNumber number = classify(port);
  switch (number.range) {
    case PortRange::parallel:
      begin(port, PortState::kind_parallel, InterfaceClass::parallel_cable);
      addresses_from_table(port);
      return true;
    case PortRange::pci_card:
      begin(port, PortState::kind_pci_card, InterfaceClass::parallel_cable);
      return open_pci_card(port, number.n);
    case PortRange::usb_interface:
      begin(port, PortState::kind_usb_interface, InterfaceClass::usb_interface);
      set_port_addresses(PortTable::present);
      if (open_usb_port(number.n)) return true;
      undo();
      return false;
    case PortRange::serial:
      begin(port, PortState::kind_serial_programmer, InterfaceClass::standalone_programmer);
      addresses_from_table(port);
      if (sap_open_serial(static_cast<std::uint16_t>(number.n)) == sap_ok) return true;
      undo();
      return false;
    case PortRange::ethernet:
    case PortRange::ethernet_trace: return open_ethernet_programmer(port, number);
    case PortRange::usb_programmer:
    case PortRange::usb_trace: return open_usb_programmer(port, number);
    case PortRange::none: break;
  }
  return false;
}

}  // namespace

PortTable& port_table() { return table; }

void reset_port_table() {
  table = PortTable{};
  reset_port_state();
  reset_port_counts();
  set_pci_delay(card_type_standard, default_pci_delay);
}

bool LOAD_PORT_DRIVER(std::uint16_t port) {
  trace("LOAD_PORT_DRIVER(" + long_to_str(port) + ")");
  if (!table.ports_scanned) SCAN_PORTS();
  if (trace_active()) {
    for (std::int32_t i = 1; i <= table.last_port(); ++i) {
      trace("port(" + long_to_str(i) + ")=$" + hex_word(static_cast<std::uint16_t>(table.values[static_cast<std::size_t>(i)])));
    }
  }
  if (port == 0 || port > table.last_port()) {
    trace("LOAD_PORT_DRIVER : ACK - Portnum out of RANGE" + bangs);
    port_state().current_port = port_of(PortRange::usb_interface, 1);
    return false;
  }
  if (table.values[port] == 0) {
    trace("LOAD_PORT_DRIVER : ACK - BASE_ADDRESS is 0" + bangs);
    return false;
  }
  PortState& state = port_state();
  if (state.port_open && state.open_port_number == port && state.port_base_address != 0) {
    trace("LOAD_PORT_DRIVER : Port is already open! Exit!");
    return true;
  }
  close_all_ports();
  const bool result = open_by_range(port);
  if (state.port_base_address != 0 && state.current_port != 0) {
    state.port_open = true;
    state.open_port_number = port;
  }
  return result;
}

void close_all_ports() {
  port_state().port_open = false;
  close_usb_ports();
  sap_close();
}

void set_pci_delay(std::uint8_t card_type, std::uint16_t count) {
  if (card_type != card_type_standard) return;
  table.pci_delay_count = count;
  table.pci_delay_field = static_cast<std::uint32_t>(count & 31u) << pci_delay_shift;
}

void apply_pci_delay(std::int32_t bdm_speed) {
  const std::int32_t setting = std::min<std::int32_t>(bdm_speed, 0xFFFF);
  set_pci_delay(card_type_standard, static_cast<std::uint16_t>(std::max<std::int32_t>(setting, minimum_pci_delay)));
  set_pci_delay(card_type_fast, static_cast<std::uint16_t>(std::max<std::int32_t>(setting, minimum_fast_card_delay)));
}

}  // namespace vx

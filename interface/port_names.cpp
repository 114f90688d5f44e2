#include <algorithm>
#include <string_view>

#include "foundation/kstring.h"
#include "interface/connection_manager_view.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/port_counts.h"
#include "interface/port_ranges.h"
#include "interface/port_table.h"
#include "interface/usb_routing.h"

namespace vx {
namespace {

// A port with a name: a device of one of the flash programmer's ranges.
PortNumber named(std::int32_t port) {
  const PortNumber number = classify(port);
  if (number.n < 1 || is_trace_range(number.range)) return {};
  return number;
}

bool contains(const ShortText& text, std::string_view part) { return text.view().find(part) != std::string_view::npos; }

ShortText closing(const ShortText& information) {
  return contains(information, "[Open]") ? ShortText(") [Currently Open]") : ShortText(")");
}

std::uint32_t value(std::int32_t port) { return port_table().values[static_cast<std::size_t>(port)]; }

ShortText delete_first(const ShortText& text, std::string_view part) {
  const std::size_t at = text.view().find(part);
  if (at == std::string_view::npos) return text;
  return text.substr(0, at) + text.view().substr(at + part.size());
}

// Full-speed interfaces are listed under the family name in place of their model text.
ShortText usb_list_name(const ShortText& name) {
  ShortText t = delete_first(delete_first(name, "USB-QX-12 REF : "), "USB-QX-12 : ");
  if (!contains(t, "(FS)")) return t;
  const std::size_t colon = t.view().find(':');
  const std::size_t split = colon == std::string_view::npos ? 0 : std::min(colon + 2, t.size());
  const ShortText head = t.substr(0, split);
  const ShortText tail = t.substr(split);
  const std::size_t fs = tail.view().find("(FS)");
  const ShortText rest = fs == std::string_view::npos ? tail : tail.substr(fs + 4);
  return head + "USB Quorvex" + rest;
}

ShortText name_of(std::int32_t port, std::int32_t presence) {
  return GET_PORT_NAME(static_cast<std::uint8_t>(port), presence);
}

void list_port(ConnectionManagerView& view, std::int32_t port, const ShortText& name) {
  const std::int32_t count = view.add_port_item(name);
  port_table().list_positions[static_cast<std::size_t>(port)] = static_cast<std::int8_t>(count - 1);
}

// USB, Ethernet and programmer ports take a count-like presence: only a positive one is there.
bool is_present(PortRange range, std::int32_t presence) {
  const bool counted =
      range == PortRange::usb_interface || range == PortRange::ethernet || range == PortRange::usb_programmer;
  return counted ? presence > 0 : presence != 0;
}

}  // namespace

ShortText port_address_text(std::uint8_t port, std::int32_t presence) {
  const PortNumber p = named(port);
  if (!is_present(p.range, presence)) return ShortText();
  switch (p.range) {
    case PortRange::parallel: return "$" + hex_word(static_cast<std::uint16_t>(value(port)));
    case PortRange::pci_card: return "$" + hex_long(static_cast<std::uint32_t>(presence));
    case PortRange::usb_interface: return GET_USB_DEVICE_SERIAL(p.n);
    case PortRange::serial: return long_to_str(p.n);
    case PortRange::ethernet: return GET_ETHERNET_PORT_IP(port);
    case PortRange::usb_programmer: return wdusb_state().programmers.name(p.n);
    default: break;
  }
  return ShortText();
}

ShortText GET_PORT_NAME(std::uint8_t port, std::int32_t presence) {
  const PortNumber p = named(port);
  const ShortText n = long_to_str(p.n);
  const bool present = is_present(p.range, presence);
  switch (p.range) {
    case PortRange::parallel:
      return "LPT" + n + " : Parallel Port " + n +
             (present ? " (Address " + port_address_text(port, presence) + ")" : ShortText(" (Not Detected)"));
    case PortRange::pci_card:
      return "PCI" + n + " : BDM Fulgrin Card " + n +
             (present ? " (Address " + port_address_text(port, presence) + ")" : ShortText(" (Not Detected)"));
    case PortRange::usb_interface:
      if (!present) return "USB" + n + " : Not Detected.";
      return "USB" + n + " : " + GET_USB_DEVICE_DESCRIPTION(p.n) + " (" + port_address_text(port, presence) +
             closing(GET_USB_DEVICE_FIELD(p.n, 99));
    case PortRange::serial:
      return "COM" + n + " : Serial Port " + n + (present ? ShortText() : ShortText(" (Not Detected)"));
    case PortRange::ethernet: {
      if (!present) return ShortText("Ethernet Device : Not Detected.");
      const EthernetPortEntry& entry = port_table().ethernet[static_cast<std::size_t>(p.n - 1)];
      return trim(entry.ip) + "  :  " + trim(entry.name);
    }
    case PortRange::usb_programmer:
      if (!present) return "USB" + n + " : Not Detected.";
      return "USB" + n + " : Tamberly Pro (" + port_address_text(port, presence) +
             closing(wdusb_state().programmers.line(p.n));
    default: break;
  }
  return "Port" + long_to_str(port) + " is Invalid.";
}

void FILL_PORT_LIST() {
  ConnectionManagerView* view = connection_manager_view();
  if (view == nullptr) return;
  PortTable& table = port_table();
  const PortCounts& counts = port_counts();
  view->clear_port_list();
  table.list_positions.fill(-1);
  const auto listed = [view](std::uint8_t bit) { return (view->port_kind_mask() & bit) != 0; };
  const auto present = [](std::int32_t port) { return value(port) != 0; };
  for (std::int32_t n = 1; n <= PortTable::lpt_slot_count; ++n) {
    if (listed(1) && (present(n) || n == 1)) list_port(*view, n, name_of(n, static_cast<std::int32_t>(value(n))));
  }
  for (std::int32_t n = 1; n <= PortTable::scanned_pci_cards; ++n) {
    const std::int32_t port = port_of(PortRange::pci_card, n);
    if (listed(2) && present(port)) {
      const auto region1 = static_cast<std::int32_t>(table.pci_card_regions[static_cast<std::size_t>(n)][0]);
      list_port(*view, port, name_of(port, region1));
    }
  }
  for (std::int32_t n = 1; n <= counts.found_usb_interface_count; ++n) {
    const std::int32_t port = port_of(PortRange::usb_interface, n);
    if (listed(4) && present(port)) list_port(*view, port, usb_list_name(name_of(port, 256)));
  }
  for (std::int32_t n = 1; n <= counts.found_ethernet_count; ++n) {
    const std::int32_t port = port_of(PortRange::ethernet, n);
    if (listed(16) && present(port)) list_port(*view, port, name_of(port, 256));
  }
  for (std::int32_t n = 1; n <= 4; ++n) {
    const std::int32_t port = port_of(PortRange::serial, n);
    if (listed(8) && present(port)) list_port(*view, port, name_of(port, 256));
  }
  for (std::int32_t n = 1; n <= counts.found_usb_programmer_count; ++n) {
    const std::int32_t port = port_of(PortRange::usb_programmer, n);
    if (listed(32) && present(port)) list_port(*view, port, name_of(port, static_cast<std::int32_t>(value(port))));
  }
}

std::int32_t PORT_LIST_POSITION(std::int32_t port) {
  if (!port_table().ports_scanned) SCAN_PORTS();
  if (port < 1 || port >= PortTable::port_count) return -1;
  return port_table().list_positions[static_cast<std::size_t>(port)];
}

std::int32_t PORT_AT_LIST_POSITION(std::int32_t position) {
  if (!port_table().ports_scanned) SCAN_PORTS();
  if (position == -1) return 0;
  for (std::int32_t port = 1; port < PortTable::port_count; ++port) {
    if (port_table().list_positions[static_cast<std::size_t>(port)] == position) return port;
  }
  return 0;
}

}  // namespace vx

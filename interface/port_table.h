#pragma once

#include <array>
#include <cstdint>

#include "foundation/short_text.h"
#include "interface/port_ranges.h"
#include "platform/pcicard.h"

// The port numbers of every debug interface this machine reaches, the scan
// that finds them, their names and places in the connection manager's list,
// and the opening of one port's driver. Main thread only. The ranges are in
// port_ranges.h; the trace interfaces' belong to the firmware updater's build.
namespace vx {

struct EthernetPortEntry {
  ShortText ip;    // trimmed, at most 60 characters
  ShortText name;  // at most 120 characters
  bool user_specified = false;
};

struct PortTable {
  static constexpr std::int32_t last_programmer_port = bounds_of(PortRange::usb_programmer).last;
  static constexpr std::int32_t last_trace_port = bounds_of(PortRange::usb_trace).last;
  static constexpr std::int32_t port_count = last_trace_port + 1;
  static constexpr std::int32_t lpt_slot_count = 5;
  static constexpr std::int32_t pci_card_slots = 10;
  static constexpr std::int32_t scanned_pci_cards = 6;
  // The Ethernet range's devices; later devices are not listed.
  static constexpr std::int32_t ethernet_capacity = last_device(PortRange::ethernet);
  // The value of a present port that is not a parallel port.
  static constexpr std::uint32_t present = 0x100;

  // A parallel port's value is its I/O base address; 0: absent.
  std::array<std::uint32_t, port_count> values{};
  std::array<bool, port_count> user_lpt_flags{};
  // Regions 1-4 of each card found, by card number; zeros when not found.
  std::array<platform::PciRegions, pci_card_slots> pci_card_regions{};
  std::array<EthernetPortEntry, ethernet_capacity> ethernet{};
  // The firmware updater's build: trace interfaces get ports and a list of their own.
  bool trace_interfaces = false;
  std::array<EthernetPortEntry, ethernet_capacity> ethernet_traces{};
  // Opens trace interface n of the USB list (0 success); none: ports 161-179 never open.
  std::int32_t (*open_usb_trace_interface)(std::int32_t n) = nullptr;
  // Each port's item index in the port list; -1 when not listed.
  std::array<std::int8_t, port_count> list_positions{};
  bool ports_scanned = false;

  // From the command line: LPTADDR, and NOSCAN (or PORT= with an address) clearing the scan.
  bool lpt_address_option_set = false;
  std::uint32_t lpt_address_option = 0;
  bool ethernet_scan_enabled = true;

  // The PCI card's delay count and its control-word field (count AND 31, from bit 22).
  std::uint16_t pci_delay_count = 10;
  std::uint32_t pci_delay_field = 10u << 22;

  PortTable() { list_positions.fill(-1); }
  std::int32_t last_port() const { return trace_interfaces ? last_trace_port : last_programmer_port; }
};

PortTable& port_table();
// The unit's start: nothing scanned, no port open, no counts, the PCI delay at 10.
void reset_port_table();

void SCAN_PORTS();
// After an enumeration of the installed USB device list, which found `interface_count`
// interfaces: the USB interfaces, programmers and trace interfaces counted and their ports
// marked present, so a device plugged in since the scan can be opened.
void take_listed_usb_devices(std::int32_t interface_count);
void FILL_PORT_LIST();

// presence: the base address for a parallel port, the card's region-1
// address for a PCI card, the table value for a programmer on USB, 256 for
// the others; 0 (for USB and Ethernet ports also less) names the port as not detected.
ShortText GET_PORT_NAME(std::uint8_t port, std::int32_t presence);
ShortText port_address_text(std::uint8_t port, std::int32_t presence);

std::int32_t PORT_LIST_POSITION(std::int32_t port);
// 0: no port at that position.
std::int32_t PORT_AT_LIST_POSITION(std::int32_t position);

// Sets port to the entry whose address matches ip; left alone when none does.
// With add, an address not listed is added as a user-specified device first.
void FIND_ETHERNET_PORT(const ShortText& ip, std::uint16_t& port, bool add);
ShortText GET_ETHERNET_PORT_IP(std::int32_t port);
void add_user_ethernet_device(const ShortText& ip);

bool LOAD_PORT_DRIVER(std::uint16_t port);
void close_all_ports();

// Card type 0 is the only one that takes a delay.
void set_pci_delay(std::uint8_t card_type, std::uint16_t count);
// The BDM speed value of PCI_DELAY / BDM_SPEED, applied after the driver is loaded.
void apply_pci_delay(std::int32_t bdm_speed);

}  // namespace vx

#pragma once

#include <cstdint>

#include "foundation/short_text.h"

namespace vx {

// The open port as the port unit sets it and the layers above and below read it.
struct PortState {
  static constexpr std::uint8_t kind_parallel = 0, kind_pci_card = 1, kind_usb_interface = 2,
                                kind_serial_programmer = 3, kind_ethernet_programmer = 4,
                                kind_usb_programmer = 5;

  std::uint8_t port_kind = kind_parallel;
  // The port table's number of the open port (USB interfaces from 21); 0: none.
  std::int32_t current_port = 0;
  // Data register = base, status = base + 1, control = base + 2.
  std::uint32_t port_base_address = 0;
  std::uint32_t port_status_address = 0;
  std::uint32_t port_control_address = 0;
  // Register 4 of the PCI card as last written: bits 0-7 data, bits 8-15 control XOR 0x0B.
  std::uint32_t pci_card_shadow = 0xFFFF;
  bool port_open = false;
  std::int32_t open_port_number = 0;
  ShortText open_ethernet_ip;
  // On a programmer link: 0 a stand-alone programmer, 1 a trace interface.
  std::uint8_t programmer_kind = 0;
};

PortState& port_state();
void reset_port_state();

// The three register addresses from a base address.
void set_port_addresses(std::uint32_t base);
bool pci_card_open();

}  // namespace vx

#pragma once

#include <cstdint>

namespace vx {

// What the port unit sets when it opens a port, as far as the cable
// handshake reads it.
struct PortState {
  static constexpr std::uint8_t kind_parallel = 0, kind_pci_card = 1;

  // 0 parallel port, 1 PCI card, 2 USB interface, 3-5 stand-alone programmer.
  std::uint8_t port_kind = kind_parallel;
  // The port table's number of the open port (USB interfaces from 21).
  std::int32_t current_port = 0;
  // Data register = base, status = base + 1, control = base + 2.
  std::uint32_t port_base_address = 0;
  std::uint32_t port_status_address = 0;
  std::uint32_t port_control_address = 0;
  // Register 4 of the PCI card as last written: bits 0-7 data, bits 8-15 control XOR 0x0B.
  std::uint32_t pci_card_shadow = 0xFFFF;
};

PortState& port_state();
void reset_port_state();

// The three register addresses from a base address.
void set_port_addresses(std::uint32_t base);
bool pci_card_open();

}  // namespace vx

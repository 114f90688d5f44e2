#pragma once

#include <array>
#include <cstdint>

namespace vx {

// Register-level state of the parallel cable and the PCI card.
struct CableHandshake {
  // The PCI card keeps its data and control bytes here; 0xFF reads back until written.
  std::uint8_t pci_data = 0;
  bool pci_data_written = false;
  std::uint8_t pci_control = 0;
  bool pci_control_written = false;
  // Slower cables get 5 us after each strobe; the interface reset decides.
  bool slow_mode = false;
};

CableHandshake& cable_handshake();
void reset_cable_handshake();

// Every register access of interface class 0 goes through these two.
// Port numbers 0x40 and below are never touched: they read 0xFF.
void port_out(std::uint16_t port, std::uint8_t value);
std::uint8_t port_in(std::uint16_t port);

// One command byte that is not the last of its command.
void SEND8_revB(std::uint8_t byte);
// The last byte of a command; waits for its acknowledgement at most about timeout_ms.
void SEND_CMD_revB(std::uint8_t byte, std::uint32_t timeout_ms);
// One reply word into the link state's reply word.
void RECV16_RevB();

// Status nibble pairs to bytes: index = first status AND 0xF0 OR second status shifted right 4.
const std::array<std::uint8_t, 256>& nibble_decode_table();

}  // namespace vx

#include "interface/cable_handshake.h"

#include "foundation/status_output.h"
#include "interface/drivers/pci_card.h"
#include "interface/interface_kind.h"
#include "interface/link_state.h"
#include "interface/port_state.h"
#include "platform/portio.h"

namespace vx {
namespace {

CableHandshake state;

// The low addresses hold the system's own devices; nothing here may reach them.
constexpr std::uint16_t lowest_port = 0x40;

// A port that cannot be claimed reads as a floating bus: say once why.
void report_claim_problem() {
  const std::string problem = platform::take_claim_problem();
  if (!problem.empty()) WRITELN_TO_DEBUG(problem);
}

}  // namespace

CableHandshake& cable_handshake() { return state; }

void reset_cable_handshake() { state = CableHandshake{}; }

void port_out(std::uint16_t port, std::uint8_t value) {
  if (port <= lowest_port || !on_parallel_cable()) return;
  if (!pci_card_open()) {
    platform::port_write(port, value);
    report_claim_problem();
    return;
  }
  // The card takes data bytes only; the control lines are its own business.
  if (port == port_state().port_base_address) {
    state.pci_data = value;
    state.pci_data_written = true;
    virtual_port_out(port, value);
  } else if (port == port_state().port_control_address) {
    state.pci_control = value;
    state.pci_control_written = true;
  }
}

std::uint8_t port_in(std::uint16_t port) {
  if (!on_parallel_cable()) return 0;
  if (port <= lowest_port) return 0xFF;
  if (!pci_card_open()) {
    const std::uint8_t value = platform::port_read(port);
    report_claim_problem();
    return value;
  }
  if (port == port_state().port_base_address) return state.pci_data_written ? state.pci_data : 0xFF;
  if (port == port_state().port_control_address) return state.pci_control_written ? state.pci_control : 0xFF;
  // A real status register shows bit 7 inverted; the card's does not.
  if (port == port_state().port_status_address) return virtual_port_in(port) ^ 0x80;
  return 0xFF;
}

}  // namespace vx

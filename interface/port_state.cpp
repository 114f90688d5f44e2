#include "interface/port_state.h"

namespace vx {
namespace {

PortState state;

}  // namespace

PortState& port_state() { return state; }

void reset_port_state() { state = PortState{}; }

void set_port_addresses(std::uint32_t base) {
  state.port_base_address = base;
  state.port_status_address = base + 1;
  state.port_control_address = base + 2;
}

bool pci_card_open() { return state.port_kind == PortState::kind_pci_card; }

}  // namespace vx

#include "interface/drivers/port_access.h"

#include <algorithm>

#include "interface/drivers/windows_version.h"
#include "platform/portio.h"

namespace vx {
namespace {

PortAccessState state;

}  // namespace

TVicHw32::~TVicHw32() { close_driver(); }

// The ports' base addresses stand in for the BIOS table: its first three words.
bool TVicHw32::open_driver() {
  if (active_) return true;
  base_address_ = default_base;
  lpt_number_ = 1;
  table_ = {};
  port_count_ = 0;
  const std::optional<std::vector<std::uint16_t>> bases = platform::parallel_ports().base_addresses();
  active_ = true;
  if (bases) {
    std::copy_n(bases->begin(), std::min(bases->size(), table_.size()), table_.begin());
    port_count_ = static_cast<std::uint8_t>(std::count_if(table_.begin(), table_.end(), [](std::uint16_t w) { return w != 0; }));
    base_address_ = table_[0];
  }
  return active_;
}

void TVicHw32::close_driver() {
  if (!active_) return;
  hard_access_ = true;
  active_ = false;
}

void TVicHw32::set_LPTNumber(std::uint8_t n) {
  if (!active_ || n < 1 || n > port_count_) return;
  lpt_number_ = n;
  base_address_ = table_[n - 1];
}

PortAccessState& port_access_state() { return state; }

void reset_port_access_state() { state = PortAccessState{}; }

// Register access is claimed port by port on first use (platform/portio).
bool open_giveio() {
  state.giveio_opened = true;
  return true;
}

// No service registry to fill on Linux: ppdev reaches the ports through /dev/parportN (platform/portio).
void write_vichw11_service_key() {}

bool init_lpt_ports(std::span<std::uint32_t> table) {
  if (state.set_up) return true;
  if (is_windows_nt()) open_giveio();
  const std::size_t entries = std::min<std::size_t>(table.size(), 3);
  std::fill_n(table.begin(), entries, 0);
  if (!state.component) state.component = std::make_unique<TVicHw32>();
  TVicHw32& component = *state.component;
  component.open_driver();
  if (!component.ActiveHW()) return false;
  for (std::uint8_t n = component.port_count(); n >= 1; --n) {
    component.set_LPTNumber(n);
    if (n <= table.size()) table[n - 1] = component.base_address();
  }
  component.set_HardAccess(true);
  state.set_up = true;
  return true;
}

void close_lpt_ports() {
  if (!state.set_up) return;
  state.set_up = false;
  state.component.reset();
}

}  // namespace vx

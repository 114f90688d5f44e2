#include "platform/portio.h"

#include <map>
#include <utility>

#include "platform/portio_ppdev.h"

namespace vx::platform {
namespace {

struct PortIoLayer {
  PpdevPortSet ppdev;
  ParallelPortSet* ports = nullptr;
  // Listed once per claim period, so polling an absent port costs no file reads.
  std::optional<std::optional<std::vector<std::uint16_t>>> bases;
  // By base address; nullptr where the port could not be claimed.
  std::map<std::uint16_t, std::unique_ptr<ParallelPort>> claimed;
  std::string claim_problem;
};

PortIoLayer layer;

struct Located {
  ParallelPort* port = nullptr;
  PortRegister reg = PortRegister::data;
};

Located locate(std::uint16_t address) {
  for (const auto& [base, port] : layer.claimed) {
    if (address >= base && address - base <= 2) {
      return {port.get(), static_cast<PortRegister>(address - base)};
    }
  }
  if (!layer.bases) layer.bases = parallel_ports().base_addresses();
  if (!*layer.bases) return {};
  for (const std::uint16_t base : **layer.bases) {
    if (address >= base && address - base <= 2) {
      std::unique_ptr<ParallelPort>& slot = layer.claimed[base];
      slot = parallel_ports().open(base);
      if (!slot) layer.claim_problem = parallel_ports().open_problem();
      return {slot.get(), static_cast<PortRegister>(address - base)};
    }
  }
  return {};
}

}  // namespace

ParallelPortSet& parallel_ports() { return layer.ports != nullptr ? *layer.ports : layer.ppdev; }

void install_parallel_ports(ParallelPortSet* ports) {
  release_port_access();
  layer.ports = ports;
}

std::uint8_t port_read(std::uint16_t address) {
  const Located found = locate(address);
  return found.port != nullptr ? found.port->read(found.reg) : 0xFF;
}

void port_write(std::uint16_t address, std::uint8_t value) {
  const Located found = locate(address);
  if (found.port != nullptr) found.port->write(found.reg, value);
}

void release_port_access() {
  layer.claimed.clear();
  layer.bases.reset();
  layer.claim_problem.clear();
}

std::string take_claim_problem() { return std::exchange(layer.claim_problem, {}); }

}  // namespace vx::platform

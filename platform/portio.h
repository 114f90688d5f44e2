#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Byte access to the parallel ports' data, status and control registers:
// Linux ppdev for real ports, or a simulated port set that a test or the
// simulator installs.
namespace vx::platform {

enum class PortRegister : std::uint8_t { data = 0, status = 1, control = 2 };

// A claimed port; released when the object goes.
class ParallelPort {
 public:
  virtual ~ParallelPort() = default;
  virtual std::uint8_t read(PortRegister reg) = 0;
  virtual void write(PortRegister reg, std::uint8_t value) = 0;
};

// The machine's parallel ports, found by base address.
class ParallelPortSet {
 public:
  virtual ~ParallelPortSet() = default;
  // The ports' base addresses in port order (parport0 first); nullopt when
  // the system keeps no list of parallel ports.
  virtual std::optional<std::vector<std::uint16_t>> base_addresses() = 0;
  // nullptr when no port has this base address or it cannot be claimed.
  virtual std::unique_ptr<ParallelPort> open(std::uint16_t base) = 0;
  // After an open that gave nullptr: one line naming the device node that
  // could not be opened and what to do; empty when no node was tried.
  virtual std::string open_problem() { return {}; }
};

// The installed set; the ppdev set unless another was installed.
ParallelPortSet& parallel_ports();
// nullptr restores the ppdev set. Releases every claimed port first.
void install_parallel_ports(ParallelPortSet* ports);

// Direct register access by I/O address, as one IN or OUT would do it: the
// port holding the address (base, base + 1, base + 2) is claimed on first use
// and stays claimed until release_port_access. An address no port holds
// reads 0xFF and ignores writes.
std::uint8_t port_read(std::uint16_t address);
void port_write(std::uint16_t address, std::uint8_t value);
void release_port_access();
// The open problem of the last port that could not be claimed, given once;
// empty when there is none.
std::string take_claim_problem();

}  // namespace vx::platform

#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

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
  // The base addresses of ports 1-3 as the BIOS table lists them, 0 for none;
  // nullopt when the table cannot be read at all.
  virtual std::optional<std::array<std::uint16_t, 3>> bios_table() = 0;
  // nullptr when no port has this base address or it cannot be claimed.
  virtual std::unique_ptr<ParallelPort> open(std::uint16_t base) = 0;
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

}  // namespace vx::platform

#pragma once

#include <array>
#include <cstdint>

#include "platform/pcicard.h"

namespace vx {

// Result codes of the card's driver client.
namespace vxdrv {
inline constexpr std::uint32_t success = 1, map_failed = 33, control_failed = 36, not_open = 38,
                               cannot_open = 39;
}

struct PciDriverState {
  bool driver_open = false;
  bool bios_table_read = false;
  // Regions 1-4 of the current card; 0 when not mapped.
  platform::PciRegions regions{};
  std::array<std::uint16_t, 3> bios_lpt{};
  std::uint32_t last_result = 0;
};

PciDriverState& pci_driver_state();
void reset_pci_driver_state();

// 2 on Windows 9x, 4 on Windows NT, 5 otherwise.
std::uint8_t vxdrv_os_kind();
std::uint32_t vxdrv_open(std::uint8_t card);
std::uint32_t vxdrv_map_regions();
std::uint32_t vxdrv_control();
// n is 1-3.
std::uint32_t read_bios_lpt_address(std::uint16_t& address, std::uint8_t n);

// The first word of a region; reads give 0 and writes do nothing while it is not mapped.
std::uint32_t pci_read_region1();
std::uint32_t pci_read_region3();
std::uint32_t pci_read_region4();
void pci_write_region3(std::uint32_t value);
void pci_write_region4(std::uint32_t value);

// Register access for the open port: a direct IN or OUT on a parallel port,
// the emulated registers on the PCI card.
std::uint8_t virtual_port_in(std::uint16_t address);
void virtual_port_out(std::uint16_t address, std::uint8_t value);

}  // namespace vx

#include "interface/drivers/pci_card.h"

#include "interface/port_state.h"
#include "platform/osinfo.h"
#include "platform/portio.h"

namespace vx {
namespace {

PciDriverState state;

constexpr std::uint16_t lowest_port = 0x40;

platform::PciCardDriver& driver() { return platform::pci_card_driver(); }

std::uint32_t read_region(std::size_t index) {
  const std::uint32_t region = state.regions[index];
  return region == 0 ? 0 : driver().read_word(region);
}

void write_region(std::size_t index, std::uint32_t value) {
  const std::uint32_t region = state.regions[index];
  if (region != 0) driver().write_word(region, value);
}

std::uint32_t finish(std::uint32_t result) {
  state.last_result = result;
  return result;
}

}  // namespace

PciDriverState& pci_driver_state() { return state; }

void reset_pci_driver_state() { state = PciDriverState{}; }

std::uint8_t vxdrv_os_kind() {
  switch (platform::os_version().platform) {
    case platform::OsPlatform::windows_9x: return 2;
    case platform::OsPlatform::windows_nt: return 4;
    default: return 5;
  }
}

// The map result is not part of the open result: a card without regions still opens.
std::uint32_t vxdrv_open(std::uint8_t card) {
  if (card < 1 || card > 9 || !driver().open(card)) return finish(vxdrv::cannot_open);
  vxdrv_map_regions();
  state.driver_open = true;
  return finish(vxdrv::success);
}

std::uint32_t vxdrv_map_regions() {
  const std::optional<platform::PciRegions> regions = driver().map_regions();
  state.regions = regions.value_or(platform::PciRegions{});
  return finish(regions ? vxdrv::success : vxdrv::map_failed);
}

std::uint32_t vxdrv_control() {
  if (vxdrv_os_kind() == 2) return finish(vxdrv::success);
  if (!state.driver_open) return finish(vxdrv::not_open);
  return finish(driver().control_request() ? vxdrv::success : vxdrv::control_failed);
}

std::uint32_t read_bios_lpt_address(std::uint16_t& address, std::uint8_t n) {
  if (!state.driver_open) return finish(vxdrv::not_open);
  if (!state.bios_table_read) {
    const std::optional<std::array<std::uint16_t, 3>> table = driver().map_bios_lpt_table();
    if (!table) return finish(vxdrv::map_failed);
    state.bios_lpt = *table;
    state.bios_table_read = true;
  }
  // Only LPT1-LPT3 exist in the table.
  address = n >= 1 && n <= 3 ? state.bios_lpt[n - 1] : 0;
  return finish(vxdrv::success);
}

std::uint32_t pci_read_region1() { return read_region(0); }
std::uint32_t pci_read_region3() { return read_region(2); }
std::uint32_t pci_read_region4() { return read_region(3); }
void pci_write_region3(std::uint32_t value) { write_region(2, value); }
void pci_write_region4(std::uint32_t value) { write_region(3, value); }

std::uint8_t virtual_port_in(std::uint16_t address) {
  if (address <= lowest_port) return 0xFF;
  if (!pci_card_open()) return platform::port_read(address);
  if ((address & 3) != 1) return 0xFF;
  const std::uint32_t word = pci_read_region4();
  return static_cast<std::uint8_t>(((word >> 24) & 0xF0) | ((word >> 18) & 0x08));
}

void virtual_port_out(std::uint16_t address, std::uint8_t value) {
  if (address <= lowest_port) return;
  if (!pci_card_open()) {
    platform::port_write(address, value);
    return;
  }
  std::uint32_t& shadow = port_state().pci_card_shadow;
  const unsigned reg = address & 3;
  // The port inverts control bits 0, 1 and 3 on their way out; the card wants the line levels.
  if (reg == 0) shadow = (shadow & ~0xFFU) | value;
  if (reg == 2) shadow = (shadow & ~0xFF00U) | (std::uint32_t{value ^ 0x0BU} << 8);
  pci_write_region4(shadow);
}

}  // namespace vx

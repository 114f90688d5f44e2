#pragma once

#include <array>
#include <cstdint>
#include <optional>

// The PCI background-debug card's kernel driver calls. Linux has no driver
// for the card, so the real driver opens nothing; the simulator installs a
// simulated card driver.
namespace vx::platform {

// The card's mapped register regions 1-4, as addresses a 32-bit word is read and written at.
using PciRegions = std::array<std::uint32_t, 4>;

class PciCardDriver {
 public:
  virtual ~PciCardDriver() = default;
  // Opens the driver device of card 1-9; false when it cannot be opened.
  virtual bool open(std::uint8_t card) = 0;
  // The open card's regions; nullopt when the map request fails.
  virtual std::optional<PciRegions> map_regions() = 0;
  // The BIOS parallel-port addresses LPT1-LPT3; nullopt when the map request fails.
  virtual std::optional<std::array<std::uint16_t, 3>> map_bios_lpt_table() = 0;
  virtual bool control_request() = 0;
  // The first 32-bit word of a mapped region.
  virtual std::uint32_t read_word(std::uint32_t region) = 0;
  virtual void write_word(std::uint32_t region, std::uint32_t value) = 0;
};

// The installed driver; the absent driver unless another was installed.
PciCardDriver& pci_card_driver();
// nullptr restores the absent driver.
void install_pci_card_driver(PciCardDriver* driver);

}  // namespace vx::platform

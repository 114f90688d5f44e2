#include "platform/pcicard.h"

namespace vx::platform {
namespace {

// No Linux driver exists for the card: nothing opens, nothing maps.
class AbsentPciCardDriver final : public PciCardDriver {
 public:
  bool open(std::uint8_t) override { return false; }
  std::optional<PciRegions> map_regions() override { return std::nullopt; }
  std::optional<std::array<std::uint16_t, 3>> map_bios_lpt_table() override { return std::nullopt; }
  bool control_request() override { return false; }
  std::uint32_t read_word(std::uint32_t) override { return 0; }
  void write_word(std::uint32_t, std::uint32_t) override {}
};

struct PciCardLayer {
  AbsentPciCardDriver absent;
  PciCardDriver* driver = nullptr;
};

PciCardLayer layer;

}  // namespace

PciCardDriver& pci_card_driver() { return layer.driver != nullptr ? *layer.driver : layer.absent; }

void install_pci_card_driver(PciCardDriver* driver) { layer.driver = driver; }

}  // namespace vx::platform

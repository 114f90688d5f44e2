#include "interface/drivers/pci_card.h"

#include <gtest/gtest.h>

#include "support/simulated_cable.h"

namespace vx {
namespace {

using test::SimulatedCable;

// A card driver whose region words a test sets, and which records writes and requests.
class ScriptedDriver final : public platform::PciCardDriver {
 public:
  bool open(std::uint8_t card) override {
    opened.push_back(card);
    return opens;
  }
  std::optional<platform::PciRegions> map_regions() override { return regions; }
  std::optional<std::array<std::uint16_t, 3>> map_bios_lpt_table() override {
    ++bios_maps;
    return bios;
  }
  bool control_request() override { return control; }
  std::uint32_t read_word(std::uint32_t region) override { return region == 0x4000 ? region4 : 0x11111111; }
  void write_word(std::uint32_t region, std::uint32_t value) override { written.emplace_back(region, value); }

  bool opens = true;
  bool control = true;
  std::optional<platform::PciRegions> regions = platform::PciRegions{0x1000, 0x2000, 0x3000, 0x4000};
  std::optional<std::array<std::uint16_t, 3>> bios = std::array<std::uint16_t, 3>{0x378, 0, 0x278};
  std::uint32_t bios_maps = 0;
  std::uint32_t region4 = 0;
  std::vector<std::uint8_t> opened;
  std::vector<std::pair<std::uint32_t, std::uint32_t>> written;
};

class PciCard : public testing::Test {
 protected:
  PciCard() { platform::install_pci_card_driver(&driver); }
  ~PciCard() override { platform::install_pci_card_driver(nullptr); }

  SimulatedCable sim;
  ScriptedDriver driver;
};

TEST(PciCardAbsent, LinuxHasNoDriverForTheCard) {
  SimulatedCable sim;
  platform::install_pci_card_driver(nullptr);
  EXPECT_EQ(vxdrv_open(1), vxdrv::cannot_open);
  EXPECT_FALSE(pci_driver_state().driver_open);
  std::uint16_t address = 0x1234;
  EXPECT_EQ(read_bios_lpt_address(address, 1), vxdrv::not_open);
  EXPECT_EQ(address, 0x1234);
  EXPECT_EQ(vxdrv_control(), vxdrv::not_open);
}

TEST_F(PciCard, OsKindAndControlRequest) {
  using platform::OsPlatform;
  struct Case {
    OsPlatform platform;
    std::uint8_t kind;
    bool open;
    bool control;
    std::uint32_t result;
  };
  const Case cases[] = {
      {OsPlatform::windows_9x, 2, false, false, vxdrv::success},
      {OsPlatform::windows_nt, 4, false, true, vxdrv::not_open},
      {OsPlatform::windows_nt, 4, true, false, vxdrv::control_failed},
      {OsPlatform::windows_nt, 4, true, true, vxdrv::success},
      {OsPlatform::other, 5, true, true, vxdrv::success},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.kind) << c.open << c.control);
    platform::set_os_version({c.platform, 5, 1, 0, {}});
    reset_pci_driver_state();
    if (c.open) {
      ASSERT_EQ(vxdrv_open(1), vxdrv::success);
    }
    driver.control = c.control;
    EXPECT_EQ(vxdrv_os_kind(), c.kind);
    EXPECT_EQ(vxdrv_control(), c.result);
  }
}

TEST_F(PciCard, CardNumbersOutsideOneToNineDoNotOpen) {
  EXPECT_EQ(vxdrv_open(0), vxdrv::cannot_open);
  EXPECT_EQ(vxdrv_open(10), vxdrv::cannot_open);
  EXPECT_TRUE(driver.opened.empty());
  EXPECT_EQ(vxdrv_open(9), vxdrv::success);
}

TEST_F(PciCard, CardWhoseMapFailsOpensWithoutRegions) {
  driver.regions = std::nullopt;
  EXPECT_EQ(vxdrv_open(2), vxdrv::success);
  EXPECT_EQ(pci_driver_state().last_result, vxdrv::success);
  EXPECT_EQ(pci_driver_state().regions, platform::PciRegions{});
  EXPECT_EQ(pci_read_region1(), 0u);
  pci_write_region4(0xFF);
  EXPECT_TRUE(driver.written.empty());
  EXPECT_EQ(vxdrv_map_regions(), vxdrv::map_failed);
}

TEST_F(PciCard, RegionWordsGoToTheirRegions) {
  ASSERT_EQ(vxdrv_open(1), vxdrv::success);
  driver.region4 = 0xCAFE;
  EXPECT_EQ(pci_read_region1(), 0x11111111u);
  EXPECT_EQ(pci_read_region3(), 0x11111111u);
  EXPECT_EQ(pci_read_region4(), 0xCAFEu);
  pci_write_region3(0xFFFFFFFF);
  pci_write_region4(0xFF);
  using Write = std::pair<std::uint32_t, std::uint32_t>;
  EXPECT_EQ(driver.written, (std::vector<Write>{{0x3000, 0xFFFFFFFF}, {0x4000, 0xFF}}));
}

TEST_F(PciCard, BiosTableIsMappedOnceAndRetriedAfterAFailure) {
  std::uint16_t address = 0;
  EXPECT_EQ(read_bios_lpt_address(address, 1), vxdrv::not_open);
  ASSERT_EQ(vxdrv_open(1), vxdrv::success);
  driver.bios = std::nullopt;
  EXPECT_EQ(read_bios_lpt_address(address, 1), vxdrv::map_failed);
  driver.bios = std::array<std::uint16_t, 3>{0x378, 0, 0x278};
  const std::uint16_t expected[] = {0x378, 0, 0x278};
  for (std::uint8_t n = 1; n <= 3; ++n) {
    EXPECT_EQ(read_bios_lpt_address(address, n), vxdrv::success);
    EXPECT_EQ(address, expected[n - 1]);
  }
  EXPECT_EQ(driver.bios_maps, 2u);
  address = 0x1234;
  EXPECT_EQ(read_bios_lpt_address(address, 4), vxdrv::success);
  EXPECT_EQ(address, 0);
}

TEST_F(PciCard, StatusRegisterFromRegionFour) {
  ASSERT_EQ(vxdrv_open(1), vxdrv::success);
  port_state().port_kind = PortState::kind_pci_card;
  set_port_addresses(0x100);
  struct Case {
    std::uint32_t word;
    std::uint8_t virtual_status;
    std::uint8_t port_status;
  };
  const Case cases[] = {
      {0xF0200000, 0xF8, 0x78}, {0x00000000, 0x00, 0x80}, {0x00200000, 0x08, 0x88},
      {0x0FDFFFFF, 0x00, 0x80}, {0x80000000, 0x80, 0x00}, {0x50000000, 0x50, 0xD0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << c.word);
    driver.region4 = c.word;
    EXPECT_EQ(virtual_port_in(0x101), c.virtual_status);
    EXPECT_EQ(port_in(0x101), c.port_status);
  }
  EXPECT_EQ(virtual_port_in(0x40), 0xFF);
}

TEST_F(PciCard, ShadowHoldsDataAndInvertedControl) {
  ASSERT_EQ(vxdrv_open(1), vxdrv::success);
  port_state().port_kind = PortState::kind_pci_card;
  virtual_port_out(0x100, 0x55);
  virtual_port_out(0x102, 0x04);
  EXPECT_EQ(port_state().pci_card_shadow & 0xFFFF, 0x0F55u);
  virtual_port_out(0x101, 0x99);
  virtual_port_out(0x103, 0x99);
  virtual_port_out(0x40, 0x99);
  using Write = std::pair<std::uint32_t, std::uint32_t>;
  EXPECT_EQ(driver.written, (std::vector<Write>{{0x4000, 0xFF55}, {0x4000, 0x0F55}, {0x4000, 0x0F55}, {0x4000, 0x0F55}}));
}

}  // namespace
}  // namespace vx

#include "interface/drivers/port_access.h"

#include <gtest/gtest.h>

#include "support/recording_list_view.h"
#include "support/simulated_cable.h"

namespace vx {
namespace {

using test::SimulatedCable;

// Ports whose base addresses a test sets; counts the listings.
class ListedPorts final : public platform::ParallelPortSet {
 public:
  std::optional<std::vector<std::uint16_t>> base_addresses() override {
    ++listings;
    return bases;
  }
  std::unique_ptr<platform::ParallelPort> open(std::uint16_t) override { return nullptr; }

  std::optional<std::vector<std::uint16_t>> bases;
  std::uint32_t listings = 0;
};

TEST(PortAccessScan, BiosTableCases) {
  struct Case {
    const char* name;
    std::optional<std::vector<std::uint16_t>> bases;
    std::uint8_t count;
    std::array<std::uint32_t, 5> table;
  };
  const Case cases[] = {
      {"gap in the table", std::vector<std::uint16_t>{0x378, 0, 0x278}, 2, {0x378, 0, 0, 0, 0}},
      {"three ports", std::vector<std::uint16_t>{0x378, 0x278, 0x3BC}, 3, {0x378, 0x278, 0x3BC, 0, 0}},
      {"fourth port beyond the table", std::vector<std::uint16_t>{0x378, 0x278, 0x3BC, 0xD000}, 3,
       {0x378, 0x278, 0x3BC, 0, 0}},
      {"no ports", std::vector<std::uint16_t>{}, 0, {0, 0, 0, 0, 0}},
      {"no table", std::nullopt, 0, {0, 0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SimulatedCable sim;
    ListedPorts ports;
    ports.bases = c.bases;
    platform::install_parallel_ports(&ports);
    std::array<std::uint32_t, 5> table{0x111, 0x222, 0x333, 0x444, 0x555};
    EXPECT_TRUE(init_lpt_ports(table));
    EXPECT_EQ(port_access_state().component->port_count(), c.count);
    std::array<std::uint32_t, 5> expected = c.table;
    expected[3] = 0x444;
    expected[4] = 0x555;
    EXPECT_EQ(table, expected);
    close_lpt_ports();
    platform::install_parallel_ports(nullptr);
  }
}

TEST(PortAccessScan, NoTableKeepsTheDefaultBase) {
  SimulatedCable sim;
  ListedPorts ports;
  platform::install_parallel_ports(&ports);
  TVicHw32 component;
  EXPECT_TRUE(component.open_driver());
  EXPECT_EQ(component.base_address(), 0x378);
  EXPECT_EQ(component.port_count(), 0);
  component.set_LPTNumber(1);
  EXPECT_EQ(component.LPTNumber(), 1);
  EXPECT_EQ(component.base_address(), 0x378);
  platform::install_parallel_ports(nullptr);
}

TEST(PortAccessScan, LptNumberBeyondTheCountIsIgnored) {
  SimulatedCable sim;
  ListedPorts ports;
  ports.bases = std::vector<std::uint16_t>{0x3BC, 0x378};
  platform::install_parallel_ports(&ports);
  TVicHw32 component;
  component.set_LPTNumber(2);
  EXPECT_EQ(component.LPTNumber(), 1);
  ASSERT_TRUE(component.open_driver());
  component.set_LPTNumber(3);
  EXPECT_EQ(component.base_address(), 0x3BC);
  component.set_LPTNumber(2);
  EXPECT_EQ(component.LPTNumber(), 2);
  EXPECT_EQ(component.base_address(), 0x378);
  component.close_driver();
  EXPECT_FALSE(component.ActiveHW());
  platform::install_parallel_ports(nullptr);
}

TEST(PortAccessScan, OpensOncePerScanAndSetUpHolds) {
  SimulatedCable sim;
  ListedPorts ports;
  ports.bases = std::vector<std::uint16_t>{0x378};
  platform::install_parallel_ports(&ports);
  std::array<std::uint32_t, 3> table{};
  write_vichw11_service_key();
  EXPECT_TRUE(init_lpt_ports(table));
  EXPECT_TRUE(init_lpt_ports(table));
  EXPECT_EQ(ports.listings, 1u);
  close_lpt_ports();
  EXPECT_FALSE(port_access_state().set_up);
  EXPECT_EQ(port_access_state().component, nullptr);
  close_lpt_ports();
  EXPECT_TRUE(init_lpt_ports(table));
  EXPECT_EQ(ports.listings, 2u);
  EXPECT_EQ(table[0], 0x378u);
  close_lpt_ports();
  platform::install_parallel_ports(nullptr);
}

TEST(PortAccessScan, WindowsNtReportedOncePerRun) {
  using platform::OsPlatform;
  struct Case {
    OsPlatform platform;
    bool nt;
    const char* line;
  };
  const Case cases[] = {{OsPlatform::other, true, "Windows NT detected."},
                        {OsPlatform::windows_nt, true, "Windows NT detected."},
                        {OsPlatform::windows_9x, false, "Windows 3.1x/95 detected."},
                        {OsPlatform::win32s, false, "Windows 3.1x/95 detected."}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    SimulatedCable sim;
    test::ScopedStatusOutput status;
    platform::set_os_version({c.platform, 4, 0, 0, {}});
    EXPECT_EQ(is_windows_nt(), c.nt);
    EXPECT_EQ(is_windows_nt(), c.nt);
    std::array<std::uint32_t, 3> table{};
    init_lpt_ports(table);
    EXPECT_EQ(status.lines(), std::vector<std::string>{c.line});
    EXPECT_EQ(port_access_state().giveio_opened, c.nt);
  }
}

}  // namespace
}  // namespace vx

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "interface/interface_units.h"
#include "sim/simulated_world.h"
#include "support/simulated_cable.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

using test::SimulatedCable;

// The parallel-cable example bench in a folder of its own, started as the programs start it.
class CableSimulationTest : public testing::Test {
 protected:
  void SetUp() override {
    reset_units();
    scenario_ = dir_.file("bench.ini");
    std::filesystem::copy_file(VX_PARALLEL_SCENARIO, scenario_);
    setenv("VX_SIM", scenario_.c_str(), 1);
  }
  void TearDown() override {
    reset_units();
    unsetenv("VX_SIM");
  }
  static void reset_units() {
    vx::reset_units(interface_units());
    platform::release_port_access();
  }

  test::TempDir dir_;
  std::string scenario_;
};

TEST_F(CableSimulationTest, CableAndCardAnswerThroughTheHandshake) {
  const sim::SimulationStart start = sim::start_simulation_from_environment();
  ASSERT_NE(start.world, nullptr) << start.error;
  start.world->target().poke(0x0080, 0xA7);

  std::array<std::uint32_t, 3> table{};
  ASSERT_TRUE(init_lpt_ports(table));
  EXPECT_EQ(table, (std::array<std::uint32_t, 3>{0x378, 0, 0}));
  close_lpt_ports();

  ASSERT_EQ(vxdrv_open(1), vxdrv::success);
  std::uint16_t lpt1 = 0;
  EXPECT_EQ(read_bios_lpt_address(lpt1, 1), vxdrv::success);
  EXPECT_EQ(lpt1, 0x378);
  EXPECT_EQ(vxdrv_open(2), vxdrv::cannot_open);

  const auto read_version_and_byte = [&] {
    EXPECT_EQ(SimulatedCable::command({4, 0x80, 0x58, 4}, 2), (std::vector<std::uint16_t>{0x352E, 0x3132}));
    EXPECT_EQ(SimulatedCable::command({0xE0, 0x00, 0x80}, 1).front() >> 8, 0xA7);
    EXPECT_NE(link_state().link_status, 0);
  };
  link_state().interface_class = InterfaceClass::parallel_cable;
  {
    SCOPED_TRACE("parallel cable");
    port_state().port_kind = PortState::kind_parallel;
    set_port_addresses(0x378);
    port_out(0x37A, 7);
    port_out(0x37A, 3);
    port_out(0x37A, 7);
    read_version_and_byte();
  }
  {
    SCOPED_TRACE("PCI card");
    ASSERT_EQ(vxdrv_open(1), vxdrv::success);
    port_state().port_kind = PortState::kind_pci_card;
    pci_write_region4(0xFF);
    pci_write_region3(0xFFFFFFFF);
    set_port_addresses(0x100);
    port_out(0x102, 7);
    port_out(0x100, 0xAA);
    read_version_and_byte();
  }
  EXPECT_TRUE(start.world->pod(0).violations().empty());
  EXPECT_TRUE(start.world->pod(1).violations().empty());
}

}  // namespace
}  // namespace vx

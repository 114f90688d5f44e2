#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/interface_units.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/usb_routing.h"
#include "platform/dynlib.h"
#include "platform/ftdi.h"
#include "platform/wdusb.h"
#include "sim/simulated_world.h"
#include "support/recording_list_view.h"
#include "support/temp_dir.h"

namespace vx {
namespace {

// The example scenario in a folder of its own, so its state file lands there; every USB unit reset around it.
class SimulationHookTest : public testing::Test {
 protected:
  void SetUp() override {
    reset_units();
    scenario_ = dir_.file("bench.ini");
    std::filesystem::copy_file(VX_EXAMPLE_SCENARIO, scenario_);
    setenv("VX_SIM", scenario_.c_str(), 1);
  }
  void TearDown() override {
    reset_units();
    unsetenv("VX_SIM");
  }
  static void reset_units() {
    vx::reset_units(interface_units());
    platform::reset_ftdi_handles();
    platform::reset_dynlib();
  }

  // What the port scan does with the USB interfaces.
  static void scan_usb() {
    start_ftdi_binding();
    load_usb_driver_dll();
    wdusb_enumerate();
    ft_list_devices();
    port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
    link_state().interface_class = InterfaceClass::usb_interface;
  }

  // One command through the routing, as the byte protocol sends it; the reply bytes.
  static std::vector<std::uint8_t> exchange(std::initializer_list<std::uint8_t> payload) {
    std::array<std::uint8_t, LinkState::usb_buffer_size>& frame = link_state().usb_frame;
    frame[0] = 0xAA;
    frame[1] = 0x55;
    frame[2] = 0;
    frame[3] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), frame.begin() + 4);
    usb_port_write(static_cast<std::int32_t>(payload.size() + 4), 1350);
    const std::int32_t waiting = usb_port_bytes_waiting();
    usb_port_read(waiting);
    return {link_state().usb_reply.begin(), link_state().usb_reply.begin() + waiting};
  }

  test::ScopedStatusOutput status_;
  test::TempDir dir_;
  std::string scenario_;
};

TEST_F(SimulationHookTest, WithoutVxSimTheRealBackendsStay) {
  unsetenv("VX_SIM");
  const sim::SimulationStart start = sim::start_simulation_from_environment();
  EXPECT_EQ(start.world, nullptr);
  EXPECT_TRUE(start.error.empty());
}

TEST_F(SimulationHookTest, AnUnusableScenarioIsReportedAndNothingInstalled) {
  setenv("VX_SIM", dir_.file("missing.ini").c_str(), 1);
  const sim::SimulationStart start = sim::start_simulation_from_environment();
  EXPECT_EQ(start.world, nullptr);
  EXPECT_EQ(start.error, dir_.file("missing.ini") + ": cannot open " + dir_.file("missing.ini"));
}

TEST_F(SimulationHookTest, TheExampleBenchIsFoundOpenedAndAnswers) {
  const sim::SimulationStart start = sim::start_simulation_from_environment();
  ASSERT_NE(start.world, nullptr) << start.error;
  scan_usb();
  ASSERT_EQ(port_counts().found_usb_interface_count, 2);
  EXPECT_EQ(GET_USB_DEVICE_SERIAL(1), "VX3000101");
  EXPECT_EQ(GET_USB_DEVICE_DESCRIPTION(2), "USB-QX-12 REF : USB Quorvex");

  ASSERT_TRUE(open_usb_port(1));
  usb_port_reset();
  const std::uint64_t before = start.world->clock().now_nanoseconds();
  EXPECT_EQ(exchange({4, 0x40, 0x58, 4}), (std::vector<std::uint8_t>{0xEE, '5', '.', '1', '2'}));
  EXPECT_GE(start.world->clock().now_nanoseconds() - before, 1'000'000u);
  start.world->target().poke(0xF000, 0xA7);
  const std::vector<std::uint8_t> byte = exchange({0xE0, 0xF0, 0x00});
  EXPECT_EQ(byte, (std::vector<std::uint8_t>{0xEE, 0xA7, 0x00}));

  ASSERT_TRUE(open_usb_port(2));
  EXPECT_EQ(usb_routing().usb_driver_family, 1);
  EXPECT_EQ(exchange({7, 128 + 21}).size(), 3u);
  EXPECT_TRUE(start.world->pod(1).violations().empty());
  close_usb_ports();
  EXPECT_TRUE(status_.lines().empty());
}

TEST_F(SimulationHookTest, TheWorldSetsTheSimulatedVendorWhileItLives) {
  const std::optional<std::uint16_t> before = platform::set_usb_vendor_id(0x1234);
  {
    const sim::SimulationStart start = sim::start_simulation_from_environment();
    ASSERT_NE(start.world, nullptr) << start.error;
    EXPECT_EQ(platform::usb_vendor_id(), sim::scenario_default_vendor);
  }
  EXPECT_EQ(platform::usb_vendor_id(), 0x1234);
  platform::set_usb_vendor_id(before);
}

TEST_F(SimulationHookTest, TheTargetsFlashPersistsInTheStateFile) {
  {
    const sim::SimulationStart first = sim::start_simulation_from_environment();
    ASSERT_NE(first.world, nullptr);
    EXPECT_TRUE(first.world->state_problem().empty());
    first.world->target().poke(0xE000, 0x3C);
  }
  ASSERT_TRUE(std::filesystem::exists(dir_.file("usb-interfaces.state")));
  const sim::SimulationStart second = sim::start_simulation_from_environment();
  ASSERT_NE(second.world, nullptr);
  EXPECT_TRUE(second.world->state_problem().empty());
  EXPECT_EQ(second.world->target().peek(0xE000), 0x3C);
}

// A damaged state file is a scenario error, and stays as it is.
TEST_F(SimulationHookTest, ADamagedStateFileStopsTheSimulation) {
  const std::string state = dir_.file("usb-interfaces.state");
  { std::ofstream(state, std::ios::binary) << "VXS8FLSH torn"; }
  const sim::SimulationStart start = sim::start_simulation_from_environment();
  EXPECT_EQ(start.world, nullptr);
  EXPECT_NE(start.error.find("the state file is damaged"), std::string::npos) << start.error;
  EXPECT_EQ(test::read_file(state), "VXS8FLSH torn");
}

}  // namespace
}  // namespace vx

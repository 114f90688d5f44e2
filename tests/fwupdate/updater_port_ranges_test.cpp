#include <gtest/gtest.h>

#include <memory>

#include "foundation/program_units.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_link.h"
#include "fwupdate/updater_units.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/ethernet_devices.h"
#include "interface/ethernet_transport.h"
#include "interface/link_state.h"
#include "interface/port_counts.h"
#include "interface/port_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "interface/user_port_lists.h"
#include "platform/dynlib.h"
#include "sim/simulated_world.h"
#include "support/pty_pair.h"
#include "support/recording_list_view.h"
#include "support/scoped_platform.h"

namespace vx::updater {
namespace {

// A programmer and a trace interface on the network, one of each on USB.
constexpr const char* bench = R"(
[programmer net]
medium = udp
address = 127.0.0.3
device_info = VLX,0,Tamberly Pro,Bench,3,4,Main
architecture_channel = 15
command_offset = 100
[programmer net trace]
medium = udp
address = 127.0.0.4
device_info = VLX,2,Zephlor,Bench,3,4,HCS08,Net,Rev. C,00:1B:C5:0A:10:30,90061,3540,Fw,Bench unit,AB
architecture_channel = 15
command_offset = 100
[programmer usb]
medium = usb
identity = VLX, 0 TAMBERLY PRO,PROUSB
[programmer usb trace]
medium = usb
identity = VLX, 2 ZEPHLOR,TRUSB
)";

class UpdaterPortRangesTest : public testing::Test {
 protected:
  void SetUp() override {
    reset();
    const sim::ScenarioResult loaded = sim::parse_scenario(bench, ".");
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    start_ethernet_transport(7, "127.0.0.1");
    add_user_ethernet_ip("127.0.0.3");
    add_user_ethernet_ip("127.0.0.9");
    start_updater_usb_ports();
    reset_updater_link();
    SCAN_PORTS();
  }
  void TearDown() override {
    stop_updater_usb_ports();
    sap_close();
    finish_ethernet_transport();
    reset();
    world_.reset();
    platform::reset_dynlib();
  }
  static void reset() {
    reset_units(updater::updater_units());
    clear_ethernet_device_list();
  }

  test::ScopedStatusOutput status_;
  test::ScopedSerialMapping registry_;
  test::RecordingResponder answers_{platform::result_yes};
  std::unique_ptr<sim::SimulatedWorld> world_;
};

TEST_F(UpdaterPortRangesTest, TraceInterfacesHavePortsOfTheirOwn) {
  const PortTable& table = port_table();
  EXPECT_EQ(GET_ETHERNET_PORT_IP(61), "127.0.0.3");
  EXPECT_EQ(GET_ETHERNET_PORT_IP(121), "127.0.0.4");
  // The user's known address is not added again; the new one joins both lists.
  EXPECT_EQ(port_counts().found_ethernet_count, 2);
  EXPECT_EQ(GET_ETHERNET_PORT_IP(62), "127.0.0.9");
  EXPECT_EQ(table.ethernet[1].name, "User Specified");
  ASSERT_EQ(port_counts().found_ethernet_trace_count, 3);
  EXPECT_EQ(GET_ETHERNET_PORT_IP(122), "127.0.0.3");
  EXPECT_EQ(GET_ETHERNET_PORT_IP(123), "127.0.0.9");
  EXPECT_EQ(table.ethernet_traces[2].name, "User Specified");
  EXPECT_EQ(table.values[101], PortTable::present);
  EXPECT_EQ(table.values[161], PortTable::present);
  EXPECT_EQ(table.values[162], 0u);
}

TEST_F(UpdaterPortRangesTest, TracePortsOpenAsTraceInterfaces) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(161));
  EXPECT_EQ(programmer_link().usb_identifier, "TRUSB");
  EXPECT_EQ(port_state().programmer_kind, 1);
  EXPECT_EQ(link_state().interface_class, InterfaceClass::standalone_programmer);
  ASSERT_TRUE(LOAD_PORT_DRIVER(121));
  EXPECT_EQ(port_state().programmer_kind, 1);
  EXPECT_EQ(port_state().open_ethernet_ip, "127.0.0.4");
  ASSERT_TRUE(LOAD_PORT_DRIVER(101));
  EXPECT_EQ(port_state().programmer_kind, 0);
  EXPECT_FALSE(LOAD_PORT_DRIVER(180));
  EXPECT_EQ(port_state().current_port, 21);
}

TEST_F(UpdaterPortRangesTest, ProgrammerResetSetsItsShiftSpeed) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(61));
  RESET_CABLE();
  ASSERT_NE(link_state().link_status, 0);
  EXPECT_EQ(world_->programmer(0).received().back(), (std::vector<std::uint8_t>{2, 0x1D, 3, 0}));
  EXPECT_EQ(world_->programmer(0).shift_speed(), 3);
}

}  // namespace
}  // namespace vx::updater

#include "fwupdate/updater_usb_ports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "foundation/program_units.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_units.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/link_state.h"
#include "interface/port_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "interface/usb_routing.h"
#include "platform/dynlib.h"
#include "sim/simulated_world.h"
#include "support/pty_pair.h"
#include "support/recording_list_view.h"

namespace vx::updater {
namespace {

// Two Universals, a Universal FX, an FTDI-based interface and a board.
constexpr const char* bench = R"(
[interface b]
family = windriver
information = VLX,USB-QX-12 (FS) Universal,UB,four
[interface fx]
family = windriver
information = VLX,USB-QX-12 FX Universal,UC
[interface a]
family = windriver
information = VLX,USB-QX-12 (FS) Universal,UA
[interface ftdi]
family = ftdi
serial = VX3000001
description = VLX USB BDM
[osbdm 1]
version = 1,1,31,2,0,2,0,0
)";

class UpdaterUsbPortsTest : public testing::Test {
 protected:
  void SetUp() override { start(bench); }
  void start(const std::string& scenario) {
    reset();
    const sim::ScenarioResult loaded = sim::parse_scenario(scenario, ".");
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    start_updater_usb_ports();
    port_table().ethernet_scan_enabled = false;
    SCAN_PORTS();
  }
  void TearDown() override {
    stop_updater_usb_ports();
    reset();
    world_.reset();
    platform::reset_dynlib();
  }

  static void reset() {
    reset_units(updater::updater_units());
  }

  const std::vector<std::string>& board_log() { return world_->osbdm_boards().log(); }
  std::size_t board_log_count(const std::string& line) {
    return static_cast<std::size_t>(std::count(board_log().begin(), board_log().end(), line));
  }

  test::ScopedStatusOutput status_;
  test::ScopedSerialMapping registry_;
  std::unique_ptr<sim::SimulatedWorld> world_;
};

TEST_F(UpdaterUsbPortsTest, InterfacesByNameThenTheBoardAndNoFtdiInterface) {
  for (std::int32_t port = 21; port <= 24; ++port) EXPECT_EQ(port_table().values[port], PortTable::present) << port;
  EXPECT_EQ(port_table().values[25], 0u);
  struct Case {
    std::int32_t n;
    std::int32_t field;
    const char* text;
  };
  const Case cases[] = {
      {1, 1, "UA"},
      {2, 1, "UB"},
      {2, 2, "USB-QX-12 (FS) Universal"},
      {2, 4, "four"},
      {2, 99, "VLX,USB-QX-12 (FS) Universal,UB,four"},
      {2, 8, ""},
      {3, 3, "UC"},
      {4, 1, "SER01"},
      {4, 3, "SER01"},
      {4, 2, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.2)"},
      {4, 99, "Embedded S08 OSBDM/OSJTAG Device (Firmware Version 31.2)"},
      {4, 4, ""},
      {5, 1, ""},
      {0, 1, ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vx::GET_USB_DEVICE_FIELD(c.n, c.field), c.text) << c.n << "/" << c.field;
  }
}

// A board plugged in after the scan gets an open port at the next listing. The scan's listing
// asks the library to enumerate twice (before and after looking for a bootloader).
TEST_F(UpdaterUsbPortsTest, ABoardPluggedInAfterTheScanOpensAfterTheNextListing) {
  TearDown();
  start(std::string(bench) + "[osbdm 2]\nversion = 1,1,31,2,0,2,0,0\nplugged_in_after = 2\n");
  EXPECT_EQ(port_table().values[25], 0u);
  EXPECT_FALSE(LOAD_PORT_DRIVER(25));
  ASSERT_EQ(enumerate_devices(), 5);
  EXPECT_EQ(port_table().values[25], PortTable::present);
  ASSERT_TRUE(LOAD_PORT_DRIVER(25));
  EXPECT_TRUE(open_device_is_osbdm());
  EXPECT_EQ(board_log().back(), "get_version");
}

TEST_F(UpdaterUsbPortsTest, BoardPortSpeaksThroughThePacketBridgeAndSaysGoodbyeOnClose) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(24));
  EXPECT_TRUE(open_device_is_osbdm());
  EXPECT_EQ(link_state().interface_class, InterfaceClass::usb_interface);
  SEND8(7);
  SEND_CMD_SHORT(0x34);
  EXPECT_NE(link_state().link_status, 0);
  EXPECT_EQ(board_log_count("exchange 34 0"), 1u);

  // The open port again: nothing is reopened.
  const std::size_t opens = board_log_count("open 0");
  EXPECT_TRUE(LOAD_PORT_DRIVER(24));
  EXPECT_EQ(board_log_count("open 0"), opens);

  close_usb_devices();
  const auto notice = std::find(board_log().begin(), board_log().end(), "exchange 33 0");
  ASSERT_NE(notice, board_log().end());
  EXPECT_EQ(*(notice + 1), "close");
  EXPECT_FALSE(osbdm_binding().osbdm_device_open);
}

TEST_F(UpdaterUsbPortsTest, RefusedBoardCommandFailsTheLink) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(24));
  SEND8(7);
  SEND_CMD_SHORT(0x35);
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_EQ(board_log_count("exchange 35 0"), 0u);
}

TEST_F(UpdaterUsbPortsTest, UniversalKindsFollowTheDescription) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(21));
  EXPECT_EQ(updater_usb_ports().universal_kind, 1);
  EXPECT_EQ(updater_usb_ports().usb_device_family, UpdaterUsbPorts::family_windriver);
  ASSERT_TRUE(LOAD_PORT_DRIVER(23));
  EXPECT_EQ(updater_usb_ports().universal_kind, 2);
  EXPECT_EQ(usb_classification().selected_serial, "UC");
}

TEST_F(UpdaterUsbPortsTest, PortBeyondTheTableFailsWithCurrentPort21) {
  EXPECT_FALSE(LOAD_PORT_DRIVER(180));
  EXPECT_EQ(port_state().current_port, 21);
  EXPECT_FALSE(LOAD_PORT_DRIVER(25));
}

TEST_F(UpdaterUsbPortsTest, LostWinDriverReplyIsFollowedByTheResynchronisation) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(21));
  sim::Pod& pod = world_->pod(2);  // UA, third in the scenario
  pod.keep_wire_log(true);
  pod.inject(sim::PodFault::no_ack);
  SEND8(4);
  SEND8(0x40);
  SEND8(0x58);
  SEND_CMD_SHORT(4);
  EXPECT_EQ(link_state().link_status, 0);
  ASSERT_GE(pod.wire_log().size(), 2u);
  EXPECT_EQ(pod.wire_log().back().command, (std::vector<std::uint8_t>{7, 0xFF}));
}

TEST(UpdaterUsbListing, NineteenDevicesAtMostGetPorts) {
  std::string scenario = "[osbdm 1]\nversion = 1,1,31,2,0,2,0,0\n";
  for (int k = 10; k < 29; ++k) {
    scenario += "[interface]\nfamily = windriver\ninformation = VLX,USB-QX-12,U" + std::to_string(k) + "\n";
  }
  const sim::ScenarioResult loaded = sim::parse_scenario(scenario, ".");
  ASSERT_TRUE(loaded.scenario) << loaded.error;
  test::ScopedStatusOutput status;
  {
    sim::SimulatedWorld world(*loaded.scenario);
    reset_updater_usb_ports();
    EXPECT_EQ(enumerate_devices(), 19);
    EXPECT_EQ(GET_USB_DEVICE_FIELD(19, 1), "U28");
    EXPECT_EQ(GET_USB_DEVICE_FIELD(20, 1), "");
    EXPECT_FALSE(open_usb_port(20));
  }
  reset_units(updater_units());
  platform::reset_dynlib();
}

TEST(UpdaterUsbListing, ScoutsBuildListsTheInterfacesAsTheFlashProgrammerDoes) {
  constexpr const char* scenario = R"(
[interface fx]
family = windriver
information = VLX,Universal FX,F1
[interface a]
family = windriver
information = VLX,USB-QX-12 (FS) Universal,UA
[osbdm 1]
version = 1,1,31,2,0,2,0,0
)";
  const sim::ScenarioResult loaded = sim::parse_scenario(scenario, ".");
  ASSERT_TRUE(loaded.scenario) << loaded.error;
  test::ScopedStatusOutput status;
  for (const UsbListing listing : {UsbListing::updater, UsbListing::scout}) {
    sim::SimulatedWorld world(*loaded.scenario);
    reset_updater_usb_ports(listing);
    reset_osbdm_binding(listing == UsbListing::updater ? updater_osbdm_build : scout_osbdm_build);
    const std::int32_t count = enumerate_devices();
    const bool updater = listing == UsbListing::updater;
    EXPECT_EQ(count, updater ? 3 : 2);
    EXPECT_EQ(GET_USB_DEVICE_FIELD(1, 1), updater ? "F1" : "UA");
    EXPECT_EQ(GET_USB_DEVICE_FIELD(count, 1), "SER01");
    reset_units(updater_units());
    platform::reset_dynlib();
  }
}

}  // namespace
}  // namespace vx::updater

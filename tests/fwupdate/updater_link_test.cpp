#include "fwupdate/updater_link.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "foundation/command_exception.h"
#include "foundation/program_units.h"
#include "foundation/run_state.h"
#include "fwupdate/osbdm_binding.h"
#include "fwupdate/updater_units.h"
#include "fwupdate/updater_usb_ports.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/firmware_request.h"
#include "interface/firmware_update_link.h"
#include "interface/link_state.h"
#include "interface/port_table.h"
#include "interface/programmer_link.h"
#include "platform/dynlib.h"
#include "sim/simulated_world.h"
#include "support/pty_pair.h"
#include "support/recording_list_view.h"

namespace vx::updater {
namespace {

// Ports 21 UA (Universal), 22 UC (Universal FX), 23 UD (a Universal of another
// architecture), 24 UE (a plain interface), 25 the board.
constexpr const char* bench = R"(
[interface a]
family = windriver
information = VLX,USB-QX-12 (FS) Universal,UA
updated_firmware = 5.30
universal = yes
[interface fx]
family = windriver
information = VLX,USB-QX-12 FX Universal,UC
updated_firmware = 5.30
universal = yes
[interface arm]
family = windriver
information = VLX,USB-QX-ARM (FS) Universal,UD
updated_firmware = 5.30
universal = yes
[interface plain]
family = windriver
information = VLX,USB-QX-12 : USB Quorvex,UE
updated_firmware = 5.30
[osbdm 1]
version = 1,1,31,2,1,2,0,0
)";

class UpdaterLinkTest : public testing::Test {
 protected:
  void SetUp() override {
    reset();
    const sim::ScenarioResult loaded = sim::parse_scenario(bench, ".");
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    for (std::size_t k = 0; k < 4; ++k) world_->pod(k).keep_wire_log(true);
    run_state().program_directory = "/opt/vx/";
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
    reset_run_state();
  }

  bool sent(std::size_t pod, const std::vector<std::uint8_t>& command) {
    const std::vector<sim::WireRecord>& log = world_->pod(pod).wire_log();
    return std::any_of(log.begin(), log.end(), [&](const sim::WireRecord& r) { return r.command == command; });
  }

  test::ScopedStatusOutput status_;
  test::ScopedSerialMapping registry_;
  std::unique_ptr<sim::SimulatedWorld> world_;
};

TEST_F(UpdaterLinkTest, ResetRecognisesEachInterfaceAndChoosesItsFiles) {
  struct Case {
    std::uint16_t port;
    std::size_t pod;  // none for the board
    const char* detected;
    const char* pattern;
    const char* offered;
    std::vector<std::uint8_t> shift_speed;
    std::uint8_t subcommand_base;
  };
  const Case cases[] = {
      {21, 0, "USB-QX-ARM detected - Flash Version 5.30", "/opt/vx/usbqxfs20armens.???", "5.30", {7, 10, 0}, 128},
      {22, 1, "USB-QX-ARM detected - Flash Version 5.30", "/opt/vx/usbqxfx20armens.???", "5.30", {7, 10, 4}, 128},
      {23, 2, "USB-QX-ARM detected - Flash Version 5.30", "/opt/vx/usbqxfs20armens.???", "0.00", {7, 10, 0}, 128},
      {24, 3, "USB-QX-ARM detected - Flash Version 5.30", "/opt/vx/usbqxarm20_ens.???", "5.30", {7, 10, 0}, 0},
      {25, 9, "VLX Interface detected - Flash Version 31.02", "/opt/vx/osbdmens_s08.*", "31.02", {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.port);
    reset_updater_link();
    firmware_update_link().update_requests.clear();
    ASSERT_TRUE(LOAD_PORT_DRIVER(c.port));
    world_->osbdm_boards().clear_log();
    RESET_CABLE();
    ASSERT_NE(link_state().link_status, 0);
    EXPECT_EQ(updater_link().detected_text, c.detected);
    EXPECT_EQ(fwupdate::firmware_request().update_search_pattern, c.pattern);
    EXPECT_EQ(firmware_update_link().update_requests, std::vector<ShortText>{ShortText(c.offered)});
    EXPECT_EQ(byte_protocol().command_offset, c.subcommand_base);
    if (c.pod < 4) {
      EXPECT_TRUE(sent(c.pod, c.shift_speed));
      EXPECT_FALSE(sent(c.pod, {7, 0x90}));
      // The plain interface takes the bare 10 for its flash work and says so.
      if (c.pod < 3) {
        EXPECT_TRUE(world_->pod(c.pod).violations().empty());
        EXPECT_EQ(world_->pod(c.pod).shift_speed(), c.shift_speed[2]);
      }
    } else {
      // The board answers from its version bytes: nothing crosses the bridge.
      const std::vector<std::string>& log = world_->osbdm_boards().log();
      EXPECT_TRUE(std::none_of(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("exchange"); }));
    }
  }
}

TEST_F(UpdaterLinkTest, VersionTextAndItsChecksum) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(24));
  restart_byte_protocol();
  Check_firmware_version(0x4058);
  EXPECT_EQ(updater_link().flash_version_major, 5);
  EXPECT_EQ(updater_link().flash_version_minor, 30);
}

TEST_F(UpdaterLinkTest, MissingOrWrongAcknowledgementFailsTheLink) {
  for (const sim::PodFault fault : {sim::PodFault::no_ack, sim::PodFault::wrong_ack}) {
    SCOPED_TRACE(static_cast<int>(fault));
    ASSERT_TRUE(LOAD_PORT_DRIVER(24));
    restart_byte_protocol();
    world_->pod(3).inject(fault);
    SEND8(4);
    SEND8(0x40);
    SEND8(0x58);
    SEND_CMD_SHORT(4);
    EXPECT_EQ(link_state().link_status, 0);
    EXPECT_THROW(HS_GOOD(), CommandException);
  }
}

TEST_F(UpdaterLinkTest, ResetThatCannotReachTheInterfaceStopsBeforeTheUpdateCheck) {
  ASSERT_TRUE(LOAD_PORT_DRIVER(21));
  world_->pod(0).set_link_lost(true);
  RESET_CABLE();
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_TRUE(updater_link().check_firmware_once);
  EXPECT_TRUE(firmware_update_link().update_requests.empty());
}

TEST(UpdaterShiftSpeeds, ScoutsBuildStartsTheUniversalFxAt10) {
  reset_updater_link(UsbListing::scout);
  EXPECT_EQ(updater_link().shift_speeds, (std::array<std::uint32_t, 6>{10, 0, 0, 3, 3, 1}));
  set_universal_fx_shift_speed(7);
  EXPECT_EQ(updater_link().shift_speeds[0], 7u);
  reset_updater_link();
  EXPECT_EQ(updater_link().shift_speeds, (std::array<std::uint32_t, 6>{4, 0, 0, 3, 3, 1}));
}

}  // namespace
}  // namespace vx::updater

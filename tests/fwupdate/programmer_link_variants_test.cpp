#include "fwupdate/programmer_link_variants.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "fwupdate/updater_link.h"
#include "fwupdate/usb_classification.h"
#include "interface/byte_protocol.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/ethernet_devices.h"
#include "interface/ethernet_transport.h"
#include "interface/link_state.h"
#include "interface/programmer_link.h"
#include "platform/dialogs.h"
#include "platform/net.h"
#include "sim/simulated_world.h"
#include "support/recording_list_view.h"
#include "support/scoped_platform.h"

namespace vx::updater {
namespace {

constexpr const char* bench = R"(
[programmer locked]
medium = udp
address = 127.0.0.3
locked = yes
architecture_channel = 15
command_offset = 100
[programmer pro]
medium = usb
identity = VLX, 0 TAMBERLY PRO,PROUSB
[programmer trace]
medium = usb
identity = VLX, 2 ZEPHLOR,TRUSB
)";

class ProgrammerLinkVariantsTest : public testing::Test {
 protected:
  void SetUp() override {
    reset();
    const sim::ScenarioResult loaded = sim::parse_scenario(bench, ".");
    ASSERT_TRUE(loaded.scenario) << loaded.error;
    world_ = std::make_unique<sim::SimulatedWorld>(*loaded.scenario);
    start_ethernet_transport(7, "127.0.0.1");
    set_device_udp_port(platform::net_settings().programmer_port);
    reset_updater_link();
  }
  void TearDown() override {
    sap_close();
    finish_ethernet_transport();
    reset();
    world_.reset();
  }
  static void reset() {
    reset_programmer_link();
    reset_usb_classification();
    reset_wdusb_state();
    reset_wdusb_library();
    reset_link_state();
    reset_byte_protocol();
  }

  sim::SimProgrammer& locked() { return world_->programmer(0); }

  test::ScopedStatusOutput status_;
  std::unique_ptr<sim::SimulatedWorld> world_;
};

TEST_F(ProgrammerLinkVariantsTest, TakingOverAHeldDeviceIsTheUsersChoice) {
  {
    test::RecordingResponder no(platform::result_no);
    EXPECT_NE(sap_open_ethernet("127.0.0.3"), sap_ok);
    ASSERT_EQ(no.shown.size(), 1u);
    EXPECT_EQ(no.shown[0].text, sap_take_over_question);
    EXPECT_EQ(programmer_link().reply_length, 3);
  }
  test::RecordingResponder yes(platform::result_yes);
  EXPECT_EQ(sap_open_ethernet("127.0.0.3"), sap_ok);
  EXPECT_EQ(yes.shown.size(), 1u);
}

TEST_F(ProgrammerLinkVariantsTest, ShiftSpeedAndInterfaceCommandsOnTheArchitecturesChannel) {
  test::RecordingResponder yes(platform::result_yes);
  ASSERT_EQ(sap_open_ethernet("127.0.0.3"), sap_ok);
  EXPECT_EQ(sap_set_shift_speed(100), 1);
  EXPECT_EQ(locked().received().back(), (std::vector<std::uint8_t>{2, 0x1D, 4, 3}));
  EXPECT_EQ(sap_set_shift_speed(3), 1);
  EXPECT_EQ(locked().received().back(), (std::vector<std::uint8_t>{2, 0x1D, 3, 0}));
  EXPECT_EQ(locked().shift_speed(), 3);

  link_state().interface_class = InterfaceClass::standalone_programmer;
  SEND8(7);
  SEND8(10);
  SEND_CMD_SHORT(3);
  EXPECT_EQ(locked().received().back(), (std::vector<std::uint8_t>{15, 110, 3}));
  EXPECT_NE(link_state().link_status, 0);
}

TEST_F(ProgrammerLinkVariantsTest, AnAcknowledgementAtTheFifthAttemptStillCounts) {
  test::RecordingResponder yes(platform::result_yes);
  ASSERT_EQ(sap_open_ethernet("127.0.0.3"), sap_ok);
  const std::array<std::uint8_t, 1> version_query{0x1D};
  struct Case {
    std::uint32_t refusals;
    bool replied;
  };
  for (const Case c : {Case{4, true}, Case{5, false}}) {
    SCOPED_TRACE(c.refusals);
    world_->udp_programmer(0).refuse_next(c.refusals);
    EXPECT_EQ(sap_send_receive(version_query, sap_query_channel), c.replied);
    if (!c.replied) {
      EXPECT_EQ(programmer_link().reply_length, 3);
      EXPECT_EQ(sap_reply_status(), 0);
    }
  }
}

TEST_F(ProgrammerLinkVariantsTest, UsbOpensFromEitherListAndOutOfRangeOpensTheFirst) {
  init_usb_driver();
  enumerate_usb_devices();
  EXPECT_EQ(sap_usb_device_count(0), 1);
  EXPECT_EQ(sap_usb_device_count(1), 1);
  EXPECT_EQ(sap_usb_device_count(2), 0);
  for (const std::int32_t n : {0, 1, 20}) {
    EXPECT_EQ(sap_open_usb(n, false), sap_ok) << n;
    EXPECT_EQ(programmer_link().usb_identifier, "PROUSB");
  }
  EXPECT_EQ(sap_open_usb(1, true), sap_ok);
  EXPECT_EQ(programmer_link().usb_identifier, "TRUSB");
  EXPECT_EQ(programmer_link().medium, SapMedium::usb);
}

TEST_F(ProgrammerLinkVariantsTest, WithoutASocketDiscoveryFindsNothingQuietlyAndStaysOff) {
  finish_ethernet_transport();
  ethernet_transport().socket_error = "no sockets";
  use_updater_link_settings();
  discover_ethernet_devices();
  EXPECT_EQ(collect_ethernet_devices(), 0);
  EXPECT_TRUE(ethernet_transport().disabled);
  discover_ethernet_devices();
  EXPECT_EQ(collect_ethernet_devices(), 0);
  EXPECT_TRUE(status_.lines().empty());
}

}  // namespace
}  // namespace vx::updater

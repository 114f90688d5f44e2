#include <gtest/gtest.h>

#include <memory>

#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "interface/byte_protocol.h"
#include "interface/connection_settings.h"
#include "interface/firmware_update_link.h"
#include "interface/interface_reset.h"
#include "interface/link_state.h"
#include "interface/serial_transport.h"
#include "sim/hcs08/hcs08.h"
#include "sim/programmer/sim_programmer.h"
#include "sim/programmer/sim_programmer_udp.h"
#include "platform/serial/termios_device.h"
#include "sim/programmer/sim_programmer_pty.h"
#include "sim/simulated_world.h"
#include "support/pty_pair.h"
#include "support/simulated_usb.h"
#include "tests/interface/serial_test_support.h"
#include "tests/interface/sap_test_support.h"

namespace vx {
namespace {

using sap_testing::Bytes;
using sap_testing::ScriptedPeer;

constexpr std::uint16_t target_address = 0x0080;
constexpr std::uint8_t target_byte = 0x5A;
constexpr std::uint8_t read_byte_command = 0xE0;

// An unsecured target in background mode with a known byte in RAM.
struct SimTarget {
  SimTarget() {
    mcu.poke(mcu.config().nvopt, 0xFE);
    mcu.power_on(true);
    mcu.poke(target_address, target_byte);
    pod.keep_wire_log(true);
  }
  sim::Hcs08 mcu;
  sim::Pod pod{sim::PodConfig{}, &mcu, nullptr};
};

// What every medium must carry: identity, version, write memory and range
// CRC, and a channel-21 target read answered with the acknowledgement last.
void check_round_trips(const sim::SimProgrammer& programmer) {
  ShortText text;
  EXPECT_EQ(sap_query_identity(text, 255), sap_ok);
  EXPECT_EQ(text, programmer.config().identity);
  EXPECT_EQ(sap_check_identity(), sap_ok);
  EXPECT_EQ(sap_query_version(text, 10), sap_ok);
  EXPECT_EQ(text, programmer.config().version);

  Bytes data(500);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
  EXPECT_EQ(sap_write_memory(0xF0000100, 500, data), 0) << "the small blocks are never written";
  EXPECT_EQ(sap_write_memory(0xF00A0100, 500, data), 1);
  EXPECT_EQ(sap_range_crc(0xF00A0100, 500), sim::crc32(data));

  const Bytes read{read_byte_command, 0x00, static_cast<std::uint8_t>(target_address)};
  ASSERT_TRUE(sap_send_receive(read, sap_protocol_channel));
  EXPECT_EQ(Bytes(sap_reply().begin(), sap_reply().end()), (Bytes{target_byte, 0x00, sim::Pod::ack}));
}

class SimProgrammerUdpTest : public sap_testing::EthernetTest {
 protected:
  SimTarget target_;
  sim::SimProgrammer programmer_{sim::SimProgrammerConfig{}, &target_.pod};
  sim::SimProgrammerUdp server_{programmer_, "127.0.0.1", 0, "127.255.255.255"};
};

TEST_F(SimProgrammerUdpTest, RoundTripsOverLoopback) {
  ASSERT_EQ(sap_open_ethernet_ip("127.0.0.1", server_.port()), sap_ok);
  check_round_trips(programmer_);
  EXPECT_EQ(programmer_.byte_at(0xF00A0100 + 499), static_cast<std::uint8_t>(499 * 7));
  ASSERT_EQ(target_.pod.wire_log().size(), 1u);
  EXPECT_EQ(target_.pod.wire_log()[0].command, (Bytes{read_byte_command, 0x00, 0x80}));
}

TEST_F(SimProgrammerUdpTest, ARepeatedBlockIsAnsweredAgainWithoutRunningTwice) {
  ScriptedPeer host;
  const Bytes request{0, 3, 0x22, 0x22, 1, 0x0B};
  host.socket.send_to("127.0.0.1", server_.port(), request);
  host.socket.send_to("127.0.0.1", server_.port(), request);
  server_.service();
  EXPECT_EQ(programmer_.executed(), 1u);
  std::array<std::uint8_t, 512> buffer{};
  std::vector<Bytes> answers;
  for (platform::ReceivedDatagram got = host.socket.take_waiting(buffer); !got.address.empty();
       got = host.socket.take_waiting(buffer)) {
    answers.emplace_back(buffer.begin(), buffer.begin() + static_cast<long>(got.size));
  }
  ASSERT_EQ(answers.size(), 4u);
  EXPECT_EQ(answers[0], (Bytes{0, 4, 0x22, 0x22}));
  EXPECT_EQ(answers[2], answers[0]);
  EXPECT_EQ(answers[3], answers[1]);
}

TEST_F(SimProgrammerUdpTest, ALockedProgrammerRefusesUntilTakenOver) {
  server_.set_locked(true);
  ASSERT_EQ(sap_open_ethernet_ip("127.0.0.1", server_.port()), sap_ok);
  EXPECT_FALSE(server_.locked());
  EXPECT_EQ(server_.requests(), 2u);
  EXPECT_EQ(programmer_.executed(), 1u);
}

TEST_F(SimProgrammerUdpTest, AResetIsAcknowledgedAndTheNextBlockRuns) {
  ASSERT_EQ(sap_open_ethernet_ip("127.0.0.1", server_.port()), sap_ok);
  EXPECT_EQ(sap_reset_device(10), sap_ok);
  EXPECT_EQ(programmer_.resets(), 1u);
  // The reset did not advance the block: the next request repeats its number.
  ShortText text;
  EXPECT_EQ(sap_query_version(text, 10), sap_ok);
  EXPECT_EQ(text, programmer_.config().version);
}

TEST_F(SimProgrammerUdpTest, DiscoveryThroughTheLoopbackBroadcastFindsTheProgrammers) {
  sim::SimProgrammer second{sim::SimProgrammerConfig{}, nullptr};
  sim::SimProgrammerUdp second_server{second, "127.0.0.9", server_.port(), "127.255.255.255"};
  platform::net_settings().programmer_port = server_.port();
  discover_ethernet_devices();
  ASSERT_EQ(collect_ethernet_devices(), 2);
  const EthernetDeviceList& list = ethernet_devices();
  EXPECT_EQ(list.records[0].ip_address, "127.0.0.1");
  EXPECT_EQ(list.records[1].ip_address, "127.0.0.9");
  EXPECT_EQ(list.records[0].device_name, "Tamberly Pro");
  EXPECT_EQ(list.records[0].type_code, 1);
  EXPECT_EQ(list.records[0].revision, "Rev. C");
  EXPECT_EQ(list.records[0].first_duration, "01d01h");
  EXPECT_EQ(list.records[0].second_duration, "00h59m");
  EXPECT_EQ(list.records[0].reply_field_15, "AB");
  EXPECT_EQ(programmer_.executed(), 0u);
}

TEST(SimProgrammerUdp, RefusesAddressesOutsideLoopback) {
  sim::SimProgrammer programmer{sim::SimProgrammerConfig{}, nullptr};
  EXPECT_THROW(sim::SimProgrammerUdp(programmer, "10.0.0.1", 0, "127.255.255.255"), std::invalid_argument);
  EXPECT_THROW(sim::SimProgrammerUdp(programmer, "127.0.0.1", 0, "255.255.255.255"), std::invalid_argument);
}

class SimProgrammerUsbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    reset_programmer_link();
    usb_.usb.add({programmer_.config().identity, sim::scenario_default_vendor, 2, nullptr,
                  [this](std::span<const std::uint8_t> frame) { return programmer_.execute_frame(frame); }});
    load_usb_driver_dll();
    wdusb_enumerate();
  }
  void TearDown() override {
    sap_close();
    reset_programmer_link();
  }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  SimTarget target_;
  sim::SimProgrammer programmer_{sim::SimProgrammerConfig{}, &target_.pod};
};

TEST_F(SimProgrammerUsbTest, RoundTripsOnTheSimulatedBus) {
  ASSERT_EQ(sap_usb_programmer_count(), 1);
  // Numbers outside the table open the first programmer.
  for (const std::int32_t n : {0, 25}) {
    EXPECT_EQ(sap_open_usb(n), sap_ok);
    EXPECT_EQ(programmer_link().medium, SapMedium::usb);
  }
  check_round_trips(programmer_);
  EXPECT_EQ(sap_reset_device(10), sap_ok);
  EXPECT_EQ(programmer_.resets(), 1u);
  EXPECT_TRUE(programmer_link().open);
  sap_close();
  EXPECT_FALSE(sap_send_receive(Bytes{0x0B}, 1));
}

sim::SimProgrammerConfig long_texts() {
  sim::SimProgrammerConfig config;
  config.device_info = std::string(300, 'd');
  config.extra_text = std::string(9000, 'e');
  return config;
}

// COM7 mapped to a pty whose far end is the simulated programmer; real time.
class SimProgrammerSerialTest : public serial::testing_support::SerialTest {
 protected:
  void SetUp() override {
    SerialTest::SetUp();
    previous_ = platform::install_serial_backend(&platform::termios_backend());
    ASSERT_TRUE(pty_.ok());
    ASSERT_TRUE(mapping_.map(7, pty_.slave_path()));
    reset_programmer_link();
    start_serial_transport();
    line_ = std::make_unique<sim::SimProgrammerPty>(programmer_, pty_.master());
  }
  void TearDown() override {
    sap_close();
    finish_serial_transport();
    reset_programmer_link();
    line_.reset();
    platform::install_serial_backend(previous_);
    SerialTest::TearDown();
  }

  test::ScopedStatusOutput status_;
  test::PtyPair pty_;
  test::ScopedSerialMapping mapping_;
  SimTarget target_;
  sim::SimProgrammer programmer_{long_texts(), &target_.pod};
  std::unique_ptr<sim::SimProgrammerPty> line_;

 private:
  platform::SerialBackend* previous_ = nullptr;
};

TEST_F(SimProgrammerSerialTest, RoundTripsOverAPty) {
  ASSERT_EQ(sap_open_serial(7), sap_ok);
  EXPECT_EQ(programmer_link().medium, SapMedium::serial);
  check_round_trips(programmer_);
  // 300 reply bytes come as 0, 0x01, 0x2C and the bytes; an empty reply as three zeros.
  ASSERT_TRUE(sap_send_receive(Bytes{0x20}, sap_query_channel));
  EXPECT_EQ(programmer_link().reply_length, 300);
  EXPECT_EQ(programmer_link().reply[299], 'd');
  // Bytes beyond the reply buffer are read and dropped; the line stays in step.
  ASSERT_TRUE(sap_send_receive(Bytes{0x1E}, sap_query_channel));
  EXPECT_EQ(programmer_link().reply_length, static_cast<std::int32_t>(ProgrammerLink::reply_size));
  EXPECT_TRUE(sap_send_receive(Bytes{0x1D}, sap_query_channel));
  EXPECT_EQ(sap_reply_text(), programmer_.config().version);
  programmer_link().reply_length = 7;
  EXPECT_TRUE(sap_send_receive(Bytes{0x55}, sap_query_channel));
  EXPECT_EQ(programmer_link().reply_length, 0);
  // A long frame (more than the frame limit) goes out whole.
  EXPECT_EQ(sap_write_memory(0xF00A0000, 300, Bytes(300, 0xA5)), 1);
  EXPECT_EQ(line_->bad_frames(), 0u);
}

TEST_F(SimProgrammerSerialTest, TheByteProtocolRunsOverTheLine) {
  ASSERT_EQ(sap_open_serial(7), sap_ok);
  reset_byte_protocol();
  reset_interface_state();
  link_state().interface_class = InterfaceClass::standalone_programmer;
  RESET_CABLE();
  EXPECT_NE(link_state().link_status, 0);
  EXPECT_EQ(interface_state().version_text, "214");
  SEND8(bdc::READ_BYTE);
  SEND8(0x00);
  SEND_CMD_SHORT(static_cast<std::uint8_t>(target_address));
  RECV16();
  EXPECT_TRUE(HS_GOOD());
  EXPECT_EQ(link_state().reply_word, std::uint32_t{target_byte} << 8);
  EXPECT_EQ(line_->bad_frames(), 0u);
  reset_link_state();
  reset_byte_protocol();
  reset_interface_state();
  reset_firmware_update_link();
  reset_connection_settings();
}

TEST_F(SimProgrammerSerialTest, AClosedLineRefusesAndAMissingPortFails) {
  EXPECT_FALSE(sap_send_receive(Bytes{0x0B}, 1));
  EXPECT_EQ(sap_open_serial(9), sap_serial_failed);
  EXPECT_FALSE(programmer_link().open);
  EXPECT_EQ(line_->with_programmer([](sim::SimProgrammer& p) { return p.executed(); }), 0u);
}

}  // namespace
}  // namespace vx

namespace vx {
namespace {

constexpr const char* programmer_scenario = R"(
[target]
device = default
[programmer 1]
medium = udp
address = 127.0.0.9
version = 3.01
[programmer 2]
medium = udp
address = 127.0.0.3
locked = yes
[programmer 3]
medium = usb
identity = VLX, 0 TAMBERLY PRO,PROUSB
)";

TEST(SimProgrammerScenario, ProgrammersJoinTheWorldOnLoopbackAndTheBus) {
  const sim::ScenarioResult loaded = sim::parse_scenario(programmer_scenario, ".");
  ASSERT_TRUE(loaded.scenario) << loaded.error;
  test::ScopedStatusOutput status;
  reset_programmer_link();
  reset_wdusb_state();
  reset_wdusb_library();
  {
    sim::SimulatedWorld world(*loaded.scenario);
    EXPECT_EQ(platform::net_settings().broadcast_address, "127.255.255.255");
    EXPECT_TRUE(platform::net_settings().loopback_only);
    EXPECT_EQ(platform::net_settings().programmer_port, world.programmer_port());
    start_ethernet_transport(7, "127.0.0.1");
    discover_ethernet_devices();
    ASSERT_EQ(collect_ethernet_devices(), 2);
    EXPECT_EQ(ethernet_devices().records[0].ip_address, "127.0.0.3");
    ASSERT_EQ(sap_open_ethernet(ethernet_devices().records[1].ip_address), sap_ok);
    ShortText text;
    EXPECT_EQ(sap_query_version(text, 10), sap_ok);
    EXPECT_EQ(text, "3.01");
    // The locked one is taken over.
    EXPECT_EQ(sap_open_ethernet("127.0.0.3"), sap_ok);

    load_usb_driver_dll();
    wdusb_enumerate();
    ASSERT_EQ(sap_usb_programmer_count(), 1);
    EXPECT_EQ(sap_open_usb(1), sap_ok);
    EXPECT_EQ(sap_check_identity(), sap_ok);
    sap_close();
    finish_ethernet_transport();
    reset_wdusb_state();
    reset_wdusb_library();
  }
  EXPECT_TRUE(platform::net_settings().responders.empty());
  reset_programmer_link();
  EXPECT_EQ(sim::parse_scenario("[programmer]\naddress = 10.0.0.1\n", ".").error,
            "line 2: a programmer's address is a loopback address");
  const sim::ScenarioResult example =
      sim::load_scenario(std::filesystem::path(VX_EXAMPLE_SCENARIO).parent_path() / "programmers.ini");
  ASSERT_TRUE(example.scenario) << example.error;
  EXPECT_EQ(example.scenario->programmers.size(), 3u);
}

}  // namespace
}  // namespace vx

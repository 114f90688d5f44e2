#include <gtest/gtest.h>

#include "foundation/kstring.h"
#include "foundation/system_helpers.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/target_operations.h"
#include "interface/target_pins.h"
#include "interface/drivers/wdusb_library.h"
#include "sim/programmer/sim_programmer.h"
#include "sim/programmer/sim_programmer_udp.h"
#include "tests/interface/protocol_test_support.h"
#include "tests/interface/sap_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;
using protocol_testing::expect_halt;
using protocol_testing::target_address;
using protocol_testing::target_byte;
using sap_testing::ScriptedPeer;

constexpr std::uint8_t ack = 0xEE;

void read_target_byte() {
  SEND8(bdc::READ_BYTE);
  SEND8(static_cast<std::uint8_t>(target_address >> 8));
  SEND_CMD_SHORT(static_cast<std::uint8_t>(target_address));
  RECV16();
}

// A programmer on loopback played by the test: it answers each link command with `reply`.
class ProgrammerProtocolTest : public sap_testing::EthernetTest {
 protected:
  void SetUp() override {
    EthernetTest::SetUp();
    protocol_testing::reset_protocol_units();
    reset_link_state();
    link_state().interface_class = InterfaceClass::standalone_programmer;
    aim_at(peer_);
    peer_.script = [this](const Bytes& request) {
      timeouts_seen_.push_back(programmer_link().ethernet_timeout);
      return sap_testing::answer_with(request, reply_);
    };
  }
  void TearDown() override {
    reset_link_state();
    protocol_testing::reset_protocol_units();
    EthernetTest::TearDown();
  }
  // The stream of the k-th link command: past opcode, block and channel.
  Bytes stream(std::size_t k) const { return Bytes(peer_.requests.at(k).begin() + 5, peer_.requests.at(k).end()); }

  ScriptedPeer peer_;
  std::string reply_;
  std::vector<std::int32_t> timeouts_seen_;
};

TEST_F(ProgrammerProtocolTest, ACommandTravelsAsOneLinkCommandOnChannel21) {
  reply_ = std::string{static_cast<char>(target_byte), 0, static_cast<char>(ack)};
  sap_set_timeouts(1111);
  read_target_byte();
  EXPECT_EQ(link_state().reply_word, std::uint32_t{target_byte} << 8);
  EXPECT_TRUE(HS_GOOD());
  ASSERT_EQ(peer_.requests.size(), 1u);
  EXPECT_EQ(peer_.requests[0][4], sap_protocol_channel);
  EXPECT_EQ(stream(0), (Bytes{0xE0, 0x00, 0x80}));
  // On Ethernet the short form waits as long as the long one; the link adds 225 ms.
  EXPECT_EQ(timeouts_seen_, std::vector<std::int32_t>{3225});
  EXPECT_EQ(programmer_link().ethernet_timeout, 1111);
  EXPECT_EQ(programmer_link().serial_timeout, 1111);
  EXPECT_EQ(programmer_link().usb_timeout, 1111);
  EXPECT_EQ(byte_protocol().programmer_fill, 1);
}

TEST_F(ProgrammerProtocolTest, RepliesAreReadWordByWordUntilTheyRunOut) {
  struct Case {
    const char* name;
    std::string reply;
    bool command_good;
    std::vector<std::uint32_t> words;  // read before the link fails
    std::uint32_t failing_read_word;   // what the read that failed left
  };
  const Case cases[] = {
      {"two words", std::string("\x12\x34\x56\x78\xEE", 5), true, {0x1234, 0x5678}, 0x5678},
      {"odd length: the last read gets one byte", std::string("\x12\x34\x56\xEE", 4), true, {0x1234}, 0x56},
      {"acknowledgement only", std::string("\xEE", 1), true, {}, 0},
      {"no acknowledgement last", std::string("\x12\x34", 2), false, {}, 0},
      {"empty reply", std::string(), false, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    restart_byte_protocol();
    link_state().reply_word = 0;
    reply_ = c.reply;
    SEND8(4);
    SEND_CMD_LONG(2);
    EXPECT_EQ(link_state().link_status != 0, c.command_good);
    std::vector<std::uint32_t> words;
    for (int reads = 0; link_state().link_status != 0 && reads < 10; ++reads) {
      RECV16();
      if (link_state().link_status != 0) words.push_back(link_state().reply_word);
    }
    EXPECT_EQ(words, c.words);
    EXPECT_EQ(link_state().reply_word, c.failing_read_word);
  }
}

TEST_F(ProgrammerProtocolTest, AFailedExchangeFailsTheLinkAndNothingFollowsUntilTheReset) {
  peer_.script = nullptr;  // nobody answers
  read_target_byte();
  EXPECT_EQ(link_state().link_status, 0);
  expect_halt([] { HS_GOOD(); });
  const std::size_t sent = peer_.requests.size();
  read_target_byte();
  EXPECT_EQ(peer_.requests.size(), sent);
}

TEST_F(ProgrammerProtocolTest, AProgrammerThatDoesNotAnswerIsReportedByTheReset) {
  peer_.script = nullptr;
  RESET_CABLE();
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_EQ(interface_state().version_text, "000");
  EXPECT_EQ(status_.lines(),
            std::vector<std::string>{"Could not contact VLX Hardware Interface. Check Power and Connections."});
  EXPECT_TRUE(firmware_update_link().update_requests.empty());
  // Only identity checks went out: nothing on channel 21.
  for (const Bytes& request : peer_.requests) EXPECT_NE(request.at(4), sap_protocol_channel);
}

TEST_F(ProgrammerProtocolTest, ACommandTooLongForTheBufferFailsInsteadOfGoingOutCut) {
  reply_ = "\xEE";
  for (std::size_t i = 0; i < ByteProtocol::programmer_buffer_size; ++i) SEND8(0x11);
  EXPECT_NE(link_state().link_status, 0);
  SEND_CMD_LONG(0x22);
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_TRUE(peer_.requests.empty());
  EXPECT_EQ(byte_protocol().programmer_fill, 1);
}

// The stand-alone programmer simulated behind the link, carrying a pod and its target.
struct SimulatedBench {
  SimulatedBench() {
    protocol_testing::reset_protocol_units();
    pod.keep_wire_log(true);
  }
  ~SimulatedBench() { protocol_testing::reset_protocol_units(); }
  protocol_testing::BackgroundTarget target;
  sim::Pod pod{sim::PodConfig{}, &target.mcu, nullptr};
  sim::SimProgrammer programmer{sim::SimProgrammerConfig{}, &pod};
};

// Reset, model line, and a target read through channel 21, as a run would make them.
void check_reset_and_read(SimulatedBench& bench, test::ScopedStatusOutput& status) {
  link_state().interface_class = InterfaceClass::standalone_programmer;
  RESET_CABLE();
  EXPECT_NE(link_state().link_status, 0);
  EXPECT_EQ(interface_state().version_text, "214");
  EXPECT_EQ(status.lines(), std::vector<std::string>{"VLX Interface detected - Flash Version 2.14"});
  ShortText exe;
  GET_EXE_PATH(exe);
  const ShortText directory = *add_backslash(path_part(exe));
  const fwupdate::FirmwareRequest& request = fwupdate::firmware_request();
  EXPECT_EQ(request.update_search_pattern, directory + "tamberlyproens.???");
  EXPECT_EQ(request.ens_search_pattern, directory + "tamberlyproens.???");
  EXPECT_EQ(request.en2_search_pattern, directory + "tamberlyproen2.???");
  EXPECT_EQ(request.kernel_file_base, directory + "prokernelen2");
  EXPECT_EQ(request.update_link_kind, fwupdate::programmer_link);
  EXPECT_EQ(firmware_update_link().update_requests, std::vector<ShortText>{"2.14"});
  EXPECT_EQ(READ_VOLTAGE(), 255) << "a programmer cannot read it";
  EXPECT_EQ(READ_DATA_BYTE(target_address), target_byte);
  EXPECT_TRUE(HS_GOOD());
  EXPECT_EQ(bench.pod.wire_log().back().command, (Bytes{0xE0, 0x00, 0x80}));
  EXPECT_EQ(bench.pod.target_type(), 8);
  EXPECT_TRUE(bench.pod.violations().empty());
}

class ProgrammerBenchUdpTest : public sap_testing::EthernetTest {
 protected:
  void TearDown() override {
    reset_link_state();
    EthernetTest::TearDown();
  }
  SimulatedBench bench_;
  sim::SimProgrammerUdp server_{bench_.programmer, "127.0.0.1", 0, "127.255.255.255"};
};

TEST_F(ProgrammerBenchUdpTest, ResetAndTargetReadThroughTheSimulatedProgrammer) {
  ASSERT_EQ(sap_open_ethernet_ip("127.0.0.1", server_.port()), sap_ok);
  check_reset_and_read(bench_, status_);
  // The initialisation went to the pod on channel 21.
  const std::vector<sim::WireRecord>& wire = bench_.pod.wire_log();
  ASSERT_FALSE(wire.empty());
  EXPECT_EQ(wire.front().command, (Bytes{7, 48}));
}

// A Max (majors 7 and 9) never takes a Pro's images or kernels; kernels are named beside the program.
TEST_F(ProgrammerBenchUdpTest, TheResetChoosesTheFileSetOfTheProgrammerModel) {
  struct Case {
    const char* version;
    const char* ens;
    const char* en2;
    const char* kernel;
  };
  const Case cases[] = {
      {"8.10", "tamberlyproens.???", "tamberlyproen2.???", "prokernelen2"},
      {"6.02", "tamberlyproens.???", "tamberlyproen2.???", "prokernelen2"},
      {"7.40", "tamberlymaxens.???", "tamberlymaxen2.???", "maxkernelen2"},
      {"9.01", "tamberlymaxens.???", "tamberlymaxen2.???", "maxkernelen2"},
  };
  ShortText exe;
  GET_EXE_PATH(exe);
  const ShortText directory = *add_backslash(path_part(exe));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.version);
    sim::SimProgrammerConfig config;
    config.version = c.version;
    sim::SimProgrammer programmer{config, &bench_.pod};
    sim::SimProgrammerUdp server{programmer, "127.0.0.1", 0, "127.255.255.255"};
    protocol_testing::reset_protocol_units();
    ASSERT_EQ(sap_open_ethernet_ip("127.0.0.1", server.port()), sap_ok);
    link_state().interface_class = InterfaceClass::standalone_programmer;
    RESET_CABLE();
    const fwupdate::FirmwareRequest& request = fwupdate::firmware_request();
    EXPECT_EQ(request.update_search_pattern, directory + c.ens);
    EXPECT_EQ(request.ens_search_pattern, directory + c.ens);
    EXPECT_EQ(request.en2_search_pattern, directory + c.en2);
    EXPECT_EQ(request.kernel_file_base, directory + c.kernel);
    sap_close();
  }
}

TEST(ProgrammerBenchUsb, ResetAndTargetReadOnTheSimulatedBus) {
  test::ScopedStatusOutput status;
  test::SimulatedUsb usb;
  reset_programmer_link();
  SimulatedBench bench;
  std::vector<std::int32_t> timeouts_seen;
  usb.usb.add({bench.programmer.config().identity, sim::scenario_default_vendor, 2, nullptr,
               [&](std::span<const std::uint8_t> frame) {
                 timeouts_seen.push_back(programmer_link().usb_timeout);
                 return bench.programmer.execute_frame(frame);
               }});
  load_usb_driver_dll();
  wdusb_enumerate();
  ASSERT_EQ(sap_open_usb(1), sap_ok);
  check_reset_and_read(bench, status);
  // Away from Ethernet the short form waits 1250 ms, and the link 225 ms more.
  EXPECT_EQ(timeouts_seen.back(), 1475);
  sap_close();
  reset_programmer_link();
}

}  // namespace
}  // namespace vx

#include <gtest/gtest.h>

#include "tests/interface/protocol_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;
using protocol_testing::expect_halt;
using protocol_testing::target_address;
using protocol_testing::target_byte;

// A target byte read as the target operations make it: two leading bytes,
// the last through SEND_CMD_SHORT, one reply word.
std::uint32_t read_target_byte() {
  SEND8(bdc::READ_BYTE);
  SEND8(static_cast<std::uint8_t>(target_address >> 8));
  SEND_CMD_SHORT(static_cast<std::uint8_t>(target_address));
  RECV16();
  return link_state().reply_word;
}

using UsbLinkTest = protocol_testing::UsbProtocolTest;

class ByteProtocolUsbTest : public protocol_testing::UsbProtocolTest,
                            public testing::WithParamInterface<std::int32_t> {};

INSTANTIATE_TEST_SUITE_P(BothFamilies, ByteProtocolUsbTest, testing::Values(1, 2),
                         [](const auto& param_info) { return param_info.param == 1 ? "Ftdi" : "WinDriver"; });

TEST_P(ByteProtocolUsbTest, ATargetReadGoesOutAsOneCommandAndItsWordComesBack) {
  sim::Pod& pod = open(GetParam());
  EXPECT_EQ(read_target_byte(), std::uint32_t{target_byte} << 8);
  EXPECT_TRUE(HS_GOOD());
  ASSERT_EQ(pod.wire_log().size(), 1u);
  EXPECT_EQ(pod.wire_log()[0].command, (Bytes{0xE0, 0x00, 0x80}));
  EXPECT_TRUE(pod.violations().empty());
}

TEST_P(ByteProtocolUsbTest, AFaultyAnswerFailsTheLinkAndHsGoodHaltsWith45) {
  struct Case {
    const char* name;
    sim::PodFault fault;
  };
  const Case cases[] = {{"wrong acknowledgement", sim::PodFault::wrong_ack},
                        {"no answer", sim::PodFault::no_ack},
                        {"reply word cut short", sim::PodFault::short_reply}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::Pod& pod = open(GetParam());
    pod.inject(c.fault);
    read_target_byte();
    EXPECT_EQ(link_state().link_status, 0);
    expect_halt([] { HS_GOOD(); });
  }
}

TEST_P(ByteProtocolUsbTest, AfterAFailureNothingIsSentUntilTheNextReset) {
  sim::Pod& pod = open(GetParam());
  pod.inject(sim::PodFault::wrong_ack);
  read_target_byte();
  ASSERT_EQ(link_state().link_status, 0);
  byte_protocol().halt_on_failure = false;
  const std::size_t sent = pod.wire_log().size();
  read_target_byte();
  SEND_CMD_LONG(0x90);
  EXPECT_TRUE(HS_GOOD()) << "the halt switch is off";
  EXPECT_EQ(pod.wire_log().size(), sent);
  restart_byte_protocol();
  EXPECT_EQ(read_target_byte(), std::uint32_t{target_byte} << 8);
  EXPECT_EQ(pod.wire_log().size(), sent + 1);
}

TEST_P(ByteProtocolUsbTest, LeftOverReplyBytesNeverPassForTheAcknowledgement) {
  sim::Pod& pod = open(GetParam());
  pod.memory().write_word(0x2000, 0xEEEE);
  // Two reply words asked for, none read: 0xEE 0xEE stay behind.
  SEND8(4);
  SEND8(0x20);
  SEND8(0x00);
  SEND_CMD_SHORT(2);
  ASSERT_NE(link_state().link_status, 0);
  pod.inject(sim::PodFault::no_ack);
  read_target_byte();
  EXPECT_EQ(link_state().link_status, 0);

  // Left-over bytes of an ordinary reply do not spoil the next command either.
  restart_byte_protocol();
  SEND8(4);
  SEND8(0x40);
  SEND8(0x58);
  SEND_CMD_SHORT(4);
  EXPECT_EQ(read_target_byte(), std::uint32_t{target_byte} << 8);
  EXPECT_NE(link_state().link_status, 0);
}

TEST_P(ByteProtocolUsbTest, AMissingReplyWordFailsAfterOneSecond) {
  open(GetParam());
  SEND8(7);
  SEND8(3);
  SEND_CMD_SHORT(8);  // target type: acknowledged, no reply word
  ASSERT_NE(link_state().link_status, 0);
  const std::uint64_t before = now_ms();
  RECV16();
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_GE(now_ms() - before, 1000u);
  EXPECT_LT(now_ms() - before, 1100u);
}

TEST_F(UsbLinkTest, AnUnansweredCommandFailsOnlyOnceItsTimeOutHasPassed) {
  struct Case {
    std::int32_t timeout_ms;
    std::uint64_t at_least_ms;
  };
  // The first wait lasts a second; a longer time-out is waited out in full.
  const Case cases[] = {{50, 1000}, {1250, 1300}, {3000, 3050}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.timeout_ms);
    sim::Pod& pod = open(ftdi_port);
    pod.inject(sim::PodFault::no_ack);
    const std::uint64_t before = now_ms();
    SEND_CMD(0x90, c.timeout_ms);
    EXPECT_EQ(link_state().link_status, 0);
    EXPECT_GE(now_ms() - before, c.at_least_ms);
    EXPECT_LT(now_ms() - before, c.at_least_ms + 50);
  }
}

TEST_F(UsbLinkTest, AUsbErrorHaltsEvenWithTheLinkStatusGood) {
  open(ftdi_port);
  usb_.ftdi.unplug("VX3000001");
  SEND_CMD_SHORT(0x90);
  expect_halt([] { HS_GOOD(); });
}

// Batch mode is off in the system; switched on here, frames gather until a flush.
TEST_F(UsbLinkTest, ABatchCarriesItsFramesBehindOneHeaderAndWantsAnAcknowledgementEach) {
  sim::Pod& pod = open(ftdi_port);
  byte_protocol().batch_mode = true;
  start_usb_batch();
  const auto queue = [](std::uint8_t sub_command, std::uint8_t value) {
    SEND8(7);
    SEND8(sub_command);
    SEND_CMD_SHORT(value);
  };
  queue(3, 8);
  queue(7, 0);
  EXPECT_TRUE(pod.wire_log().empty());
  flush_usb_batch(ByteProtocol::batch_flush_timeout_ms);
  ASSERT_EQ(pod.wire_log().size(), 1u);
  EXPECT_EQ(pod.wire_log()[0].command, (Bytes{7, 20, 2, 0xAA, 0x55, 0, 3, 7, 3, 8, 0xAA, 0x55, 0, 3, 7, 7, 0}));
  EXPECT_NE(link_state().link_status, 0);
  EXPECT_EQ(pod.target_type(), 8);
  EXPECT_TRUE(pod.bkgd_low());
  EXPECT_TRUE(byte_protocol().batch_active) << "a new batch starts";
  EXPECT_EQ(byte_protocol().batch_frames, 0);

  // A full batch goes out before the frame that does not fit.
  for (int i = 0; i < 200; ++i) queue(3, 8);
  ASSERT_EQ(pod.wire_log().size(), 2u);
  EXPECT_EQ(pod.wire_log()[1].command[2], 181);
  EXPECT_EQ(byte_protocol().batch_frames, 19);
  flush_usb_batch(ByteProtocol::batch_flush_timeout_ms);
  EXPECT_EQ(pod.wire_log()[2].command[2], 19);
  EXPECT_TRUE(pod.violations().empty());

  pod.inject(sim::PodFault::no_ack);
  queue(3, 8);
  flush_usb_batch(ByteProtocol::batch_flush_timeout_ms);
  EXPECT_EQ(link_state().link_status, 0);
  EXPECT_TRUE(byte_protocol().batch_active);
}

TEST(ByteProtocol, HsGoodByClass) {
  test::ScopedStatusOutput status;
  protocol_testing::reset_protocol_units();
  reset_link_state();
  struct Case {
    std::uint8_t interface_class;
    std::uint16_t link_status;
    bool halt_switch;
    bool halts;
  };
  const Case cases[] = {
      {0, 0xFFFF, true, false}, {0, 0, true, true},   {2, 1, true, false},     {2, 0, true, true},
      {3, 0xFFFF, true, true},  {0, 0, false, false}, {3, 0xFFFF, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.interface_class} << "/" << c.link_status << "/" << c.halt_switch);
    link_state().interface_class = static_cast<InterfaceClass>(c.interface_class);
    link_state().link_status = c.link_status;
    byte_protocol().halt_on_failure = c.halt_switch;
    if (c.halts) {
      expect_halt([] { HS_GOOD(); });
    } else {
      EXPECT_TRUE(HS_GOOD());
    }
  }
  reset_link_state();
  protocol_testing::reset_protocol_units();
}

TEST(ByteProtocol, AnOversizedUsbPayloadFailsTheLinkInsteadOfOverrunningTheFrame) {
  protocol_testing::reset_protocol_units();
  reset_link_state();
  link_state().interface_class = InterfaceClass::usb_interface;
  for (std::size_t i = 0; i + LinkState::usb_header_size < LinkState::usb_buffer_size; ++i) SEND8(0x11);
  EXPECT_NE(link_state().link_status, 0);
  SEND8(0x22);
  EXPECT_EQ(link_state().link_status, 0);
  reset_link_state();
  protocol_testing::reset_protocol_units();
}

}  // namespace
}  // namespace vx

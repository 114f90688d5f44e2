#include "interface/usb_routing.h"

#include <gtest/gtest.h>

#include "interface/drivers/ftdi_binding.h"
#include "interface/drivers/wdusb_devices.h"
#include "interface/drivers/wdusb_library.h"
#include "sim/usb/usb_time.h"
#include "support/recording_list_view.h"
#include "support/simulated_usb.h"

namespace vx {
namespace {

// Two FTDI-based interfaces and one WinDriver interface, listed as the port scan lists them.
class UsbRoutingTest : public testing::Test {
 protected:
  void SetUp() override {
    for (const char* serial : {"VX3000001", "VX3000002"}) {
      pods_.push_back(std::make_unique<sim::Pod>(sim::PodConfig{}, nullptr, &usb_.clock));
      usb_.ftdi.add({serial, std::string("VLX USB BDM ") + serial, pods_.back().get()});
    }
    pods_.push_back(std::make_unique<sim::Pod>(sim::PodConfig{}, nullptr, &usb_.clock));
    pods_.back()->keep_wire_log(true);
    usb_.usb.add({"VLX,USB-QX-12 MINI : USB Quorvex,QX0009,,four,five,six,seven", sim::scenario_default_vendor, 2,
                  pods_.back().get()});
    start_ftdi_binding();
    load_usb_driver_dll();
    wdusb_enumerate();
    ft_list_devices();
    port_counts().found_usb_interface_count = ft_device_count() + wdusb_interface_count();
    link_state().interface_class = InterfaceClass::usb_interface;
  }

  // A frame built as the byte protocol builds it.
  static std::int32_t put_frame(std::initializer_list<std::uint8_t> payload) {
    std::array<std::uint8_t, LinkState::usb_buffer_size>& frame = link_state().usb_frame;
    frame[0] = 0xAA;
    frame[1] = 0x55;
    frame[2] = 0;
    frame[3] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), frame.begin() + 4);
    return static_cast<std::int32_t>(payload.size() + 4);
  }

  sim::Pod& windriver_pod() { return *pods_.back(); }

  test::ScopedStatusOutput status_;
  test::SimulatedUsb usb_;
  std::vector<std::unique_ptr<sim::Pod>> pods_;
};

TEST_F(UsbRoutingTest, InterfacesAreNumberedFtdiFirstThenWinDriver) {
  ASSERT_EQ(port_counts().found_usb_interface_count, 3);
  struct Case {
    std::int32_t n;
    std::int32_t field;
    const char* text;
  };
  const Case cases[] = {
      {1, 1, "VX3000001"},
      {1, 2, "VLX USB BDM VX3000001"},
      {2, 3, "VX3000002"},
      {2, 4, ""},
      {2, 7, ""},
      {2, 99, "VLX USB BDM VX3000002"},
      {2, 8, ""},
      {3, 1, "QX0009"},
      {3, 2, "USB-QX-12 MINI : USB Quorvex"},
      {3, 3, "QX0009"},
      {3, 4, "four"},  // the empty field is skipped
      {3, 7, "seven"},
      {3, 99, "VLX,USB-QX-12 MINI : USB Quorvex,QX0009,,four,five,six,seven"},
      {3, 0, ""},
      {4, 1, ""},
      {0, 1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.n << "/" << c.field);
    EXPECT_EQ(GET_USB_DEVICE_FIELD(c.n, c.field), c.text);
  }
  EXPECT_EQ(GET_USB_DEVICE_SERIAL(3), "QX0009");
  EXPECT_EQ(GET_USB_DEVICE_DESCRIPTION(1), "VLX USB BDM VX3000001");
}

TEST_F(UsbRoutingTest, OpeningChoosesTheFamilyAndRefusesNumbersOutOfRange) {
  struct Case {
    std::int32_t n;
    bool opens;
    std::uint8_t family;
    bool mini;  // meaningful only for an open interface
    const char* description;
  };
  const Case cases[] = {
      {2, true, 0, false, "VLX USB BDM VX3000002"},
      {3, true, 1, true, "USB-QX-12 MINI : USB Quorvex"},
      {0, false, 2, false, ""},
      {4, false, 2, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.n);
    EXPECT_EQ(open_usb_port(c.n), c.opens);
    EXPECT_EQ(usb_routing().usb_driver_family, c.family);
    if (c.opens) {
      EXPECT_EQ(usb_routing().usb_mini_interface, c.mini);
    }
    EXPECT_EQ(usb_routing().open_usb_description, c.description);
  }
  // The scan may count more than the tables hold; no port above 19 opens.
  port_counts().found_usb_interface_count = 25;
  EXPECT_FALSE(open_usb_port(20));
  EXPECT_EQ(usb_routing().open_usb_description, "");
  close_usb_ports();
  EXPECT_EQ(usb_routing().usb_driver_family, 2);
}

TEST_F(UsbRoutingTest, StatusIsMinusOneWithNothingOpen) {
  EXPECT_EQ(usb_port_status(), -1);
  ASSERT_TRUE(open_usb_port(1));
  EXPECT_EQ(usb_port_status(), 0);
  close_usb_ports();
  EXPECT_EQ(usb_port_status(), -1);
}

TEST_F(UsbRoutingTest, BothFamiliesCarryAFrameAndItsReply) {
  for (const std::int32_t n : {1, 3}) {
    SCOPED_TRACE(n);
    ASSERT_TRUE(open_usb_port(n));
    usb_port_reset();
    usb_port_write(put_frame({4, 0xC0, 0x58, 4}), 1350);
    ASSERT_EQ(usb_port_bytes_waiting(), 5);
    usb_port_read(1);
    EXPECT_EQ(link_state().usb_reply[0], 0xEE);
    EXPECT_EQ(usb_port_bytes_waiting(), 4);
    usb_port_read(4);
    EXPECT_EQ(std::string(link_state().usb_reply.begin(), link_state().usb_reply.begin() + 4), "5.02");
    EXPECT_EQ(usb_port_bytes_waiting(), 0);
    EXPECT_EQ(usb_port_status(), 0);
  }
}

TEST_F(UsbRoutingTest, AWinDriverReadTakesNoMoreThanTheReplyHolds) {
  ASSERT_TRUE(open_usb_port(3));
  usb_port_write(put_frame({4, 0x40, 0x58, 2}), 1350);
  ASSERT_EQ(usb_port_bytes_waiting(), 3);
  link_state().usb_reply.fill(0x11);
  usb_port_read(5);
  EXPECT_EQ(usb_port_bytes_waiting(), 0);
  EXPECT_EQ(link_state().usb_reply[2], '.');
  EXPECT_EQ(link_state().usb_reply[3], 0x11);
}

TEST_F(UsbRoutingTest, AMissingWinDriverReplyIsFollowedByOneResync) {
  ASSERT_TRUE(open_usb_port(3));
  windriver_pod().inject(sim::PodFault::no_ack);
  const std::uint64_t before = usb_.clock.now_nanoseconds();
  usb_port_write(put_frame({4, 0x40, 0x58, 4}), 1350);
  const std::vector<sim::WireRecord>& wire = windriver_pod().wire_log();
  ASSERT_EQ(wire.size(), 2u);
  EXPECT_EQ(wire[1].command, (std::vector<std::uint8_t>{7, 0xFF}));
  EXPECT_EQ(wire[1].reply, std::vector<std::uint8_t>{0xEE});
  EXPECT_EQ(wdusb_state().transfer_timeout_ms, 3000u);
  // The frame's own read waited out its time-out; the resync was answered at once.
  const std::uint64_t elapsed = usb_.clock.now_nanoseconds() - before;
  EXPECT_GE(elapsed, 1'350'000'000u);
  EXPECT_LT(elapsed, 1'350'000'000u + 250'000'000u);
  // The resync's own answer is dropped: it must not pass for the missing reply.
  EXPECT_EQ(usb_port_bytes_waiting(), 0);
}

TEST_F(UsbRoutingTest, ALostResyncLeavesNothingWaitingAndOnlyOneTry) {
  ASSERT_TRUE(open_usb_port(3));
  windriver_pod().inject(sim::PodFault::no_ack);
  windriver_pod().inject(sim::PodFault::no_ack, 1);
  const std::uint64_t before = usb_.clock.now_nanoseconds();
  usb_port_write(put_frame({0x90}), 50);
  // The frame's read waits 50 ms, the resync's 250 ms, each frame a 1-ms round trip and its four packets.
  EXPECT_EQ(usb_.clock.now_nanoseconds() - before, 302'000'000u + 2 * sim::usb_bus_ns(256));
  EXPECT_EQ(windriver_pod().wire_log().size(), 2u);
  EXPECT_EQ(usb_port_bytes_waiting(), 0);
  EXPECT_EQ(wdusb_state().transfer_timeout_ms, 3000u);
}

TEST_F(UsbRoutingTest, WithoutExpectingAReplyNothingIsRead) {
  ASSERT_TRUE(open_usb_port(3));
  usb_routing().usb_expect_reply = false;
  usb_port_write(put_frame({4, 0x40, 0x58, 4}), 100);
  EXPECT_EQ(usb_port_bytes_waiting(), 0);
  EXPECT_EQ(windriver_pod().wire_log().size(), 1u);
}

TEST_F(UsbRoutingTest, ResetClearsTheWinDriverReplyAndStatus) {
  ASSERT_TRUE(open_usb_port(3));
  usb_port_write(put_frame({4, 0x40, 0x58, 4}), 100);
  ASSERT_EQ(usb_port_bytes_waiting(), 5);
  usb_port_reset();
  EXPECT_EQ(usb_port_bytes_waiting(), 0);
  EXPECT_EQ(usb_port_status(), 0);
}

}  // namespace
}  // namespace vx

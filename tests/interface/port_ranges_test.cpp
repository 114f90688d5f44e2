#include <gtest/gtest.h>

#include "interface/port_ranges.h"

namespace vx {
namespace {

TEST(PortRanges, EveryRangeFromItsFirstToItsLastNumber) {
  struct Case {
    PortRange range;
    std::int32_t first, last;
    std::int32_t first_device;
  } cases[] = {
      {PortRange::parallel, 1, 9, 1},          {PortRange::pci_card, 10, 19, 0},
      {PortRange::usb_interface, 20, 39, 0},   {PortRange::serial, 40, 59, 0},
      {PortRange::ethernet, 60, 99, 0},        {PortRange::usb_programmer, 100, 119, 0},
      {PortRange::ethernet_trace, 120, 159, 0}, {PortRange::usb_trace, 160, 179, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << "-" << c.last);
    const PortNumber first = classify(c.first), last = classify(c.last);
    EXPECT_EQ(first.range, c.range);
    EXPECT_EQ(first.n, c.first_device);
    EXPECT_EQ(last.range, c.range);
    EXPECT_EQ(last.n, c.first_device + c.last - c.first);
    EXPECT_EQ(port_of(c.range, first.n), c.first);
    EXPECT_EQ(port_of(c.range, last.n), c.last);
    EXPECT_EQ(last_device(c.range), last.n);
    EXPECT_NE(classify(c.first - 1).range, c.range);
    EXPECT_NE(classify(c.last + 1).range, c.range);
  }
}

TEST(PortRanges, NumbersOutsideTheRangesBelongToNone) {
  for (const std::int32_t port : {-1, 0, 180, 255, 0xFFFF}) {
    EXPECT_EQ(classify(port).range, PortRange::none) << port;
  }
}

}  // namespace
}  // namespace vx

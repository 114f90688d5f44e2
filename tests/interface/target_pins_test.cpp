#include "interface/target_pins.h"

#include <gtest/gtest.h>

#include "tests/interface/protocol_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;
using protocol_testing::FtdiBench;
using protocol_testing::running;

class TargetPinsTest : public testing::Test {
 protected:
  test::ScopedStatusOutput status_;
};

TEST_F(TargetPinsTest, VoltageIsScaledByTheFirmwareMajor) {
  struct Case {
    const char* firmware;
    std::uint8_t pod_code;
    std::uint8_t code;
  };
  // Firmware above 4 reports half the code; the odd bit is lost.
  const Case cases[] = {{"4.08", 168, 168}, {"5.12", 168, 168}, {"5.12", 169, 168}, {"3.30", 255, 255}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.firmware << "/" << int{c.pod_code});
    sim::PodConfig config = running(c.firmware);
    config.target_voltage_code = c.pod_code;
    FtdiBench bench(config);
    const std::size_t first = bench.pod.wire_log().size();
    EXPECT_EQ(READ_VOLTAGE(), c.code);
    EXPECT_EQ(bench.commands_since(first), (std::vector<Bytes>{{7, 2}}));
  }
}

TEST_F(TargetPinsTest, VoltageThatCannotBeReadIs255WithoutAsking) {
  struct Case {
    std::uint8_t interface_class;
    std::uint8_t major, minor;
  };
  const Case cases[] = {{2, 8, 0}, {0, 3, 25}, {0, 2, 0}};
  for (const Case& c : cases) {
    protocol_testing::reset_protocol_units();
    reset_link_state();
    link_state().interface_class = static_cast<InterfaceClass>(c.interface_class);
    interface_state().major = c.major;
    interface_state().minor = c.minor;
    EXPECT_EQ(READ_VOLTAGE(), 255);
    EXPECT_EQ(READ_VOLTAGE() * 5 / 255, 5) << "reads as 5 V";
  }
  reset_link_state();
  protocol_testing::reset_protocol_units();
}

TEST_F(TargetPinsTest, BkgdAndTheResetLatchUseCommandsOrInterfaceMemoryByFirmware) {
  struct Case {
    const char* firmware;
    std::vector<Bytes> drive_low;
    std::vector<Bytes> clear_latch;
  };
  const Case cases[] = {
      {"3.31", {{7, 7, 0}}, {{7, 9}}},
      // 3.30 already has the BKGD command but clears the latch through memory.
      {"3.30", {{7, 7, 0}}, {{4, 0, 0xFE, 2}, {2, 0, 0xFE, 0xDF, 0xFF}, {2, 0, 0xFE, 0xFF, 0xFF}}},
      {"3.25",
       {{4, 0, 0xFE, 2}, {2, 0, 0xFE, 0xEF, 0xFF}},
       {{4, 0, 0xFE, 2}, {2, 0, 0xFE, 0xCF, 0xFF}, {2, 0, 0xFE, 0xEF, 0xFF}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.firmware);
    FtdiBench bench(running(c.firmware));
    std::size_t first = bench.pod.wire_log().size();
    DRIVE_BKGD_LOW();
    EXPECT_EQ(bench.commands_since(first), c.drive_low);
    EXPECT_TRUE(bench.pod.bkgd_low());
    first = bench.pod.wire_log().size();
    CLEAR_RESET_LATCH();
    EXPECT_EQ(bench.commands_since(first), c.clear_latch);
    RELEASE_BKGD();
    EXPECT_FALSE(bench.pod.bkgd_low());
    EXPECT_TRUE(bench.pod.violations().empty());
  }
}

TEST_F(TargetPinsTest, TheResetLineReportsAResetOnceAndClearsItsLatch) {
  for (const char* firmware : {"5.12", "3.25"}) {
    SCOPED_TRACE(firmware);
    FtdiBench bench(running(firmware));
    // Powering the target up is a reset the latch catches.
    interface_power_down();
    set_target_voltage(0xFF);
    EXPECT_TRUE(bench.pod.reset_latch());
    EXPECT_EQ(READ_RESET_LINE(), 1);
    EXPECT_FALSE(bench.pod.reset_latch());
    EXPECT_EQ(READ_RESET_LINE(), 2);
    interface_power_down();
    const std::size_t first = bench.pod.wire_log().size();
    EXPECT_EQ(READ_RESET_LINE(), 0);
    EXPECT_EQ(bench.commands_since(first), (std::vector<Bytes>{{7, 2}})) << "no voltage: the line is not asked";
  }
}

TEST_F(TargetPinsTest, PowerCommandsWaitTheirDelays) {
  FtdiBench bench(running("5.12"));
  connection_settings().power_up_delay_ms = 300;
  connection_settings().power_down_delay_ms = 100;
  std::size_t first = bench.pod.wire_log().size();
  std::uint64_t before = bench.now_ms();
  interface_power_down();
  EXPECT_GE(bench.now_ms() - before, 350u);
  EXPECT_FALSE(bench.target.mcu.powered());
  before = bench.now_ms();
  set_target_voltage(0x02);
  EXPECT_GE(bench.now_ms() - before, 300u);
  EXPECT_LT(bench.now_ms() - before, 320u);
  EXPECT_TRUE(bench.target.mcu.powered());
  EXPECT_EQ(bench.pod.supply_selection(), 0x02);
  EXPECT_EQ(bench.commands_since(first), (std::vector<Bytes>{{7, 34}, {7, 35, 0x02}}));

  connection_settings().power_up_delay_ms = 0;
  first = bench.pod.wire_log().size();
  before = bench.now_ms();
  set_target_voltage(0x01);
  EXPECT_LT(bench.now_ms() - before, 10u);
}

}  // namespace
}  // namespace vx

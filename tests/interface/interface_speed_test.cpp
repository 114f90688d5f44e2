#include <gtest/gtest.h>

#include <cmath>

#include "tests/interface/protocol_test_support.h"
#include "tests/interface/sap_test_support.h"

namespace vx {
namespace {

using protocol_testing::Bytes;
using protocol_testing::FtdiBench;
using protocol_testing::running;

TEST(BdmSpeedDivider, ChoosesTheNearerOfTwoDividers) {
  struct Case {
    std::uint8_t family;
    std::uint32_t frequency;
    std::uint16_t divider;
  };
  const Case cases[] = {
      {0, 8'000'000, 12},    // 8,333,333 is 333,333 off, 7,692,307 only 307,693
      {0, 0, 2},             // no frequency
      {1, 8'000'000, 14},    // the WinDriver family counts from 120 MHz: exactly 8 MHz
      {0, 33'333'333, 2},    // exact at d
      {0, 200'000'000, 0},   // faster than the base: never below 0
      {0, 1000, 0xFFFF},     // clamped to 16 bits
  };
  protocol_testing::reset_protocol_units();
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << int{c.family} << "/" << c.frequency);
    link_state().interface_class = InterfaceClass::usb_interface;
    usb_routing().usb_driver_family = c.family;
    EXPECT_EQ(bdm_speed_divider(c.frequency), c.divider);
  }
  reset_link_state();
  reset_usb_routing();
}

class SyncTest : public testing::Test {
 protected:
  test::ScopedStatusOutput status_;
};

TEST_F(SyncTest, NewFirmwareMeasuresTheTargetClockWithinOnePercent) {
  FtdiBench bench(running("5.12"));
  const std::size_t first = bench.pod.wire_log().size();
  const std::uint32_t frequency = do_sync_return_frequency(10);
  const double target_hz = static_cast<double>(bench.target.mcu.bdc_clock_hz());
  EXPECT_LT(std::fabs(frequency - target_hz) / target_hz, 0.01) << frequency << " against " << target_hz;
  EXPECT_TRUE(sync_state().sync_ok);
  EXPECT_EQ(sync_state().cable_timer_frequency, 24'000'000u);
  // 10 x 8000 / 3 = 26,666.
  EXPECT_EQ(bench.commands_since(first), (std::vector<Bytes>{{7, 1, 0x68, 0x2A}}));
}

TEST_F(SyncTest, OldFirmwareGivesTheFormulaForTheCountedPulse) {
  FtdiBench bench(running("3.25"));
  const std::uint64_t pulse_ps = bench.target.mcu.sync_pulse_ps();
  const auto count = static_cast<std::uint32_t>((pulse_ps + 312'500) / 625'000);
  const auto expected = static_cast<std::uint32_t>(8'000'000.0 / (count * 5.0) * 127.5);
  EXPECT_EQ(do_sync_return_frequency(10), expected);
  EXPECT_EQ(sync_state().last_frequency, expected);
}

TEST_F(SyncTest, ADeadTargetGivesNothingAndIsTriedOnceMoreAfterTenMilliseconds) {
  for (const char* firmware : {"5.12", "3.25"}) {
    SCOPED_TRACE(firmware);
    FtdiBench bench(running(firmware));
    bench.pod.set_target_dead(true);
    const std::size_t first = bench.pod.wire_log().size();
    const std::uint64_t before = bench.now_ms();
    EXPECT_EQ(sync_with_retry(10), 0u);
    EXPECT_FALSE(sync_state().sync_ok);
    EXPECT_EQ(bench.commands_since(first).size(), 2u);
    EXPECT_GE(bench.now_ms() - before, 10u);
  }
}

TEST_F(SyncTest, SyncThenSpeedSetsTheDividerTheMeasurementGives) {
  FtdiBench bench(running("5.12"));
  sync_and_set_speed(10);
  const std::uint16_t divider = bdm_speed_divider(sync_state().last_frequency);
  EXPECT_EQ(connection_settings().io_delay_cnt, divider);
  EXPECT_EQ(bench.pod.speed_divider(), divider);
  EXPECT_EQ(bench.pod.wire_log().back().command, (Bytes{7, 0, static_cast<std::uint8_t>(divider >> 8),
                                                        static_cast<std::uint8_t>(divider)}));
}

TEST_F(SyncTest, TheSyncValueFollowsTheParameterOrTheFixedModeAndNeverWraps) {
  struct Case {
    std::int32_t parameter;
    bool fixed_mode;
    Bytes command;
  };
  const Case cases[] = {
      {10, false, {7, 1, 0x68, 0x2A}},
      {0, false, {7, 1, 0x0A, 0x6A}},   // below 1 counts as 1: 2666
      {-5, false, {7, 1, 0x0A, 0x6A}},
      {25, false, {7, 1, 0xFF, 0xFF}},  // 66,666 does not fit: clamped
      {10, true, {7, 1, 0x01, 0x4D}},   // 125 x 8 / 3 = 333
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.parameter << "/" << c.fixed_mode);
    FtdiBench bench(running("5.12"));
    connection_settings().ncl08_mode = c.fixed_mode;
    const std::size_t first = bench.pod.wire_log().size();
    SEND_SYNC_COMMAND(c.parameter);
    EXPECT_EQ(bench.commands_since(first), std::vector<Bytes>{c.command});
  }
}

TEST_F(SyncTest, SpeedIsNotSetOnFirmwareTwo) {
  FtdiBench bench(running("2.40"));
  const std::size_t first = bench.pod.wire_log().size();
  EXPECT_FALSE(SET_SPEED_NO_RESET());
  EXPECT_TRUE(bench.commands_since(first).empty());
}

// Sync replies scripted on a stand-alone programmer: any value can be answered.
class ScriptedSyncTest : public sap_testing::EthernetTest {
 protected:
  void SetUp() override {
    EthernetTest::SetUp();
    protocol_testing::reset_protocol_units();
    reset_link_state();
    link_state().interface_class = InterfaceClass::standalone_programmer;
    interface_state().major = 8;
    aim_at(peer_);
    peer_.script = [this](const Bytes& request) {
      requests_.push_back(Bytes(request.begin() + 5, request.end()));
      timeouts_.push_back(programmer_link().ethernet_timeout);
      const std::string reply = replies_.empty() ? std::string("\xEE") : replies_.front();
      if (!replies_.empty()) replies_.erase(replies_.begin());
      return sap_testing::answer_with(request, reply);
    };
  }
  void TearDown() override {
    reset_link_state();
    protocol_testing::reset_protocol_units();
    EthernetTest::TearDown();
  }
  // Timer frequency, start and end counts and the overflow word, then the acknowledgement.
  static std::string timed_reply(std::uint32_t timer_hz, std::uint16_t start, std::uint16_t end, std::uint16_t overflow) {
    const std::uint16_t words[] = {static_cast<std::uint16_t>(timer_hz >> 16), static_cast<std::uint16_t>(timer_hz),
                                   start, end, overflow};
    std::string reply;
    for (const std::uint16_t w : words) {
      reply += static_cast<char>(w >> 8);
      reply += static_cast<char>(w);
    }
    return reply + '\xEE';
  }

  sap_testing::ScriptedPeer peer_;
  std::vector<std::string> replies_;
  std::vector<Bytes> requests_;
  std::vector<std::int32_t> timeouts_;
};

TEST_F(ScriptedSyncTest, ResultsOutsideOneKilohertzToOneHundredMegahertzAreRejected) {
  struct Case {
    std::uint32_t timer_hz;
    std::uint16_t start, end, overflow;
    std::uint32_t frequency;
  };
  // 255 timer counts: the result is half the timer frequency.
  const Case cases[] = {
      {1998, 0, 255, 0, 0},                        // 999 Hz
      {2000, 0, 255, 0, 1000},
      {200'000'002, 0, 255, 0, 0},                 // 100,000,001 Hz
      {200'000'000, 0, 255, 0, 100'000'000},
      {200'000'000, 0x0100, 0x01FF, 0xFFFF, 0},    // the interface saw no pulse
      {2'000'000, 0xFF01, 0x0000, 0x8000, 1'000'000},  // one overflow: 0x10000 - 0xFF01 = 255 counts
      {4'000'000, 0, 0x0000, 0x8100, 3890},            // bit 15 and one more from bits 8-14: 0x20000 counts
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.timer_hz << "/" << c.overflow);
    restart_byte_protocol();
    replies_ = {timed_reply(c.timer_hz, c.start, c.end, c.overflow)};
    EXPECT_EQ(do_sync_return_frequency(10), c.frequency);
    EXPECT_EQ(sync_state().sync_ok, c.frequency != 0);
  }
  // The programmer is asked with the parameter itself and 2000 ms, plus the link's 225.
  EXPECT_EQ(requests_.back(), (Bytes{7, 1, 0, 10}));
  EXPECT_EQ(timeouts_.back(), 2225);
}

TEST_F(ScriptedSyncTest, AFailedSyncIsRetriedOnceAndMayThenSucceed) {
  replies_ = {timed_reply(2000, 0, 255, 0xFFFF), timed_reply(2000, 0, 255, 0)};
  EXPECT_EQ(sync_with_retry(10), 1000u);
  EXPECT_EQ(requests_.size(), 2u);
}

}  // namespace
}  // namespace vx

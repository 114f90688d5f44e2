#include <gtest/gtest.h>

#include "hcs08_target.h"

namespace vx::sim::test {
namespace {

TEST(Hcs08Clock, BusClockFallsAsTheTrimValueRises) {
  Target t;
  const ClockConfig& clock = t.mcu.config().clock;
  std::uint64_t previous = UINT64_MAX;
  for (int trim = 0; trim < 256; trim += 17) {
    t.write(clock.trim_register, static_cast<std::uint8_t>(trim));
    for (const std::uint8_t fine : {std::uint8_t{0}, clock.fine_trim_bit}) {
      t.write(clock.fine_trim_register, fine);
      EXPECT_LT(t.mcu.bus_clock_hz(), previous) << trim;
      previous = t.mcu.bus_clock_hz();
    }
  }
  t.write(clock.trim_register, 0x8F);
  t.write(clock.fine_trim_register, clock.fine_trim_bit);
  EXPECT_EQ(t.mcu.bus_clock_hz(), clock.nominal_bus_hz);
  EXPECT_EQ(t.read(clock.trim_register), 0x8F);
  t.mcu.reset(true);
  EXPECT_EQ(t.read(clock.trim_register), clock.trim_reset);
}

TEST(Hcs08Clock, SimulatedTimeFollowsTheBusClock) {
  Target t;
  const ClockConfig& clock = t.mcu.config().clock;
  t.write(clock.trim_register, 0x8F);
  t.write(clock.fine_trim_register, clock.fine_trim_bit);
  const std::uint64_t cycles = t.mcu.cycles();
  t.mcu.run_for_ns(1'000'000);
  EXPECT_EQ(t.mcu.cycles() - cycles, 8'000u);  // 1 ms at 8 MHz
  EXPECT_EQ(t.mcu.elapsed_ns(), 1'000'000u);
}

TEST(Hcs08Cop, UnservicedWatchdogResetsTheRunningPart) {
  Target t;
  t.write_block(0x0100, {0x20, 0xFE});
  t.mcu.poke(0xFFFE, 0x01);
  t.mcu.poke(0xFFFF, 0x00);
  t.start_at(0x0100);
  const std::uint64_t timeout_ns = (1ull << 18) * 1'000'000'000 / t.mcu.bus_clock_hz();
  t.mcu.run_for_ns(timeout_ns - 1'000);
  EXPECT_EQ(t.mcu.reset_source(), srs::kPor | srs::kLvd);
  t.mcu.run_for_ns(2'000);
  EXPECT_EQ(t.mcu.reset_source(), srs::kCop);
  EXPECT_EQ(t.status() & bdc::kEnbdm, 0);
  EXPECT_EQ(t.mcu.state(), RunState::Running);
}

TEST(Hcs08Cop, WatchdogHoldsInBackgroundMode) {
  Target t;
  t.mcu.run_for_ns(200'000'000);
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  EXPECT_EQ(t.mcu.reset_source(), srs::kPor | srs::kLvd);
}

TEST(Hcs08Cop, Sopt1IsWriteOnceAndItsFirstWriteCanDisableTheWatchdog) {
  Target t;
  const std::uint16_t sopt1 = t.mcu.config().sopt1;
  // lda #0; sta SOPT1; lda #$C0; sta SOPT1; bra *
  t.write_block(0x0100, {0xA6, 0x00, 0xC7, 0x18, 0x02, 0xA6, 0xC0, 0xC7, 0x18, 0x02, 0x20, 0xFE});
  t.start_at(0x0100);
  t.mcu.run_for_ns(200'000'000);
  EXPECT_EQ(t.mcu.state(), RunState::Running);
  EXPECT_EQ(t.mcu.reset_source(), srs::kPor | srs::kLvd);
  EXPECT_EQ(t.read(sopt1), 0x00);
}

TEST(Hcs08Cop, WritingSrsRestartsTheWatchdog) {
  Target t;
  // loop: sta SRS; bra loop
  t.write_block(0x0100, {0xC7, 0x18, 0x00, 0x20, 0xFB});
  t.start_at(0x0100);
  t.mcu.run_for_ns(200'000'000);
  EXPECT_EQ(t.mcu.reset_source(), srs::kPor | srs::kLvd);
}

TEST(Hcs08Power, SelfResetFaultRestartsThePartOutOfBackground) {
  Target t;
  t.mcu.inject_self_reset(1'000);
  t.mcu.run_for_ns(1'000'000);
  EXPECT_EQ(t.mcu.reset_source(), srs::kLvd);
  EXPECT_EQ(t.status() & bdc::kEnbdm, 0);
}

TEST(Hcs08Power, PowerCycleLosesRamButKeepsFlash) {
  Target t;
  t.write(0x0200, 0x99);
  t.mcu.poke(0x9000, 0x42);
  t.mcu.power_off();
  EXPECT_FALSE(t.mcu.powered());
  t.mcu.run_for_ns(1'000);
  t.mcu.power_on(true);
  EXPECT_EQ(t.read(0x0200), 0x00);
  EXPECT_EQ(t.read(0x9000), 0x42);
}

TEST(Hcs08Power, FetchFromUnimplementedMemoryResets) {
  Target t;
  // The reset vector of an erased part runs into the gap of the memory map, where the reset
  // keeps taking time instead of stalling the simulation.
  t.mcu.poke(0xFFFE, 0x19);
  t.mcu.poke(0xFFFF, 0x00);
  t.start_at(0x1900);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.reset_source(), srs::kIlad);
}

TEST(Hcs08Power, StopWithoutStopEnableIsAnIllegalOpcode) {
  Target t;
  t.write_block(0x0100, {0x8E});
  t.start_at(0x0100);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.reset_source(), srs::kIlop);
}

}  // namespace
}  // namespace vx::sim::test

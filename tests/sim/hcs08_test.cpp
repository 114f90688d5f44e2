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

TEST(Hcs08Clock, ARunningProgramRetrimsTheClockItRunsOn) {
  Target t;
  const ClockConfig& clock = t.mcu.config().clock;
  // mov #$8F,trim; mov #fine,fine trim; bra *
  t.write_block(0x0100, {0x6E, 0x8F, Target::lo(clock.trim_register), 0x6E, clock.fine_trim_bit,
                         Target::lo(clock.fine_trim_register), 0x20, 0xFE});
  t.start_at(0x0100);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.bus_clock_hz(), clock.nominal_bus_hz);
  const std::uint64_t cycles = t.mcu.cycles();
  t.mcu.run_for_ns(3'000'000);
  EXPECT_NEAR(static_cast<double>(t.mcu.cycles() - cycles), 24'000.0, 3.0);  // 3 ms at 8 MHz, to an instruction
}

TEST(Hcs08Clock, TimeIsTheExactSumOfTheCyclesAtTheBusClock) {
  Target t;  // the reset trim gives a bus clock that does not divide a second
  t.write_block(0x0100, {0x20, 0xFE});
  t.start_at(0x0100);
  for (const std::uint64_t ns : {1ull, 999ull, 123'457ull, 5'000'000ull}) {
    t.mcu.run_for_ns(ns);
    const unsigned __int128 ps = static_cast<unsigned __int128>(t.mcu.cycles()) * 1'000'000'000'000 / t.mcu.bus_clock_hz();
    EXPECT_EQ(t.mcu.elapsed_ns(), static_cast<std::uint64_t>(ps / 1000)) << ns;
  }
}

// What the part ends with; the same whether it ran in one call or one instruction per call.
struct Outcome {
  std::uint64_t cycles = 0;
  std::uint16_t pc = 0, hx = 0;
  std::uint8_t a = 0, ccr = 0, srs = 0, counter = 0, flash_byte = 0;
  bool operator==(const Outcome&) const = default;
};

Outcome outcome_of(Target& t) {
  const CpuRegisters& r = t.mcu.registers();
  return {t.mcu.cycles(), r.pc, r.hx, r.a, r.ccr, t.mcu.reset_source(), t.mcu.peek(0x00B0), t.mcu.peek(0xE000)};
}

struct LongRunCase {
  const char* name;
  void (*prepare)(Target&);
  std::uint8_t reset_source;  // at the end
  std::uint8_t flash_byte;
};

// Each loops on inc $B0 until a flash command, the COP or the self-reset fault changes its course.
const LongRunCase kLongRunCases[] = {
    {"COP runs out, the part resets to the counting loop",
     [](Target& t) {
       t.write_block(0x0100, {0xC7, 0x18, 0x02, 0x20, 0xFE});  // sta SOPT1 (shortest timeout); bra *
       t.write_block(0x0110, {0x3C, 0xB0, 0x20, 0xFC});        // inc $B0; bra *-2
       t.mcu.poke(0xFFFE, 0x01);
       t.mcu.poke(0xFFFF, 0x10);
       t.command({bdc::kWriteA, 0x40});
       t.start_at(0x0100);
     },
     srs::kCop, 0xFF},
    {"byte program polled by reading the array",
     [](Target& t) {
       t.write(Target::kFcdiv, Target::kDivider);
       // lda #0; sta $E000; lda #program; sta FCMD; lda #FCBEF; sta FSTAT;
       // loop: inc $B0; lda $E000; bne loop; bra *
       t.write_block(0x0100, {0xA6, 0x00, 0xC7, 0xE0, 0x00, 0xA6, flash::kByteProgram, 0xC7, 0x18, 0x26, 0xA6,
                              flash::kFcbef, 0xC7, 0x18, 0x25, 0x3C, 0xB0, 0xC6, 0xE0, 0x00, 0x26, 0xF9, 0x20, 0xFE});
       t.start_at(0x0100);
     },
     srs::kPor | srs::kLvd, 0x00},
    {"self-reset fault restarts the counting loop",
     [](Target& t) {
       t.write_block(0x0110, {0x3C, 0xB0, 0x20, 0xFC});
       t.mcu.poke(0xFFFE, 0x01);
       t.mcu.poke(0xFFFF, 0x10);
       t.mcu.inject_self_reset(5'000);
       t.start_at(0x0110);
     },
     srs::kLvd, 0xFF},
};

// A run of one call leaves the flash module and the COP to follow only when they are due; one
// instruction per call brings them up to date at each. Both end alike, to the cycle.
TEST(Hcs08Run, ALongRunEndsAsOneInstructionPerCall) {
  for (const LongRunCase& c : kLongRunCases) {
    Target whole;
    c.prepare(whole);
    whole.mcu.run_for_ns(2'000'000);
    Target stepped;
    c.prepare(stepped);
    while (stepped.mcu.cycles() < whole.mcu.cycles()) stepped.mcu.run_for_ns(1);
    EXPECT_EQ(whole.mcu.reset_source(), c.reset_source) << c.name;
    EXPECT_EQ(whole.mcu.peek(0xE000), c.flash_byte) << c.name;
    EXPECT_EQ(outcome_of(stepped), outcome_of(whole)) << c.name;
  }
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

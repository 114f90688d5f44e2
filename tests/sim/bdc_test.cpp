#include <gtest/gtest.h>

#include "hcs08_target.h"

namespace vx::sim::test {
namespace {

constexpr std::uint8_t kLoop[] = {0x20, 0xFE};  // bra *

TEST(Bdc, ResetWithBkgdLowEntersBackgroundWithPcFromTheResetVector) {
  Target t;
  t.mcu.poke(0xFFFE, 0xC0);
  t.mcu.poke(0xFFFF, 0x12);
  t.mcu.reset(true);
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  EXPECT_EQ(t.status() & (bdc::kEnbdm | bdc::kBdmact), bdc::kEnbdm | bdc::kBdmact);
  EXPECT_EQ(t.command({bdc::kReadPc}).bytes, (std::vector<std::uint8_t>{0xC0, 0x12}));
  EXPECT_EQ(t.command({bdc::kReadSp}).bytes, (std::vector<std::uint8_t>{0x00, 0xFF}));
}

TEST(Bdc, NormalResetRunsWithTheDebuggerLockedOut) {
  Target t;
  t.write_block(0x0100, {kLoop[0], kLoop[1]});
  t.mcu.poke(0xFFFE, 0x01);
  t.mcu.poke(0xFFFF, 0x00);
  t.mcu.reset(false);
  EXPECT_EQ(t.mcu.state(), RunState::Running);
  EXPECT_EQ(t.status() & (bdc::kEnbdm | bdc::kBdmact), 0);
  t.command({bdc::kBackground});
  EXPECT_EQ(t.mcu.state(), RunState::Running);  // ENBDM clear: BACKGROUND is ignored
  EXPECT_EQ(t.command({bdc::kReadA}).status, BdcStatus::NotInBackground);
  t.command({bdc::kWriteControl, bdc::kEnbdm});
  t.command({bdc::kBackground});
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  EXPECT_EQ(t.command({bdc::kReadPc}).bytes, (std::vector<std::uint8_t>{0x01, 0x00}));
}

TEST(Bdc, RegisterCommandsReadAndWriteTheCpu) {
  Target t;
  t.command({bdc::kWriteA, 0x5A});
  t.command({bdc::kWriteCcr, 0x01});
  t.command({bdc::kWriteHx, 0x12, 0x34});
  t.command({bdc::kWriteSp, 0x10, 0xAF});
  t.command({bdc::kWritePc, 0x80, 0x00});
  EXPECT_EQ(t.command({bdc::kReadA}).bytes, std::vector<std::uint8_t>{0x5A});
  EXPECT_EQ(t.command({bdc::kReadCcr}).bytes, std::vector<std::uint8_t>{0x61});  // bits 6 and 5 read as 1
  EXPECT_EQ(t.command({bdc::kReadHx}).bytes, (std::vector<std::uint8_t>{0x12, 0x34}));
  EXPECT_EQ(t.command({bdc::kReadSp}).bytes, (std::vector<std::uint8_t>{0x10, 0xAF}));
  EXPECT_EQ(t.command({bdc::kReadPc}).bytes, (std::vector<std::uint8_t>{0x80, 0x00}));
}

TEST(Bdc, NextCommandsStepHxBeforeTheAccess) {
  Target t;
  t.command({bdc::kWriteHx, 0x01, 0xFF});
  t.command({bdc::kWriteNext, 0x11});
  EXPECT_EQ(t.command({bdc::kWriteNextWs, 0x22}).bytes, std::vector<std::uint8_t>{t.status()});
  t.command({bdc::kWriteHx, 0x01, 0xFF});
  EXPECT_EQ(t.command({bdc::kReadNext}).bytes, std::vector<std::uint8_t>{0x11});
  EXPECT_EQ(t.command({bdc::kReadNextWs}).bytes, (std::vector<std::uint8_t>{t.status(), 0x22}));
  EXPECT_EQ(t.command({bdc::kReadHx}).bytes, (std::vector<std::uint8_t>{0x02, 0x01}));
  EXPECT_EQ(t.command({bdc::kReadLast}).bytes, (std::vector<std::uint8_t>{t.status(), 0x22}));
}

TEST(Bdc, MemoryCommandsWorkWhileTheCpuRuns) {
  Target t;
  t.write_block(0x0100, {kLoop[0], kLoop[1]});
  t.start_at(0x0100);
  t.mcu.run_for_ns(1'000);
  ASSERT_EQ(t.mcu.state(), RunState::Running);
  t.write(0x0300, 0x77);
  EXPECT_EQ(t.read(0x0300), 0x77);
  EXPECT_EQ(t.command({bdc::kReadByteWs, 0x03, 0x00}).bytes, (std::vector<std::uint8_t>{bdc::kEnbdm, 0x77}));
}

TEST(Bdc, BreakpointStopsBeforeTheInstructionAndGoCarriesOn) {
  Target t;
  // nop; nop; inca; bra back to the first nop
  t.write_block(0x0100, {0x9D, 0x9D, 0x4C, 0x20, 0xFB});
  t.command({bdc::kWriteBkpt, 0x01, 0x02});
  EXPECT_EQ(t.command({bdc::kReadBkpt}).bytes, (std::vector<std::uint8_t>{0x01, 0x02}));
  t.command({bdc::kWriteControl, bdc::kEnbdm | bdc::kBkpten});
  t.command({bdc::kWriteA, 0x00});
  t.start_at(0x0100);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  EXPECT_EQ(t.command({bdc::kReadPc}).bytes, (std::vector<std::uint8_t>{0x01, 0x02}));
  EXPECT_EQ(t.command({bdc::kReadA}).bytes, std::vector<std::uint8_t>{0x00});
  t.command({bdc::kGo});
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.command({bdc::kReadPc}).bytes, (std::vector<std::uint8_t>{0x01, 0x02}));
  EXPECT_EQ(t.command({bdc::kReadA}).bytes, std::vector<std::uint8_t>{0x01});
}

TEST(Bdc, BgndEntersBackgroundOnlyWhenEnabled) {
  Target t;
  t.write_block(0x0100, {0x9D, 0x82, 0x9D});
  t.start_at(0x0100);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  EXPECT_EQ(t.command({bdc::kReadPc}).bytes, (std::vector<std::uint8_t>{0x01, 0x02}));

  t.command({bdc::kWriteControl, 0x00});
  t.start_at(0x0100);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.reset_source(), srs::kIlop);  // an illegal opcode without ENBDM
  EXPECT_EQ(t.mcu.state(), RunState::Running);
}

TEST(Bdc, BackgroundWakesAWaitingCpu) {
  Target t;
  t.write_block(0x0100, {0x8F});  // wait
  t.command({bdc::kWriteSp, 0x10, 0xAF});
  t.start_at(0x0100);
  t.mcu.run_for_ns(10'000);
  EXPECT_EQ(t.mcu.state(), RunState::Wait);
  EXPECT_NE(t.status() & bdc::kWs, 0);
  t.command({bdc::kBackground});
  EXPECT_EQ(t.mcu.state(), RunState::Background);
}

TEST(Bdc, MalformedCommandsAreRejected) {
  Target t;
  EXPECT_EQ(t.mcu.bdc_command({}).status, BdcStatus::Unknown);
  EXPECT_EQ(t.command({0x00}).status, BdcStatus::Unknown);
  EXPECT_EQ(t.command({bdc::kReadByte, 0x01}).status, BdcStatus::Unknown);
  EXPECT_EQ(t.command({bdc::kWriteA, 0x01, 0x02}).status, BdcStatus::Unknown);
  t.mcu.power_off();
  EXPECT_EQ(t.command({bdc::kReadStatus}).status, BdcStatus::NoPower);
}

TEST(Bdc, SyncPulseIs128CyclesOfTheBdcClock) {
  Target t;
  const std::uint64_t alternate = t.mcu.bdc_clock_hz();
  EXPECT_EQ(t.mcu.sync_pulse_ps(), (128'000'000'000'000 + alternate / 2) / alternate);
  t.command({bdc::kWriteControl, bdc::kEnbdm | bdc::kClksw});
  EXPECT_EQ(t.mcu.bdc_clock_hz(), t.mcu.bus_clock_hz());
}

}  // namespace
}  // namespace vx::sim::test

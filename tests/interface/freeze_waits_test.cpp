#include <gtest/gtest.h>

#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "interface/target_operations.h"
#include "tests/interface/target_bench.h"

namespace vx {
namespace {

using target_testing::Bytes;
using target_testing::Medium;
using target_testing::TargetBench;

// Starts a routine at 0x0100 that the test has placed there.
void start_routine(TargetBench& bench, const Bytes& routine) {
  for (std::size_t i = 0; i < routine.size(); ++i) bench.mcu.poke(static_cast<std::uint16_t>(0x0100 + i), routine[i]);
  mcu_registers().PC = 0x0100;
  mcu_registers().SP = 0x0FFF;
  PUT_PC();
  RESUME();
}

const Bytes endless_loop = {0x20, 0xFE};  // BRA *

TEST(FreezeWaits, ARunawayRoutineIsCancelledAfterSixtySeconds) {
  TargetBench bench(Medium::ftdi);
  start_routine(bench, endless_loop);
  const std::uint64_t start_ns = bench.clock().now_nanoseconds();
  WAIT_FOR_FREEZE_OR_KEY();
  const std::uint64_t waited_ns = bench.clock().now_nanoseconds() - start_ns;
  EXPECT_GE(waited_ns, 60'000'000'000u);
  EXPECT_LT(waited_ns, 60'100'000'000u);
  // As the Cancel button leaves it.
  EXPECT_TRUE(run_state().abort_flag);
  EXPECT_EQ(run_state().last_key, 27);
}

TEST(FreezeWaits, AnAbortEndsTheWaitAtOnce) {
  TargetBench bench(Medium::ftdi);
  start_routine(bench, endless_loop);
  run_state().abort_flag = true;
  bench.forget_sent();
  const std::size_t lines = status_output().lines.size();
  WAIT_FOR_FREEZE_OR_KEY();
  EXPECT_EQ(bench.sent().size(), 1u);
  EXPECT_EQ(status_output().lines.size(), lines);
}

TEST(FreezeWaits, AfterACancelTheDelayedWaitPollsHalfItsMillisecondsMore) {
  struct Case {
    std::int32_t milliseconds;
    std::size_t status_reads;
  };
  for (const Case& c : {Case{20, 1 + 10}, Case{21, 1 + 10}, Case{1, 1}, Case{-5, 1}}) {
    SCOPED_TRACE(c.milliseconds);
    TargetBench bench(Medium::ftdi);
    start_routine(bench, endless_loop);
    run_state().abort_flag = true;
    bench.forget_sent();
    WAIT_FOR_FREEZE_OR_KEY_DELAY(c.milliseconds);
    EXPECT_EQ(bench.sent({bdc::READ_STATUS}).size(), c.status_reads);
    ASSERT_FALSE(status_output().lines.empty());
    EXPECT_EQ(status_output().lines.back(), " Canceling ... ");
  }
}

TEST(FreezeWaits, TheExtraPollsStopWhenTheRoutineStops) {
  TargetBench bench(Medium::ftdi);
  // LDA #$20; loop: DBNZA loop; BGND - stops after a few microseconds of its own.
  start_routine(bench, {0xA6, 0x20, 0x4B, 0xFE, 0x82});
  run_state().abort_flag = true;
  bench.forget_sent();
  WAIT_FOR_FREEZE_OR_KEY_DELAY(1000);
  EXPECT_LT(bench.sent({bdc::READ_STATUS}).size(), 5u);
  EXPECT_EQ(bench.mcu.state(), sim::RunState::Background);
}

TEST(FreezeWaits, WithoutACancelNothingIsWritten) {
  TargetBench bench(Medium::ftdi);
  start_routine(bench, {0x82});
  const std::size_t lines = status_output().lines.size();
  WAIT_FOR_FREEZE_OR_KEY_DELAY(1000);
  EXPECT_EQ(status_output().lines.size(), lines);
  EXPECT_FALSE(run_state().abort_flag);
}

}  // namespace
}  // namespace vx

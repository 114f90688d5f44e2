#include "interface/clock_trim.h"

#include <gtest/gtest.h>

#include <cmath>

#include "foundation/run_state.h"
#include "foundation/status_output.h"
#include "interface/engine_settings.h"
#include "interface/interface_speed.h"
#include "interface/target_connection.h"
#include "tests/interface/protocol_test_support.h"
#include "tests/interface/target_bench.h"

namespace vx {
namespace {

using protocol_testing::expect_halt;
using target_testing::BenchOptions;
using target_testing::Bytes;
using target_testing::Medium;
using target_testing::TargetBench;

constexpr std::int32_t reference_hz = 8'000'000;
constexpr std::uint16_t trim_register = 0x004A, fine_register = 0x004B;
constexpr std::uint8_t fine_bit = 0x01;

// A part whose clock at its nominal trim runs `factor` times the reference.
BenchOptions part_running_at(double factor, std::string firmware = "4.10") {
  BenchOptions options;
  options.firmware = std::move(firmware);
  options.device.clock.nominal_bus_hz = static_cast<std::uint32_t>(std::lround(reference_hz * factor));
  return options;
}

// The clock as the host's sync reads it: the pulse of 128 cycles taken as 127.5.
double host_ratio(const sim::Hcs08& mcu) { return mcu.bus_clock_hz() * 127.5 / 128 / reference_hz; }

// The values written to the trim register before the first interface search.
std::vector<std::uint8_t> bracket_writes(const TargetBench& bench) {
  std::vector<std::uint8_t> values;
  for (const Bytes& command : bench.sent()) {
    if (command.size() > 1 && command[0] == 7 && command[1] == 25) break;
    if (command.size() == 4 && command[0] == 0xC0 && command[1] == 0 && command[2] == trim_register) {
      values.push_back(command[3]);
    }
  }
  return values;
}

struct TrimCase {
  Medium medium;
  double factor;
};

class ClockTrim : public testing::TestWithParam<TrimCase> {};

INSTANTIATE_TEST_SUITE_P(FastAndSlow, ClockTrim,
                         testing::Values(TrimCase{Medium::ftdi, 1.05}, TrimCase{Medium::ftdi, 0.95},
                                         TrimCase{Medium::windriver, 1.05}, TrimCase{Medium::windriver, 0.95},
                                         TrimCase{Medium::parallel, 1.05}, TrimCase{Medium::parallel, 0.95}),
                         [](const auto& param_info) {
                           return target_testing::medium_name(param_info.param.medium) +
                                  (param_info.param.factor > 1 ? "Fast" : "Slow");
                         });

TEST_P(ClockTrim, EightBitMeasureBringsTheClockWithinTwoPercent) {
  TargetBench bench(GetParam().medium, part_running_at(GetParam().factor));
  ASSERT_TRUE(FORCE_BACKGROUND_MODE());
  ASSERT_NE(sync_state().cable_timer_frequency, 0u);
  EXPECT_GT(std::abs(host_ratio(bench.mcu) - 1.0), 0.02) << "untrimmed";
  std::uint8_t trim = 0;
  EXPECT_TRUE(interface_trim_measure(trim_register, reference_hz, trim));
  EXPECT_EQ(bench.mcu.peek(trim_register), trim);
  EXPECT_NEAR(host_ratio(bench.mcu), 1.0, 0.02);
  // K and T as the host computes them: 127.5 / r x 2 x C / 9 and 127.5 / r x F.
  const std::vector<Bytes> searches = bench.sent({7, 23});
  ASSERT_EQ(searches.size(), 1u);
  const double c = GetParam().medium == Medium::windriver ? 30e6 : 25e6;
  EXPECT_EQ(searches[0][2] << 8 | searches[0][3], std::lround(127.5 / reference_hz * 2 * c / 9));
  const std::uint32_t t = searches[0][6] << 16 | searches[0][7] << 8 | searches[0][8];
  EXPECT_EQ(t, static_cast<std::uint32_t>(127.5 / reference_hz * sync_state().cable_timer_frequency));
  EXPECT_TRUE(bench.pod().violations().empty());
}

TEST_P(ClockTrim, NineBitSearchBracketsThenSearchesWithTheFineBitClearAndSet) {
  TargetBench bench(GetParam().medium, part_running_at(GetParam().factor));
  ASSERT_TRUE(FORCE_BACKGROUND_MODE());
  std::uint16_t result = 0;
  EXPECT_TRUE(measure_trim_9bit(trim_register, fine_register, fine_bit, reference_hz, result));
  EXPECT_EQ(bench.sent({7, 25}).size(), 2u);
  // The fine bit stays set and the trim register holds the second search's value.
  EXPECT_NE(bench.mcu.peek(fine_register) & fine_bit, 0);
  // The caller programs the result.
  WRITE_DATA_BYTE(trim_register, static_cast<std::uint8_t>(result >> 1));
  WRITE_DATA_BYTE(fine_register, static_cast<std::uint8_t>(result & 1));
  EXPECT_NEAR(host_ratio(bench.mcu), 1.0, 0.02);
  const std::vector<std::uint8_t> writes = bracket_writes(bench);
  ASSERT_GE(writes.size(), 2u);
  EXPECT_EQ(writes[0], 0x80);
  if (GetParam().factor > 1) {
    // Already 2 % fast at 0x80: the lower bound stays there and the upper one walks up.
    EXPECT_EQ(writes[1], 0x87);
  } else {
    // Slow at 0x80: the lower bound walks down by 8 while the clock stays slow.
    EXPECT_EQ(writes[1], 0x78);
    EXPECT_EQ(writes[2], 0x70);
  }
  EXPECT_TRUE(bench.pod().violations().empty());
}

TEST(ClockTrimRefusals, NothingIsMeasuredWithoutTheInterfacesTimerOrFirmware) {
  struct Case {
    const char* name;
    std::string firmware;
    bool clear_timer;
    bool measures;
  };
  const Case cases[] = {
      {"firmware 4.08", "4.08", false, true},
      {"firmware 4.07", "4.07", false, false},
      {"no timer frequency yet", "5.12", true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TargetBench bench(Medium::ftdi, part_running_at(1.05, c.firmware));
    ASSERT_TRUE(FORCE_BACKGROUND_MODE());
    if (c.clear_timer) sync_state().cable_timer_frequency = 0;
    bench.forget_sent();
    std::uint8_t trim = 0x11;
    std::uint16_t result = 0x1111;
    EXPECT_EQ(interface_trim_measure(trim_register, reference_hz, trim), c.measures);
    if (!c.measures) {
      EXPECT_FALSE(measure_trim_9bit(trim_register, fine_register, fine_bit, reference_hz, result));
      EXPECT_TRUE(bench.sent().empty());
      EXPECT_EQ(result, 0x1111);
    }
  }
}

TEST(ClockTrimRefusals, UnmeasurableSettingsAndConstantsAreRefusedBeforeAnythingIsSent) {
  struct Case {
    const char* name;
    long double scale;
    long double divisor;
    std::int32_t reference;
  };
  const Case cases[] = {
      {"reference 0", 1.0L, 1.0L, 0},
      {"negative reference", 1.0L, 1.0L, -5},
      {"trim scale 0", 0.0L, 1.0L, reference_hz},
      {"prescale divisor 0", 1.0L, 0.0L, reference_hz},
      {"K beyond 16 bits", 1.0L, 1.0L, 100},  // 127.5 / 100 x 2 x 25 MHz / 9 = 7,083,333
      {"T beyond 24 bits", 1.0L, 1.0L, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TargetBench bench(Medium::ftdi);
    ASSERT_TRUE(FORCE_BACKGROUND_MODE());
    engine_settings().trim.trim_scale = c.scale;
    engine_settings().trim.prescale_divisor = c.divisor;
    bench.forget_sent();
    std::uint8_t trim = 0;
    std::uint16_t result = 0;
    EXPECT_FALSE(interface_trim_measure(trim_register, c.reference, trim));
    EXPECT_FALSE(measure_trim_9bit(trim_register, fine_register, fine_bit, c.reference, result));
    EXPECT_TRUE(bench.sent().empty());
  }
}

TEST(ClockTrimRefusals, ALostLinkDuringASearchGivesZeroAndFalse) {
  TargetBench bench(Medium::ftdi, part_running_at(1.05));
  ASSERT_TRUE(FORCE_BACKGROUND_MODE());
  std::uint8_t trim = 0;
  bench.pod().inject(sim::PodFault::no_ack);
  EXPECT_FALSE(interface_trim_measure(trim_register, reference_hz, trim));
  restart_byte_protocol();
  // The 9-bit search: the first search command is lost.
  std::uint16_t result = 0x1234;
  bench.pod().set_link_lost(true);
  // Everything before the search fails the link too; the search then finds it failed.
  byte_protocol().halt_on_failure = false;
  EXPECT_FALSE(measure_trim_9bit(trim_register, fine_register, fine_bit, reference_hz, result));
  EXPECT_EQ(result, 0);
}

TEST(AdjustTrimReference, SettingsScaleTheReferenceAndTheCustomOneReplacesIt) {
  struct Case {
    const char* name;
    long double scale, divisor;
    bool prescaled, custom;
    long double custom_reference;
    std::int32_t reference;
    std::int32_t adjusted;
    long double stored_default;
  };
  const Case cases[] = {
      {"plain", 1.0L, 1.0L, false, false, 0, 31'250, 31'250, 31'250},
      {"scaled default", 256.0L, 1.0L, false, false, 0, 8'000'000, 8'000'000, 31'250},
      {"prescaled default", 2.0L, 4.0L, true, false, 0, 1000, 1000, 500},
      {"custom", 256.0L, 1.0L, false, true, 32'000, 8'000'000, 8'192'000, 31'250},
      {"custom prescaled", 2.0L, 4.0L, true, true, 32'000, 1000, 64'000, 500},
      {"ties go to even", 1.0L, 1.0L, false, true, 32'000.5L, 1, 32'000, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    reset_engine_settings();
    TrimSettings& trim = engine_settings().trim;
    trim.trim_scale = c.scale;
    trim.prescale_divisor = c.divisor;
    trim.range_prescaled = c.prescaled;
    trim.custom_override = c.custom;
    trim.custom_reference = c.custom_reference;
    trim.reference_max = 100'000;
    std::int32_t reference = c.reference;
    adjust_trim_reference(reference);
    EXPECT_EQ(reference, c.adjusted);
    EXPECT_EQ(engine_settings().trim.default_reference, c.stored_default);
  }
  reset_engine_settings();
}

TEST(AdjustTrimReference, ACustomReferenceOutsideItsLimitsEndsTheScriptWith43) {
  TargetBench bench(Medium::ftdi);
  TrimSettings& trim = engine_settings().trim;
  trim.custom_override = true;
  trim.custom_reference = 40'000;  // above 39,062.5
  std::uint8_t value = 0;
  expect_halt([&] { interface_trim_measure(trim_register, reference_hz, value); }, 43);
  EXPECT_EQ(status_output().lines.back(), "ERROR 43 during script!");
  EXPECT_NE(std::find(status_output().lines.begin(), status_output().lines.end(),
                      "Error - Invalid command line parameter for CUSTOMTRIMREF"),
            status_output().lines.end());
  EXPECT_TRUE(bench.sent().empty());
}

}  // namespace
}  // namespace vx

#include <gtest/gtest.h>

#include <cmath>

#include "sim/pod/pod.h"

namespace vx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::uint32_t reference_hz = 8'000'000;

// A part whose clock at its nominal trim runs `factor` times the reference, reset into background mode.
struct TrimTarget {
  explicit TrimTarget(double factor) : mcu(config(factor)) {
    mcu.poke(mcu.config().nvopt, 0xFE);
    mcu.power_on(true);
  }
  static DeviceConfig config(double factor) {
    DeviceConfig device = default_device();
    device.clock.nominal_bus_hz = static_cast<std::uint32_t>(std::lround(reference_hz * factor));
    return device;
  }
  Hcs08 mcu;
};

// The host's tick count: the sync pulse the reference would give, as 127.5 / r x F.
std::uint32_t wanted_ticks(const PodConfig& config) {
  return static_cast<std::uint32_t>(127.5 / reference_hz * config.timer_hz);
}

Bytes trim_command(std::uint8_t sub_command, std::uint32_t ticks, std::uint16_t trim_address) {
  Bytes command = {7,
                   sub_command,
                   0x00,
                   0x58,
                   static_cast<std::uint8_t>(trim_address >> 8),
                   static_cast<std::uint8_t>(trim_address),
                   static_cast<std::uint8_t>(ticks >> 16),
                   static_cast<std::uint8_t>(ticks >> 8),
                   static_cast<std::uint8_t>(ticks)};
  return command;
}

Bytes search_command(std::uint32_t ticks, std::uint16_t trim_address, std::uint16_t low, std::uint16_t high) {
  Bytes command = trim_command(25, ticks, trim_address);
  for (const std::uint16_t bound : {low, high}) {
    command.push_back(static_cast<std::uint8_t>(bound >> 8));
    command.push_back(static_cast<std::uint8_t>(bound));
  }
  return command;
}

// The host's reading of the pulse at the trim the interface chose.
double measured_ratio(const Hcs08& mcu, const PodConfig& config) {
  const double ticks = static_cast<double>(mcu.sync_pulse_ps()) * config.timer_hz / 1e12;
  return config.timer_hz / ticks * 127.5 / reference_hz;
}

TEST(PodTrim, EightBitMeasureFindsTheReferenceForFastAndSlowParts) {
  for (const double factor : {1.05, 0.95}) {
    SCOPED_TRACE(factor);
    TrimTarget target(factor);
    SimClock clock;
    const PodConfig config;
    Pod pod(config, &target.mcu, &clock);
    const std::uint16_t trim_address = target.mcu.config().clock.trim_register;
    const std::uint64_t before = clock.now_nanoseconds();
    const Bytes reply = pod.execute(trim_command(23, wanted_ticks(config), trim_address));
    ASSERT_EQ(reply.size(), 3u);
    EXPECT_EQ(reply[2], 0) << "status";
    EXPECT_EQ(target.mcu.peek(trim_address), reply[1]);
    // Within the timer's resolution: one tick of about 380.
    EXPECT_NEAR(measured_ratio(target.mcu, config), 1.0, 0.004);
    // A faster part needs a larger trim value to slow down.
    EXPECT_EQ(reply[1] > 0x8F, factor > 1.0);
    // 256 steps of settling and timing.
    EXPECT_GT(clock.now_nanoseconds() - before, 256 * 50'000u);
    EXPECT_TRUE(pod.violations().empty());
  }
}

TEST(PodTrim, SearchStaysBetweenItsBoundsAndReportsWhenTheBestIsOutOfTolerance) {
  struct Case {
    std::uint16_t low, high;
    std::uint8_t status;
  };
  const Case cases[] = {
      {0x90, 0xC0, 0},
      {0xC0, 0x90, 0},  // bounds in either order
      {0x00, 0x20, 1},  // far too fast everywhere
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.low << "-" << c.high);
    TrimTarget target(1.05);
    const PodConfig config;
    Pod pod(config, &target.mcu, nullptr);
    const std::uint16_t trim_address = target.mcu.config().clock.trim_register;
    const Bytes reply = pod.execute(search_command(wanted_ticks(config), trim_address, c.low, c.high));
    ASSERT_EQ(reply.size(), 3u);
    EXPECT_GE(reply[1], std::min(c.low, c.high));
    EXPECT_LE(reply[1], std::max(c.low, c.high));
    EXPECT_EQ(reply[2], c.status);
    // Too fast everywhere: the slowest values measure best (a tick covers two of them).
    if (c.status != 0) {
      EXPECT_GE(reply[1], 0x1F);
    }
  }
}

TEST(PodTrim, MalformedOrUnansweredMeasurements) {
  TrimTarget target(1.0);
  Pod pod(PodConfig{}, &target.mcu, nullptr);
  EXPECT_EQ(pod.execute(Bytes{7, 23, 0, 0, 0, 0x4A, 0, 0}), Bytes{Pod::ack});
  EXPECT_EQ(pod.execute(trim_command(23, 0, 0x4A)), Bytes{Pod::ack});
  EXPECT_EQ(pod.violations().size(), 2u);
  pod.set_target_dead(true);
  EXPECT_EQ(pod.execute(trim_command(23, 1000, 0x4A)).size(), 3u);
}

}  // namespace
}  // namespace vx::sim

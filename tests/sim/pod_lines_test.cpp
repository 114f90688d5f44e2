#include <gtest/gtest.h>

#include "hcs08_target.h"
#include "sim/pod/pod.h"
#include "sim/sim_clock.h"

namespace vx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

PodConfig firmware(const std::string& version) {
  PodConfig config;
  config.updated_firmware = version;
  return config;
}

std::vector<std::uint16_t> words(const Bytes& reply) {
  std::vector<std::uint16_t> result;
  for (std::size_t i = 1; i + 1 < reply.size(); i += 2) result.push_back(static_cast<std::uint16_t>(reply[i] << 8 | reply[i + 1]));
  return result;
}

TEST(PodLines, SyncAnswersInTheFormOfTheRunningFirmware) {
  SimClock clock;
  test::Target target;
  const std::uint64_t pulse_ps = target.mcu.sync_pulse_ps();
  {
    Pod pod(firmware("3.25"), &target.mcu, &clock);
    const std::vector<std::uint16_t> reply = words(pod.execute(Bytes{7, 1, 0x68, 0x2A}));
    ASSERT_EQ(reply.size(), 1u);
    EXPECT_EQ(reply[0], (pulse_ps + 312'500) / 625'000) << "5/8 us units";
  }
  {
    Pod pod(firmware("3.30"), &target.mcu, &clock);
    clock.advance_nanoseconds(2'730'000);  // the free-running count is somewhere in its range
    const std::vector<std::uint16_t> reply = words(pod.execute(Bytes{7, 1, 0x68, 0x2A}));
    ASSERT_EQ(reply.size(), 5u);
    EXPECT_EQ(std::uint32_t{reply[0]} << 16 | reply[1], 24'000'000u);
    std::uint64_t end = reply[3];
    if ((reply[4] & 0x8000) != 0) end += 0x10000 * (1 + ((reply[4] >> 8) & 0x7F));
    EXPECT_EQ(end - reply[2], pulse_ps * 24 / 1'000'000);
  }
}

TEST(PodLines, ADeadTargetGivesTheErrorWordOrNoCount) {
  test::Target target;
  for (const char* version : {"3.25", "5.12"}) {
    Pod pod(firmware(version), &target.mcu, nullptr);
    pod.set_target_dead(true);
    const std::vector<std::uint16_t> reply = words(pod.execute(Bytes{7, 1, 0x68, 0x2A}));
    EXPECT_EQ(reply.back(), version[0] == '3' ? 0 : 0xFFFF);
  }
}

TEST(PodLines, PinsPowerAndTheResetLatch) {
  test::Target target;
  Pod pod(firmware("5.12"), &target.mcu, nullptr);
  EXPECT_EQ(words(pod.execute(Bytes{7, 2})), std::vector<std::uint16_t>{84 << 8}) << "half of 3.3 V's code";
  EXPECT_EQ(words(pod.execute(Bytes{7, 6})), std::vector<std::uint16_t>{0x80});

  pod.execute(Bytes{7, 7, 0});
  EXPECT_TRUE(pod.bkgd_low());
  pod.execute(Bytes{7, 34});
  EXPECT_FALSE(target.mcu.powered());
  EXPECT_EQ(words(pod.execute(Bytes{7, 2})), std::vector<std::uint16_t>{0});
  EXPECT_EQ(words(pod.execute(Bytes{7, 6})), std::vector<std::uint16_t>{0});
  pod.execute(Bytes{7, 35, 0x02});
  EXPECT_TRUE(target.mcu.powered());
  EXPECT_EQ(target.mcu.state(), RunState::Background) << "powered up with BKGD held low";
  EXPECT_EQ(pod.supply_selection(), 0x02);
  EXPECT_EQ(words(pod.execute(Bytes{7, 6})), std::vector<std::uint16_t>{0xC0});
  pod.execute(Bytes{7, 9});
  EXPECT_FALSE(pod.reset_latch());
  pod.execute(Bytes{7, 7, 255});
  EXPECT_FALSE(pod.bkgd_low());

  pod.execute(Bytes{7, 32});
  EXPECT_FALSE(pod.board_supply_on());
  pod.execute(Bytes{7, 33});
  EXPECT_TRUE(pod.board_supply_on());
  EXPECT_TRUE(pod.violations().empty());
}

TEST(PodLines, OlderFirmwareUsesInterfaceMemoryForThePins) {
  test::Target target;
  Pod pod(firmware("3.25"), &target.mcu, nullptr);
  EXPECT_EQ(words(pod.execute(Bytes{7, 2})), std::vector<std::uint16_t>{168 << 8});
  pod.execute(Bytes{2, 0, 0xFE, 0xEF, 0xFF});
  EXPECT_TRUE(pod.bkgd_low());
  pod.execute(Bytes{1, 0, 4});  // a background reset sets the latch
  EXPECT_EQ(words(pod.execute(Bytes{4, 0, 111, 2})), std::vector<std::uint16_t>{0xA000});
  pod.execute(Bytes{2, 0, 0xFE, 0xCF, 0xFF});
  EXPECT_EQ(words(pod.execute(Bytes{4, 0, 111, 2})), std::vector<std::uint16_t>{0x8000});
  pod.execute(Bytes{2, 0, 0xFE, 0xFF, 0xFF});
  EXPECT_FALSE(pod.bkgd_low());
}

TEST(PodLines, ResetsAndSpeed) {
  SimClock clock;
  test::Target target;
  Pod pod(firmware("5.12"), &target.mcu, &clock);
  EXPECT_EQ(words(pod.execute(Bytes{7, 0, 0x01, 0x02})), std::vector<std::uint16_t>{0x0102});
  EXPECT_EQ(pod.speed_divider(), 0x0102);

  pod.execute(Bytes{0x08});  // GO
  ASSERT_EQ(target.mcu.state(), RunState::Running);
  EXPECT_EQ(words(pod.execute(Bytes{1, 0, 12})), std::vector<std::uint16_t>{12});
  EXPECT_EQ(target.mcu.state(), RunState::Background);
  EXPECT_EQ(pod.speed_divider(), 12);

  const std::uint64_t before = clock.now_nanoseconds();
  EXPECT_EQ(pod.execute(Bytes{7, 19, 0, 50}), Bytes{Pod::ack});
  EXPECT_EQ(target.mcu.state(), RunState::Running) << "BKGD released: the part runs";
  EXPECT_GE(clock.now_nanoseconds() - before, 50'000'000u) << "the reset delay";
  EXPECT_EQ(words(pod.execute(Bytes{7, 24, 0, 14})), std::vector<std::uint16_t>{14});
  EXPECT_EQ(target.mcu.state(), RunState::Background);
  EXPECT_EQ(pod.target_resets(), 1u);
  EXPECT_EQ(pod.background_resets(), 2u);
  EXPECT_TRUE(pod.violations().empty());
}

TEST(PodLines, RebootCommandsOfTheUpdateEngine) {
  Pod pod(firmware("5.12"), nullptr, nullptr);
  EXPECT_EQ(words(pod.execute(Bytes{7, 14})), (std::vector<std::uint16_t>{('5' << 8) | '.', ('1' << 8) | '2'}));
  EXPECT_EQ(words(pod.execute(Bytes{7, 10, 0, 0, 2, 0x0F, 0xBF, 0xFE, 0, 0})), std::vector<std::uint16_t>{0});
  EXPECT_TRUE(pod.execute(Bytes{3, 0x1B, 0x30}).empty()) << "the interface restarts without answering";
  EXPECT_EQ(pod.running_version(), (FirmwareVersion{5, 2}));
  EXPECT_TRUE(pod.violations().empty());
}

}  // namespace
}  // namespace vx::sim

#include "sim/pod/pod.h"

#include <gtest/gtest.h>

#include "hcs08_target.h"

namespace vx::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;

PodConfig firmware(const std::string& version) {
  PodConfig config;
  config.updated_firmware = version;
  return config;
}

TEST(PodMemory, VersionTextsAndChecksumWordsAtTheirAddresses) {
  struct Case {
    std::string updated;
    bool checksum;
    std::uint16_t version_word;  // at 0x4058
    bool checksum_present;
  };
  const Case cases[] = {
      {"5.12", true, ('5' << 8) | '.', true},
      {"3.30", false, ('3' << 8) | '.', false},
      {"", true, 0xFFFF, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.updated);
    PodConfig config = firmware(c.updated);
    config.updated_checksum = c.checksum;
    Pod pod(config, nullptr, nullptr);
    const Bytes reply = pod.execute(Bytes{4, 0x40, 0x58, 4});
    ASSERT_EQ(reply.size(), 5u);
    EXPECT_EQ(reply[0], Pod::ack);
    EXPECT_EQ(reply[1] << 8 | reply[2], c.version_word);
    const Bytes key = pod.execute(Bytes{4, 0x7F, 0xFE, 2});
    EXPECT_EQ(key[1] == PodMemory::key_byte, c.checksum_present);
    if (c.checksum_present) {
      // The stored checksum is what the upgrade-checksum command computes.
      EXPECT_EQ(pod.execute(Bytes{7, 21}), (Bytes{Pod::ack, 0, key[2]}));
    }
    EXPECT_EQ(pod.execute(Bytes{4, 0xC0, 0x58, 4}), (Bytes{Pod::ack, '5', '.', '0', '2'}));
    EXPECT_TRUE(pod.violations().empty());
  }
}

TEST(PodMemory, ChecksumIsTheCrc8OfTheBlockFromTheTop) {
  EXPECT_EQ(crc8_update(0, 0x01), 0x07);
  EXPECT_EQ(crc8_update(0, 0x80), 0x89);
  PodMemory memory;
  memory.install_firmware(memory.update_block(), "5.12", true);
  std::uint8_t crc = 0;
  for (std::uint32_t address = 0x7FFE; address >= 0x4000; --address) {
    crc = crc8_update(crc, memory.byte(static_cast<std::uint16_t>(address)));
  }
  EXPECT_EQ(memory.byte(0x7FFF), crc);
  EXPECT_TRUE(memory.key_and_checksum_hold(memory.update_block()));
  memory.program(0x4058, 0x00);
  EXPECT_FALSE(memory.key_and_checksum_hold(memory.update_block()));
}

TEST(Pod, InterfaceMemoryWordsCanBeWrittenAndReadBack) {
  Pod pod(PodConfig{}, nullptr, nullptr);
  EXPECT_EQ(pod.execute(Bytes{2, 0x00, 0xFE, 0x12, 0x34}), Bytes{Pod::ack});
  EXPECT_EQ(pod.execute(Bytes{4, 0x00, 0xFE, 2}), (Bytes{Pod::ack, 0x12, 0x34}));
  // An odd count is rounded up to whole words.
  EXPECT_EQ(pod.execute(Bytes{4, 0x00, 0xFE, 1}).size(), 3u);
}

TEST(Pod, FirmwareAboveFiveTakesItsSubCommandsWithTheOffset) {
  struct Case {
    std::string version;
    std::uint8_t sub_command;
    std::size_t reply_size;
    bool violation;
  };
  const Case cases[] = {
      {"5.12", 21, 3, false},  {"5.12", 149, 1, true}, {"6.01", 149, 3, false},
      {"6.01", 21, 1, true},   {"3.30", 21, 3, false}, {"6.01", 255, 1, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.version << " 7," << int{c.sub_command});
    Pod pod(firmware(c.version), nullptr, nullptr);
    EXPECT_EQ(pod.execute(Bytes{7, c.sub_command}).size(), c.reply_size);
    EXPECT_EQ(pod.violations().size(), c.violation ? 1u : 0u);
  }
}

TEST(Pod, CommandsBeyondTheRunningFirmwareAreLoggedAsViolations) {
  struct Case {
    std::string version;
    Bytes command;
    const char* violation;  // "" for none
  };
  const Case cases[] = {
      {"3.30", {7, 9}, "[7,9] needs firmware 3.31, running 3.30"},
      {"3.31", {7, 9}, ""},
      {"5.12", {7, 60}, "[7,60] unknown interface command"},
      {"3.20", {7, 7, 0}, "[7,7] needs firmware 3.30, running 3.20"},
      {"3.10", {7, 5, 0, 0, 0, 2}, "[7,5] needs firmware 3.20, running 3.10"},
      {"4.07", {7, 23, 0, 0, 0, 0, 0, 0, 0}, "[7,23] needs firmware 4.08, running 4.07"},
      {"2.50", {7, 0, 0, 10}, "[7,0] needs firmware 3.00, running 2.50"},
      {"5.12", {7, 3, 8}, ""},
      {"5.12", {7, 3}, "[7,3] wrong length for sub-command 3"},
      {"5.12", {0x55}, "[85] unknown command"},
      {"5.12", {4, 0x40}, "[4,64] memory read is 4 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.violation);
    Pod pod(firmware(c.version), nullptr, nullptr);
    // Acknowledged either way, without data.
    EXPECT_EQ(pod.execute(c.command), Bytes{Pod::ack});
    if (std::string(c.violation).empty()) {
      EXPECT_TRUE(pod.violations().empty());
    } else {
      EXPECT_EQ(pod.violations(), std::vector<std::string>{c.violation});
    }
  }
}

TEST(Pod, SwitchingFirmwareChangesTheRunningVersion) {
  PodConfig config = firmware("5.12");
  config.run_updated = false;
  Pod pod(config, nullptr, nullptr);
  EXPECT_EQ(pod.running_version(), (FirmwareVersion{5, 2}));
  pod.execute(Bytes{7, 16});
  EXPECT_EQ(pod.running_version(), (FirmwareVersion{5, 12}));
  pod.execute(Bytes{7, 15});
  EXPECT_EQ(pod.running_version(), (FirmwareVersion{5, 2}));
  // Nothing to switch to in an erased block.
  Pod erased(firmware(""), nullptr, nullptr);
  erased.execute(Bytes{7, 16});
  EXPECT_EQ(erased.running_version(), (FirmwareVersion{5, 2}));
  EXPECT_EQ(erased.execute(Bytes{7, 3, 8}), Bytes{Pod::ack});
  EXPECT_EQ(erased.target_type(), 8);
}

TEST(Pod, TargetCommandsReachTheTargetAndAnswerInWords) {
  test::Target target;
  SimClock clock;
  Pod pod(PodConfig{}, &target.mcu, &clock);
  pod.keep_wire_log(true);
  EXPECT_EQ(pod.execute(Bytes{0xC0, 0x00, 0x80, 0x5A}), Bytes{Pod::ack});
  EXPECT_EQ(pod.execute(Bytes{0xE0, 0x00, 0x80}), (Bytes{Pod::ack, 0x5A, 0x00}));
  EXPECT_EQ(pod.execute(Bytes{0x4C, 0x12, 0x34}), Bytes{Pod::ack});
  EXPECT_EQ(pod.execute(Bytes{0x6C}), (Bytes{Pod::ack, 0x12, 0x34}));
  const Bytes status = pod.execute(Bytes{0xE4});
  ASSERT_EQ(status.size(), 3u);
  EXPECT_NE(status[1] & bdc::kBdmact, 0);
  EXPECT_EQ(pod.execute(Bytes{0xE0, 0x00}), Bytes{Pod::ack});
  EXPECT_EQ(pod.violations(), std::vector<std::string>{"[224,0] wrong length for a target command"});
  EXPECT_EQ(pod.wire_log().size(), 6u);
  EXPECT_EQ(pod.wire_log()[1].reply, (Bytes{Pod::ack, 0x5A, 0x00}));
}

TEST(Pod, TheWireLogIsKeptOnlyWhileSwitchedOn) {
  Pod pod(PodConfig{}, nullptr, nullptr);
  const Bytes read = {4, 0x40, 0x58, 4};
  pod.execute(read);
  EXPECT_TRUE(pod.wire_log().empty());
  pod.keep_wire_log(true);
  pod.execute(read);
  ASSERT_EQ(pod.wire_log().size(), 1u);
  EXPECT_EQ(pod.wire_log()[0].command, read);
  EXPECT_EQ(pod.wire_log()[0].reply, (Bytes{Pod::ack, '5', '.', '1', '2'}));
  pod.keep_wire_log(false);
  EXPECT_TRUE(pod.wire_log().empty());
  pod.execute(read);
  EXPECT_TRUE(pod.wire_log().empty());
}

TEST(Pod, BackgroundBitsTakeSixteenBdcCyclesEach) {
  test::Target target;
  SimClock clock;
  Pod pod(PodConfig{}, &target.mcu, &clock);
  const std::uint64_t bdc_hz = target.mcu.bdc_clock_hz();
  const std::uint64_t before = clock.now_nanoseconds();
  pod.execute(Bytes{0xE0, 0x00, 0x80});  // 4 bytes on the line, then the memory access
  EXPECT_EQ(clock.now_nanoseconds() - before, (32 * 16 + 16) * 1'000'000'000ull / bdc_hz);
  // The target kept pace with the clock.
  const std::uint64_t target_before = target.mcu.elapsed_ns();
  clock.advance_nanoseconds(1'000'000);
  pod.execute(Bytes{0xE4});
  EXPECT_GE(target.mcu.elapsed_ns() - target_before, 1'000'000u);
}

TEST(Pod, ADeadTargetIsStillAcknowledgedWithJunkData) {
  for (const bool connected : {true, false}) {
    SCOPED_TRACE(connected);
    test::Target target;
    Pod pod(PodConfig{}, connected ? &target.mcu : nullptr, nullptr);
    pod.set_target_dead(true);
    const Bytes first = pod.execute(Bytes{0xE0, 0x00, 0x80});
    const Bytes second = pod.execute(Bytes{0xE0, 0x00, 0x80});
    ASSERT_EQ(first.size(), 3u);
    EXPECT_EQ(first[0], Pod::ack);
    EXPECT_NE(first, second);
    EXPECT_EQ(pod.execute(Bytes{0xC0, 0x00, 0x80, 1}), Bytes{Pod::ack});
    EXPECT_TRUE(pod.violations().empty());
  }
  // An unpowered target does not answer either.
  test::Target target;
  target.mcu.power_off();
  Pod pod(PodConfig{}, &target.mcu, nullptr);
  EXPECT_EQ(pod.execute(Bytes{0xE4}).size(), 3u);
}

TEST(Pod, InjectedFaultsHitTheCommandTheyWereArmedFor) {
  struct Case {
    PodFault fault;
    Bytes reply;
  };
  const Case cases[] = {
      {PodFault::no_ack, {}},
      {PodFault::wrong_ack, {0x5A, '5', '.', '1', '2'}},
      {PodFault::short_reply, {Pod::ack, '5', '.', '1'}},
  };
  const Bytes read_version = {4, 0x40, 0x58, 4};
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.fault));
    Pod pod(PodConfig{}, nullptr, nullptr);
    pod.inject(c.fault, 1);
    EXPECT_EQ(pod.execute(read_version).size(), 5u);
    EXPECT_EQ(pod.execute(read_version), c.reply);
    EXPECT_EQ(pod.execute(read_version).size(), 5u);
  }
}

TEST(Pod, TargetResetAndLostLink) {
  test::Target target;
  Pod pod(PodConfig{}, &target.mcu, nullptr);
  pod.keep_wire_log(true);
  pod.inject(PodFault::target_reset);
  const Bytes status = pod.execute(Bytes{0xE4});
  // A normal reset leaves background mode and locks the debugger out.
  EXPECT_EQ(status[1] & bdc::kBdmact, 0);
  EXPECT_EQ(target.mcu.state(), RunState::Running);
  pod.set_link_lost(true);
  EXPECT_TRUE(pod.execute(Bytes{0xE4}).empty());
  pod.set_link_lost(false);
  EXPECT_EQ(pod.execute(Bytes{0xE4}).size(), 3u);
  EXPECT_EQ(pod.wire_log().size(), 3u);
  EXPECT_TRUE(pod.wire_log()[1].reply.empty());
}

}  // namespace
}  // namespace vx::sim

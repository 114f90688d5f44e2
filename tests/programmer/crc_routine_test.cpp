#include "programmer/crc_routine.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "foundation/status_output.h"
#include "interface/target_connection.h"
#include "programmer/crc_check_value.h"
#include "tests/interface/target_bench.h"

namespace vx::programmer {
namespace {

using target_testing::Bytes;
using target_testing::Medium;
using target_testing::TargetBench;

constexpr std::uint16_t routine_ram = 0x0100;

std::uint32_t host_value(const Bytes& bytes, std::uint32_t value = 0) {
  for (const std::uint8_t byte : bytes) value = update_check_value(value, byte);
  return value;
}

// A device in background mode over the WinDriver interface, with flash contents to check.
class CrcRoutineTest : public testing::Test {
 protected:
  CrcRoutineTest() : bench(Medium::windriver) {
    reset_crc_routine_state();
    EXPECT_TRUE(FORCE_BACKGROUND_MODE());
  }
  ~CrcRoutineTest() override { reset_crc_routine_state(); }

  void put_flash(std::uint16_t address, const Bytes& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) bench.mcu.poke(static_cast<std::uint16_t>(address + i), bytes[i]);
  }

  TargetBench bench;
};

TEST(CrcCheckValue, OneTwoThreeGiveSumSixAndCrc48) {
  EXPECT_EQ(host_value({0x01, 0x02, 0x03}), 0x000648u);
  EXPECT_EQ(check_value_hex(0x000648), "000648");
}

TEST(CrcCheckValue, TheSumWrapsAt16BitsAndTheCrcStartsFromTheValueCarriedIn) {
  EXPECT_EQ(update_check_value(0xFFFF00, 0x01) >> 8, 0x0000u);
  EXPECT_EQ(update_check_value(0x000000, 0x01) & 0xFF, 0x07u);
  EXPECT_EQ(update_check_value(0x000007, 0x00) & 0xFF, 0x15u);
  EXPECT_EQ(check_value_hex(0xABCDEF), "ABCDEF");
}

TEST(CrcRoutineImage, PointsItsSumPointerAtItsOwnLastBytes) {
  const auto image = crc_routine_image(0x0F20);
  EXPECT_EQ(image[5], 0x0F);
  EXPECT_EQ(image[6], 0x4D);
  EXPECT_EQ(image[0], 0x87);
  EXPECT_EQ(image[34], 0x65);
  EXPECT_EQ(image[43], 0x9D);
  EXPECT_EQ(image[47], 0x00);
}

TEST_F(CrcRoutineTest, LoadedRoutineReadsBackAndSitsInRam) {
  ASSERT_TRUE(Load_crc_algorithm(CrcRoutineMode::load, routine_ram));
  const auto image = crc_routine_image(routine_ram);
  EXPECT_EQ(bench.ram(routine_ram, crc_routine_size), Bytes(image.begin(), image.end()));
}

TEST_F(CrcRoutineTest, TheDeviceValueOfABlockEqualsTheHostValue) {
  const Bytes bytes = target_testing::counting(0x300, 0x11);
  put_flash(0xE000, bytes);
  ASSERT_TRUE(Load_crc_algorithm(CrcRoutineMode::load, routine_ram));
  EXPECT_EQ(run_crc_routine(routine_ram, 0xE000, 0xE2FF, 0), host_value(bytes));
  put_flash(0x2000, {0x01, 0x02, 0x03});
  EXPECT_EQ(run_crc_routine(routine_ram, 0x2000, 0x2002, 0), 0x000648u);
}

TEST_F(CrcRoutineTest, AValueCarriedIntoTheNextBlockContinuesTheWholeValue) {
  const Bytes bytes = target_testing::counting(0x200, 0x80);
  put_flash(0xC000, bytes);
  ASSERT_TRUE(Load_crc_algorithm(CrcRoutineMode::load, routine_ram));
  const std::uint32_t first = run_crc_routine(routine_ram, 0xC000, 0xC0FF, 0);
  EXPECT_EQ(first, host_value(Bytes(bytes.begin(), bytes.begin() + 0x100)));
  EXPECT_EQ(run_crc_routine(routine_ram, 0xC100, 0xC1FF, first), host_value(bytes));
}

TEST_F(CrcRoutineTest, OneByteBlockEndingAtTheTopOfMemory) {
  put_flash(0xFFFF, {0xA5});
  ASSERT_TRUE(Load_crc_algorithm(CrcRoutineMode::load, routine_ram));
  EXPECT_EQ(run_crc_routine(routine_ram, 0xFFFF, 0xFFFF, 0x123400), host_value({0xA5}, 0x123400));
}

TEST_F(CrcRoutineTest, SavedMemoryComesBackOnceAfterTheRoutine) {
  const Bytes algorithm = target_testing::counting(crc_routine_size, 3);
  for (std::size_t i = 0; i < algorithm.size(); ++i) bench.mcu.poke(static_cast<std::uint16_t>(routine_ram + i), algorithm[i]);
  ASSERT_TRUE(Load_crc_algorithm(CrcRoutineMode::save_memory, routine_ram));
  EXPECT_TRUE(crc_routine_state().saved);
  ASSERT_TRUE(Load_crc_algorithm(CrcRoutineMode::load, routine_ram));
  EXPECT_NE(bench.ram(routine_ram, crc_routine_size), algorithm);
  EXPECT_TRUE(Load_crc_algorithm(CrcRoutineMode::restore_memory, routine_ram));
  EXPECT_EQ(bench.ram(routine_ram, crc_routine_size), algorithm);
  EXPECT_FALSE(crc_routine_state().saved);
  bench.mcu.poke(routine_ram, 0x42);
  bench.forget_sent();
  EXPECT_TRUE(Load_crc_algorithm(CrcRoutineMode::restore_memory, routine_ram));
  EXPECT_TRUE(bench.sent().empty());
  EXPECT_EQ(bench.mcu.peek(routine_ram), 0x42);
}

TEST_F(CrcRoutineTest, ARoutineThatDoesNotReadBackIsReportedOnce) {
  // Flash ignores background writes, so nothing reads back as written.
  EXPECT_FALSE(Load_crc_algorithm(CrcRoutineMode::load, 0xE000));
  const std::vector<std::string> lines(status_output().lines.begin(), status_output().lines.end());
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Error loading Checksum16+CRC8 algorithm."), 1);
}

}  // namespace
}  // namespace vx::programmer

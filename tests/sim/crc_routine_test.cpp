#include <gtest/gtest.h>

#include <vector>

#include "hcs08_target.h"

namespace vx::sim::test {
namespace {

// The programmer's target-resident checksum routine: a 16-bit sum at R+45 and a CRC-8
// (polynomial 0x07) in A over H:X up to the end address patched at R+35, then BGND.
const std::vector<std::uint8_t> kRoutine = {
    0x87, 0x8B, 0x89, 0xF6, 0x45, 0x80, 0x2D, 0x87, 0xEB, 0x01, 0xE7, 0x01, 0x4F, 0xF9, 0xF7, 0x86,
    0xAE, 0x08, 0x9E, 0xE8, 0x03, 0x48, 0x24, 0x02, 0xA8, 0x07, 0x5A, 0x26, 0xF8, 0x9E, 0xE7, 0x03,
    0x88, 0x8A, 0x65, 0xFF, 0xFF, 0xAF, 0x01, 0x26, 0xD8, 0x86, 0x82, 0x9D, 0x9D, 0x00, 0x00, 0x00,
};

struct CrcRun {
  std::uint32_t value;
  std::uint64_t cycles;
};

CrcRun run_routine(Target& t, std::uint16_t r, std::uint16_t first, std::uint16_t last, std::uint32_t value_in) {
  std::vector<std::uint8_t> routine = kRoutine;
  routine[5] = Target::hi(r + 45);
  routine[6] = Target::lo(r + 45);
  routine[35] = Target::hi(last);
  routine[36] = Target::lo(last);
  routine[45] = static_cast<std::uint8_t>(value_in >> 16);
  routine[46] = static_cast<std::uint8_t>(value_in >> 8);
  t.write_block(r, routine);
  t.command({bdc::kWriteA, static_cast<std::uint8_t>(value_in)});
  t.command({bdc::kWriteHx, Target::hi(first), Target::lo(first)});
  const std::uint64_t start = t.mcu.cycles();
  t.start_at(r);
  t.mcu.run_for_ns(2'000'000);
  EXPECT_EQ(t.mcu.state(), RunState::Background);
  const std::uint8_t crc = t.command({bdc::kReadA}).bytes.at(0);
  const std::uint32_t sum = (t.read(static_cast<std::uint16_t>(r + 45)) << 8) | t.read(static_cast<std::uint16_t>(r + 46));
  return {(sum << 8) | crc, t.mcu.cycles() - start};
}

TEST(CrcRoutine, SumAndCrcOfOneTwoThreeGiveTheHostValue) {
  Target t;
  t.write_block(0x0400, {0x01, 0x02, 0x03});
  const CrcRun run = run_routine(t, 0x0100, 0x0400, 0x0402, 0);
  EXPECT_EQ(run.value, 0x000648u);
  EXPECT_EQ(t.command({bdc::kReadPc}).bytes, (std::vector<std::uint8_t>{0x01, 0x2B}));  // after BGND
}

TEST(CrcRoutine, RunsOverFlashAndCarriesAValueIntoTheNextBlock) {
  Target t;
  for (std::uint16_t a = 0xE000; a < 0xE100; ++a) t.mcu.poke(a, static_cast<std::uint8_t>(a * 7));
  // The host's running value: sum in bits 8-23, CRC-8 in bits 0-7.
  std::uint32_t expected = 0;
  for (std::uint16_t a = 0xE000; a < 0xE100; ++a) {
    const auto b = static_cast<std::uint8_t>(a * 7);
    std::uint8_t crc = static_cast<std::uint8_t>(b ^ expected);
    for (int i = 0; i < 8; ++i) crc = static_cast<std::uint8_t>((crc & 0x80) ? (crc << 1) ^ 0x07 : crc << 1);
    expected = (((expected & 0xFFFF00) + b * 256u) & 0xFFFF00) | crc;
  }
  const CrcRun first = run_routine(t, 0x0100, 0xE000, 0xE07F, 0);
  const CrcRun second = run_routine(t, 0x0100, 0xE080, 0xE0FF, first.value);
  EXPECT_EQ(second.value, expected);
}

}  // namespace
}  // namespace vx::sim::test

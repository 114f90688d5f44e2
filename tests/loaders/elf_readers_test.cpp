#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "loaders/elf_module.h"
#include "loaders/elf_readers.h"

namespace vx::loaders {
namespace {

class ElfReaders : public ::testing::Test {
 protected:
  void SetUp() override { reset_elf_module(); }
  void TearDown() override { reset_elf_module(); }
};

struct LebCase {
  std::vector<std::uint8_t> bytes;
  std::uint32_t unsigned_value;
  std::int32_t signed_value;
  std::uint32_t length;
};

TEST_F(ElfReaders, LebNumbersTakeLowGroupFirstAndKeep32Bits) {
  const std::vector<LebCase> cases{
      {{0x00}, 0, 0, 1},
      {{0x02}, 2, 2, 1},
      {{0x7F}, 127, -1, 1},
      {{0x80, 0x01}, 128, 128, 2},
      {{0x80, 0x7F}, 0x3F80, -128, 2},
      {{0xE5, 0x8E, 0x26}, 624485, 624485, 3},
      {{0xC0, 0xBB, 0x78}, 0x1E1DC0, -123456, 3},
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, 0xFFFFFFFF, -1, 5},
      {{0x80, 0x80, 0x80, 0x80, 0x78}, 0x80000000, INT32_MIN, 5},
      // Groups past bit 31 are dropped, their bytes consumed.
      {{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01}, 0xFFFFFFFF, -1, 7},
      {{0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x80, 0x7F}, 1, 1, 10},
      // The end of the file ends a number.
      {{0x81, 0x81}, 0x81, 0x81, 2},
  };
  for (const LebCase& c : cases) {
    set_elf_file_bytes(c.bytes);
    std::uint32_t length = 0;
    EXPECT_EQ(elf_read_uleb128_len(length), c.unsigned_value);
    EXPECT_EQ(length, c.length);
    elf_seek(0);
    EXPECT_EQ(elf_read_sleb128_len(length), c.signed_value);
    EXPECT_EQ(length, c.length);
    elf_seek(0);
    EXPECT_EQ(elf_read_uleb128(), c.unsigned_value);
    EXPECT_EQ(elf_file().position(), c.length);
    elf_seek(0);
    EXPECT_EQ(elf_read_sleb128(), c.signed_value);
  }
}

TEST_F(ElfReaders, NumbersFollowOneAnother) {
  set_elf_file_bytes({0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xE5, 0x8E, 0x26, 0x7F, 0x42});
  EXPECT_EQ(elf_read_u32(), 0x12345678u);
  EXPECT_EQ(elf_read_u16(), 0x9ABC);
  EXPECT_EQ(elf_read_uleb128(), 624485u);
  EXPECT_EQ(elf_read_sleb128(), -1);
  EXPECT_EQ(elf_read_u8(), 0x42);
  EXPECT_FALSE(elf_file().overrun());
  EXPECT_EQ(elf_read_u8(), 0);
  EXPECT_TRUE(elf_file().overrun());
}

TEST_F(ElfReaders, ReadsPastTheEndGiveZeroAndAnEmptyNumber) {
  set_elf_file_bytes({0x01, 0x02});
  elf_seek(5);
  EXPECT_EQ(elf_file().position(), 2u);
  std::uint32_t length = 9;
  EXPECT_EQ(elf_read_uleb128_len(length), 0u);
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(elf_read_u32(), 0u);
  EXPECT_TRUE(elf_file().overrun());
}

TEST_F(ElfReaders, SwapsReverseTheBytes) {
  std::uint32_t word = 0x11223344;
  elf_swap32(word);
  EXPECT_EQ(word, 0x44332211u);
  std::uint16_t half = 0xA1B2;
  elf_swap16(half);
  EXPECT_EQ(half, 0xB2A1);
}

std::array<std::byte, 4> key_of(std::uint32_t number) {
  std::array<std::byte, 4> key{};
  std::memcpy(key.data(), &number, key.size());
  return key;
}

TEST_F(ElfReaders, KeyRoutinesCompareAndHashTheNumber) {
  EXPECT_EQ(elf_key_compare(key_of(77), key_of(77)), 0);
  EXPECT_EQ(elf_key_compare(key_of(77), key_of(78)), 1);
  EXPECT_EQ(elf_key_hash(key_of(1005), 1001), 4);
  EXPECT_EQ(elf_key_hash(key_of(0xFFFFFFFF), 1000), static_cast<std::int32_t>(0xFFFFFFFFu % 1000));
  elf_key_dispose(new std::uint32_t(5));
}

}  // namespace
}  // namespace vx::loaders

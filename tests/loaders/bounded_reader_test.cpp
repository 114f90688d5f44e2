#include "loaders/bounded_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace vx::loaders {
namespace {

TEST(BoundedReader, ReadsBothByteOrders) {
  const std::vector<std::uint8_t> bytes{0x12, 0x34, 0x56, 0x78, 0x12, 0x34, 0x56, 0x78, 0xAB};
  BoundedReader in(bytes);
  EXPECT_EQ(in.read_u32_be(), 0x12345678u);
  EXPECT_EQ(in.read_u32_le(), 0x78563412u);
  EXPECT_EQ(in.read_u8(), 0xAB);
  EXPECT_TRUE(in.at_end());
  EXPECT_FALSE(in.overrun());
  in.seek(1);
  EXPECT_EQ(in.read_u16_be(), 0x3456);
  EXPECT_EQ(in.read_u16_le(), 0x1278);
}

TEST(BoundedReader, ReadsPastTheEndGiveZeroAndMarkAnOverrun) {
  const std::vector<std::uint8_t> bytes{0x01, 0x02, 0x03};
  BoundedReader in(bytes);
  in.skip(2);
  EXPECT_EQ(in.read_u32_be(), 0x03000000u);
  EXPECT_TRUE(in.overrun());
  EXPECT_EQ(in.position(), 3u);

  BoundedReader sought(bytes);
  sought.seek(4);
  EXPECT_TRUE(sought.overrun());
  EXPECT_EQ(sought.position(), 3u);

  BoundedReader skipped(bytes);
  skipped.skip(static_cast<std::size_t>(-1));
  EXPECT_TRUE(skipped.overrun());
  EXPECT_TRUE(skipped.at_end());

  std::uint8_t out[5] = {9, 9, 9, 9, 9};
  BoundedReader copied(bytes);
  copied.read_bytes(out);
  EXPECT_TRUE(copied.overrun());
  EXPECT_EQ(std::vector<std::uint8_t>(out, out + 5), (std::vector<std::uint8_t>{1, 2, 3, 0, 0}));

  BoundedReader empty;
  EXPECT_EQ(empty.read_u8(), 0);
  EXPECT_TRUE(empty.overrun());
}

TEST(BoundedReader, ZeroEndedStringsAreCapped) {
  std::vector<std::uint8_t> bytes{'a', 'b', 0, 'c', 'd', 'e', 0};
  BoundedReader in(bytes);
  EXPECT_EQ(in.read_zstring(), "ab");
  EXPECT_EQ(in.read_zstring(2), "cd");
  EXPECT_TRUE(in.at_end());
  EXPECT_FALSE(in.overrun());

  std::vector<std::uint8_t> long_name(300, 'x');
  long_name.push_back(0);
  long_name.push_back('y');
  BoundedReader capped(long_name);
  EXPECT_EQ(capped.read_zstring().size(), 255u);
  EXPECT_EQ(capped.read_u8(), 'y');

  const std::vector<std::uint8_t> unended{'a', 'b'};
  BoundedReader cut(unended);
  EXPECT_EQ(cut.read_zstring(), "ab");
  EXPECT_TRUE(cut.overrun());
}

struct LebCase {
  std::vector<std::uint8_t> bytes;
  std::uint32_t unsigned_value;
  std::int32_t signed_value;
  std::uint32_t consumed;
};

TEST(BoundedReader, Leb128NumbersKeepTheirLow32Bits) {
  const LebCase cases[] = {
      {{0x00}, 0, 0, 1},
      {{0x02}, 2, 2, 1},
      {{0x7F}, 127, -1, 1},
      {{0x80, 0x01}, 128, 128, 2},
      {{0xE5, 0x8E, 0x26}, 624485, 624485, 3},
      {{0xC0, 0xBB, 0x78}, 0x1E1DC0, -123456, 3},
      // Four bytes fill 28 bits: bit 6 of the last one still extends the sign.
      {{0xFF, 0xFF, 0xFF, 0x7F}, 0x0FFFFFFF, -1, 4},
      // Five bytes fill 35 bits: no extension; bits above 31 are dropped.
      {{0xFF, 0xFF, 0xFF, 0xFF, 0x7F}, 0xFFFFFFFF, -1, 5},
      {{0x80, 0x80, 0x80, 0x80, 0x40}, 0, 0, 5},
      // Groups beyond bit 31 are read and dropped.
      {{0x81, 0x80, 0x80, 0x80, 0x80, 0x80, 0x01}, 1, 1, 7},
      // The end of the input ends the number.
      {{0x81, 0x81}, 0x81, 0x81, 2},
      {{}, 0, 0, 0},
  };
  for (const LebCase& c : cases) {
    std::uint32_t consumed = 99;
    BoundedReader unsigned_in(c.bytes);
    EXPECT_EQ(unsigned_in.read_uleb128(&consumed), c.unsigned_value) << c.bytes.size();
    EXPECT_EQ(consumed, c.consumed);
    BoundedReader signed_in(c.bytes);
    EXPECT_EQ(signed_in.read_sleb128(&consumed), c.signed_value) << c.bytes.size();
    EXPECT_EQ(consumed, c.consumed);
  }
}

TEST(LineReader, SplitsOnLineFeedsWithOrWithoutCarriageReturns) {
  const std::pair<std::string, std::vector<std::string>> cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\nb\nc", {"a", "b", "c"}},
      {"\n\n", {"", ""}},
      {"a\rb\r\n", {"a\rb"}},
      {"a\r", {"a\r"}},
  };
  for (const auto& [text, expected] : cases) {
    LineReader lines(text);
    std::vector<std::string> got;
    std::string_view line;
    while (lines.next(line)) got.emplace_back(line);
    EXPECT_EQ(got, expected) << text;
    EXPECT_FALSE(lines.next(line));
    lines.rewind();
    EXPECT_EQ(lines.next(line), !expected.empty());
  }
}

TEST(ReadFileBytes, ReadsRegularFilesOnly) {
  test::TempDir dir;
  const std::string name = dir.file("data.bin");
  std::ofstream(name, std::ios::binary) << std::string("\x01\x00\x02", 3);
  const auto bytes = read_file_bytes(ShortText(name));
  ASSERT_TRUE(bytes.has_value());
  EXPECT_EQ(*bytes, (std::vector<std::uint8_t>{1, 0, 2}));
  EXPECT_FALSE(read_file_bytes(ShortText(dir.file("missing"))).has_value());
  EXPECT_FALSE(read_file_bytes(ShortText(dir.path().string())).has_value());
  EXPECT_FALSE(read_file_bytes("/dev/zero").has_value());
}

}  // namespace
}  // namespace vx::loaders

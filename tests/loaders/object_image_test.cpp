#include "loaders/object_image.h"

#include <gtest/gtest.h>

#include <array>

#include "tests/loaders/loader_test_support.h"

namespace vx::loaders {
namespace {

using test_support::counting;
using test_support::image_bytes;
using test_support::srecord_line;

class ObjectImageTest : public test_support::LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    start_object_loading();
  }
  ShortText image_file(std::string_view text) { return ShortText(write("image.s19", text)); }
};

TEST(RemapImageAddress, FirstMatchingTripleMovesTheAddress) {
  reset_object_image();
  AddressRemapTable table;
  table.count = 2;
  table.triples[0] = {0x8000, 0xBFFF, 0x18000};
  table.triples[1] = {0x8000, 0xFFFF, 0x28000};
  install_address_remap_table(&table);
  const std::pair<std::int32_t, std::pair<std::int32_t, bool>> cases[] = {
      {0x8010, {0x18010, true}}, {0x8000, {0x18000, true}}, {0xBFFF, {0x1BFFF, true}},
      {0xC000, {0x2C000, true}}, {0x7FFF, {0x7FFF, false}}, {0x10000, {0x10000, false}},
      {-1, {-1, false}},
  };
  for (auto [address, expected] : cases) {
    std::int32_t moved = address;
    EXPECT_EQ(remap_image_address(moved), expected.second) << address;
    EXPECT_EQ(moved, expected.first) << address;
  }
  table.count = 1;
  std::int32_t unmoved = 0xC000;
  EXPECT_FALSE(remap_image_address(unmoved));
  EXPECT_EQ(unmoved, 0xC000);
  // A count beyond the table reads only the table.
  table.count = 1000;
  std::int32_t moved = 0x8010;
  EXPECT_TRUE(remap_image_address(moved));
  reset_object_image();
  moved = 0x8010;
  EXPECT_FALSE(remap_image_address(moved));
}

TEST_F(ObjectImageTest, BytesComeInAddressOrderRemappedAndEndWithMinusOne) {
  AddressRemapTable table;
  table.count = 1;
  table.triples[0] = {0x8000, 0xBFFF, 0x18000};
  install_address_remap_table(&table);
  ASSERT_TRUE(load_object_image(image_file(srecord_line('1', 0xC000, {3}) + srecord_line('1', 0x800F, {1, 2}))));
  const std::map<std::int64_t, std::uint8_t> expected{{0x1800F, 1}, {0x18010, 2}, {0xC000, 3}};
  EXPECT_EQ(image_bytes(), expected);
  for (int i = 0; i < 3; ++i) {
    std::int32_t address = 0;
    std::uint8_t byte = 9;
    EXPECT_FALSE(next_image_byte(address, byte));
    EXPECT_EQ(address, -1);
    EXPECT_EQ(byte, 0);
  }
  rewind_object_image();
  EXPECT_EQ(image_bytes(), expected);

  ASSERT_TRUE(first_image_block());
  std::array<std::uint8_t, 256> bytes{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  rewind_object_image();
  ASSERT_TRUE(next_image_record(address, length, bytes));
  EXPECT_EQ(address, 0x1800F);
  EXPECT_EQ(length, 2);
  ASSERT_TRUE(next_image_record(address, length, bytes));
  EXPECT_EQ(address, 0xC000);
  EXPECT_FALSE(next_image_record(address, length, bytes));
}

TEST_F(ObjectImageTest, AFailedLoadLeavesTheImageUnreadableUntilTheNextGoodOne) {
  ASSERT_TRUE(load_object_image(image_file(srecord_line('1', 0x100, {1}))));
  const std::string bad = srecord_line('1', 0x200, {2}) + "S1Q58000AABB00\n";
  EXPECT_FALSE(load_object_image(image_file(bad)));
  // What the driver stored before the error stays in the store, but is not handed out.
  EXPECT_EQ(test_support::stored_records().size(), 1u);
  rewind_object_image();
  EXPECT_TRUE(image_bytes().empty());
  EXPECT_FALSE(first_image_block());
  std::array<std::uint8_t, 256> bytes{};
  std::int32_t address = 0;
  std::uint16_t length = 0;
  EXPECT_FALSE(next_image_record(address, length, bytes));

  ASSERT_TRUE(load_object_image(image_file(srecord_line('1', 0x300, {3}))));
  EXPECT_EQ(image_bytes(), (std::map<std::int64_t, std::uint8_t>{{0x300, 3}}));
}

TEST_F(ObjectImageTest, MissingFilesAndWildcardsLoadNothing) {
  ASSERT_TRUE(load_object_image(image_file(srecord_line('1', 0x100, {1}))));
  EXPECT_FALSE(load_object_image(ShortText(path("none.s19"))));
  EXPECT_TRUE(test_support::stored_records().empty());
  EXPECT_TRUE(image_bytes().empty());
  EXPECT_FALSE(load_object_image(ShortText(path("imag*.s19"))));
}

TEST_F(ObjectImageTest, AnEmptyFileLoadsWithNothingToHandOut) {
  EXPECT_TRUE(load_object_image(image_file("S0030000FC\nS1030000FC\n")));
  EXPECT_FALSE(first_image_block());
  EXPECT_TRUE(image_bytes().empty());
}

TEST_F(ObjectImageTest, TheSrecordReaderFillsTheImageToo) {
  ASSERT_TRUE(read_srecord_image(image_file(srecord_line('1', 0x100, counting(150)) +
                                            srecord_line('1', 0x196, counting(150)))));
  EXPECT_EQ(image_bytes().size(), 300u);
  EXPECT_FALSE(read_srecord_image(image_file("S1Q5\n")));
  rewind_object_image();
  EXPECT_TRUE(image_bytes().empty());
}

TEST_F(ObjectImageTest, ClearingTheImageZeroesTheCounts) {
  ASSERT_TRUE(load_object_image(image_file(srecord_line('1', 0x100, {1, 2}))));
  EXPECT_EQ(current_debug_context().module.object_byte_count, 2);
  clear_object_image();
  EXPECT_EQ(current_debug_context().module.object_byte_count, 0);
  EXPECT_EQ(current_debug_context().module.object_record_count, 0);
  EXPECT_TRUE(test_support::stored_records().empty());
  EXPECT_TRUE(image_bytes().empty());
}

}  // namespace
}  // namespace vx::loaders

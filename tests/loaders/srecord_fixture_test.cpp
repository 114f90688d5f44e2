#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "loaders/firmware_scrambling.h"
#include "tests/loaders/loader_test_support.h"

// The fixtures are S-record files made by srec_cat and sdcc; beside each
// lies srec_cat's hex dump of it, the bytes every reader must load.
namespace vx::loaders {
namespace {

using test_support::ByteMap;
using test_support::bytes_of;
using test_support::image_bytes;
using test_support::read_hex_dump;
using test_support::Record;
using test_support::stored_records;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES) / "loaders";

class SrecordFixtureTest : public test_support::LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    start_object_loading();
  }
};

TEST_F(SrecordFixtureTest, EveryReaderLoadsExactlyTheBytesOfTheHexDump) {
  for (const char* base : {"s1_run", "s2_paged", "s3_full", "sdcc_s08"}) {
    const ShortText file((fixtures / (std::string(base) + ".s19")).string());
    const ByteMap expected = read_hex_dump(fixtures / (std::string(base) + ".hexdump"));
    ASSERT_FALSE(expected.empty()) << base;

    ASSERT_TRUE(read_srecord_image(file)) << base;
    EXPECT_EQ(image_bytes(), expected) << base;
    for (const Record& r : stored_records()) EXPECT_LE(r.bytes.size(), 256u) << base;

    ASSERT_TRUE(load_object_image(file)) << base;
    EXPECT_EQ(image_bytes(), expected) << base;
    EXPECT_EQ(bytes_of(stored_records()), expected) << base;

    const std::vector<std::uint8_t> scrambled = scramble_firmware_text(test::read_file(file.str()));
    ASSERT_TRUE(read_scrambled_srecord_image(ShortText(write("fw.s19", scrambled)))) << base;
    EXPECT_EQ(image_bytes(), expected) << base;
  }
}

TEST_F(SrecordFixtureTest, TheImageReaderMergesLinesWhereTheModuleKeepsThemApart) {
  const ShortText file((fixtures / "s1_run.s19").string());
  ASSERT_TRUE(read_srecord_image(file));
  using Blocks = std::vector<std::pair<std::int32_t, std::size_t>>;
  Blocks merged;
  for (const Record& r : stored_records()) merged.emplace_back(r.address, r.bytes.size());
  EXPECT_EQ(merged, (Blocks{{0x8000, 32}, {0xC000, 256}, {0xC100, 44}, {0xFFFE, 2}}));

  ASSERT_TRUE(LOAD_OBJECT_FILE(file, load_object_bytes));
  Blocks per_line;
  for (const Record& r : stored_records()) per_line.emplace_back(r.address, r.bytes.size());
  EXPECT_EQ(per_line, (Blocks{{0x8000, 32}, {0xC000, 252}, {0xC0FC, 48}, {0xFFFE, 2}}));
}

TEST_F(SrecordFixtureTest, FullS3LinesCarry250Bytes) {
  ASSERT_TRUE(LOAD_OBJECT_FILE(ShortText((fixtures / "s3_full.s19").string()), load_object_bytes));
  const std::vector<Record> records = stored_records();
  ASSERT_FALSE(records.empty());
  EXPECT_EQ(records.front().address, static_cast<std::int32_t>(0x80000000)) << "signed order";
  EXPECT_EQ(records[1].address, 0x00100000);
  EXPECT_EQ(records[1].bytes.size(), 250u);
}

}  // namespace
}  // namespace vx::loaders

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "loaders/firmware_scrambling.h"
#include "tests/loaders/loader_test_support.h"

// The fixtures are S-record files made by srec_cat and sdcc; beside each
// lies srec_cat's hex dump of it, the bytes every reader must load.
namespace vx::loaders {
namespace {

using test_support::image_bytes;
using test_support::Record;
using test_support::stored_records;

const std::filesystem::path fixtures = std::filesystem::path(VX_TEST_FIXTURES) / "loaders";

using ByteMap = std::map<std::int64_t, std::uint8_t>;

// "AAAAAAAA: XX XX ...  #text", a gap in the row written as blanks.
ByteMap read_hex_dump(const std::string& name) {
  ByteMap bytes;
  std::istringstream lines(test::read_file((fixtures / name).string()));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.size() < 10 || line[8] != ':') continue;
    const std::int64_t row = std::stoll(line.substr(0, 8), nullptr, 16);
    for (int i = 0; i < 16; ++i) {
      const std::size_t column = 10 + 3 * static_cast<std::size_t>(i);
      if (column + 2 > line.size() || line[column] == ' ') continue;
      bytes[row + i] = static_cast<std::uint8_t>(std::stoi(line.substr(column, 2), nullptr, 16));
    }
  }
  return bytes;
}

ByteMap bytes_of(const std::vector<Record>& records) {
  ByteMap bytes;
  for (const Record& r : records) {
    for (std::size_t i = 0; i < r.bytes.size(); ++i) bytes[static_cast<std::uint32_t>(r.address) + i] = r.bytes[i];
  }
  return bytes;
}

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
    const ByteMap expected = read_hex_dump(std::string(base) + ".hexdump");
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

#include "programmer/object_file_data.h"
#include "programmer/object_image_load.h"

#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <utility>
#include <vector>

namespace vx::programmer {
namespace {

using Records = std::vector<std::pair<std::int32_t, std::vector<std::uint8_t>>>;

Records read_all(const std::string& text, bool intel_hex, bool* bad = nullptr) {
  std::istringstream file(text);
  ObjectLineReader reader(file, intel_hex);
  Records records;
  ObjectDataRecord record;
  while (reader.next(record)) records.emplace_back(record.address, record.bytes);
  if (bad != nullptr) *bad = reader.bad();
  return records;
}

TEST(ObjectFileData, SrecordLinesOfEachWidthAndOtherLinesSkipped) {
  const Records records = read_all(
      "S00600004844521B\r\nS1058000123434\r\nremark\r\nS2060123451234FF\r\nS30700010000778800\r\nS9030000FC\r\n", false);
  EXPECT_EQ(records, (Records{{0x8000, {0x12, 0x34}}, {0x12345, {0x12, 0x34}}, {0x10000, {0x77, 0x88}}}));
}

TEST(ObjectFileData, BadDigitsOrShortLinesStopTheReading) {
  const std::vector<std::string> bad_lines{"S1058000XX3434", "S10580Z0123434", "S105800012", "S1028000"};
  for (const std::string& line : bad_lines) {
    bool bad = false;
    const Records records = read_all("S1048000AAD1\r\n" + line + "\r\nS1048001BBC0\r\n", false, &bad);
    EXPECT_TRUE(bad) << line;
    EXPECT_EQ(records.size(), 1u) << line;
  }
}

// Lines of the longest records are read whole; a record without data has no range to check.
TEST(ObjectFileData, LongRecordsAreReadWholeAndEmptyRecordsPassedOver) {
  std::string line = "S3FF00009000";
  for (int i = 0; i < 250; ++i) line += "5A";
  line += "00";
  const Records records = read_all("S1030000FC\n" + line + "\n", false);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].first, 0x9000);
  EXPECT_EQ(records[0].second, std::vector<std::uint8_t>(250, 0x5A));
}

TEST(ObjectFileData, ConflictingRecordsAreFoundAtTheirLowestAddress) {
  using Bytes = std::vector<std::uint8_t>;
  const struct {
    const char* name;
    std::vector<ObjectDataRecord> records;
    std::optional<std::int32_t> conflict;
  } cases[] = {
      {"apart", {{0x100, Bytes{1, 2}}, {0x102, Bytes{3}}}, std::nullopt},
      {"identical duplicates", {{0x100, Bytes{1, 2, 3}}, {0x101, Bytes{2, 3}}, {0x100, Bytes{1}}}, std::nullopt},
      {"one byte differs", {{0x100, Bytes{1, 2, 3}}, {0x102, Bytes{9, 4}}}, 0x102},
      {"out of order", {{0x200, Bytes{7, 7}}, {0x100, Bytes{1}}, {0x1FF, Bytes{0, 7, 8}}}, 0x201},
      // The earliest difference may come from a record that starts after an overlap found first.
      {"lowest wins", {{0x100, Bytes(16, 0)}, {0x108, Bytes{0, 0, 5}}, {0x101, Bytes{6}}}, 0x101},
      {"inside a merged run", {{0x100, Bytes{1, 2}}, {0x102, Bytes{3, 4}}, {0x101, Bytes{2, 3, 5}}}, 0x103},
  };
  for (const auto& c : cases) EXPECT_EQ(first_conflicting_address(c.records), c.conflict) << c.name;
}

TEST(ObjectFileData, IntelHexLinesWithExtendedBasesOnlyWhenAsked) {
  const std::string text =
      ":020000021000EC\r\n:0200100001020B\r\n:02000004000AF0\r\n:01000000AA55\r\n:00000001FF\r\n";
  EXPECT_EQ(read_all(text, true), (Records{{0x10010, {0x01, 0x02}}, {0xA0000, {0xAA}}}));
  EXPECT_TRUE(read_all(text, false).empty());
}

TEST(ObjectFileData, RangeTestWithAndWithoutModuleRanges) {
  ModuleWindow window;
  window.cm_base = 0x8000;
  window.module_size = 0x8000;
  EXPECT_TRUE(record_within_ranges(window, 0x8000, 0xFFFF, 0xFFF0, 16));
  EXPECT_FALSE(record_within_ranges(window, 0x8000, 0xFFFF, 0xFFF1, 16));
  EXPECT_FALSE(record_within_ranges(window, 0x8000, 0xFFFF, 0x7FFF, 2));
  window.module_ranges = {{0x0000, 0x00FF}, {0x0200, 0x02FF}};
  EXPECT_TRUE(record_within_ranges(window, 0, 0, 0x8200, 0x100));
  EXPECT_FALSE(record_within_ranges(window, 0, 0, 0x80F8, 0x10));
  EXPECT_EQ(invalid_addresses_line(0x80F8, 0x10), "Invalid addresses in srecord block from $000080F8 to $00008107.");
}

}  // namespace
}  // namespace vx::programmer

#include "programmer/upload_records.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace vx::programmer {
namespace {

TEST(UploadRecords, LineTypeFollowsTheWidestAddressOfTheRecord) {
  const std::vector<std::uint8_t> two{0x12, 0x34};
  struct Case {
    std::uint32_t address;
    std::vector<std::uint8_t> bytes;
    const char* line;
  };
  const std::vector<Case> cases{
      {0x8000, two, "S1058000123434"},
      {0x12345, {0xAB}, "S2050123" "45AB" "E6"},
      {0xFFFF, two, "S206" "00FFFF" "1234" "B5"},
      {0x1000000, {0x00}, "S306" "01000000" "00" "F8"},
  };
  for (const Case& c : cases) EXPECT_EQ(upload_srecord_line(c.address, c.bytes), c.line) << std::hex << c.address;
}

TEST(UploadRecords, SixteenBytesPerLineAndAShorterLastLine) {
  std::ostringstream out;
  UploadRecordWriter writer(out);
  writer.start_at(0xE000);
  for (int i = 0; i < 0x100; ++i) writer.add_upload_byte(0xFF);
  for (int i = 0; i < 3; ++i) writer.add_upload_byte(0x01);
  writer.flush_upload_record();
  std::istringstream lines(out.str());
  std::string line;
  std::vector<std::string> all;
  while (std::getline(lines, line)) all.push_back(line);
  ASSERT_EQ(all.size(), 17u);
  EXPECT_EQ(all[0], "S113E000" + std::string(32, 'F') + "1C\r");
  EXPECT_EQ(all[1].substr(0, 8), "S113E010");
  EXPECT_EQ(all[16], "S106E100010101" "15\r");
}

TEST(UploadRecords, GapsStartANewRecordAtTheNextAddressInside) {
  std::ostringstream out;
  UploadRecordWriter writer(out);
  writer.start_at(0x8000);
  writer.add_upload_byte(0xAA);
  writer.add_upload_byte(0xBB);
  writer.flush_upload_record();
  writer.start_at(0x8010);
  writer.add_upload_byte(0xCC);
  writer.flush_upload_record();
  writer.flush_upload_record();
  EXPECT_EQ(out.str(), "S1058000AABB15\r\nS1048010CC9F\r\n");
}

}  // namespace
}  // namespace vx::programmer

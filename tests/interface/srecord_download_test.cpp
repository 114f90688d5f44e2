#include "interface/srecord_download.h"

#include <gtest/gtest.h>

#include <sstream>

#include "tests/interface/target_bench.h"

namespace vx {
namespace {

using target_testing::Bytes;
using target_testing::Medium;
using target_testing::TargetBench;

class SrecordLines : public testing::Test {
 protected:
  void SetUp() override { reset_srecord_download(); }
  void TearDown() override { reset_srecord_download(); }

  bool read(const std::string& text, bool decode = true) {
    file_.str(text);
    file_.clear();
    srecord_download().file = &file_;
    return read_srecord_line(decode);
  }

  std::istringstream file_;
};

TEST_F(SrecordLines, RecordTypesCountsAndAddresses) {
  struct Case {
    const char* line;
    bool record;
    std::uint16_t data_count;
    std::uint32_t address;
    Bytes data;
  };
  const Case cases[] = {
      {"S1070080A5015AFF7A", true, 4, 0x0080, {0xA5, 0x01, 0x5A, 0xFF}},
      {"S2070123450102037D", true, 3, 0x012345, {1, 2, 3}},
      {"S30800ABCDEF0102037E", true, 3, 0x00ABCDEF, {1, 2, 3}},
      {"S10500GJ0P00FF", true, 2, 0x0003, {0x09, 0x00}},                    // G is 0, P is 9
      {"S1070080A5015AFF7A  ", true, 4, 0x0080, {0xA5, 0x01, 0x5A, 0xFF}},  // trailing blanks are no harm
      {"S9030000FC", false, 0, 0, {}},
      {"S0030000FC", false, 0, 0, {}},
      {"S", false, 0, 0, {}},
      {"X1030000FC", false, 0, 0, {}},
      {"s1030000FC", false, 0, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    reset_srecord_download();
    EXPECT_EQ(read(c.line), c.record);
    if (!c.record) continue;
    EXPECT_FALSE(srecord_download().error);
    EXPECT_EQ(srecord_download().data_count, c.data_count);
    EXPECT_EQ(srecord_download().record_address, c.address);
    for (std::size_t i = 0; i < c.data.size(); ++i) EXPECT_EQ(srecord_download().data[i], c.data[i]) << i;
  }
}

TEST_F(SrecordLines, BadDigitsAndCountsSetTheErrorFlag) {
  struct Case {
    const char* line;
    bool record;
    bool error;
    std::uint16_t data_count;
  };
  const Case cases[] = {
      {"S1070080A5Z15AFF7A", true, true, 4},    // a bad data digit
      {"SZ070080A5015AFF7A", false, false, 0},  // no record type: not a record, no error
      {"S1Z70080A5015AFF7A", true, true, 0},    // a bad count
      {"S10700Z0A5015AFF7A", true, true, 4},    // a bad S1 address digit
      {"S30800000Z000102037E", true, true, 3},  // a bad S3 address digit, which no range test catches
      {"S1020080", true, true, 0},              // a count below the address and checksum
      {"S1FF0080A5015AFF7A", true, true, 0},    // a count beyond the line
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    reset_srecord_download();
    EXPECT_EQ(read(c.line), c.record);
    EXPECT_EQ(srecord_download().error, c.error);
    EXPECT_EQ(srecord_download().data_count, c.data_count);
  }
}

TEST_F(SrecordLines, TheErrorFlagStaysSetUntilCleared) {
  read("S1070080A5Z15AFF7A");
  ASSERT_TRUE(srecord_download().error);
  read("S1070080A5015AFF7A");
  EXPECT_TRUE(srecord_download().error);
}

TEST_F(SrecordLines, WithoutDecodingTheDataIsLeftAlone) {
  srecord_download().data[0] = 0x99;
  EXPECT_TRUE(read("S1070080A5015AFF7A", false));
  EXPECT_EQ(srecord_download().data_count, 4);
  EXPECT_EQ(srecord_download().data[0], 0x99);
}

TEST_F(SrecordLines, LinesAreCutAt255CharactersAndLoseTheirLineEnd) {
  std::istringstream text(std::string(300, 'x') + "\r\nS9030000FC\r\n\nlast");
  EXPECT_EQ(read_text_line(text).size(), 255u);
  EXPECT_EQ(read_text_line(text), "S9030000FC");
  EXPECT_EQ(read_text_line(text), "");
  EXPECT_EQ(read_text_line(text), "last");
  EXPECT_EQ(read_text_line(text), "");
}

// What the engine does for each record of a routine: set the address, the count, and write.
void download(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  std::istringstream file(text);
  SrecordDownload& state = srecord_download();
  state.file = &file;
  while (!file.eof()) {
    if (!read_srecord_line(false)) continue;
    state.current_address = state.record_address;
    state.write_count = state.data_count;
    write_srecord_data_bytes(9);
  }
  flush_target_write_buffer();
  state.file = nullptr;
}

std::string s1(std::uint16_t address, const Bytes& data) {
  static const char* digits = "0123456789ABCDEF";
  Bytes record = {static_cast<std::uint8_t>(data.size() + 3), static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address)};
  record.insert(record.end(), data.begin(), data.end());
  std::uint8_t sum = 0;
  for (const std::uint8_t b : record) sum = static_cast<std::uint8_t>(sum + b);
  record.push_back(static_cast<std::uint8_t>(~sum));
  std::string line = "S1";
  for (const std::uint8_t b : record) {
    line += digits[b >> 4];
    line += digits[b & 15];
  }
  return line;
}

class SrecordDownloadTest : public testing::TestWithParam<Medium> {};

INSTANTIATE_TEST_SUITE_P(EveryMedium, SrecordDownloadTest, testing::ValuesIn(target_testing::every_medium),
                         [](const auto& param_info) { return target_testing::medium_name(param_info.param); });

TEST_P(SrecordDownloadTest, ContiguousRecordsGoOutAsOneBlockWriteAndAGapMakesTwo) {
  const Bytes first = target_testing::counting(16, 1), second = target_testing::counting(16, 100);
  struct Case {
    std::uint16_t second_address;
    std::size_t blocks;
  };
  for (const Case& c : {Case{0x0090, 1}, Case{0x00A0, 2}}) {
    SCOPED_TRACE(c.second_address);
    TargetBench bench(GetParam());
    download({"S00600004844521B", s1(0x0080, first), s1(c.second_address, second), "S9030000FC"});
    EXPECT_FALSE(srecord_download().error);
    EXPECT_EQ(bench.ram(0x0080, 16), first);
    EXPECT_EQ(bench.ram(c.second_address, 16), second);
    const std::vector<Bytes> blocks = bench.sent({7, 4});
    ASSERT_EQ(blocks.size(), c.blocks);
    if (GetParam() != Medium::parallel) {
      EXPECT_EQ(Bytes(blocks[0].begin(), blocks[0].begin() + 4), (Bytes{7, 4, 0x00, 0x7F}));
      EXPECT_EQ(blocks[0].size(), 4u + (c.blocks == 1 ? 32 : 16));
    }
    std::uint16_t sum = 0;
    for (const std::uint8_t b : first) sum = static_cast<std::uint16_t>(sum + b);
    for (const std::uint8_t b : second) sum = static_cast<std::uint16_t>(sum + b);
    EXPECT_EQ(srecord_download().download_sum, sum);
    EXPECT_TRUE(bench.pod().violations().empty());
  }
}

TEST(SrecordDownload, ABadDigitStopsTheRecordAndKeepsItOutOfTheSum) {
  TargetBench bench(Medium::ftdi);
  std::string bad = s1(0x0080, {1, 2, 3, 4});
  bad[12] = 'Z';  // the third data byte
  download({bad});
  EXPECT_TRUE(srecord_download().error);
  EXPECT_EQ(srecord_download().download_sum, 3);
  // The two good bytes and the bad one were gathered; the flush writes them.
  EXPECT_EQ(bench.ram(0x0080, 2), (Bytes{1, 2}));
}

TEST(SrecordDownload, ARunLongerThanTheBufferGoesOutInParts) {
  TargetBench bench(Medium::ftdi);
  // The interface acknowledges and the blocks are seen on the wire; no target memory holds 40,000 bytes.
  bench.pod().set_target_dead(true);
  target_access().security_recheck = false;
  target_access().secured = false;
  SrecordDownload& state = srecord_download();
  state.current_address = 0x1000;
  for (std::uint32_t i = 0; i < 40'000; ++i) buffer_target_write_byte(static_cast<std::uint8_t>(i));
  flush_target_write_buffer();
  std::size_t bytes = 0;
  std::vector<std::uint16_t> addresses;
  for (const Bytes& block : bench.sent({7, 4})) {
    bytes += block.size() - 4;
    addresses.push_back(static_cast<std::uint16_t>(block[2] << 8 | block[3]));
  }
  EXPECT_EQ(bytes, 40'000u);
  // The second part starts where the first ended: 0x1000 + 39,999, addressed one below.
  EXPECT_EQ(addresses.back(), 0x1000 + 39'999 - 1);
  EXPECT_EQ(state.run_length, 0);
}

TEST(SrecordDownload, PositionZeroIsNoPair) {
  reset_srecord_download();
  srecord_download().write_count = 1;
  write_srecord_data_bytes(0);
  EXPECT_TRUE(srecord_download().error);
  EXPECT_EQ(srecord_download().run_length, 0);
}

}  // namespace
}  // namespace vx

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/s8p/s8p_pack.h"

namespace vx::tools {
namespace {

std::vector<std::uint8_t> bytes_of(const std::string& text) { return {text.begin(), text.end()}; }

TEST(S8pCrc16, MatchesTheKnownValues) {
  EXPECT_EQ(s8p_crc16(bytes_of("abc")), 0x1EE4);
  EXPECT_EQ(s8p_crc16(bytes_of("")), 0x0000);
  // A byte followed by two zero bytes comes out as its table entry: T[1] = 0x1021, T[2] = 0x2042.
  EXPECT_EQ(s8p_crc16(std::vector<std::uint8_t>{0x01, 0x00, 0x00}), 0x1021);
  EXPECT_EQ(s8p_crc16(std::vector<std::uint8_t>{0x02, 0x00, 0x00}), 0x2042);
}

TEST(S8pPack, EndsEveryLineCrLfThenTheMarkAndTheCrcLowByteFirst) {
  const PackedFile packed = pack_s8p({"TITLE\nNO_CRC\r\n", "S1050100AABB94", ""});
  ASSERT_EQ(packed.error, "");
  const std::string text = "TITLE\r\nNO_CRC\r\nS1050100AABB94\r\n";
  std::vector<std::uint8_t> expected = bytes_of(text);
  const std::uint16_t crc = s8p_crc16(expected);
  expected.insert(expected.end(), {0x1A, static_cast<std::uint8_t>(crc), static_cast<std::uint8_t>(crc >> 8)});
  EXPECT_EQ(packed.bytes, expected);
}

TEST(S8pPack, KeepsEmptyLines) {
  EXPECT_EQ(pack_s8p({"A\n\nB\n"}).bytes.size(), std::string("A\r\n\r\nB\r\n").size() + 3);
}

TEST(S8pPack, RefusesLinesThatAReaderWouldCutSplitOrEnd) {
  struct Case {
    std::string part;
    bool accepted;
  };
  const std::vector<Case> cases = {
      {std::string(255, 'x') + "\n", true},
      {std::string(256, 'x') + "\n", false},
      {"TITLE\tTAB\n", true},
      {"BEFORE\x1A" "AFTER\n", false},  // the end-of-text mark
      {"CR\rINSIDE\n", false},
      {std::string("NUL\0INSIDE\n", 11), false},
  };
  for (const Case& c : cases) {
    const PackedFile packed = pack_s8p({"FIRST\n", c.part});
    EXPECT_EQ(packed.error.empty(), c.accepted) << c.part;
    if (!c.accepted) {
      EXPECT_TRUE(packed.bytes.empty());
      EXPECT_NE(packed.error.find("part 2, line 1"), std::string::npos) << packed.error;
    }
  }
}

}  // namespace
}  // namespace vx::tools

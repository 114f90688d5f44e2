#include "foundation/hex_digits.h"

#include <gtest/gtest.h>

namespace vx {
namespace {

TEST(HexDigits, TableKnowsTheShiftedDigitsToo) {
  const std::pair<char, std::uint16_t> cases[] = {
      {'0', 0},  {'9', 9},  {'A', 10}, {'F', 15}, {'a', 10}, {'f', 15},
      {'G', 0},  {'J', 3},  {'P', 9},  {'Q', invalid_hex_digit}, {'g', invalid_hex_digit},
      {' ', invalid_hex_digit}, {'\0', invalid_hex_digit}, {static_cast<char>(0xC1), invalid_hex_digit},
  };
  for (auto [c, value] : cases) EXPECT_EQ(hex_digit_value(c), value) << c;
}

TEST(HexDigits, PairsWithAnInvalidOrMissingDigitReach256) {
  EXPECT_EQ(hex_pair("S1FF", 2), 0xFFu);
  EXPECT_EQ(hex_pair("GJ", 0), 0x03u);
  EXPECT_EQ(hex_pair("a5", 0), 0xA5u);
  EXPECT_GE(hex_pair("0Q", 0), 256u);
  EXPECT_GE(hex_pair("Q0", 0), 256u);
  EXPECT_GE(hex_pair("0", 0), 256u);
  EXPECT_GE(hex_pair("00", 2), 256u);
}

}  // namespace
}  // namespace vx

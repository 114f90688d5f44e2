#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "foundation/kstring.h"

namespace vx {
namespace {

TEST(HexOutput, WritesFixedWidthUpperCaseDigits) {
  EXPECT_EQ(hex_byte(10), "0A");
  EXPECT_EQ(hex_byte(0xFF), "FF");
  EXPECT_EQ(hex_word(31), "001F");
  EXPECT_EQ(hex_word(0xABCD), "ABCD");
  EXPECT_EQ(hex_long(31), "0000001F");
  EXPECT_EQ(hex_long(0xDEADBEEF), "DEADBEEF");
  EXPECT_EQ(hex_pointer(0x00012345), "00012345");
}

TEST(DecimalOutput, WritesTheWholeInt32Range) {
  EXPECT_EQ(long_to_str(0), "0");
  EXPECT_EQ(long_to_str(-1), "-1");
  EXPECT_EQ(long_to_str(std::numeric_limits<std::int32_t>::max()), "2147483647");
  EXPECT_EQ(long_to_str(std::numeric_limits<std::int32_t>::min()), "-2147483648");
  EXPECT_EQ(bool_to_str(true), "TRUE");
  EXPECT_EQ(bool_to_str(false), "FALSE");
}

TEST(RealOutput, RoundsAndRightAligns) {
  const struct {
    std::uint8_t width;
    std::int8_t decimals;
    long double value;
    const char* expected;
  } cases[] = {
      {5, 2, 3.3L, " 3.30"},
      {0, 2, 3.3L, "3.30"},
      {8, 1, -12.34L, "   -12.3"},
      {2, 2, 1234.5L, "1234.50"},
      {0, 0, 7.0L, "7"},
      {0, -1, 3.3L, "3.30000000000000E+00"},
      {23, -1, -0.25L, "  -2.50000000000000E-01"},
      // Beyond double's range the value rounds to infinity.
      {0, 2, 1e4000L, "inf"},
      {0, 2, -1e4000L, "-inf"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(real_to_str(c.width, c.decimals, c.value), c.expected) << c.expected;
  }
}

TEST(RealOutput, CutsAt255) {
  const ShortText text = real_to_str(0, 127, 1e300L);
  EXPECT_EQ(text.size(), 255u);
  EXPECT_EQ(text.view().substr(0, 2), "10");
  EXPECT_EQ(real_to_str(255, 2, 1.0L).str(), std::string(251, ' ') + "1.00");
}

TEST(CaseChange, TouchesAsciiLettersOnly) {
  EXPECT_EQ(upcase_char('a'), 'A');
  EXPECT_EQ(upcase_char('z'), 'Z');
  EXPECT_EQ(upcase_char('A'), 'A');
  EXPECT_EQ(upcase_char('{'), '{');
  EXPECT_EQ(upcase_char('\xE4'), '\xE4');
  EXPECT_EQ(upper_case("abc-XYZ_09 \xC3\xA4"), "ABC-XYZ_09 \xC3\xA4");
  EXPECT_EQ(lower_case("ABC-xyz_09@[ \xC3\x84"), "abc-xyz_09@[ \xC3\x84");
}

TEST(Padding, FillsUpToTheWidthAndLeavesLongerTextsAlone) {
  EXPECT_EQ(pad_blanks("ABC", 2), "ABC");
  EXPECT_EQ(pad_blanks("ABC", 5), "ABC  ");
  EXPECT_EQ(pad_char("", '*', 3), "***");
  EXPECT_EQ(pad_char("ab", '.', 2), "ab");
  EXPECT_EQ(left_pad_char("7", '0', 2), "07");
  EXPECT_EQ(left_pad_char("123", '0', 2), "123");
  EXPECT_EQ(left_pad_char("", ' ', 0), "");
  EXPECT_EQ(pad_char(std::string(200, 'a'), '-', 255).str(), std::string(200, 'a') + std::string(55, '-'));
}

TEST(Trimming, RemovesBlanksAndControlCharactersOnly) {
  EXPECT_EQ(trim("\t \001abc d \r\n"), "abc d");
  EXPECT_EQ(trim_trailing(" a\t\x1F "), " a");
  EXPECT_EQ(trim("   "), "");
  EXPECT_EQ(trim(""), "");
  EXPECT_EQ(trim_trailing("\x7F"), "\x7F");
  // Bytes from 128 up are characters, not control codes.
  EXPECT_EQ(trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(Words, RunsOfDelimitersMakeNoEmptyWords) {
  const CharSet delimiters(" ,");
  EXPECT_EQ(word_count("  a,,bc  d ", delimiters), 3);
  EXPECT_EQ(extract_word(1, "  a,,bc  d ", delimiters), "a");
  EXPECT_EQ(extract_word(2, "  a,,bc  d ", delimiters), "bc");
  EXPECT_EQ(extract_word(3, "  a,,bc  d ", delimiters), "d");
  EXPECT_EQ(extract_word(4, "  a,,bc  d ", delimiters), "");
  EXPECT_EQ(extract_word(0, "  a,,bc  d ", delimiters), "");
  EXPECT_EQ(word_count("", delimiters), 0);
  EXPECT_EQ(word_count(",, ,", delimiters), 0);
  EXPECT_EQ(extract_word(1, "whole", CharSet()), "whole");

  std::string many;
  for (int i = 0; i < 128; ++i) many += "w ";
  const ShortText full(many);
  EXPECT_EQ(word_count(full, delimiters), 128);
  EXPECT_EQ(extract_word(128, full, delimiters), "w");
}

TEST(Words, TakeEveryByteAsADelimiter) {
  CharSet delimiters;
  delimiters.add('\0');
  delimiters.add('\xFF');
  const ShortText text(std::string("a\0b\377c", 5));
  EXPECT_EQ(word_count(text, delimiters), 3);
  EXPECT_EQ(extract_word(3, text, delimiters), "c");
}

}  // namespace
}  // namespace vx

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "foundation/long_text.h"

namespace vx {
namespace {

TEST(LongText, DecimalOutput) {
  EXPECT_EQ(lstr_long_to_str(-42), "-42");
  EXPECT_EQ(lstr_long_to_str(std::numeric_limits<std::int32_t>::min()), "-2147483648");
}

TEST(LongText, FilterAndCharExists) {
  EXPECT_EQ(lstr_filter("S1-13_0000", "-_"), "S1130000");
  EXPECT_EQ(lstr_filter("abc", ""), "abc");
  EXPECT_EQ(lstr_filter("", "x"), "");
  EXPECT_TRUE(lstr_char_exists("a:b", ':'));
  EXPECT_FALSE(lstr_char_exists("ab", ':'));
  EXPECT_TRUE(lstr_char_exists(std::string("a\0b", 3), '\0'));
}

TEST(LongText, WordsWithADelimiterText) {
  const std::string text = "  ab\t cd,,ef ";
  EXPECT_EQ(lstr_word_count(text, " \t,"), 3u);
  EXPECT_EQ(lstr_extract_word(2, text, " \t,"), "cd");
  EXPECT_EQ(lstr_extract_word(4, text, " \t,"), "");
  EXPECT_EQ(lstr_extract_word(0, text, " \t,"), "");

  const struct {
    std::size_t n;
    bool found;
    std::size_t position;
  } cases[] = {{1, true, 3}, {2, true, 7}, {3, true, 11}, {4, false, 0}, {0, false, 0}};
  for (const auto& c : cases) {
    std::size_t position = 99;
    EXPECT_EQ(lstr_word_position(c.n, text, " \t,", position), c.found) << c.n;
    EXPECT_EQ(position, c.position) << c.n;
  }
}

TEST(LongText, WordsBeyond255Characters) {
  std::string text;
  for (int i = 0; i < 1000; ++i) text += "word" + std::to_string(i) + " ";
  EXPECT_EQ(lstr_word_count(text, " "), 1000u);
  EXPECT_EQ(lstr_extract_word(1000, text, " "), "word999");
  std::size_t position = 0;
  ASSERT_TRUE(lstr_word_position(1000, text, " ", position));
  EXPECT_EQ(text.substr(position - 1, 7), "word999");
}

}  // namespace
}  // namespace vx

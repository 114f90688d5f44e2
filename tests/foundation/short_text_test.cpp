#include "foundation/short_text.h"

#include <gtest/gtest.h>

#include <string>

namespace vx {
namespace {

TEST(ShortText, CutsEveryWayOfGrowingAt255) {
  const std::string long_text(300, 'a');
  EXPECT_EQ(ShortText(long_text).size(), 255u);
  EXPECT_EQ(ShortText(400, 'x').size(), 255u);

  ShortText appended(std::string(250, 'b'));
  appended += "0123456789";
  EXPECT_EQ(appended.size(), 255u);
  EXPECT_EQ(appended.view().substr(250), "01234");
  appended += 'z';
  EXPECT_TRUE(appended.full());
  EXPECT_EQ(appended.back(), '4');
  EXPECT_EQ((appended + appended).size(), 255u);
}

TEST(ShortText, StaysNulTerminatedAndComparable) {
  ShortText text("abc");
  text += text;
  EXPECT_STREQ(text.c_str(), "abcabc");
  EXPECT_EQ(text, "abcabc");
  EXPECT_EQ(text.substr(2, 3), "cab");
  EXPECT_EQ(text.substr(9), "");
  text.truncate(1);
  EXPECT_EQ(text, ShortText("a"));
  text.truncate(10);
  EXPECT_EQ(text.size(), 1u);
  EXPECT_EQ("x" + text + 'y', "xay");
}

TEST(ShortText, TakesEmptyViewsWithoutData) {
  ShortText text{std::string_view()};
  text += std::string_view();
  EXPECT_TRUE(text.empty());
  EXPECT_EQ(text, std::string());
}

}  // namespace
}  // namespace vx

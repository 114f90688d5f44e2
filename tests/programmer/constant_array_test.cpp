#include <gtest/gtest.h>

#include "programmer/constant_array.h"

namespace vx::programmer {
namespace {

TEST(ConstantArray, RowsHaveANameAndANumber) {
  ConstantArray array;
  ASSERT_EQ(parse_constant_array("^   2^   8^ABCD  12XY     7^", array), ConstantArrayError::none);
  ASSERT_EQ(array.rows.size(), 2u);
  EXPECT_EQ(constant_row_name(array, 1), "ABCD");
  EXPECT_EQ(constant_row_number(array, 1), 12);
  EXPECT_EQ(constant_row_name(array, 2), "XY  ");
  EXPECT_EQ(constant_row_number(array, 2), 7);
  EXPECT_EQ(constant_row_name(array, 3), "    ");
  EXPECT_EQ(constant_row_number(array, 3), 16384);
  EXPECT_EQ(constant_row_number(array, 0), 16384);
}

TEST(ConstantArray, MalformedTextsAreRefused) {
  struct Case {
    const char* text;
    ConstantArrayError error;
  };
  const Case cases[] = {
      {"", ConstantArrayError::header},
      {"   2^   8^", ConstantArrayError::header},
      {"^  2z^   8^", ConstantArrayError::header},
      {"^   2   8^", ConstantArrayError::header},
      {"^   2^   8", ConstantArrayError::header},
      {"^  -1^   8^^", ConstantArrayError::header},
      {"^   1^ 200^", ConstantArrayError::header},
      {"^   2^   8^ABCD  12", ConstantArrayError::rows},
      {"^   1^   8^ABCD  12X", ConstantArrayError::rows},
  };
  for (const Case& c : cases) {
    ConstantArray array;
    EXPECT_EQ(parse_constant_array(c.text, array), c.error) << c.text;
    EXPECT_TRUE(array.rows.empty()) << c.text;
  }
}

}  // namespace
}  // namespace vx::programmer

#include "controls/messages.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace vx::controls {
namespace {

struct MessageCase {
  std::uint16_t number;
  const char* text;
};

class LookedUpMessage : public ::testing::TestWithParam<MessageCase> {};

TEST_P(LookedUpMessage, HasItsText) {
  EXPECT_EQ(MessageText(GetParam().number), GetParam().text);
  EXPECT_EQ(MessageByNumber(GetParam().number), GetParam().text);
}

// The first and last rows bound the search; the others sit between runs.
INSTANTIATE_TEST_SUITE_P(
    Rows, LookedUpMessage,
    ::testing::Values(MessageCase{30169, "Duplicate command found while adding a new command to the table"},
                      MessageCase{30178, "Duplicate key sequence"},
                      MessageCase{msg::required, "A value is required in this field"},
                      MessageCase{msg::label_not_attached, "Label not attached"},
                      MessageCase{msg::grid_table, "Grid"},
                      MessageCase{msg::false_char, "F"},
                      MessageCase{msg::command_names, "ccNone"},
                      MessageCase{msg::command_names + 7, "ccCtrlChar"},
                      MessageCase{msg::command_names + 41, "ccGotoMarker9"},
                      MessageCase{msg::command_names + 67, "ccSetMarker9"},
                      MessageCase{33843, "ccWordRight"}));

class MissingMessage : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(MissingMessage, IsUnknownOrEmpty) {
  EXPECT_EQ(MessageText(GetParam()), "Unknown");
  EXPECT_EQ(MessageByNumber(GetParam()), "");
}

// Between runs, below the first row, above the last, and rows not carried.
INSTANTIATE_TEST_SUITE_P(Numbers, MissingMessage,
                         ::testing::Values(30229, 30267, 30499, 0, 30168, 33844, 34541, 65535));

struct FillCase {
  const char* text;
  std::initializer_list<std::string_view> values;
  const char* filled;
};

TEST(FillPlaceholders, ReplacesLeftToRightAndNeverInsideAValue) {
  const FillCase cases[] = {
      {"between (%d) and (%d)", {"0", "65535"}, "between (0) and (65535)"},
      {"mask: %s", {"%s%d"}, "mask: %s%d"},
      {"%d and %d", {"1"}, "1 and %d"},
      {"100% done %", {"x"}, "100% done %"},
      {"no placeholder", {"x"}, "no placeholder"},
  };
  for (const FillCase& c : cases) {
    EXPECT_EQ(fill_placeholders(c.text, c.values), c.filled) << c.text;
  }
}

}  // namespace
}  // namespace vx::controls

#include "controls/exceptions.h"

#include <gtest/gtest.h>

#include <string>

namespace vx::controls {
namespace {

struct RangeCase {
  int data_type;
  const char* message;
};

class RangeValue : public ::testing::TestWithParam<RangeCase> {};

TEST_P(RangeValue, NamesTheRangeOfTheDataType) {
  EXPECT_STREQ(EInvalidRangeValue(GetParam().data_type, "mm/dd/yyyy").what(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    DataTypes, RangeValue,
    ::testing::Values(RangeCase{0, "Invalid range value"},
                      RangeCase{3, "Invalid range value"},
                      RangeCase{4, "Invalid range. Enter a value between (-2147483648) and (2147483647)"},
                      RangeCase{5, "Invalid range. Enter a value between (0) and (65535)"},
                      RangeCase{6, "Invalid range. Enter a value between (-32768) and (32767)"},
                      RangeCase{7, "Invalid range. Enter a value between (0) and (255)"},
                      RangeCase{8, "Invalid range. Enter a value between (-128) and (127)"},
                      RangeCase{9, "Invalid range. Enter a value between (-1.7e+38) and (+1.7e+38)"},
                      RangeCase{10, "Invalid range. Enter a value between (-1.1e+4932) and (+1.1e+4932)"},
                      RangeCase{11, "Invalid range. Enter a value between (-1.7e+308) and (+1.7e+308)"},
                      RangeCase{12, "Invalid range. Enter a value between (-3.4e+38) and (+3.4e+38)"},
                      RangeCase{13, "Invalid range. Enter a value between (-9.2e+18) and (+9.2e+18)"},
                      RangeCase{14, "Invalid date range. Enter a value using 'mm/dd/yyyy' as the format"},
                      RangeCase{15, "Invalid time range. Enter a value using 'mm/dd/yyyy' as the format"},
                      RangeCase{16, "Invalid range value"},
                      RangeCase{-1, "Invalid range value"}));

TEST(Exceptions, CarryTheirMessagesAndFamilies) {
  const auto message_of = [](auto&& thrower) -> std::string {
    try {
      thrower();
    } catch (const EOvcException& e) {
      return e.what();
    }
    return {};
  };
  EXPECT_EQ(message_of([] { throw ENoTimersAvailable(); }), "No Window's timers are available");
  EXPECT_EQ(message_of([] { throw EDuplicateCommand(); }),
            "Duplicate command found while adding a new command to the table");
  EXPECT_EQ(message_of([] { throw ETableNotFound(); }), "Command table not found or command table index out of range");
  EXPECT_EQ(message_of([] { throw EInvalidDataType(); }), "Invalid data type for this field");
  EXPECT_EQ(message_of([] { throw EOnSelectNotAssigned(); }), "OnSelect event is not assigned");
  EXPECT_EQ(message_of([] { throw EOnIsSelectedNotAssigned(); }), "OnIsSelected event is not assigned");
  EXPECT_EQ(message_of([] { throw EOvcException("plain"); }), "plain");

  EXPECT_THROW(throw EDuplicateCommand(), ECmdProcessorError);
  EXPECT_THROW(throw ETableNotFound(), ECmdProcessorError);
  EXPECT_THROW(throw EInvalidRangeValue(5), EEntryFieldError);
  EXPECT_THROW(throw EInvalidPictureMask("x"), EEntryFieldError);
  EXPECT_THROW(throw EOnIsSelectedNotAssigned(), EVirtualListBoxError);
}

TEST(Exceptions, PictureMaskIsInsertedAsTextNeverAsFormat) {
  EXPECT_STREQ(EInvalidPictureMask("99%s%d").what(), "Invalid picture mask: 99%s%d");
}

}  // namespace
}  // namespace vx::controls

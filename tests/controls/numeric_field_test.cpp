#include "controls/numeric_field.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/exceptions.h"
#include "controls/intl_support.h"
#include "platform/ws/messages.h"
#include "platform/ws/shell.h"
#include "tests/controls/entry_field_test_support.h"

namespace vx::controls {
namespace {

using testing_support::keys;
using testing_support::typed;

class NumericField : public testing_support::EntryFieldTest {
 protected:
  void SetUp() override {
    EntryFieldTest::SetUp();
    saved_ = intl_support();
    intl_support().decimal_char = '.';
  }
  void TearDown() override {
    EntryFieldTest::TearDown();
    intl_support() = saved_;
  }

  // As the connection manager makes its fields: LongInt, no options.
  TOvcNumericField& long_field(std::string_view mask, const char* low = nullptr, const char* high = nullptr) {
    return add<TOvcNumericField>([&](TOvcNumericField& f) {
      f.SetPictureMask(mask);
      f.SetOptions(0);
      if (low != nullptr) f.SetRangeLo(low);
      if (high != nullptr) f.SetRangeHi(high);
    });
  }

  static void tab() { keys(ws::vk::tab); }

 private:
  TOvcIntlSup saved_;
};

TEST_F(NumericField, DigitsArriveAtTheRightEdgeAsOnACalculator) {
  TOvcNumericField& field = long_field("iiiiii");
  EXPECT_EQ(field.GetDisplayText(), "0") << "an empty number shows 0";
  field.set_focus();
  typed("0");
  EXPECT_EQ(field.GetDisplayText(), "0") << "a leading 0 adds nothing";
  typed("123");
  EXPECT_EQ(field.GetDisplayText(), "123");
  typed("-");
  EXPECT_EQ(field.GetDisplayText(), "-123");
  typed("-");
  EXPECT_EQ(field.GetDisplayText(), "123");
  typed("-45");
  EXPECT_EQ(field.GetDisplayText(), "-12345");
  const unsigned beeps = ws::beep_count();
  typed("6");
  EXPECT_EQ(ws::beep_count(), beeps + 1) << "six characters with the sign fill the field";
  EXPECT_EQ(field.GetDisplayText(), "-12345");
  for (const char* refused : {".", "+", " ", "a"}) {
    typed(refused);
    EXPECT_EQ(field.GetDisplayText(), "-12345") << refused;
  }
  EXPECT_EQ(ws::beep_count(), beeps + 5);
}

TEST_F(NumericField, BackspaceTakesOffTheLastDigitThenTheSign) {
  TOvcNumericField& field = long_field("iiiiii");
  field.set_focus();
  typed("123");
  keys(ws::vk::back);
  EXPECT_EQ(field.GetDisplayText(), "12");
  keys(ws::vk::back);
  keys(ws::vk::back);
  typed("-");
  EXPECT_EQ(field.GetDisplayText(), "-0");
  keys(ws::vk::back);
  EXPECT_EQ(field.GetDisplayText(), "0");
  typed("77");
  keys(ws::vk::home, ws::shift_shift);
  EXPECT_EQ(field.SelectionLength(), field.MaxLength()) << "a selection covers the whole number";
  typed("5");
  EXPECT_EQ(field.GetDisplayText(), "5") << "a digit replaces a selected number";
  keys(ws::vk::end, ws::shift_shift);
  keys(ws::vk::back);
  EXPECT_EQ(field.GetDisplayText(), "0");
}

TEST_F(NumericField, ADecimalMaskShowsOnlyTheDecimalsTyped) {
  TOvcNumericField& field = add<TOvcNumericField>([](TOvcNumericField& f) {
    f.SetDataType(TNumericDataType::nftExtended);
    f.SetPictureMask("#####.##");
  });
  field.set_focus();
  const struct {
    const char* typed;
    const char* shown;
  } steps[] = {{"12", "12"}, {".", "12."}, {"5", "12.5"}, {"9", "12.59"}};
  for (const auto& step : steps) {
    typed(step.typed);
    EXPECT_EQ(field.GetDisplayText(), step.shown) << step.typed;
  }
  field.SetAsString("0");
  field.set_focus();
  typed("12345");
  const unsigned beeps = ws::beep_count();
  typed("6");
  EXPECT_EQ(ws::beep_count(), beeps + 1) << "five integer digits at most";
  EXPECT_EQ(field.GetDisplayText(), "12345");
}

TEST_F(NumericField, TheCaretNeverMoves) {
  TOvcNumericField& field = long_field("iiiiii");
  field.set_focus();
  typed("42");
  for (const std::uint16_t key : {ws::vk::home, ws::vk::end, ws::vk::left, ws::vk::right, ws::vk::up, ws::vk::down}) {
    keys(key);
    EXPECT_EQ(field.CaretColumn(), 6u) << key;
  }
  EXPECT_TRUE(field.focused());
}

TEST_F(NumericField, LeavingBelowTheRangeKeepsTheFocus) {
  TOvcNumericField& field = long_field("iiiiii", "1", "1000");
  add<TOvcNumericField>();
  field.set_focus();
  EXPECT_EQ(field.GetDisplayText(), "1") << "the range's default";
  keys(ws::vk::back);
  EXPECT_EQ(field.GetDisplayText(), "0");
  tab();
  EXPECT_TRUE(field.focused());
  EXPECT_EQ(shown_errors(), std::vector<std::string>{"Value is not within required range"});
  EXPECT_EQ(field.LastError(), efe::range);
}

TEST_F(NumericField, ANumberBeyondThirtyTwoBitsIsNeverWrapped) {
  TOvcNumericField& bus_frequency = long_field("iiiiiiiiii", "0", "2147483647");
  add<TOvcNumericField>();
  bus_frequency.set_focus();
  typed("9999999999");
  tab();
  EXPECT_TRUE(bus_frequency.focused());
  EXPECT_EQ(shown_errors(), std::vector<std::string>{"Value is not valid for this field type"});
  EXPECT_EQ(bus_frequency.GetDisplayText(), "9999999999");
}

TEST_F(NumericField, StepsAreClampedToTheRange) {
  TOvcNumericField& field = long_field("iiiiiiiiii", "-5", "1000");
  field.set_focus();
  field.IncreaseValue(false, 1e10);
  EXPECT_EQ(field.GetAsInteger(), 1000);
  field.IncreaseValue(true, 1);
  EXPECT_EQ(field.GetAsInteger(), -5);
  keys(ws::vk::back);
  EXPECT_EQ(field.GetDisplayText(), "-0") << "the typed number follows a step";
}

TEST_F(NumericField, ATypeBringsItsMask) {
  TOvcNumericField& field = long_field("iiiiii");
  field.SetDataType(TNumericDataType::nftByte);
  EXPECT_EQ(field.PictureMask(), "999");
  EXPECT_EQ(field.MaxLength(), 3);
  EXPECT_EQ(field.RangeHi(), "255");
  EXPECT_THROW(field.SetDataType(static_cast<TNumericDataType>(10)), EOvcException);
}

TEST_F(NumericField, AssignCopiesTheProperties) {
  TOvcNumericField& source = long_field("iiii", "-50", "900");
  source.SetDataType(TNumericDataType::nftInteger);
  source.SetPictureMask("iiii");
  source.SetRangeLo("-50");
  source.SetPadChar('_');
  TOvcNumericField& copy = add<TOvcNumericField>();
  copy.Assign(source);
  EXPECT_EQ(copy.DataType(), TNumericDataType::nftInteger);
  EXPECT_EQ(copy.PictureMask(), "iiii");
  EXPECT_EQ(copy.RangeLo(), "-50");
  EXPECT_EQ(copy.RangeHi(), source.RangeHi());
  EXPECT_EQ(copy.PadChar(), '_');
  EXPECT_EQ(copy.Options(), source.Options());
}

}  // namespace
}  // namespace vx::controls

#include "controls/picture_field.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstddef>
#include <functional>
#include <string>

#include "controls/control_messages.h"
#include "controls/exceptions.h"
#include "controls/field_values.h"
#include "controls/intl_support.h"
#include "platform/local_time.h"
#include "tests/controls/entry_field_test_support.h"

namespace vx::controls {
namespace {

class ShownPicture : public TOvcPictureField {
 public:
  using TOvcPictureField::TOvcPictureField;
  using TOvcBaseEntryField::Text;
};

// The program's regional object set to known separators for each test.
class PictureTest : public testing_support::EntryFieldTest {
 protected:
  void SetUp() override {
    EntryFieldTest::SetUp();
    saved_ = intl_support();
    TOvcIntlSup& intl = intl_support();
    intl.left_currency = "$";
    intl.right_currency = "";
    intl.decimal_char = '.';
    intl.thousands_char = ',';
  }
  void TearDown() override {
    EntryFieldTest::TearDown();
    intl_support() = saved_;
  }

  // The mask set after loading, so the field takes its length.
  ShownPicture& picture(TPictureDataType type, std::string_view mask) {
    ShownPicture& field = add<ShownPicture>([&](ShownPicture& f) { f.SetDataType(type); });
    field.SetPictureMask(mask);
    return field;
  }

 private:
  TOvcIntlSup saved_;
};

struct MergeCase {
  TPictureDataType type;
  const char* mask;
  const char* value;
  const char* text;
};

TEST_F(PictureTest, ValuesAreLaidIntoTheMask) {
  using enum TPictureDataType;
  const MergeCase cases[] = {
      {pftExtended, "#######.##", "12.5", "     12.50"},
      {pftExtended, "#######.##", "-3", "     -3.00"},
      {pftExtended, "#######.##", "", "      0.00"},
      {pftExtended, "$##,###.##", "1234.5", " $1,234.50"},
      {pftString, "###############", "10.0.0.1", "10.0.0.1       "},
      {pftLongInt, "KKKK", "1F", "001F"},
      {pftString, "(999) 999", "123456", "(123) 456"},
      // Digits the picture has no room for never make another number.
      {pftExtended, "#######.##", "12345678", "*******.**"},
      {pftLongInt, "iii", "-123", "***"},
      {pftLongInt, "iii", "1234", "***"},
      // Fraction digits beyond the picture's are dropped.
      {pftExtended, "##.#", "1.25", " 1.2"},
  };
  for (const MergeCase& test : cases) {
    ShownPicture& field = picture(test.type, test.mask);
    EXPECT_EQ(field.MergeIntoPicture(test.value), test.text) << test.mask << " " << test.value;
  }
}

TEST_F(PictureTest, StrippingGivesTheValueBack) {
  using enum TPictureDataType;
  ShownPicture& address = picture(pftString, "###############");
  EXPECT_EQ(address.StripPicture("10.0.0.1       "), "10.0.0.1       ");
  ShownPicture& money = picture(pftExtended, "$##,###.##");
  EXPECT_EQ(money.StripPicture(" $1,234.50"), " 1234.50");
  ShownPicture& phone = picture(pftString, "(999) 999");
  EXPECT_EQ(phone.StripPicture("(123) 456"), "123456");
}

TEST_F(PictureTest, AMaskShorterThanTheFieldRepeatsItsLastCharacter) {
  ShownPicture& field = add<ShownPicture>([](ShownPicture& f) {
    f.SetPictureMask("99-9");
    f.SetMaxLength(6);
  });
  EXPECT_EQ(field.MergeIntoPicture("1234"), "12-34 ");
  EXPECT_EQ(field.LastEditablePos(), 5u);
}

TEST_F(PictureTest, WhileFocusedTheFloatingLiteralsMakeWayForTheNumber) {
  ShownPicture& field = picture(TPictureDataType::pftExtended, "$##,###.##");
  field.SetAsString("1234.5");
  EXPECT_EQ(field.Text(), " $1,234.50");
  field.set_focus();
  testing_support::keys(ws::vk::home);
  EXPECT_EQ(field.Text(), "   1234.50");
  EXPECT_EQ(field.FirstEditablePos(), 2u);
  add<ShownPicture>().set_focus();
  ws::process_messages();
  EXPECT_EQ(field.Text(), " $1,234.50") << "the literals come back on leaving";
}

TEST_F(PictureTest, ACurrencyTextLongerThanItsRunIsCutToTheRun) {
  intl_support().left_currency = "EUR";
  intl_support().right_currency = "kr.";
  ShownPicture& left = picture(TPictureDataType::pftExtended, "c###.##");
  EXPECT_EQ(left.MergeIntoPicture("12.5"), "E 12.50");
  ShownPicture& right = picture(TPictureDataType::pftExtended, "###.##CC");
  EXPECT_EQ(right.MergeIntoPicture("12.5"), " 12.50kr");
}

TEST_F(PictureTest, TheTrimFieldHoldsItsTwoDecimals) {
  ShownPicture& field = add<ShownPicture>([](ShownPicture& f) {
    f.SetDataType(TPictureDataType::pftExtended);
    f.SetPictureMask("#######.##");
    f.SetMaxLength(10);
    f.SetOptions(efoCaretToEnd);
  });
  struct {
    const char* value;
    const char* text;
    std::uint16_t error;
  } const cases[] = {
      {"32", "     32.00", 0},
      {"1.23456", "      1.23", 0},
      {"31250", "  31250.00", 0},
      {"12345678", "*******.**", efe::invalid},
  };
  for (const auto& test : cases) {
    field.SetAsString(test.value);
    EXPECT_EQ(field.Text(), test.text) << test.value;
    EXPECT_EQ(field.Text().size(), field.MaxLength());
    std::array<std::byte, 10> value{};
    EXPECT_EQ(field.GetValue(value), test.error) << test.value;
  }
  field.SetAsString("32");
  std::array<std::byte, 10> value{};
  ASSERT_EQ(field.GetValue(value), 0);
  EXPECT_EQ(ReadExtended(value), 32.0L);
}

TEST_F(PictureTest, ATypeBringsItsMaskAndRange) {
  using enum TPictureDataType;
  ShownPicture& field = add<ShownPicture>([](ShownPicture& f) { f.SetOptions(0); });
  field.SetDataType(pftWord);
  EXPECT_EQ(field.PictureMask(), "99999");
  EXPECT_EQ(field.Mask(), "99999");
  EXPECT_EQ(field.MaxLength(), 5);
  EXPECT_NE(field.Options() & efoCaretToEnd, 0);
  EXPECT_EQ(field.RangeHi(), "65535");
  EXPECT_THROW(field.SetDataType(static_cast<TPictureDataType>(17)), EOvcException);
  field.SetDataType(pftDateTime);
  EXPECT_EQ(field.DataTypeCode(), fld::Date) << "a date-and-time has the date's field id";
  EXPECT_EQ(field.DataSize(), 8u) << "its value is a floating number";
}

TEST_F(PictureTest, StepsStayWithinTheRange) {
  ShownPicture& field = add<ShownPicture>([](ShownPicture& f) {
    f.SetDataType(TPictureDataType::pftLongInt);
    f.SetRangeLo("1");
    f.SetRangeHi("10");
  });
  field.SetAsString("10");
  field.set_focus();
  field.IncreaseValue(false, 1);
  EXPECT_EQ(field.GetAsInteger(), 10) << "without wrap the value stays";
  field.IncreaseValue(true, 1);
  EXPECT_EQ(field.GetAsInteger(), 1);
  field.IncreaseValue(false, 1e10);
  EXPECT_EQ(field.GetAsInteger(), 10) << "a huge step ends at the bound";
  field.DecreaseValue(false, 1e10);
  EXPECT_EQ(field.GetAsInteger(), 1);
}

TEST_F(PictureTest, ACharStepThatFindsNothingEnds) {
  ShownPicture& field = add<ShownPicture>([](ShownPicture& f) {
    f.SetDataType(TPictureDataType::pftChar);
    f.SetPictureMask("9");
    f.SetRangeLo("A");
    f.SetRangeHi("Z");
  });
  field.SetAsString("A");
  field.set_focus();
  field.IncreaseValue(true, 1);
  EXPECT_EQ(field.Text(), "A") << "no digit lies between A and Z";
  EXPECT_EQ(field.CaretColumn(), 0u);
}

TEST_F(PictureTest, AMonthStepFromTheLastOfJanuaryEndsInFebruary) {
  ShownPicture& field = picture(TPictureDataType::pftDate, "mm/dd/yyyy");
  struct {
    const char* from;
    const char* to;
  } const cases[] = {{"01/31/2024", "02/29/2024"}, {"01/31/2023", "02/28/2023"}};
  for (const auto& test : cases) {
    field.SetAsString(test.from);
    field.set_focus();
    field.SetCaretColumn(0);
    field.IncreaseValue(false, 1);
    EXPECT_EQ(field.Text(), test.to) << test.from;
  }
  EXPECT_EQ(field.ValidateSelf(false), 0);
  field.SetAsString("13/45/2024");
  EXPECT_EQ(field.Text(), "  /  /    ") << "no date";
}

TEST_F(PictureTest, EachTypeChecksItsText) {
  using enum TPictureDataType;
  struct CheckCase {
    TPictureDataType type;
    const char* mask;
    const char* text;
    std::uint16_t error;
  };
  const CheckCase cases[] = {
      {pftBoolean, "B", "T", 0},         {pftBoolean, "B", "Y", efe::range},
      {pftYesNo, "Y", "n", 0},           {pftLongInt, "iiii", "12-3", efe::invalid},
      {pftByte, "999", "256", efe::range}, {pftDate, "mm/dd/yyyy", "02/30/2024", efe::bad_date},
      {pftDate, "mm/dd/yyyy", "  /  /    ", 0}, {pftTime, "hh:mm", "25:00", efe::bad_time},
      {pftTime, "hh:mm", "  :  ", 0},    {pftDateTime, "##########", "1.5", 0},
      {pftDateTime, "##########", "1.5.5", efe::invalid},
  };
  for (const CheckCase& test : cases) {
    ShownPicture& field = picture(test.type, test.mask);
    field.Text() = test.text;
    EXPECT_EQ(field.ValidateSelf(false), test.error) << test.mask << " " << test.text;
  }
}

TEST_F(PictureTest, ATimeStepWrapsAtMidnightOnlyWhenAsked) {
  ShownPicture& field = picture(TPictureDataType::pftTime, "hh:mm");
  field.SetAsString("23:30");
  field.set_focus();
  field.SetCaretColumn(0);
  field.IncreaseValue(false, 1);
  EXPECT_EQ(field.Text(), "23:30");
  field.IncreaseValue(true, 1);
  EXPECT_EQ(field.Text(), "00:30");
}

TEST_F(PictureTest, UninitializedShowsBlanksAndPaddingShowsInDataPositions) {
  ShownPicture& field = picture(TPictureDataType::pftString, "(999) 999");
  field.SetPadChar('_');
  EXPECT_EQ(field.GetDisplayText(), "(___) ___");
  field.SetUninitialized(true);
  EXPECT_EQ(field.GetDisplayText(), std::string(9, ' '));
}

TEST_F(PictureTest, ALiteralPictureDropsRightJustifyAndTrimBlanks) {
  ShownPicture& field = add<ShownPicture>([](ShownPicture& f) { f.SetOptions(efoRightJustify | efoTrimBlanks); });
  field.SetPictureMask("99-99");
  EXPECT_EQ(field.Options() & (efoRightJustify | efoTrimBlanks), 0);
}

TEST_F(PictureTest, TypedSettersStoreDayNumbersAndSeconds) {
  using enum TPictureDataType;
  using Setter = std::function<void(TOvcBaseEntryField&)>;
  const auto at = [](platform::LocalTime when) { return [when](TOvcBaseEntryField& f) { f.SetAsDateTime(when); }; };
  struct SetterCase {
    TPictureDataType type;
    const char* mask;
    const char* what;
    Setter set;
    std::int32_t value;
  };
  const SetterCase cases[] = {
      {pftDate, "mm/dd/yyyy", "1 January 1600", at({1600, 1, 1}), 0},
      {pftDate, "mm/dd/yyyy", "31 December 3999", at({3999, 12, 31}), 876581},
      {pftDate, "mm/dd/yyyy", "29 February 2024", at({2024, 2, 29, 13, 5, 7}), 154922},
      {pftDate, "mm/dd/yyyy", "31 December 1599", at({1599, 12, 31}), -1},
      {pftDate, "mm/dd/yyyy", "1 January 4000", at({4000, 1, 1}), -1},
      {pftDate, "mm/dd/yyyy", "30 February 2024", at({2024, 2, 30}), -1},
      {pftDate, "mm/dd/yyyy", "day number 876581", [](TOvcBaseEntryField& f) { f.SetAsDayNumber(876581); }, 876581},
      {pftTime, "hh:mm:ss", "midnight", at({2024, 2, 29, 0, 0, 0}), 0},
      {pftTime, "hh:mm:ss", "23:59:59", at({2024, 2, 29, 23, 59, 59}), 86399},
      {pftTime, "hh:mm:ss", "24:00:00", at({2024, 2, 29, 24, 0, 0}), -1},
      {pftTime, "hh:mm:ss", "second 0", [](TOvcBaseEntryField& f) { f.SetAsSeconds(0); }, 0},
      {pftTime, "hh:mm:ss", "second 86399", [](TOvcBaseEntryField& f) { f.SetAsSeconds(86399); }, 86399},
  };
  for (const SetterCase& test : cases) {
    ShownPicture& field = picture(test.type, test.mask);
    std::array<std::byte, 4> value{};
    WriteAs<std::int32_t>(value, 12345);
    field.SetValue(value);
    test.set(field);
    value.fill(std::byte{0x55});
    ASSERT_EQ(field.GetValue(value), 0) << test.what;
    EXPECT_EQ(ReadAs<std::int32_t>(value), test.value) << test.what;
  }
}

TEST_F(PictureTest, TypedSettersRefuseFieldsOfOtherTypes) {
  using enum TPictureDataType;
  const platform::LocalTime noon{2024, 6, 1, 12, 0, 0};
  for (const TPictureDataType type : {pftString, pftLongInt, pftExtended, pftDateTime}) {
    ShownPicture& field = add<ShownPicture>([type](ShownPicture& f) { f.SetDataType(type); });
    const std::string text = field.Text();
    EXPECT_THROW(field.SetAsDateTime(noon), EInvalidDataType) << static_cast<int>(type);
    EXPECT_THROW(field.SetAsDayNumber(0), EInvalidDataType) << static_cast<int>(type);
    EXPECT_THROW(field.SetAsSeconds(0), EInvalidDataType) << static_cast<int>(type);
    EXPECT_EQ(field.Text(), text) << static_cast<int>(type);
  }
  EXPECT_THROW(picture(pftDate, "mm/dd/yyyy").SetAsSeconds(0), EInvalidDataType);
  EXPECT_THROW(picture(pftTime, "hh:mm:ss").SetAsDayNumber(0), EInvalidDataType);
  EXPECT_THROW(add_field().SetAsDateTime(noon), EInvalidDataType) << "a simple String field";
}

TEST_F(PictureTest, AStrippedStringValueLeavesTheLiteralsOut) {
  ShownPicture& field = picture(TPictureDataType::pftString, "(999) 999");
  ASSERT_EQ(field.MaxLength(), 9);
  EXPECT_EQ(field.DataSize(), 10u) << "literals included";
  field.SetOptions(field.Options() | efoStripLiterals);
  EXPECT_EQ(field.DataSize(), 7u);
  EXPECT_EQ(field.perform(MSG_GET_DATA_SIZE), 7);
  field.SetAsString("123456");
  EXPECT_EQ(field.Text(), "(123) 456");
  std::array<std::byte, 7> value{};
  ASSERT_EQ(field.GetValue(value), 0);
  EXPECT_EQ(ReadCounted(value), "123456");
  field.SetValue(value);
  EXPECT_EQ(field.Text(), "(123) 456");
}

TEST_F(PictureTest, ADateTimeFieldKeepsAllItsOptions) {
  using enum TPictureDataType;
  constexpr TOvcEntryFieldOptions options = efoArrowIncDec | efoTrimBlanks | efoRightJustify | efoStripLiterals;
  const struct {
    TPictureDataType type;
    TOvcEntryFieldOptions kept;
  } cases[] = {
      {pftDate, efoArrowIncDec},
      {pftTime, efoArrowIncDec},
      {pftDateTime, options},
  };
  for (const auto& test : cases) {
    ShownPicture& field = add<ShownPicture>([&test](ShownPicture& f) { f.SetDataType(test.type); });
    field.SetOptions(options);
    EXPECT_EQ(field.Options(), test.kept) << static_cast<int>(test.type);
    EXPECT_EQ(field.DataTypeCode(), test.type == pftTime ? fld::Time : fld::Date) << "the field id stays";
  }
}

TEST_F(PictureTest, AssignCopiesThePropertiesWithTheEpochTheSourceAnswers) {
  using enum TPictureDataType;
  ShownPicture& source = picture(pftLongInt, "KKKK");
  source.SetRangeHi("7FF");
  source.SetPasswordChar('#');
  source.SetInitDateTime(true);
  source.OnGetEpoch = [](const TOvcBaseEntryField&, std::int32_t& epoch) { epoch = 1930; };
  ShownPicture& copy = add<ShownPicture>();
  copy.Assign(source);
  EXPECT_EQ(copy.DataType(), pftLongInt);
  EXPECT_EQ(copy.PictureMask(), "KKKK");
  EXPECT_EQ(copy.RangeHiCell(), source.RangeHiCell());
  EXPECT_EQ(copy.PasswordChar(), '#');
  EXPECT_TRUE(copy.InitDateTime());
  EXPECT_EQ(copy.Epoch(), 1930) << "the epoch is the one the source's handler gave";
}

}  // namespace
}  // namespace vx::controls

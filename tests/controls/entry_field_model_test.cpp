#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>

#include "controls/control_messages.h"
#include "controls/exceptions.h"
#include "controls/simple_field.h"
#include "platform/ws/font.h"
#include "tests/controls/entry_field_test_support.h"

namespace vx::controls {
namespace {

using EntryFieldModel = testing_support::EntryFieldTest;

TEST_F(EntryFieldModel, ConstructionGivesTheDefaults) {
  TOvcSimpleField& field = add_field();
  EXPECT_EQ(field.width(), 130);
  EXPECT_TRUE(field.tab_stop());
  EXPECT_TRUE(field.AutoSize());
  EXPECT_EQ(field.BorderStyle(), ws::BorderStyle::single);
  EXPECT_EQ(field.ControlCharColor(), ws::color::red);
  EXPECT_EQ(field.MaxLength(), 15);
  EXPECT_EQ(field.Options(), efoCaretToEnd | efoTrimBlanks);
  EXPECT_EQ(field.PadChar(), ' ');
  EXPECT_EQ(field.PasswordChar(), '*');
  EXPECT_EQ(field.TextMargin(), 2);
  EXPECT_EQ(field.ZeroDisplay(), TZeroDisplay::zdShow);
  EXPECT_EQ(field.Mask(), "X");
  EXPECT_EQ(field.FieldClass(), TFieldClass::simple);
  EXPECT_EQ(field.State(), efsInsertMode | efsAcceptChar);
  EXPECT_EQ(field.perform(MSG_GET_DATA_SIZE), 16) << "a counted text of MaxLength";
}

struct MaxLengthCase {
  bool loading;
  std::uint16_t set;
  std::uint16_t expected;
};

TEST_F(EntryFieldModel, MaxLengthTakesOnlyLengthsTheTextHasRoomFor) {
  const MaxLengthCase cases[] = {
      {true, 0, 1},      // becomes the mask's length when the window is made
      {true, 300, 255},  // the edit text has room for 255 only
      {false, 256, 15}, {false, 0, 15}, {false, 255, 255}, {false, 4, 4},
  };
  for (const MaxLengthCase& test : cases) {
    TOvcSimpleField& field = add_field([&](TOvcSimpleField& f) {
      if (test.loading) f.SetMaxLength(test.set);
    });
    if (!test.loading) field.SetMaxLength(test.set);
    EXPECT_EQ(field.MaxLength(), test.expected) << test.set;
  }
  // A MaxLength below the mask's length is refused.
  TOvcSimpleField& address = add_field([](TOvcSimpleField& f) { f.SetMaxLength(4); });
  address.SetAsString("ABCD");
  address.SetMaxLength(2);
  EXPECT_EQ(address.GetAsString(), "AB") << "a shorter MaxLength cuts the text";
}

struct OptionsCase {
  TSimpleDataType type;
  TOvcEntryFieldOptions set;
  TOvcEntryFieldOptions expected;
};

TEST_F(EntryFieldModel, OptionsDropWhatDoesNotFitTheType) {
  constexpr TOvcEntryFieldOptions all = 0x0FFF;
  const OptionsCase cases[] = {
      {TSimpleDataType::sftString, efoForceInsert | efoForceOvertype, efoForceInsert},
      {TSimpleDataType::sftString, efoRightJustify, efoTrimBlanks},
      {TSimpleDataType::sftChar, all,
       all & ~(efoCaretToEnd | efoForceInsert | efoTrimBlanks | efoRightJustify | efoStripLiterals |
               efoForceOvertype)},
      {TSimpleDataType::sftLongInt, efoTrimBlanks | efoRightJustify | efoArrowIncDec, efoArrowIncDec},
  };
  for (const OptionsCase& test : cases) {
    TOvcSimpleField& field = add_field([&](TOvcSimpleField& f) {
      f.SetDataType(test.type);
      f.SetOptions(test.set);
    });
    EXPECT_EQ(field.Options(), test.expected) << static_cast<int>(test.type);
    field.SetOptions(test.set);
    EXPECT_EQ(field.Options(), test.expected) << "also when set at run time";
  }
}

TEST_F(EntryFieldModel, AMaskChangeKeepsTheValue) {
  TOvcSimpleField& field = add_field([](TOvcSimpleField& f) { f.SetDataType(TSimpleDataType::sftLongInt); });
  field.SetAsString("255");
  field.SetPictureMask('K');
  EXPECT_EQ(field.GetAsInteger(), 255);
  EXPECT_EQ(field.GetAsString(), "000000FF") << "shown in hexadecimal now";
  EXPECT_THROW(field.SetPictureMask('D'), EInvalidPictureMask);
  EXPECT_EQ(field.PictureMask(), 'K');
}

TEST_F(EntryFieldModel, AutoSizeFollowsTheFontUnlessTheFormSetsAHeight) {
  TOvcSimpleField& sized = add_field();
  const int auto_height = sized.height();
  EXPECT_NE(auto_height, 25) << "the height follows the font";
  ws::Font big = sized.font();
  big.height = 20;
  sized.set_font(big);
  EXPECT_EQ(sized.height(), ws::font_metrics(big).height + 8);
  EXPECT_GT(sized.height(), auto_height);
  EXPECT_TRUE(sized.AutoSize());

  TOvcSimpleField& fixed = add_field([](TOvcSimpleField& f) {
    f.SetAutoSize(false);
    f.set_bounds(20, 200, 130, 40);
  });
  EXPECT_EQ(fixed.height(), 40);
  fixed.set_bounds(20, 200, 130, 33);
  sized.set_bounds(20, 20, 130, 50);
  EXPECT_FALSE(sized.AutoSize()) << "a new height at run time turns AutoSize off";
}

TEST_F(EntryFieldModel, PropertySettersKeepToTheirSets) {
  TOvcSimpleField& field = add_field();
  field.SetTextMargin(1);
  EXPECT_EQ(field.TextMargin(), 2);
  field.SetTextMargin(5);
  EXPECT_EQ(field.TextMargin(), 5);
  field.SetOptions(efoPasswordMode);
  field.SetPasswordChar('\0');
  EXPECT_EQ(field.Options() & efoPasswordMode, 0);
  field.SetEpoch(1500);
  EXPECT_EQ(field.Epoch(), controller->GetEpoch());
  field.SetEpoch(1900);
  EXPECT_EQ(field.Epoch(), 1900);
  field.Borders().RightBorder().SetEnabled(true);
  EXPECT_EQ(field.BorderStyle(), ws::BorderStyle::none) << "drawn borders replace the window border";
  field.Borders().RightBorder().SetEnabled(false);
  EXPECT_EQ(field.BorderStyle(), ws::BorderStyle::single);
}

TEST_F(EntryFieldModel, StoredRangeCellsAreTakenUnchanged) {
  TOvcSimpleField& field = add_field([](TOvcSimpleField& f) {
    f.SetDataType(TSimpleDataType::sftWord);
    RangeCell low{};
    RangeCell high{};
    low[0] = std::byte{10};
    high[0] = std::byte{20};
    f.SetRangeCells(low, high);
  });
  EXPECT_EQ(field.RangeLo(), "10");
  EXPECT_EQ(field.RangeHi(), "20");
  EXPECT_EQ(field.GetAsInteger(), 10) << "the default value kept within the range";
}

}  // namespace
}  // namespace vx::controls

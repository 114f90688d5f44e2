#include <gtest/gtest.h>

#include <string>

#include "controls/intl_support.h"
#include "controls/picture_field.h"
#include "platform/ws/clipboard.h"
#include "platform/ws/messages.h"
#include "platform/ws/shell.h"
#include "tests/controls/entry_field_test_support.h"

namespace vx::controls {
namespace {

using testing_support::keys;
using testing_support::typed;

class EditedPicture : public TOvcPictureField {
 public:
  using TOvcPictureField::TOvcPictureField;
  using TOvcBaseEntryField::Text;
};

class PictureEditing : public testing_support::EntryFieldTest {
 protected:
  void SetUp() override {
    EntryFieldTest::SetUp();
    saved_ = intl_support();
    intl_support().decimal_char = '.';
    intl_support().thousands_char = ',';
  }
  void TearDown() override {
    EntryFieldTest::TearDown();
    intl_support() = saved_;
  }

  EditedPicture& trim_field() {
    return add<EditedPicture>([](EditedPicture& f) {
      f.SetDataType(TPictureDataType::pftExtended);
      f.SetPictureMask("#######.##");
      f.SetMaxLength(10);
      f.SetOptions(efoCaretToEnd);
    });
  }
  EditedPicture& address_field() {
    return add<EditedPicture>([](EditedPicture& f) {
      f.SetDataType(TPictureDataType::pftString);
      f.SetPictureMask("###############");
      f.SetMaxLength(15);
      f.SetZeroDisplay(TZeroDisplay::zdHide);
    });
  }
  void paste(std::string_view text) {
    ws::set_clipboard_text(text);
    keys('V', ws::shift_ctrl);
  }

 private:
  TOvcIntlSup saved_;
};

TEST_F(PictureEditing, TheDecimalCharacterClosesTheDigitsUpAgainstThePoint) {
  EditedPicture& field = trim_field();
  field.set_focus();
  keys(ws::vk::home);
  typed("12");
  EXPECT_EQ(field.Text(), "12     .00");
  typed(".");
  EXPECT_EQ(field.Text(), "     12.00");
  EXPECT_EQ(field.CaretColumn(), 8u) << "on the first fraction position";

  field.SetAsString("");
  keys(ws::vk::home);
  typed(".");
  EXPECT_EQ(field.Text(), "      0.00") << "a blank integer part becomes 0";
}

TEST_F(PictureEditing, CrossingThePointNormalisesTheSideLeft) {
  EditedPicture& field = trim_field();
  field.set_focus();
  keys(ws::vk::home);
  typed("12");
  for (int i = 0; i < 5; ++i) keys(ws::vk::right);
  EXPECT_EQ(field.CaretColumn(), 8u) << "the caret skips the point";
  EXPECT_EQ(field.Text(), "     12.00");
  keys(ws::vk::del);
  keys(ws::vk::del);
  EXPECT_EQ(field.Text(), "     12.  ");
  keys(ws::vk::left);
  EXPECT_EQ(field.CaretColumn(), 6u);
  EXPECT_EQ(field.Text(), "     12.00") << "the fraction's trailing blanks become zeros";
}

TEST_F(PictureEditing, AFullRunRefusesInsertionButTakesOverwriting) {
  controller->EntryOptions &= ~efoInsertPushes;
  EditedPicture& field = address_field();
  field.SetAsString("123456789012345");
  field.set_focus();
  keys(ws::vk::home);
  const unsigned beeps = ws::beep_count();
  typed("9");
  EXPECT_EQ(ws::beep_count(), beeps + 1);
  EXPECT_EQ(field.Text(), "123456789012345");
  keys(ws::vk::insert);
  typed("9");
  EXPECT_EQ(field.Text(), "923456789012345");
  EXPECT_EQ(field.CaretColumn(), 1u);
}

TEST_F(PictureEditing, AtTheFirstPositionBackspaceDoesNothingAndLeftAdvancesOnlyWhenAsked) {
  EditedPicture& before = address_field();
  EditedPicture& field = address_field();
  field.SetAsString("10.0.0.1");
  field.set_focus();
  keys(ws::vk::home);
  keys(ws::vk::back);
  EXPECT_EQ(field.Text(), "10.0.0.1       ");
  keys(ws::vk::left);
  EXPECT_TRUE(field.focused());
  controller->EntryOptions |= efoAutoAdvanceLeftRight;
  keys(ws::vk::left);
  EXPECT_TRUE(before.focused());
}

TEST_F(PictureEditing, PastingOverTheWholeTextKeepsTheDigitsTheMaskTakes) {
  EditedPicture& field = trim_field();
  add<EditedPicture>();
  field.SetAsString("5");
  field.set_focus();
  field.SetSelection(0, 10);
  paste("1,234");
  EXPECT_EQ(field.Text(), "1234   .00");
  keys(ws::vk::tab);
  EXPECT_EQ(field.Text(), "   1234.00");
}

TEST_F(PictureEditing, SelectionsNeverEndPastTheText) {
  EditedPicture& field = address_field();
  field.SetAsString("10.0.0.1");
  field.set_focus();
  keys(ws::vk::home);
  keys(ws::vk::left, ws::shift_shift);
  EXPECT_EQ(field.SelectionLength(), 0u) << "extending left of 0 is refused";
  keys(ws::vk::end, ws::shift_shift);
  EXPECT_EQ(field.SelectionStart(), 0u);
  EXPECT_EQ(field.SelectionEnd(), 15u);
  keys(ws::vk::right, ws::shift_shift);
  keys(ws::vk::right, ws::shift_shift | ws::shift_ctrl);
  EXPECT_EQ(field.SelectionEnd(), 15u);
  keys('C', ws::shift_ctrl);
  EXPECT_EQ(ws::clipboard_text(), "10.0.0.1       ");
}

TEST_F(PictureEditing, PastingFifteenDigitsIsAChange) {
  EditedPicture& field = address_field();
  int changes = 0;
  field.OnChange = [&changes](TOvcBaseEntryField&) { ++changes; };
  field.set_focus();
  keys(ws::vk::home);
  paste("123456789012345");
  EXPECT_EQ(field.Text(), "123456789012345");
  EXPECT_EQ(changes, 1);
  EXPECT_TRUE(field.HasState(efsModified));
}

TEST_F(PictureEditing, ACharFieldKeepsItsCaretOnItsOnePosition) {
  EditedPicture& field = add<EditedPicture>([](EditedPicture& f) { f.SetDataType(TPictureDataType::pftChar); });
  field.set_focus();
  for (const std::uint16_t key : {ws::vk::end, ws::vk::right, ws::vk::home, ws::vk::left}) {
    keys(key);
    EXPECT_EQ(field.CaretColumn(), 0u) << key;
  }
  typed("q");
  EXPECT_EQ(field.Text(), "q");
  EXPECT_EQ(field.CaretColumn(), 0u);
}

// Restore puts back the text saved on entry, fitted to the field as it is now.
TEST_F(PictureEditing, RestoreAfterTheMaskGrewOrShrankFitsTheField) {
  EditedPicture& field = add<EditedPicture>([](EditedPicture& f) { f.SetDataType(TPictureDataType::pftString); });
  field.SetPictureMask("99999");
  field.SetAsString("12345");
  field.set_focus();
  field.SetPictureMask("999999999");
  field.SetMaxLength(12);
  keys('Z', ws::shift_ctrl);
  EXPECT_EQ(field.Text(), "12345       ");
  keys(ws::vk::end);
  typed("67");
  EXPECT_EQ(field.Text(), "1234567     ");
  EXPECT_TRUE(shown_errors().empty()) << shown_errors().front();

  field.SetPictureMask("999");
  ASSERT_EQ(field.MaxLength(), 3);
  keys('Z', ws::shift_ctrl);
  EXPECT_EQ(field.Text(), "123");
  keys(ws::vk::end);
  typed("4");
  EXPECT_EQ(field.Text().size(), 3u);
  EXPECT_TRUE(shown_errors().empty()) << shown_errors().front();
}

}  // namespace
}  // namespace vx::controls

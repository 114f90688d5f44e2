#include "controls/simple_field.h"

#include <gtest/gtest.h>

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "controls/exceptions.h"
#include "controls/user_data.h"
#include "platform/ws/clipboard.h"
#include "platform/ws/input.h"
#include "platform/ws/messages.h"
#include "platform/ws/shell.h"
#include "tests/controls/entry_field_test_support.h"

namespace vx::controls {
namespace {

using testing_support::keys;
using testing_support::typed;

class SimpleField : public testing_support::EntryFieldTest {
 protected:
  TOvcSimpleField& command_box() {
    return add_field([](TOvcSimpleField& f) {
      f.SetDataType(TSimpleDataType::sftString);
      f.SetPictureMask('X');
      f.SetMaxLength(250);
    });
  }
  TOvcSimpleField& address_field() {
    TCharSet hex;
    for (const char c : std::string_view("0123456789ABCDEFX")) hex.set(static_cast<unsigned char>(c));
    address_data.SetUserCharSet('1', hex);
    address_data.SetForceCase('1', fcUpper);
    return add_field([this](TOvcSimpleField& f) {
      f.SetUserData(&address_data);
      f.SetPictureMask('1');
      f.SetMaxLength(4);
      f.SetPadChar('X');
    });
  }
  TOvcSimpleField& typed_field(TSimpleDataType type, const std::function<void(TOvcSimpleField&)>& more = {}) {
    return add_field([&](TOvcSimpleField& f) {
      f.SetDataType(type);
      if (more) more(f);
    });
  }

  TOvcUserData address_data;
};

TEST_F(SimpleField, TheCommandBoxHoldsAtMost250Characters) {
  TOvcSimpleField& box = command_box();
  box.SetAsString(std::string(250, 'a'));
  box.set_focus();
  keys(ws::vk::insert);
  ASSERT_FALSE(box.HasState(efsInsertMode));
  const unsigned beeps = ws::beep_count();
  typed("b");
  EXPECT_EQ(ws::beep_count(), beeps + 1) << "the 251st character beeps in overwrite mode";
  EXPECT_EQ(box.GetAsString(), std::string(250, 'a'));

  keys(ws::vk::insert);
  keys(ws::vk::home);
  typed("c");
  EXPECT_EQ(box.GetAsString(), "c" + std::string(249, 'a')) << "insert pushes the last character out";
  EXPECT_EQ(ws::beep_count(), beeps + 1);

  std::array<std::byte, 250> small{};
  EXPECT_THROW(box.GetValue(small), EOvcException) << "a buffer without room for the value";
  std::array<std::byte, 251> value{};
  EXPECT_EQ(box.GetValue(value), 0);
  EXPECT_EQ(std::to_integer<int>(value[0]), 250);
}

TEST_F(SimpleField, AnAddressFieldTakesHexDigitsAndShowsItsPadding) {
  TOvcSimpleField& field = address_field();
  EXPECT_EQ(field.GetDisplayText(), "") << "an empty field shows nothing";
  field.set_focus();
  typed("3f");
  EXPECT_EQ(field.GetDisplayText(), "3FXX");
  EXPECT_EQ(field.GetAsString(), "3F");
  const unsigned beeps = ws::beep_count();
  typed("g");
  EXPECT_EQ(ws::beep_count(), beeps + 1);
  EXPECT_EQ(field.GetAsString(), "3F");
}

TEST_F(SimpleField, SelectionKeysAndClicks) {
  TOvcSimpleField& field = command_box();
  field.SetAsString("abcdefg");
  field.set_focus();
  keys(ws::vk::home);
  for (int i = 0; i < 5; ++i) keys(ws::vk::right);
  keys(ws::vk::home, ws::shift_shift);
  EXPECT_EQ(field.SelectionStart(), 0u);
  EXPECT_EQ(field.SelectionEnd(), 5u);
  keys('C', ws::shift_ctrl);
  EXPECT_EQ(ws::clipboard_text(), "abcde");
  EXPECT_EQ(field.SelectionLength(), 5u);
  keys(ws::vk::del);
  EXPECT_EQ(field.GetAsString(), "fg");

  field.SetAsString("ab  cd");
  const int x = field.TextMargin() + ws::char_width(field.font(), 'a') + 1;
  ws::input::double_click(field, {x, 5});
  ws::process_messages();
  EXPECT_EQ(field.SelectionStart(), 0u);
  EXPECT_EQ(field.SelectionEnd(), 4u) << "the word and its trailing blanks";

  const int after_b = field.TextMargin() + ws::text_extent(field.font(), "ab").width - 1;
  ws::input::drag(field, {field.TextMargin(), 5}, {after_b, 5});
  ws::process_messages();
  EXPECT_EQ(field.SelectionStart(), 0u);
  EXPECT_EQ(field.SelectionEnd(), 2u);
}

TEST_F(SimpleField, WordCommands) {
  TOvcSimpleField& field = command_box();
  field.SetAsString("one two  three");
  field.set_focus();
  keys(ws::vk::home);
  keys(ws::vk::right, ws::shift_ctrl);
  EXPECT_EQ(field.CaretColumn(), 4u);
  keys(ws::vk::right, ws::shift_ctrl);
  EXPECT_EQ(field.CaretColumn(), 9u);
  keys(ws::vk::left, ws::shift_ctrl);
  EXPECT_EQ(field.CaretColumn(), 4u);
  keys(ws::vk::right, ws::shift_ctrl | ws::shift_shift);
  EXPECT_EQ(field.SelectionStart(), 4u);
  EXPECT_EQ(field.SelectionEnd(), 9u);
}

struct NumberCase {
  TSimpleDataType type;
  char mask;
  std::uint8_t places;
  std::string text;
  std::uint16_t code;
  std::string after;
};

TEST_F(SimpleField, NumbersAreCheckedAndTakeTheirNormalForm) {
  const NumberCase cases[] = {
      {TSimpleDataType::sftLongInt, 'i', 0, "0012", 0, "12"},
      {TSimpleDataType::sftLongInt, 'X', 0, "12a", 257, "12a"},
      {TSimpleDataType::sftLongInt, 'X', 0, "99999999999", 257, "99999999999"},  // beyond 32 bits
      {TSimpleDataType::sftByte, '9', 0, "300", 256, "300"},
      {TSimpleDataType::sftLongInt, 'O', 0, "1 2", 257, "1 2"},  // a blank is no octal digit
      {TSimpleDataType::sftLongInt, 'O', 0, "17", 0, "000000000017"},
      {TSimpleDataType::sftWord, 'K', 0, "ff", 0, "00FF"},
      {TSimpleDataType::sftByte, 'b', 0, "101", 0, "00000101"},
      {TSimpleDataType::sftReal, '#', 2, "1.50", 0, "1.5"},
      {TSimpleDataType::sftReal, '#', 0, "1.50", 0, "2"},
      {TSimpleDataType::sftReal, 'E', 0, "1e", 257, "1E"},
  };
  for (const NumberCase& test : cases) {
    TOvcSimpleField& field = typed_field(test.type, [&](TOvcSimpleField& f) {
      f.SetPictureMask(test.mask);
      f.SetMaxLength(12);
      f.SetDecimalPlaces(test.places);
    });
    field.set_focus();
    typed(test.text);
    EXPECT_EQ(field.ValidateSelf(false), test.code) << test.text;
    EXPECT_EQ(field.GetAsString(), test.after) << test.text;
    // Leaves without validating, for the next case's field.
    field.set_enabled(false);
  }
}

TEST_F(SimpleField, StepsWrapAndStayInRange) {
  TOvcSimpleField& byte = typed_field(TSimpleDataType::sftByte, [](TOvcSimpleField& f) {
    f.SetOptions(efoArrowIncDec);
  });
  byte.SetAsString("255");
  byte.set_focus();
  keys(ws::vk::up);
  EXPECT_EQ(byte.GetAsInteger(), 0) << "Up at the top wraps";
  keys(ws::vk::down);
  EXPECT_EQ(byte.GetAsInteger(), 255);

  TOvcSimpleField& wide = typed_field(TSimpleDataType::sftLongInt);
  wide.set_focus();
  wide.SetAsString("0");
  wide.IncreaseValue(false, 1e10);
  EXPECT_EQ(wide.GetAsInteger(), 2147483647);
  wide.IncreaseValue(false, -1e10);
  EXPECT_EQ(wide.GetAsInteger(), -2147483647 - 1);

  TOvcSimpleField& letters = typed_field(TSimpleDataType::sftChar, [](TOvcSimpleField& f) {
    f.SetPictureMask('9');
  });
  letters.SetRangeLo("a");
  letters.SetRangeHi("z");
  letters.set_focus();
  letters.IncreaseValue(true, 1);
  EXPECT_EQ(letters.GetAsString(), " ") << "no character of the range fits the mask: nothing changes";

  TOvcSimpleField& flag = typed_field(TSimpleDataType::sftBoolean);
  flag.set_focus();
  EXPECT_EQ(flag.GetAsString(), "F");
  flag.IncreaseValue(true, 1);
  EXPECT_EQ(flag.GetAsString(), "T");
}

TEST_F(SimpleField, ACharFieldHoldsOneCharacter) {
  TOvcSimpleField& field = typed_field(TSimpleDataType::sftChar);
  field.set_focus();
  typed("q");
  EXPECT_EQ(field.GetAsString(), "q");
  keys(ws::vk::back);
  EXPECT_EQ(field.GetAsString(), "q") << "Backspace does nothing";
  typed("r");
  EXPECT_EQ(field.GetAsString(), "r");
  EXPECT_EQ(field.CaretColumn(), 0u);
  field.SetRangeLo("#300");
  EXPECT_EQ(field.RangeLo(), "#32") << "a code beyond one byte reads as a blank";
}

struct MendCase {
  TSimpleDataType type;
  std::uint16_t max_length;
  std::string value;
  std::string shown;
};

TEST_F(SimpleField, NumbersTooLongForTheFieldAreNeverCutIntoOthers) {
  const MendCase cases[] = {
      {TSimpleDataType::sftWord, 3, "65535", "***"},
      {TSimpleDataType::sftReal, 14, "100", "100"},
      {TSimpleDataType::sftLongInt, 11, "-2147483648", "-2147483648"},
  };
  for (const MendCase& test : cases) {
    TOvcSimpleField& field = typed_field(test.type, [&](TOvcSimpleField& f) { f.SetMaxLength(test.max_length); });
    field.SetAsString(test.value);
    EXPECT_EQ(field.GetDisplayText(), test.shown);
  }
  EXPECT_EQ(fields.front()->ValidateSelf(false), 257);
}

TEST_F(SimpleField, ATypeChangeResetsTheValueAndARecreationKeepsIt) {
  TOvcSimpleField& field = typed_field(TSimpleDataType::sftLongInt);
  field.SetAsString("42");
  field.SetBorderStyle(ws::BorderStyle::none);
  EXPECT_EQ(field.GetAsInteger(), 42);
  field.SetDataType(TSimpleDataType::sftWord);
  EXPECT_EQ(field.GetAsString(), "0");
  EXPECT_EQ(field.MaxLength(), 5);
  EXPECT_EQ(field.PictureMask(), '9');
}

TEST_F(SimpleField, AutoAdvanceMovesBetweenFieldsWhenTheControllerAsks) {
  controller->EntryOptions |= efoAutoAdvanceChar | efoAutoAdvanceLeftRight | efoAutoAdvanceUpDown;
  TOvcSimpleField& first = add_field([](TOvcSimpleField& f) { f.SetMaxLength(2); });
  TOvcSimpleField& second = add_field();
  first.set_focus();
  typed("abc");
  EXPECT_EQ(first.GetAsString(), "ab");
  EXPECT_EQ(second.GetAsString(), "c");
  keys(ws::vk::home);
  keys(ws::vk::left);
  EXPECT_TRUE(first.focused()) << "left of the first column";
  keys(ws::vk::down);
  EXPECT_TRUE(second.focused());
  keys(ws::vk::up);
  EXPECT_TRUE(first.focused());
}

struct DisplayCase {
  TOvcEntryFieldOptions options;
  char pad;
  bool uninitialized;
  std::string text;
  std::string shown;
};

TEST_F(SimpleField, DisplayTextHidesPadsAndBlanks) {
  const DisplayCase cases[] = {
      {efoPasswordMode, ' ', false, "pass", "****"},
      {efoPasswordMode, '_', false, "pass", "****__"},
      {0, '_', false, "ab", "ab____"},
      {0, '_', false, "", ""},
      {0, ' ', true, "ab", "  "},
  };
  for (const DisplayCase& test : cases) {
    TOvcSimpleField& field = add_field([&](TOvcSimpleField& f) {
      f.SetMaxLength(6);
      f.SetOptions(test.options);
      f.SetPadChar(test.pad);
    });
    field.SetAsString(test.text);
    field.SetUninitialized(test.uninitialized);
    EXPECT_EQ(field.GetDisplayText(), test.shown) << test.text;
  }
  auto& hidden = static_cast<TOvcSimpleField&>(*fields.back());
  hidden.set_focus();
  EXPECT_EQ(hidden.GetDisplayText(), "ab") << "shown while focused";
}

TEST_F(SimpleField, TrimmingBlanksHappensWhenTheFocusedFieldIsChecked) {
  TOvcSimpleField& field = add_field();
  TOvcSimpleField& next = add_field();
  field.set_focus();
  typed("  ab  ");
  EXPECT_EQ(field.GetAsString(), "  ab  ") << "reading a value trims nothing";
  next.set_focus();
  ws::process_messages();
  EXPECT_EQ(field.GetAsString(), "ab");
}

TEST_F(SimpleField, AssignCopiesTheProperties) {
  TOvcSimpleField& source = typed_field(TSimpleDataType::sftByte, [](TOvcSimpleField& f) {
    f.SetPictureMask('K');
    f.SetPadChar('_');
    f.SetOptions(efoArrowIncDec | efoInputRequired);
  });
  source.SetRangeHi("7F");
  TOvcSimpleField& copy = add_field();
  copy.Assign(source);
  EXPECT_EQ(copy.DataType(), TSimpleDataType::sftByte);
  EXPECT_EQ(copy.PictureMask(), 'K');
  EXPECT_EQ(copy.PadChar(), '_');
  EXPECT_EQ(copy.Options(), source.Options());
  EXPECT_EQ(copy.RangeHi(), "7F");
  EXPECT_EQ(copy.MaxLength(), 3);
}

}  // namespace
}  // namespace vx::controls

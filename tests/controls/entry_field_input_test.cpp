#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "controls/command_codes.h"
#include "controls/numeric_field.h"
#include "controls/picture_field.h"
#include "controls/simple_field.h"
#include "platform/ws/clipboard.h"
#include "platform/ws/input.h"
#include "platform/ws/menu.h"
#include "platform/ws/messages.h"
#include "platform/ws/shell.h"
#include "tests/controls/entry_field_test_support.h"

namespace vx::controls {
namespace {

using ws::vk::back;
using EntryFieldInput = testing_support::EntryFieldTest;
using testing_support::keys;
using testing_support::typed;

TEST_F(EntryFieldInput, CtrlZAndAltBackspaceRestoreTheTextSavedAtEntry) {
  TOvcSimpleField& field = add_field();
  field.SetAsString("saved");
  for (const ws::ShiftState modifiers : {ws::shift_ctrl, ws::shift_alt}) {
    field.set_focus();
    typed("new");
    EXPECT_EQ(field.GetAsString(), "new") << "typing replaced the selected text";
    EXPECT_TRUE(field.HasState(efsModified));
    keys(modifiers == ws::shift_ctrl ? 'Z' : back, modifiers);
    EXPECT_EQ(field.GetAsString(), "saved");
    EXPECT_FALSE(field.HasState(efsModified));
    EXPECT_EQ(field.SelectionLength(), 5u);
  }
}

TEST_F(EntryFieldInput, RestoreAfterMaxLengthShrankKeepsWithinIt) {
  TOvcSimpleField& field = add_field();
  field.SetAsString("saved text");
  field.set_focus();
  field.SetMaxLength(4);
  keys('Z', ws::shift_ctrl);
  EXPECT_EQ(field.GetAsString(), "save");
  typed("x");
  EXPECT_EQ(field.GetAsString(), "x") << "the restored text was selected";
}

TEST_F(EntryFieldInput, AReadOnlyFieldBeepsOnEditsButCopiesAndSelects) {
  TOvcSimpleField& field = add_field([](TOvcSimpleField& f) { f.SetOptions(efoReadOnly | efoCaretToEnd); });
  field.SetAsString("abc");
  field.set_focus();
  keys(ws::vk::home);
  const unsigned beeps = ws::beep_count();
  keys(back);
  typed("x");
  EXPECT_EQ(ws::beep_count(), beeps + 2);
  EXPECT_EQ(field.GetAsString(), "abc");
  keys(ws::vk::right, ws::shift_shift);
  keys(ws::vk::right, ws::shift_shift);
  EXPECT_EQ(field.SelectionStart(), 0u);
  EXPECT_EQ(field.SelectionEnd(), 2u);
  keys('C', ws::shift_ctrl);
  EXPECT_EQ(ws::clipboard_text(), "ab");
  EXPECT_EQ(field.SelectionEnd(), 2u) << "copying keeps the selection";
  EXPECT_EQ(ws::beep_count(), beeps + 2);
}

struct SelCase {
  std::uint32_t lparam;
  std::size_t start;
  std::size_t end;
};

TEST_F(EntryFieldInput, SelectionMessages) {
  TOvcSimpleField& field = add_field();
  field.SetAsString("abcdef");
  field.set_focus();
  const SelCase cases[] = {
      {0xFFFF0000u, 0, 6},      // everything
      {0x0004FFFFu, 0, 0},      // low word 0xFFFF clears
      {0x00040002u, 2, 4},      // start 2, end 4
      {0x00010003u, 2, 4},      // end before start changes nothing
      {0x00400001u, 1, 6},      // clamped to the text
  };
  for (const SelCase& test : cases) {
    field.perform(em::set_sel, 0, static_cast<ws::LParam>(test.lparam));
    std::uint32_t start = 99;
    std::uint32_t end = 99;
    const ws::LResult answer = field.perform(em::get_sel, reinterpret_cast<ws::WParam>(&start),
                                             reinterpret_cast<ws::LParam>(&end));
    EXPECT_EQ(start, test.start) << std::hex << test.lparam;
    EXPECT_EQ(end, test.end) << std::hex << test.lparam;
    EXPECT_EQ(answer, static_cast<ws::LResult>(test.start | (test.end << 16)));
  }
  EXPECT_EQ(field.perform(em::get_modify), 0);
  field.perform(em::set_modify, 1);
  EXPECT_EQ(field.perform(em::get_modify), 1);
  EXPECT_TRUE(field.HasState(efsEverModified));
  field.perform(em::set_modify, 0);
  EXPECT_EQ(field.perform(em::get_modify), 0);
}

TEST_F(EntryFieldInput, SetTextKeepsTheFirstCharactersThatFitUpToMaxLength) {
  TOvcSimpleField& digits = add_field([](TOvcSimpleField& f) {
    f.SetMaxLength(4);
    f.SetPictureMask('9');
  });
  digits.set_text("1a2b3c4d5e6");
  EXPECT_EQ(digits.GetAsString(), "1234");
  digits.set_text("77");
  EXPECT_EQ(digits.GetAsString(), "77") << "the whole contents are replaced";
}

TEST_F(EntryFieldInput, ClipboardCarriesRawControlCharacters) {
  TOvcSimpleField& field = add_field();
  field.SetAsString(std::string("a\x01z"));
  field.set_focus();
  keys('C', ws::shift_ctrl);
  EXPECT_EQ(ws::clipboard_text(), std::string("a\x01z"));
  keys(ws::vk::del);
  EXPECT_EQ(field.GetAsString(), "");
  keys('V', ws::shift_ctrl);
  EXPECT_EQ(field.GetAsString(), std::string("a\x01z"));
}

// A field whose display is shorter than its text, as a trimmed number's is.
class ShortDisplayField : public TOvcSimpleField {
 public:
  using TOvcSimpleField::TOvcSimpleField;
  std::string GetDisplayText() const override { return TOvcSimpleField::GetDisplayText().substr(0, 2); }
};

TEST_F(EntryFieldInput, CopyingTakesOnlyWhatTheDisplayHas) {
  ShortDisplayField field(form.get());
  field.Loaded();
  field.SetAsString("abcdef");
  field.set_focus();
  field.SetSelection(1, 6);
  field.CopySelectionToClipboard();
  EXPECT_EQ(ws::clipboard_text(), "b");
}

TEST_F(EntryFieldInput, AltWithKeypadDigitsTypesTheComposedCharacter) {
  TOvcSimpleField& field = add_field();
  field.set_focus();
  ws::input::alt_keypad(233);
  ws::input::alt_keypad(65);
  ws::process_messages();
  EXPECT_EQ(field.GetAsString(), "\xE9" "A");
}

TEST_F(EntryFieldInput, ForcedInsertIgnoresTheInsKey) {
  TOvcSimpleField& forced = add_field([](TOvcSimpleField& f) { f.SetOptions(efoForceInsert | efoCaretToEnd); });
  TOvcSimpleField& free = add_field();
  forced.set_focus();
  keys(ws::vk::insert);
  EXPECT_TRUE(forced.HasState(efsInsertMode));
  EXPECT_EQ(forced.Carets().Caret(), forced.Carets().InsertCaret());
  free.set_focus();
  keys(ws::vk::insert);
  EXPECT_FALSE(free.HasState(efsInsertMode));
  EXPECT_EQ(free.Carets().Caret(), free.Carets().OverwriteCaret());
  forced.set_focus();
  EXPECT_TRUE(forced.HasState(efsInsertMode)) << "forced whatever the controller's mode";
  EXPECT_FALSE(controller->InsertMode);
}

TEST_F(EntryFieldInput, PopupMenuEnablesWhatCanBeDone) {
  TOvcSimpleField& field = add_field();
  field.SetAsString("abc");
  field.set_focus();
  field.SetSelection(0, 1);
  const auto enabled_items = [&field] {
    ws::PopupMenu menu;
    field.BuildPopupMenu(menu);
    std::string items;
    for (const auto& item : menu.items()) {
      if (item->caption != "-") items += item->enabled ? item->caption + ";" : "";
    }
    return items;
  };
  EXPECT_EQ(enabled_items(), "Cu&t;&Copy;&Delete;Select &All;");
  ws::set_clipboard_text("q");
  field.SetOptions(efoReadOnly);
  EXPECT_EQ(enabled_items(), "&Copy;Select &All;");
  field.SetOptions(efoCaretToEnd);
  field.SetSelection(0, 3);
  EXPECT_EQ(enabled_items(), "Cu&t;&Copy;&Paste;&Delete;");

  field.SetSelection(1, 2);
  ws::choose_next_popup_item("Cu&t");
  ws::input::click(field, {10, 5}, ws::MouseButton::right);
  ws::process_messages();
  EXPECT_EQ(field.GetAsString(), "ac");
  EXPECT_EQ(ws::clipboard_text(), "b");
  EXPECT_EQ(enabled_items(), "&Restore;&Paste;Select &All;");
}

TEST_F(EntryFieldInput, CommandKeysSwallowTheirCharactersAndUserCommandsAreReported) {
  TOvcSimpleField& field = add_field();
  std::vector<std::uint16_t> commands;
  field.OnUserCommand = [&commands](TOvcBaseEntryField&, std::uint16_t command) { commands.push_back(command); };
  controller->EntryCommands().AddCommand("Default", CommandRow{'U', 4, 0, 0, 300});
  field.set_focus();
  keys('C', ws::shift_ctrl);
  keys('U', ws::shift_ctrl);
  typed("a");
  EXPECT_EQ(field.GetAsString(), "a");
  EXPECT_EQ(commands, std::vector<std::uint16_t>{300});
}

// Up and Down in each field class: a step of a writable value with ArrowIncDec, and a move to
// the neighbouring field when the controller asks for it, before either.
TEST_F(EntryFieldInput, UpAndDownStepTheValueOrMoveBetweenFieldsInEveryFieldClass) {
  TOvcBaseEntryField* const made[] = {
      &add_field([](TOvcSimpleField& f) { f.SetDataType(TSimpleDataType::sftLongInt); }),
      &add<TOvcPictureField>([](TOvcPictureField& f) { f.SetDataType(TPictureDataType::pftLongInt); }),
      &add<TOvcNumericField>(),
  };
  add_field();  // the last field's neighbour
  for (TOvcBaseEntryField* field : made) {
    SCOPED_TRACE(field->Name);
    controller->EntryOptions &= ~efoAutoAdvanceUpDown;
    field->SetOptions(efoArrowIncDec);
    field->SetAsString("5");
    field->set_focus();
    keys(ws::vk::up);
    EXPECT_EQ(field->GetAsInteger(), 6);
    keys(ws::vk::down);
    keys(ws::vk::down);
    EXPECT_EQ(field->GetAsInteger(), 4);
    field->SetOptions(efoArrowIncDec | efoReadOnly);
    keys(ws::vk::up);
    EXPECT_EQ(field->GetAsInteger(), 4) << "a read-only value is not stepped";
    field->SetOptions(efoArrowIncDec);
    controller->EntryOptions |= efoAutoAdvanceUpDown;
    keys(ws::vk::down);
    EXPECT_FALSE(field->focused()) << "the focus moved to the next field";
    EXPECT_EQ(field->GetAsInteger(), 4);
  }
}

}  // namespace
}  // namespace vx::controls

#include "controls/simple_field.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "controls/exceptions.h"
#include "controls/field_copy.h"
#include "controls/field_values.h"
#include "controls/messages.h"
#include "controls/string_routines.h"
#include "controls/value_steps.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

struct TypeDefaults {
  std::uint16_t max_length;
  char mask;
};

constexpr std::array<TypeDefaults, 14> type_defaults{{
    {15, 'X'}, {1, 'X'}, {1, 'B'}, {1, 'Y'}, {11, 'i'}, {5, '9'}, {6, 'i'},
    {3, '9'}, {4, 'i'}, {14, '#'}, {14, '#'}, {14, '#'}, {14, '#'}, {14, 'i'},
}};

bool is_integer_type(std::uint8_t type) { return type >= fld::LongInt && type <= fld::ShortInt; }
bool is_real_type(std::uint8_t type) { return type >= fld::Real && type <= fld::Comp; }
bool is_number_type(std::uint8_t type) { return type >= fld::LongInt && type <= fld::Comp; }
bool is_control(char c) { return c != '\0' && static_cast<unsigned char>(c) < 32; }

bool extends_selection(std::uint16_t command) {
  switch (command) {
    case ccExtendLeft: case ccExtendRight: case ccExtendHome: case ccExtendEnd: case ccExtWordLeft:
    case ccExtWordRight: case ccRestore: case ccMouseMove: case ccDblClk:
      return true;
    default: return false;
  }
}

std::size_t previous_word(const std::string& text, std::size_t column) {
  while (column > 0 && (column - 1 >= text.size() || text[column - 1] == ' ')) --column;
  while (column > 0 && text[column - 1] != ' ') --column;
  return column;
}

std::size_t next_word(const std::string& text, std::size_t column) {
  if (column < text.size() && text[column] != ' ') ++column;
  while (column < text.size() && text[column] != ' ') ++column;
  while (column < text.size() && text[column] == ' ') ++column;
  return column;
}

}  // namespace

TOvcCustomSimpleField::TOvcCustomSimpleField(ws::Window* parent) : TOvcBaseEntryField(parent) {
  SetDataTypeCode(fld::String);
  SetMaskText("X");
  SetFieldClass(TFieldClass::simple);
}

void TOvcCustomSimpleField::SetDataType(TSimpleDataType value) {
  if (value == data_type_) return;
  const auto code = static_cast<std::uint8_t>(value);
  if (code > fld::Comp) throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  data_type_ = value;
  SetDataTypeCode(code);
  SetOptions(Options() | efoCaretToEnd);
  SetDefaultRange();
  SetMaxLengthRaw(type_defaults[code].max_length);
  SetMaskText(std::string(1, type_defaults[code].mask));
  SetDecimalPlacesRaw(0);
  if (Loading()) return;
  // A new type starts from its default value.
  created_once_ = false;
  RecreateWnd();
}

void TOvcCustomSimpleField::SetPictureMask(char value) {
  if (Mask().size() == 1 && value == Mask().front()) return;
  if (!IsSimpleMaskChar(value)) throw EInvalidPictureMask(std::string(1, value));
  AssignPictureMask(std::string(1, value));
  RecreateWnd();
}

void TOvcCustomSimpleField::Assign(const TOvcCustomSimpleField& source) {
  copy_field_properties<TFieldClass::simple>(*this, source);
}

bool TOvcCustomSimpleField::RangeIsEmpty() const {
  const std::uint8_t type = DataTypeCode();
  const RangeCell& low = RangeLoCell();
  const RangeCell& high = RangeHiCell();
  if (type >= fld::Char && type <= fld::YesNo) return low[0] == high[0];
  if (is_integer_type(type)) return CellInteger(low) == CellInteger(high);
  if (is_real_type(type)) return CellReal(low, type) == CellReal(high, type);
  return true;
}

void TOvcCustomSimpleField::CreateWnd() {
  std::vector<std::byte> saved;
  const bool recreated = created_once_;
  if (recreated) {
    saved.resize(TransferValue({}, TransferDirection::size));
    TransferValue(saved, TransferDirection::read);
  }
  TOvcBaseEntryField::CreateWnd();
  if (RangeIsEmpty()) SetDefaultRange();
  ResetToDefaultValue();
  if (recreated) {
    saved.resize(std::max(saved.size(), TransferValue({}, TransferDirection::size)));
    TransferValue(saved, TransferDirection::write);
  }
  created_once_ = true;
}

std::string TOvcCustomSimpleField::GetDisplayText() const {
  std::string display = TOvcBaseEntryField::GetDisplayText();
  if (display.empty()) return display;
  if (Uninitialized() && !HasState(efsFocused)) return std::string(display.size(), ' ');
  if ((Options() & efoPasswordMode) != 0) display.assign(display.size(), PasswordChar());
  if (PadChar() != ' ' && display.size() < MaxLength()) display.resize(MaxLength(), PadChar());
  return display;
}

std::size_t TOvcCustomSimpleField::TransferValue(std::span<std::byte> buffer, TransferDirection direction) {
  const std::size_t size = TOvcBaseEntryField::TransferValue(buffer, direction);
  if (buffer.empty() || direction == TransferDirection::size) return size;
  buffer = buffer.first(std::min(buffer.size(), size));
  const std::uint8_t type = DataTypeCode();
  const TOvcIntlSup& intl = Intl();
  std::string& text = Text();
  if (direction == TransferDirection::read) {
    const char first = text.empty() ? '\0' : text.front();
    if (type == fld::String) {
      WriteCounted(buffer, text);
    } else if (type == fld::Char) {
      buffer[0] = static_cast<std::byte>(first);
    } else if (type == fld::Boolean || type == fld::YesNo) {
      const char yes = type == fld::Boolean ? intl.true_char : intl.yes_char;
      buffer[0] = static_cast<std::byte>(UpperChar(first) == yes ? 1 : 0);
    } else if (is_integer_type(type)) {
      std::int32_t value = 0;
      if (!ParseInteger(text, value)) value = 0;
      WriteInteger(buffer, type, value);
    } else if (is_real_type(type)) {
      std::string number = text.substr(0, 80);
      std::replace(number.begin(), number.end(), intl.decimal_char, '.');
      long double value = 0;
      if (!ParseReal(number, value) || !RealFitsType(type, value)) value = 0;
      WriteReal(buffer, type, value);
    }
    return size;
  }
  const std::size_t max_length = MaxLength();
  if (type == fld::String) {
    SetEditText(ReadCounted(buffer));
    for (char& c : text) ForceMaskCase(PictureMask(), c, no_previous_char);
  } else if (type == fld::Char) {
    const auto c = static_cast<char>(buffer[0]);
    text = c == '\0' ? std::string() : std::string(1, c);
  } else if (type == fld::Boolean) {
    text = std::string(1, buffer[0] != std::byte{0} ? intl.true_char : intl.false_char);
  } else if (type == fld::YesNo) {
    text = std::string(1, buffer[0] != std::byte{0} ? intl.yes_char : intl.no_char);
  } else if (is_integer_type(type)) {
    // A number too long for the field is never cut into another number.
    const std::string number = IntegerToText(ReadInteger(buffer, type));
    text = number.size() <= max_length ? number : std::string(max_length, '*');
  } else if (is_real_type(type)) {
    std::string number = RealToText(ReadReal(buffer, type), DecimalPlaces());
    std::replace(number.begin(), number.end(), '.', intl.decimal_char);
    text = number.size() <= max_length ? number : std::string(max_length, '*');
  }
  AfterValueWritten();
  return size;
}

std::uint16_t TOvcCustomSimpleField::CheckValue() {
  const std::uint8_t type = DataTypeCode();
  const TOvcIntlSup& intl = Intl();
  std::string& text = Text();
  const bool rewrite = HasState(efsFocused) && !HasState(efsReadingValue);
  std::uint16_t code = 0;
  const char first = text.empty() ? ' ' : text.front();
  if (type == fld::String) {
    if (rewrite && (Options() & efoTrimBlanks) != 0) {
      const std::string before = text;
      text = TrimmedBlanks(text);
      if (text != before) {
        SetCaret(std::min(CaretColumn(), text.size()));
        invalidate();
      }
    }
  } else if (type == fld::Char) {
    const auto c = static_cast<unsigned char>(first);
    const auto low = std::to_integer<unsigned char>(RangeLoCell()[0]);
    const auto high = std::to_integer<unsigned char>(RangeHiCell()[0]);
    if (low != high && (c < low || c > high)) code = efe::range;
  } else if (type == fld::Boolean || type == fld::YesNo) {
    const char upper = UpperChar(first);
    const bool known = type == fld::Boolean ? (upper == intl.true_char || upper == intl.false_char)
                                            : (upper == intl.yes_char || upper == intl.no_char);
    if (!known) code = efe::range;
  } else if (is_number_type(type)) {
    std::vector<std::byte> value(TOvcBaseEntryField::TransferValue({}, TransferDirection::size));
    if (is_integer_type(type)) {
      std::int32_t number = 0;
      if (!ParseInteger(text, number)) {
        code = efe::invalid;
      } else if (number < CellInteger(RangeLoCell()) || number > CellInteger(RangeHiCell())) {
        code = efe::range;
      } else {
        WriteInteger(value, type, number);
      }
    } else {
      std::string number = text.substr(0, 80);
      std::replace(number.begin(), number.end(), intl.decimal_char, '.');
      long double real = 0;
      if (!ParseReal(number, real) || !RealFitsType(type, real)) {
        code = efe::invalid;
      } else {
        if (type == fld::Comp) real = std::roundl(real);
        if (type == fld::Real) real = static_cast<double>(real);
        if (real < CellReal(RangeLoCell(), type) || real > CellReal(RangeHiCell(), type)) {
          code = efe::range;
        } else {
          WriteReal(value, type, real);
        }
      }
    }
    if (code == 0 && rewrite) {
      TransferValue(value, TransferDirection::write);
      invalidate();
    }
  }
  if (!HasState(efsUserValidating)) {
    SetState(efsUserValidating, true);
    NotifyUserValidation(code);
    SetState(efsUserValidating, false);
  }
  return code;
}

void TOvcCustomSimpleField::WriteValue(std::span<std::byte> value) {
  TransferValue(value, TransferDirection::write);
  invalidate();
  MarkModified();
}

void TOvcCustomSimpleField::StepValue(bool wrap, double delta) {
  if (!HasState(efsFocused)) return;
  const std::uint8_t type = DataTypeCode();
  if (type > fld::Comp) throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  if (type == fld::Char) {
    StepChar(wrap, delta);
  } else if (type == fld::Boolean || type == fld::YesNo) {
    const char yes = type == fld::Boolean ? Intl().true_char : Intl().yes_char;
    const bool now = !Text().empty() && UpperChar(Text().front()) == yes;
    std::array<std::byte, 1> value{static_cast<std::byte>(now ? 0 : 1)};
    WriteValue(value);
  } else if (is_number_type(type)) {
    StepNumber(wrap, delta);
  }
  PositionCaret(false);
}

void TOvcCustomSimpleField::StepChar(bool wrap, double delta) {
  int low = std::to_integer<int>(RangeLoCell()[0]);
  int high = std::to_integer<int>(RangeHiCell()[0]);
  if (low == high) {
    low = 1;
    high = 255;
  }
  const int code = Text().empty() ? ' ' : static_cast<unsigned char>(Text().front());
  const auto next = StepCharCode(code, low, high, delta == 1, wrap, [this](char c) {
    char forced = c;
    ForceMaskCase(PictureMask(), forced, no_previous_char);
    return forced == c && CharFitsMask(PictureMask(), c, false, no_previous_char);
  });
  if (!next) return;
  std::array<std::byte, 1> value{static_cast<std::byte>(*next)};
  WriteValue(value);
}

void TOvcCustomSimpleField::StepNumber(bool wrap, double delta) {
  const std::uint8_t type = DataTypeCode();
  std::vector<std::byte> value(TOvcBaseEntryField::TransferValue({}, TransferDirection::size));
  if (is_integer_type(type)) {
    std::int32_t number = 0;
    if (!ParseInteger(Text(), number)) return;
    const auto result = StepInteger(number, CellInteger(RangeLoCell()), CellInteger(RangeHiCell()), delta, wrap);
    if (!result) return;
    WriteInteger(value, type, *result);
  } else {
    std::string text = Text().substr(0, 80);
    std::replace(text.begin(), text.end(), Intl().decimal_char, '.');
    long double number = 0;
    if (!ParseReal(text, number)) return;
    auto result = StepReal(number, CellReal(RangeLoCell(), type), CellReal(RangeHiCell(), type), delta, wrap);
    if (!result) return;
    if (type == fld::Comp) *result = std::roundl(*result);
    WriteReal(value, type, *result);
  }
  WriteValue(value);
}

void TOvcCustomSimpleField::EditCommand(ws::Message& message, std::uint16_t command) {
  const std::uint8_t type = DataTypeCode();
  if (type == fld::String || is_number_type(type)) {
    TextCommand(message, command);
  } else if (type >= fld::Char && type <= fld::YesNo) {
    CharCommand(message, command);
  }
}

void TOvcCustomSimpleField::ExtendTo(std::size_t column) {
  const std::size_t old = CaretColumn();
  std::size_t start = SelectionStart();
  std::size_t end = SelectionEnd();
  if (start == end) {
    start = end = old;
  }
  if (end == old) {
    end = column;
  } else {
    start = column;
  }
  if (start > end) std::swap(start, end);
  SetCaret(column);
  SetRawSelection(start, end);
}

void TOvcCustomSimpleField::DeleteSelection() {
  const std::size_t start = SelectionStart();
  Text().erase(start, SelectionLength());
  SetCaret(start);
  SetRawSelection(start, start);
}

bool TOvcCustomSimpleField::AutoAdvance(int target, std::uint16_t command) {
  const TOvcBaseEFOptions options = GetController().EntryOptions;
  if (target < 0) {
    if ((options & efoAutoAdvanceLeftRight) == 0) return false;
    MoveToPreviousField();
    return true;
  }
  if (target < MaxLength()) return false;
  const bool moves = command == ccChar ? (options & efoAutoAdvanceChar) != 0 : (options & efoAutoAdvanceLeftRight) != 0;
  if (moves) MoveToNextField();
  return moves;
}

bool TOvcCustomSimpleField::TypedCharFits(char& c, char previous) {
  if (!HasState(efsKeyboardChar)) return false;
  if (is_number_type(DataTypeCode())) {
    if (c == Intl().decimal_char) {
      c = '.';
    } else if (c == '.') {
      return false;
    }
  }
  if (is_control(c) && !HasState(efsLiteralChar)) return false;
  return CharFitsMask(MaskCharAt(CaretColumn()), c, true, previous);
}

void TOvcCustomSimpleField::TypeChar(char typed, std::uint16_t command, int& counter) {
  std::string& text = Text();
  std::size_t caret = CaretColumn();
  char c = typed;
  if (!TypedCharFits(c, caret > 0 && caret <= text.size() ? text[caret - 1] : ' ')) {
    SetState(efsLiteralChar, false);
    if (HasState(efsKeyboardChar)) Beep();
    return;
  }
  SetState(efsLiteralChar | efsKeyboardChar, false);
  if (SelectionLength() > 0) {
    DeleteSelection();
    counter += 10;
    caret = CaretColumn();
    const char previous = caret > 0 ? text[caret - 1] : ' ';
    if (c != '.' || !is_number_type(DataTypeCode())) ForceMaskCase(PictureMask(), c, previous);
  }
  if (c == '.' && is_number_type(DataTypeCode())) c = Intl().decimal_char;
  const std::size_t max_length = MaxLength();
  if (HasState(efsInsertMode)) {
    if (text.size() == max_length && caret < text.size() &&
        (GetController().EntryOptions & efoInsertPushes) != 0) {
      text.pop_back();
    }
    if (text.size() < max_length) {
      text.insert(caret, 1, c);
      SetCaret(caret + 1);
      counter += 10;
      AutoAdvance(static_cast<int>(caret + 1), command);
    } else if (!AutoAdvance(static_cast<int>(caret), command)) {
      Beep();
    }
    return;
  }
  if (caret >= max_length) {
    if (!AutoAdvance(static_cast<int>(caret), command)) Beep();
    return;
  }
  if (caret < text.size()) {
    text[caret] = c;
  } else {
    text.push_back(c);
  }
  SetCaret(caret + 1);
  counter += 10;
  AutoAdvance(static_cast<int>(caret + 1), command);
}

void TOvcCustomSimpleField::InsertText(const char* inserted, int& counter) {
  if (SelectionLength() > 0) {
    DeleteSelection();
    counter += 10;
  }
  if (inserted == nullptr) return;
  std::string& text = Text();
  const bool number = is_number_type(DataTypeCode());
  const bool pushes = (GetController().EntryOptions & efoInsertPushes) != 0;
  for (const char* p = inserted; *p != '\0'; ++p) {
    char c = *p;
    if (number) {
      if (c == Intl().decimal_char) {
        c = '.';
      } else if (c == '.' || c == ' ') {
        continue;
      }
    }
    const std::size_t caret = CaretColumn();
    if (!CharFitsMask(MaskCharAt(caret), c, true, no_previous_char)) continue;
    if (number && c == '.') c = Intl().decimal_char;
    if (text.size() == MaxLength() && caret < text.size() && pushes) text.pop_back();
    if (text.size() < MaxLength()) {
      text.insert(caret, 1, c);
      SetCaret(caret + 1);
      counter += 10;
    }
  }
}

void TOvcCustomSimpleField::TextCommand(ws::Message& message, std::uint16_t command) {
  if (command == ccCtrlChar) {
    SetState(efsLiteralChar, true);
  } else if (command != ccChar && command != ccNoCommand) {
    SetState(efsLiteralChar, false);
  }
  SetState(efsAcceptChar, false);
  int counter = SelectionLength() > 0 ? 1 : 0;
  switch (command) {
    case ccBack: case ccDel: case ccDelBol: case ccDelEol: case ccDelLine: case ccDelWord: case ccCut:
      DeleteCommand(command, counter);
      break;
    case ccLeft: case ccRight: case ccWordLeft: case ccWordRight: case ccHome: case ccEnd: case ccUp: case ccDown:
      CaretCommand(command);
      break;
    case ccExtendLeft: case ccExtendRight: case ccExtendHome: case ccExtendEnd: case ccExtWordLeft:
    case ccExtWordRight:
      ExtendCommand(command, counter);
      break;
    case ccMouse: case ccMouseMove: case ccDblClk: MouseCommand(message, command); break;
    case ccCopy: CopySelectionToClipboard(); break;
    case ccPaste: InsertText(reinterpret_cast<const char*>(message.lparam), counter); break;
    case ccInc: IncreaseValue(true, 1); break;
    case ccDec: DecreaseValue(true, 1); break;
    case ccIns:
      SetState(efsInsertMode, !HasState(efsInsertMode));
      Carets().SetInsertMode(HasState(efsInsertMode));
      break;
    case ccRestore: RestoreContents(); break;
    case ccChar: TypeChar(static_cast<char>(message.wparam & 0xFF), command, counter); break;
    case ccNoCommand:
      SetState(efsAcceptChar | efsKeyboardChar, true);
      return;
    case ccCtrlChar:
    case ccSequenceBroken:
    case ccSequencePending: break;
    default: SetState(efsAcceptChar, true); break;
  }
  SetState(efsKeyboardChar, false);
  const bool shift_click = command == ccMouse && (message.wparam & ws::mk::shift) != 0;
  if (extends_selection(command) || shift_click) {
    ++counter;
  } else if (command != ccCopy && command != ccCut && command != ccPaste) {
    SetRawSelection(CaretColumn(), CaretColumn());
  }
  if (PositionCaret(true)) ++counter;
  if (counter >= 10) MarkModified();
  if (counter > 0) invalidate();
}

void TOvcCustomSimpleField::DeleteCommand(std::uint16_t command, int& counter) {
  std::string& text = Text();
  const std::size_t caret = CaretColumn();
  const std::size_t length = text.size();
  const bool takes_selection = command == ccBack || command == ccDel || command == ccDelWord || command == ccCut;
  if (takes_selection && SelectionLength() > 0) {
    DeleteSelection();
    counter += 10;
    return;
  }
  switch (command) {
    case ccBack:
      if (caret == 0 || caret > length) return;
      text.erase(caret - 1, 1);
      SetCaret(caret - 1);
      break;
    case ccDel:
      if (caret >= length) return;
      text.erase(caret, 1);
      break;
    case ccDelBol:
      if (text.empty()) return;
      text.erase(0, std::min(caret, length));
      SetCaret(0);
      break;
    case ccDelEol:
      if (caret >= length) return;
      text.resize(caret);
      break;
    case ccDelLine:
      if (text.empty()) return;
      text.clear();
      SetCaret(0);
      break;
    case ccDelWord: {
      if (caret >= length) return;
      std::size_t end = caret;
      if (text[end] != ' ') {
        while (end < length && text[end] != ' ') ++end;
      }
      while (end < length && text[end] == ' ') ++end;
      text.erase(caret, end - caret);
      break;
    }
    default: return;  // a cut without a selection
  }
  counter += 10;
}

void TOvcCustomSimpleField::CaretLeft(std::uint16_t command) {
  if (CaretColumn() > 0) {
    SetCaret(CaretColumn() - 1);
  } else {
    AutoAdvance(-1, command);
  }
}

void TOvcCustomSimpleField::CaretRight(std::uint16_t command) {
  if (CaretColumn() < Text().size()) {
    SetCaret(CaretColumn() + 1);
  } else {
    AutoAdvance(MaxLength(), command);
  }
}

void TOvcCustomSimpleField::CaretCommand(std::uint16_t command) {
  const std::string& text = Text();
  const std::size_t caret = CaretColumn();
  switch (command) {
    case ccLeft: CaretLeft(command); break;
    case ccRight: CaretRight(command); break;
    case ccWordLeft:
      if (caret == 0) {
        AutoAdvance(-1, command);
      } else {
        SetCaret(previous_word(text, caret));
      }
      break;
    case ccWordRight:
      if (caret < text.size()) {
        SetCaret(next_word(text, caret));
      } else {
        AutoAdvance(MaxLength(), command);
      }
      break;
    case ccHome: SetCaret(0); break;
    case ccEnd: SetCaret(text.size()); break;
    case ccUp:
      if (!UpDownLeavesOrSteps(true)) CaretLeft(command);
      break;
    case ccDown:
      if (!UpDownLeavesOrSteps(false)) CaretRight(command);
      break;
    default: break;
  }
}

void TOvcCustomSimpleField::ExtendCommand(std::uint16_t command, int& counter) {
  const std::string& text = Text();
  const std::size_t caret = CaretColumn();
  // Nothing to extend past either end: no repaint.
  switch (command) {
    case ccExtendLeft:
      if (caret > 0) {
        ExtendTo(caret - 1);
      } else {
        counter = -1;
      }
      break;
    case ccExtendRight:
      if (caret < text.size()) {
        ExtendTo(caret + 1);
      } else {
        counter = -1;
      }
      break;
    case ccExtendHome: ExtendTo(0); break;
    case ccExtendEnd: ExtendTo(text.size()); break;
    case ccExtWordLeft:
      if (caret > 0) {
        ExtendTo(previous_word(text, caret));
      } else {
        counter = -1;
      }
      break;
    case ccExtWordRight:
      if (caret < text.size()) {
        ExtendTo(next_word(text, caret));
      } else {
        counter = -1;
      }
      break;
    default: break;
  }
}

void TOvcCustomSimpleField::MouseCommand(ws::Message& message, std::uint16_t command) {
  const std::string& text = Text();
  if (text.empty()) return;
  const std::size_t column = std::min<std::size_t>(
      static_cast<std::size_t>(ColumnFromX(ws::point_from_lparam(message.lparam).x)), text.size());
  if (command == ccMouseMove) {
    ExtendTo(column);
  } else if (command == ccDblClk) {
    SelectWordAt(column);
  } else if ((message.wparam & ws::mk::shift) != 0) {
    ShiftClick(column);
  } else {
    SetCaret(column);
    SetRawSelection(column, column);
    PositionCaret(false);
  }
}

void TOvcCustomSimpleField::ShiftClick(std::size_t column) {
  const std::size_t caret = CaretColumn();
  if (SelectionLength() == 0) {
    SetRawSelection(std::min(caret, column), std::max(caret, column));
  } else if (SelectionStart() < column) {
    SetRawSelection(SelectionStart(), column);
  } else {
    SetRawSelection(column, SelectionEnd());
  }
  SetCaret(column);
}

void TOvcCustomSimpleField::SelectWordAt(std::size_t column) {
  const std::string& text = Text();
  std::size_t start = column;
  while (start > 0 && text[start - 1] != ' ') --start;
  std::size_t end = start;
  while (end < text.size() && text[end] != ' ') ++end;
  while (end < text.size() && text[end] == ' ') ++end;
  SetCaret(end);
  SetRawSelection(start, end);
}

void TOvcCustomSimpleField::CharCommand(ws::Message& message, std::uint16_t command) {
  SetState(efsAcceptChar, false);
  int counter = SelectionLength() > 0 ? 1 : 0;
  const TOvcBaseEFOptions entry_options = GetController().EntryOptions;
  std::string& text = Text();
  const auto select_char = [&] { SetRawSelection(0, std::min<std::size_t>(1, text.size())); };
  switch (command) {
    case ccCopy: CopySelectionToClipboard(); break;
    case ccInc: IncreaseValue(true, 1); break;
    case ccDec: DecreaseValue(true, 1); break;
    case ccRestore: RestoreContents(); break;
    case ccNoCommand:
      SetState(efsAcceptChar | efsKeyboardChar, true);
      return;
    case ccUp:
    case ccLeft:
    case ccWordLeft:
      if (command == ccUp && (entry_options & efoAutoAdvanceUpDown) != 0) {
        MoveToPreviousField();
      } else {
        AutoAdvance(-1, command);
      }
      break;
    case ccDown:
    case ccRight:
    case ccWordRight:
      if (command == ccDown && (entry_options & efoAutoAdvanceUpDown) != 0) {
        MoveToNextField();
      } else {
        AutoAdvance(MaxLength(), command);
      }
      break;
    case ccExtendEnd:
    case ccExtendRight:
    case ccExtWordRight:
    case ccDblClk: select_char(); break;
    case ccMouseMove:
      if (ColumnFromX(ws::point_from_lparam(message.lparam).x) > 0) {
        select_char();
      } else {
        SetRawSelection(0, 0);
      }
      break;
    case ccPaste:
      if (const char* inserted = reinterpret_cast<const char*>(message.lparam); inserted != nullptr) {
        for (const char* p = inserted; *p != '\0'; ++p) {
          char c = *p;
          if (CharFitsMask(PictureMask(), c, true, no_previous_char)) {
            text.assign(1, c);
            counter += 10;
            break;
          }
        }
      }
      break;
    case ccChar: {
      char c = static_cast<char>(message.wparam & 0xFF);
      const bool keyboard = HasState(efsKeyboardChar);
      const bool fits = keyboard && (!is_control(c) || HasState(efsLiteralChar)) &&
                        CharFitsMask(PictureMask(), c, true, ' ');
      if (fits) {
        text.assign(1, c);
        counter += 10;
        AutoAdvance(1, command);
      } else if (keyboard) {
        Beep();
      }
      SetState(efsLiteralChar | efsKeyboardChar, false);
      break;
    }
    case ccCtrlChar: SetState(efsLiteralChar, true); [[fallthrough]];
    default: SetState(efsAcceptChar, true); break;
  }
  SetState(efsKeyboardChar, false);
  SetCaret(0);
  const bool keeps = command == ccExtendEnd || command == ccExtendRight || command == ccExtWordRight ||
                     command == ccRestore || command == ccMouseMove || command == ccDblClk;
  if (keeps) {
    ++counter;
  } else {
    SetRawSelection(0, 0);
  }
  if (PositionCaret(true)) ++counter;
  if (counter >= 10) MarkModified();
  if (counter > 0) invalidate();
}

}  // namespace vx::controls

#include "controls/picture_editor.h"

#include <algorithm>

#include "controls/controller.h"
#include "controls/date_arithmetic.h"
#include "controls/time_arithmetic.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

using enum TPictureDataType;

bool is_number_type(TPictureDataType type) { return type >= pftLongInt && type <= pftComp; }
bool is_control(char c) { return c != '\0' && static_cast<unsigned char>(c) < 32; }

bool raises_level(std::uint16_t command) {
  switch (command) {
    case ccExtendEnd: case ccExtendHome: case ccExtendLeft: case ccExtendRight: case ccExtWordLeft:
    case ccExtWordRight: case ccRestore: case ccMouseMove: case ccDblClk:
      return true;
    default: return false;
  }
}

bool skips_final_selection(std::uint16_t command) {
  switch (command) {
    case ccBack: case ccCompleteDate: case ccCompleteTime: case ccCopy: case ccCut: case ccDec: case ccDel:
    case ccDelBol: case ccDelEol: case ccDelLine: case ccDelWord: case ccDown: case ccEnd: case ccExtendEnd:
    case ccExtendHome: case ccExtendLeft: case ccExtendRight: case ccExtWordLeft: case ccExtWordRight: case ccHome:
    case ccInc: case ccIns: case ccLeft: case ccPaste: case ccRestore: case ccRight: case ccUp: case ccWordLeft:
    case ccWordRight: case ccChar: case ccMouse: case ccMouseMove: case ccDblClk:
      return false;
    default: return true;
  }
}

}  // namespace

PictureEditor::PictureEditor(TOvcCustomPictureField& field, ws::Message& message, std::uint16_t command)
    : field_(field),
      message_(message),
      command_(command),
      first_(field.FirstEditablePos()),
      last_(field.LastEditablePos()),
      point_(field.DecimalPosition()),
      caret_at_entry_(field.CaretColumn()),
      active_at_entry_(field.ActiveEnd()),
      selected_(field.SelectionStart() != field.SelectionEnd()),
      level_(selected_ ? 1 : 0) {
  if (point_ >= 0 && static_cast<std::size_t>(point_) > last_) point_ = -1;
}

std::size_t PictureEditor::RunStart(std::size_t position) const {
  while (position > first_ && !literal(position - 1)) --position;
  return position;
}

std::size_t PictureEditor::RunEnd(std::size_t position) const {
  while (position + 1 <= last_ && !literal(position + 1)) ++position;
  return position;
}

void PictureEditor::MoveRight() {
  std::size_t c = caret() + 1;
  while (c <= last_ && literal(c)) ++c;
  set_caret(std::min(c, max_length()));
}

void PictureEditor::MoveLeft() {
  if (caret() == 0) return;
  std::size_t c = caret() - 1;
  while (c > first_ && literal(c)) --c;
  set_caret(c);
}

bool PictureEditor::AutoAdvance(std::ptrdiff_t position) {
  const TOvcBaseEFOptions options = field_.GetController().EntryOptions;
  if (position < static_cast<std::ptrdiff_t>(first_) && (options & efoAutoAdvanceLeftRight) != 0) {
    field_.MoveToPreviousField();
    return true;
  }
  if (position <= static_cast<std::ptrdiff_t>(last_)) return false;
  const bool moves = command_ == ccChar ? (options & efoAutoAdvanceChar) != 0 : (options & efoAutoAdvanceLeftRight) != 0;
  if (moves) field_.MoveToNextField();
  return moves;
}

char PictureEditor::MaskCharForCaret() const {
  return field_.IsFloatingLiteralAt(caret()) ? field_.MaskCharAt(last_) : field_.MaskCharAt(caret());
}

bool PictureEditor::CharFits(char& c) const {
  const bool number = is_number_type(field_.DataType());
  const char decimal = field_.Intl().decimal_char;
  if (number) {
    if (c == decimal) {
      c = '.';
    } else if (c == '.') {
      return false;
    }
  }
  if (static_cast<unsigned char>(c) < ' ' && !field_.HasState(efsLiteralChar)) return false;
  const std::size_t at = caret();
  const char previous = at == RunStart(at) || at == 0 ? ' ' : text()[at - 1];
  if (!field_.CharFitsMask(MaskCharForCaret(), c, true, previous)) return false;
  if (number && c == '.') c = decimal;
  return true;
}

bool PictureEditor::InsertAtCaret(char c, bool beep) {
  const std::size_t at = caret();
  const std::size_t end = RunEnd(at);
  const bool pushes = (field_.GetController().EntryOptions & efoInsertPushes) != 0;
  if (!pushes && text()[end] != ' ') {
    if (beep) field_.Beep();
    return false;
  }
  if (at + 1 >= max_length() || literal(at + 1)) {
    text()[at] = c;
  } else {
    text().erase(end, 1);
    text().insert(at, 1, c);
  }
  level_ += 10;
  MoveRight();
  return true;
}

void PictureEditor::DeleteAtCaret() {
  const std::size_t at = caret();
  const std::size_t end = RunEnd(at);
  text().erase(at, 1);
  text().insert(end, 1, ' ');
}

void PictureEditor::BlankRange(std::size_t from, std::size_t to) {
  for (std::size_t i = from; i < to && i < text().size(); ++i) {
    if (!literal(i)) text()[i] = ' ';
  }
}

// The run's characters from `from` on move to `to`; blanks fill its end.
void PictureEditor::CloseUp(std::size_t from, std::size_t to, std::size_t run_end) {
  if (from <= to || to > run_end) return;
  std::string moved = from <= run_end ? text().substr(from, run_end + 1 - from) : std::string();
  moved.resize(run_end + 1 - to, ' ');
  text().replace(to, moved.size(), moved);
}

void PictureEditor::DeleteSelection() {
  const std::size_t start = field_.SelectionStart();
  const std::size_t end = std::min(field_.SelectionEnd(), max_length());
  if (end < first_ || start > last_) return;
  BlankRange(start, end);
  std::size_t at = std::min(end, last_);
  while (at > first_ && literal(at)) --at;
  const std::size_t run_start = RunStart(at);
  const std::size_t run_end = RunEnd(at);
  CloseUp(std::max(end, run_start), std::max(start, run_start), run_end);
  std::size_t c = std::max(start, first_);
  while (c < last_ && literal(c)) ++c;
  set_caret(c);
  field_.SetRawSelection(c, c);
  field_.SetActiveEnd(static_cast<std::int32_t>(c));
  level_ += 10;
}

void PictureEditor::NextSubField() {
  const std::size_t end = field_.TextEnd();
  std::size_t c = std::min(RunEnd(caret()) + 1, max_length());
  while (c <= last_ && literal(c)) ++c;
  if (caret() < end) {
    set_caret(c > last_ ? end : c);
  } else if (c > last_) {
    AutoAdvance(static_cast<std::ptrdiff_t>(c));
    set_caret(std::min(c - 1, max_length()));
  } else {
    set_caret(c);
  }
}

void PictureEditor::CaretFromActiveEnd(int direction) {
  const std::int32_t active = field_.ActiveEnd();
  if (active < static_cast<std::int32_t>(first_)) {
    set_caret(first_);
  } else if (active > static_cast<std::int32_t>(last_)) {
    set_caret(std::min(last_ + 1, max_length()));
  } else {
    auto c = static_cast<std::size_t>(active);
    if (direction > 0) {
      while (c <= last_ && literal(c)) ++c;
    } else {
      while (c > first_ && literal(c)) --c;
    }
    set_caret(c);
  }
}

void PictureEditor::UpdateSelection(std::int32_t active) {
  // The selection never ends past the text, whatever the active end.
  const auto clamp = [this](std::int32_t v) {
    return static_cast<std::size_t>(std::clamp<std::int32_t>(v, 0, static_cast<std::int32_t>(max_length())));
  };
  std::size_t start = field_.SelectionStart();
  std::size_t end = field_.SelectionEnd();
  const std::size_t entry = clamp(active_at_entry_);
  if (start == end) {
    start = end = std::min(caret_at_entry_, max_length());
  }
  if (end == entry || start != entry) {
    end = clamp(active);
  } else {
    start = clamp(active);
  }
  if (start > end) std::swap(start, end);
  field_.SetActiveEnd(active);
  field_.SetRawSelection(start, end);
}

void PictureEditor::SelectionChanged(std::int32_t active) {
  UpdateSelection(active);
  CaretFromActiveEnd(active < active_at_entry_ ? 1 : -1);
}

void PictureEditor::ExtendBy(int step) {
  const std::int32_t active = active_at_entry_;
  if (step < 0 ? active <= 0 : active >= static_cast<std::int32_t>(max_length())) {
    level_ = -1;
    return;
  }
  UpdateSelection(active + step);
  CaretFromActiveEnd(step < 0 ? 1 : -1);
}

std::int32_t PictureEditor::MouseColumn() {
  return std::clamp(field_.ColumnFromX(ws::point_from_lparam(message_.lparam).x), 0,
                    static_cast<int>(max_length()));
}

void PictureEditor::TypeChar(char typed) {
  char c = typed;
  char probe = c;
  if (selected_ && CharFits(probe)) DeleteSelection();
  const TPictureDataType type = field_.DataType();
  const TOvcIntlSup& intl = field_.Intl();
  if (point_valid() && c == intl.decimal_char) {
    field_.NormalizeAroundDecimal(point_, first_, last_, true, false);
    set_caret(std::min(point() + 1, max_length()));
    ++level_;
  } else if (caret() <= last_) {
    if (CharFits(c)) {
      if (field_.HasState(efsInsertMode)) {
        InsertAtCaret(c, true);
      } else {
        text()[caret()] = c;
        level_ += 10;
        MoveRight();
      }
      AutoAdvance(static_cast<std::ptrdiff_t>(caret()));
    } else {
      const bool date_separator = c == intl.date_separator && (type == pftDate || type == pftDateTime);
      const bool time_separator = c == intl.time_separator && (type == pftTime || type == pftDateTime);
      if (date_separator || time_separator) {
        const std::size_t start = RunStart(caret());
        const std::size_t end = RunEnd(caret());
        const bool filled = text().find_first_not_of(' ', start) <= end;
        if (filled) NextSubField();
      } else {
        field_.Beep();
      }
    }
  } else if (!AutoAdvance(static_cast<std::ptrdiff_t>(caret()))) {
    field_.Beep();
  }
  field_.SetState(efsLiteralChar, false);
}

void PictureEditor::Paste(const char* pasted) {
  if (selected_) DeleteSelection();
  if (pasted == nullptr) return;
  const std::string source(pasted);
  const TOvcIntlSup& intl = field_.Intl();
  std::size_t i = 0;
  std::size_t at = field_.SelectionStart();
  for (; i < source.size() && at < max_length(); ++i, ++at) {
    const char ch = source[i];
    // The floating literals' places are blanks left of the first editable position.
    const bool blank_in_floating = ch == ' ' && at < first_;
    const bool literal_match = (literal(at) || field_.IsFloatingLiteralAt(at)) &&
                               ch == (field_.IsFloatingLiteralAt(at) ? field_.MaskCharAt(last_) : field_.MaskCharAt(at));
    if (!blank_in_floating && !literal_match) break;
  }
  std::size_t c = std::max({at, caret(), first_});
  while (c <= last_ && literal(c)) ++c;
  set_caret(std::min(c, max_length()));
  const bool numeric = is_number_type(field_.DataType()) || field_.IsNumericPicture();
  for (; i < source.size() && caret() <= last_; ++i) {
    char ch = source[i];
    if (ch == ' ' && numeric) continue;
    if (point_valid()) {
      if (ch == intl.decimal_char) {
        if (caret() <= point()) {
          field_.NormalizeAroundDecimal(point_, first_, last_, true, false);
          set_caret(std::min(point() + 1, max_length()));
          level_ += 10;
        }
        continue;
      }
      if (ch == '.') continue;
    }
    if (!field_.CharFitsMask(MaskCharForCaret(), ch, true, no_previous_char)) continue;
    const std::size_t before = caret();
    if (!InsertAtCaret(ch, false)) continue;
    for (std::size_t p = before + 1; p < caret() && i + 1 < source.size(); ++p) {
      if (literal(p) && source[i + 1] == field_.MaskCharAt(p)) ++i;
    }
  }
}

void PictureEditor::MouseDown(bool shift) {
  const std::int32_t active = MouseColumn();
  if (shift) {
    std::size_t start = field_.SelectionStart();
    std::size_t end = field_.SelectionEnd();
    const auto column = static_cast<std::size_t>(active);
    if (selected_) {
      if (start < column) {
        end = column;
      } else {
        start = column;
      }
    } else {
      start = std::min(caret_at_entry_, max_length());
      end = column;
    }
    if (start > end) std::swap(start, end);
    field_.SetRawSelection(start, end);
    field_.SetActiveEnd(active);
    CaretFromActiveEnd(active < active_at_entry_ ? 1 : -1);
    ++level_;
    return;
  }
  field_.SetActiveEnd(active);
  field_.SetRawSelection(static_cast<std::size_t>(active), static_cast<std::size_t>(active));
  CaretFromActiveEnd(1);
  std::size_t end = field_.TextEnd();
  while (end < last_ && literal(end)) ++end;
  set_caret(std::min(caret(), end));
  field_.PositionCaret(false);
}

void PictureEditor::MouseMove() {
  const std::int32_t active = MouseColumn();
  SelectionChanged(active);
  if (field_.SelectionStart() == field_.SelectionEnd()) {
    std::size_t end = field_.TextEnd();
    while (end < last_ && literal(end)) ++end;
    set_caret(std::min(caret(), end));
  }
}

void PictureEditor::DoubleClick() {
  const TPictureDataType type = field_.DataType();
  std::size_t start = 0;
  std::size_t end = max_length();
  if (type < pftReal || type > pftSingle) {
    start = std::min(static_cast<std::size_t>(MouseColumn()), max_length() - 1);
    end = start;
    while (start > 0 && text()[start - 1] != ' ') --start;
    while (end < max_length() && text()[end] != ' ') ++end;
  }
  field_.SetRawSelection(start, end);
  field_.SetActiveEnd(static_cast<std::int32_t>(end));
  CaretFromActiveEnd(-1);
}

void PictureEditor::WordLeft() {
  if (caret() <= first_) {
    AutoAdvance(-1);
    return;
  }
  MoveLeft();
  std::size_t c = caret();
  const std::size_t start = RunStart(c);
  const std::size_t end = field_.TextEnd();
  while (c > start && (c >= end || text()[c] == ' ')) --c;
  while (c > start && text()[c - 1] != ' ') --c;
  set_caret(c);
}

void PictureEditor::WordRight() {
  const std::size_t end = field_.TextEnd();
  if (caret() >= end) {
    NextSubField();
    return;
  }
  std::size_t c = caret();
  const std::size_t run_end = RunEnd(c);
  if (text()[c] != ' ') ++c;
  while (c <= run_end && text()[c] != ' ') ++c;
  while (c <= run_end && text()[c] == ' ') ++c;
  while (c <= last_ && literal(c)) ++c;
  set_caret(c > last_ ? end : c);
}

void PictureEditor::DeleteWord() {
  if (selected_) {
    DeleteSelection();
    return;
  }
  const std::size_t at = caret();
  if (at >= field_.TextEnd()) return;
  const std::size_t run_end = RunEnd(at);
  std::size_t e = at;
  while (e <= run_end && text()[e] != ' ') ++e;
  while (e <= run_end && text()[e] == ' ') ++e;
  CloseUp(e, at, run_end);
  level_ += 10;
}

void PictureEditor::CompleteDateOrTime() {
  const TPictureDataType type = field_.DataType();
  const bool date = command_ == ccCompleteDate;
  if (type != (date ? pftDate : pftTime)) return;
  const ShortText mask(field_.Mask());
  std::string now(date ? field_.Intl().FormatDate(mask, TodayDayNumber(), false).view()
                       : field_.Intl().FormatTime(mask, NowSeconds(), false).view());
  now.resize(max_length(), ' ');
  const bool whole = field_.SelectionStart() == 0 && field_.SelectionEnd() >= max_length();
  if (whole) {
    text() = now;
    field_.CaretToEnd();
  } else {
    const std::size_t at = selected_ ? field_.SelectionStart() : caret();
    if (at > last_) return;
    const std::size_t start = RunStart(at);
    const std::size_t end = RunEnd(at);
    text().replace(start, end + 1 - start, now.substr(start, end + 1 - start));
  }
  NextSubField();
  level_ += 10;
}

void PictureEditor::FullCommand() {
  if (command_ == ccCtrlChar) {
    field_.SetState(efsLiteralChar, true);
  } else if (command_ != ccNoCommand) {
    if (!field_.HasState(efsLiteralsRemoved) && field_.RemoveFloatingLiterals()) field_.invalidate();
    if (command_ != ccChar) field_.SetState(efsLiteralChar, false);
  }
  first_ = field_.FirstEditablePos();
  field_.SetState(efsAcceptChar, false);
  switch (command_) {
    case ccBack: case ccCut: case ccDel: case ccDelBol: case ccDelEol: case ccDelLine: case ccDelWord:
      DeleteCommand();
      break;
    case ccDown: case ccEnd: case ccHome: case ccLeft: case ccRight: case ccUp: case ccWordLeft: case ccWordRight:
      CaretCommand();
      break;
    case ccExtendEnd: case ccExtendHome: case ccExtendLeft: case ccExtendRight: case ccExtWordLeft:
    case ccExtWordRight:
      ExtendCommand();
      break;
    case ccCompleteDate:
    case ccCompleteTime: CompleteDateOrTime(); break;
    case ccCopy: field_.CopySelectionToClipboard(); break;
    case ccDec: field_.DecreaseValue(true, 1); break;
    case ccInc: field_.IncreaseValue(true, 1); break;
    case ccIns:
      field_.SetState(efsInsertMode, !field_.HasState(efsInsertMode));
      field_.Carets().SetInsertMode(field_.HasState(efsInsertMode));
      break;
    case ccPaste: Paste(reinterpret_cast<const char*>(message_.lparam)); break;
    case ccRestore:
      field_.RestoreContents();
      field_.SetState(efsLiteralsRemoved, false);
      break;
    case ccChar:
      if (!field_.HasState(efsKeyboardChar)) return;
      field_.SetState(efsKeyboardChar, false);
      TypeChar(static_cast<char>(message_.wparam & 0xFF));
      break;
    case ccMouse: MouseDown((message_.wparam & ws::mk::shift) != 0); break;
    case ccMouseMove: MouseMove(); break;
    case ccNoCommand:
      field_.SetState(efsAcceptChar | efsKeyboardChar, true);
      return;
    case ccDblClk: DoubleClick(); break;
    case ccCtrlChar:
    case ccSequenceBroken:
    case ccSequencePending: break;
    default: field_.SetState(efsAcceptChar, true); break;
  }
  FinalStep(true);
}

void PictureEditor::DeleteCommand() {
  switch (command_) {
    case ccBack:
      if (selected_) {
        DeleteSelection();
      } else if (caret() > first_) {
        MoveLeft();
        if (caret() < field_.TextEnd()) {
          DeleteAtCaret();
          level_ += 10;
        }
      }
      break;
    case ccCut:
      if (selected_) DeleteSelection();
      break;
    case ccDel:
      if (selected_) {
        DeleteSelection();
      } else if (caret() < field_.TextEnd()) {
        DeleteAtCaret();
        level_ += 10;
      }
      break;
    case ccDelBol: {
      const std::size_t start = RunStart(caret());
      if (caret() > start && caret() <= last_) {
        CloseUp(caret(), start, RunEnd(caret()));
        set_caret(start);
        level_ += 10;
      }
      break;
    }
    case ccDelEol:
      if (caret() < RunEnd(caret()) && caret() <= last_) {
        BlankRange(caret(), RunEnd(caret()) + 1);
        level_ += 10;
      }
      break;
    case ccDelLine:
      set_caret(first_);
      BlankRange(0, last_ + 1);
      level_ += 10;
      break;
    case ccDelWord: DeleteWord(); break;
    default: break;
  }
}

void PictureEditor::CaretCommand() {
  switch (command_) {
    case ccDown:
      if (!field_.UpDownLeavesOrSteps(false)) RightOrAdvance();
      break;
    case ccUp:
      if (!field_.UpDownLeavesOrSteps(true)) LeftOrAdvance();
      break;
    case ccEnd: field_.CaretToEnd(); break;
    case ccHome: set_caret(first_); break;
    case ccLeft: LeftOrAdvance(); break;
    case ccRight: RightOrAdvance(); break;
    case ccWordLeft: WordLeft(); break;
    case ccWordRight: WordRight(); break;
    default: break;
  }
}

void PictureEditor::LeftOrAdvance() {
  if (caret() > first_) {
    MoveLeft();
  } else {
    AutoAdvance(-1);
  }
}

void PictureEditor::RightOrAdvance() {
  if (caret() > last_) {
    AutoAdvance(static_cast<std::ptrdiff_t>(caret()));
  } else {
    MoveRight();
  }
}

void PictureEditor::ExtendCommand() {
  switch (command_) {
    case ccExtendEnd:
      field_.CaretToEnd();
      UpdateSelection(static_cast<std::int32_t>(max_length()) + 1);
      break;
    case ccExtendHome:
      UpdateSelection(0);
      set_caret(first_);
      break;
    case ccExtendLeft: ExtendBy(-1); break;
    case ccExtendRight: ExtendBy(1); break;
    case ccExtWordLeft: ExtendWordLeft(); break;
    case ccExtWordRight: ExtendWordRight(); break;
    default: break;
  }
}

void PictureEditor::ExtendWordLeft() {
  if (active_at_entry_ <= 0) {
    level_ = -1;
    return;
  }
  const std::int32_t active = std::min<std::int32_t>(active_at_entry_, static_cast<std::int32_t>(max_length()));
  auto a = static_cast<std::size_t>(active) - 1;
  while (a > 0 && (a >= text().size() || text()[a] == ' ')) --a;
  while (a > 0 && text()[a - 1] != ' ') --a;
  UpdateSelection(static_cast<std::int32_t>(a));
  CaretFromActiveEnd(1);
}

void PictureEditor::ExtendWordRight() {
  if (active_at_entry_ >= static_cast<std::int32_t>(max_length())) {
    level_ = -1;
    return;
  }
  auto a = static_cast<std::size_t>(std::max<std::int32_t>(active_at_entry_, 0)) + 1;
  while (a < max_length() && text()[a] != ' ') ++a;
  while (a < max_length() && text()[a] == ' ') ++a;
  UpdateSelection(static_cast<std::int32_t>(a));
  CaretFromActiveEnd(-1);
}

void PictureEditor::FinalStep(bool decimals) {
  if (!skips_final_selection(command_)) {
    field_.SetState(efsKeyboardChar, false);
    const bool shift_click = command_ == ccMouse && (message_.wparam & ws::mk::shift) != 0;
    if (raises_level(command_) || shift_click) {
      ++level_;
    } else if (command_ != ccCopy && command_ != ccCut && command_ != ccPaste) {
      field_.SetRawSelection(caret(), caret());
      field_.SetActiveEnd(static_cast<std::int32_t>(caret()));
    }
  }
  if (decimals && point_valid()) {
    if (caret_at_entry_ < point() && caret() > point()) {
      field_.NormalizeAroundDecimal(point_, first_, last_, true, false);
      ++level_;
    } else if (caret_at_entry_ > point() && caret() < point()) {
      field_.NormalizeAroundDecimal(point_, first_, last_, false, true);
      ++level_;
    }
  }
  if (field_.PositionCaret(true)) ++level_;
  if (level_ >= 10) field_.MarkModified();
  if (level_ > 0) field_.invalidate();
}

void PictureEditor::OnePositionCommand() {
  field_.SetState(efsAcceptChar, false);
  const TOvcBaseEFOptions entry_options = field_.GetController().EntryOptions;
  const std::size_t position = first_;
  const auto past_end = static_cast<std::ptrdiff_t>(last_) + 1;
  switch (command_) {
    case ccCopy: field_.CopySelectionToClipboard(); break;
    case ccDec: field_.DecreaseValue(true, 1); break;
    case ccInc: field_.IncreaseValue(true, 1); break;
    case ccDown:
      if ((entry_options & efoAutoAdvanceUpDown) != 0) {
        field_.MoveToNextField();
      } else {
        AutoAdvance(past_end);
      }
      break;
    case ccUp:
      if ((entry_options & efoAutoAdvanceUpDown) != 0) {
        field_.MoveToPreviousField();
      } else {
        AutoAdvance(-1);
      }
      break;
    case ccExtendEnd:
    case ccExtWordRight: UpdateSelection(static_cast<std::int32_t>(max_length()) + 1); break;
    case ccExtendHome:
    case ccExtWordLeft: UpdateSelection(0); break;
    case ccExtendLeft:
    case ccExtendRight: {
      const std::int32_t active = active_at_entry_ + (command_ == ccExtendLeft ? -1 : 1);
      if (active < 0 || active > static_cast<std::int32_t>(max_length())) {
        level_ = -1;
      } else {
        UpdateSelection(active);
      }
      break;
    }
    case ccPaste:
      if (const char* pasted = reinterpret_cast<const char*>(message_.lparam); pasted != nullptr) {
        std::string_view source(pasted);
        if (source.size() == max_length() && !text().empty() && source.front() == text().front()) {
          source.remove_prefix(std::min(position, source.size()));
        }
        for (char ch : source) {
          if (field_.CharFitsMask(field_.MaskCharAt(position), ch, true, no_previous_char)) {
            text()[position] = ch;
            level_ += 10;
            break;
          }
        }
      }
      break;
    case ccRestore: field_.RestoreContents(); break;
    case ccRight:
    case ccWordRight: AutoAdvance(past_end); break;
    case ccLeft:
    case ccWordLeft: AutoAdvance(-1); break;
    case ccChar: {
      char c = static_cast<char>(message_.wparam & 0xFF);
      const bool keyboard = field_.HasState(efsKeyboardChar);
      const bool fits = keyboard && (!is_control(c) || field_.HasState(efsLiteralChar)) &&
                        field_.CharFitsMask(field_.MaskCharAt(position), c, true, ' ');
      if (fits) {
        text()[position] = c;
        level_ += 10;
        AutoAdvance(past_end);
      } else if (keyboard) {
        field_.Beep();
      }
      field_.SetState(efsLiteralChar, false);
      break;
    }
    case ccMouseMove: UpdateSelection(MouseColumn()); break;
    case ccNoCommand:
      field_.SetState(efsAcceptChar | efsKeyboardChar, true);
      return;
    case ccDblClk:
      field_.SetRawSelection(0, max_length());
      field_.SetActiveEnd(static_cast<std::int32_t>(max_length()));
      break;
    case ccCtrlChar: field_.SetState(efsLiteralChar, true); break;
    case ccDel:
    case ccMouse:
    case ccSequenceBroken:
    case ccSequencePending: break;
    default: field_.SetState(efsAcceptChar, true); break;
  }
  if (command_ != ccCtrlChar) set_caret(std::min(position, max_length()));
  FinalStep(false);
}

}  // namespace vx::controls

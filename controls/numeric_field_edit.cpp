#include <algorithm>
#include <string>

#include "controls/controller.h"
#include "controls/field_values.h"
#include "controls/numeric_field.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

bool selects_all(std::uint16_t command) {
  switch (command) {
    case ccExtendLeft: case ccExtendRight: case ccExtendHome: case ccExtendEnd: case ccExtWordLeft:
    case ccExtWordRight: case ccDblClk:
      return true;
    default: return false;
  }
}

}  // namespace

void TOvcCustomNumericField::LoadNumber() {
  number_ = TrimmedBlanks(StripPicture(Text()));
  negative_ = !number_.empty() && number_.front() == '-';
  if (negative_) number_.erase(0, 1);
  if (number_ == "0") number_.clear();
}

void TOvcCustomNumericField::ClearNumber() {
  number_.clear();
  negative_ = false;
}

std::size_t TOvcCustomNumericField::IntegerDigits() const { return std::min(number_.find('.'), number_.size()); }

bool TOvcCustomNumericField::AddChar(char c) {
  const auto width = static_cast<std::size_t>(std::max(width_, 0));
  const auto limit = static_cast<std::size_t>(std::max(integer_limit_, 0));
  const bool has_point = number_.find('.') != std::string::npos;
  if (c == ' ') return false;
  if (c == '.' && (!MaskHas('.') || has_point)) return false;
  if (c == '-') {
    if (negative_) {
      negative_ = false;
      return true;
    }
    if (IntegerDigits() >= limit || number_.size() >= width) return false;
    negative_ = true;
    return true;
  }
  if (SignedLength() < width) {
    if (c == '0' && number_.empty()) return true;
    if (MaskHas('.') && c != '.' && !has_point && (negative_ ? 1 : 0) + IntegerDigits() >= limit) return false;
    number_ += c;
    return true;
  }
  if (width == 1 && c != '.') {
    number_.assign(1, c);
    return true;
  }
  return false;
}

void TOvcCustomNumericField::RebuildText() {
  std::string value = number_.empty() ? "0" : number_;
  if (value.front() == '.') value.insert(0, "0");
  if (negative_) value.insert(0, "-");
  std::string text = MergeIntoPicture(value);
  if (MaskHas('.')) {
    // The digits stand at the right edge as typed, without decimals not yet typed.
    const auto point = number_.find('.');
    const int typed = point == std::string::npos ? 0 : static_cast<int>(number_.size() - point - 1);
    const int shift = point == std::string::npos ? decimals_ + 1 : decimals_ - typed;
    const std::size_t first = FirstEditablePos();
    const std::size_t last = std::min<std::size_t>(LastEditablePos(), text.size() - 1);
    const std::size_t range = last >= first ? last + 1 - first : 0;
    if (shift > 0) {
      const std::size_t count = std::min<std::size_t>(static_cast<std::size_t>(shift), range);
      text.erase(last + 1 - count, count);
      text.insert(first, count, ' ');
    } else if (shift < 0) {
      const std::size_t extra = static_cast<std::size_t>(-shift);
      const std::size_t count = std::min(extra, range);
      text.erase(first, count);
      text.insert(last + 1 - count, number_.substr(number_.size() - extra, count));
    }
  }
  Text() = text;
  FitTextToLength();
}

bool TOvcCustomNumericField::AutoAdvance(int direction, std::uint16_t command) {
  const TOvcBaseEFOptions options = GetController().EntryOptions;
  if (direction < 0) {
    if ((options & efoAutoAdvanceLeftRight) == 0) return false;
    MoveToPreviousField();
    return true;
  }
  const bool moves = command == ccChar ? (options & efoAutoAdvanceChar) != 0 : (options & efoAutoAdvanceLeftRight) != 0;
  if (moves) MoveToNextField();
  return moves;
}

void TOvcCustomNumericField::TypeChar(char typed, std::uint16_t command, bool& changed) {
  const auto width = static_cast<std::size_t>(std::max(width_, 0));
  if (SelectionLength() > 0 && static_cast<unsigned char>(typed) > 31) {
    ClearNumber();
    changed = true;
  }
  if (SignedLength() > width) {
    if (!AutoAdvance(1, command)) Beep();
    return;
  }
  char c = typed;
  bool taken = false;
  if (c == Intl().decimal_char) c = '.';
  if (c != '.' || typed == Intl().decimal_char) {
    const char mask_char = MaskCharAt(CaretColumn() > 0 ? CaretColumn() - 1 : 0);
    taken = CharFitsMask(mask_char, c, true, no_previous_char) && AddChar(c);
  }
  if (!taken) {
    Beep();
    return;
  }
  changed = true;
  if (c != '-' && SignedLength() == width) AutoAdvance(1, command);
}

void TOvcCustomNumericField::PasteText(const char* pasted, bool& changed) {
  if (SelectionLength() > 0) {
    ClearNumber();
    changed = true;
  }
  if (pasted == nullptr) return;
  const std::string text(pasted);
  const auto width = static_cast<std::size_t>(std::max(width_, 0));
  const char mask_char = MaskCharAt(CaretColumn() > 0 ? CaretColumn() - 1 : 0);
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '(' && MaskHas('p') && text.find(')', i + 1) != std::string::npos) c = '-';
    if (c == '-' && negative_) continue;
    if (SignedLength() > width) continue;
    if (c == Intl().decimal_char) {
      c = '.';
    } else if (c == '.') {
      continue;
    }
    if (CharFitsMask(mask_char, c, true, no_previous_char) && AddChar(c)) changed = true;
  }
}

void TOvcCustomNumericField::EditCommand(ws::Message& message, std::uint16_t command) {
  if (command != ccNoCommand) {
    if (!HasState(efsLiteralsRemoved)) RemoveFloatingLiterals();
    SetState(efsLiteralChar, false);
  }
  SetState(efsAcceptChar, false);
  const bool selected = SelectionLength() > 0;
  int counter = selected ? 1 : 0;
  bool changed = false;
  switch (command) {
    case ccBack:
    case ccDel:
      if (selected) {
        ClearNumber();
        changed = true;
      } else if (!number_.empty()) {
        number_.pop_back();
        if (number_ == "0") number_.clear();
        changed = true;
      } else if (negative_) {
        negative_ = false;
        changed = true;
      }
      break;
    case ccCut:
    case ccDelWord:
      if (selected) {
        ClearNumber();
        changed = true;
      }
      break;
    case ccDelLine:
      ClearNumber();
      changed = true;
      break;
    case ccCopy: CopySelectionToClipboard(); break;
    case ccPaste: PasteText(reinterpret_cast<const char*>(message.lparam), changed); break;
    case ccLeft:
    case ccWordLeft: AutoAdvance(-1, command); break;
    case ccRight:
    case ccWordRight: AutoAdvance(1, command); break;
    case ccUp:
      if (!UpDownLeavesOrSteps(true)) AutoAdvance(-1, command);
      break;
    case ccDown:
      if (!UpDownLeavesOrSteps(false)) AutoAdvance(1, command);
      break;
    case ccInc: IncreaseValue(true, 1); break;
    case ccDec: DecreaseValue(true, 1); break;
    case ccMouse: SetRawSelection(CaretColumn(), CaretColumn()); break;
    case ccIns:
      SetState(efsInsertMode, !HasState(efsInsertMode));
      Carets().SetInsertMode(HasState(efsInsertMode));
      break;
    case ccRestore:
      RestoreContents();
      LoadNumber();
      break;
    case ccChar:
      if (!HasState(efsKeyboardChar)) return;
      SetState(efsKeyboardChar, false);
      TypeChar(static_cast<char>(message.wparam & 0xFF), command, changed);
      break;
    case ccNoCommand:
      SetState(efsAcceptChar | efsKeyboardChar, true);
      return;
    case ccHome:
    case ccEnd:
    case ccCtrlChar:
    case ccSequenceBroken:
    case ccSequencePending: break;
    default:
      if (selects_all(command)) {
        SetRawSelection(0, Text().size());
      } else {
        SetState(efsAcceptChar, true);
      }
      break;
  }
  SetState(efsKeyboardChar, false);
  if (selects_all(command) || command == ccRestore) {
    ++counter;
  } else if (command != ccCopy && command != ccCut && command != ccPaste && command != ccMouse) {
    SetRawSelection(CaretColumn(), CaretColumn());
  }
  if (changed) {
    RebuildText();
    MarkModified();
  }
  if (PositionCaret(true)) ++counter;
  if (counter > 0 || changed) invalidate();
}

}  // namespace vx::controls

#include "controls/picture_base.h"

#include <algorithm>

#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

bool is_float_type(std::uint8_t type) { return type >= fld::Real && type <= fld::Comp; }

PictureFlag flag_of_mask_char(char c) {
  if (IsPictureDataChar(c)) return PictureFlag::data;
  return c == '$' || c == ',' ? PictureFlag::floating : PictureFlag::literal;
}

}  // namespace

TOvcPictureBase::TOvcPictureBase(ws::Window* parent) : TOvcBaseEntryField(parent) {}

PictureFlag TOvcPictureBase::FlagAt(std::size_t position) const {
  return position < flags_.size() ? flags_[position] : PictureFlag::literal;
}

void TOvcPictureBase::BuildPictureFlags() {
  const std::size_t length = MaxLength();
  flags_.assign(length, PictureFlag::data);
  if (HasState(efsNoLiterals)) return;
  for (std::size_t i = 0; i < length; ++i) flags_[i] = flag_of_mask_char(MaskCharAt(i));
}

void TOvcPictureBase::InitPictureFlags() {
  SetState(efsNoLiterals, false);
  BuildPictureFlags();
  floating_count_ = static_cast<std::size_t>(std::count(flags_.begin(), flags_.end(), PictureFlag::floating));
  const bool plain = std::all_of(flags_.begin(), flags_.end(), [](PictureFlag f) { return f == PictureFlag::data; });
  SetState(efsNoLiterals, plain);
  if (!plain && (Options() & (efoRightJustify | efoTrimBlanks)) != 0) {
    SetOptions(Options() & ~(efoRightJustify | efoTrimBlanks));
  }
}

std::size_t TOvcPictureBase::FirstDataPos() const {
  const std::size_t length = MaxLength();
  if (length == 0) return 0;
  std::size_t i = 0;
  while (i + 1 < length && IsLiteralAt(i)) ++i;
  return i;
}

std::size_t TOvcPictureBase::FirstEditablePos() const {
  // While focused the floating literals are blanks left of the number.
  return std::min(FirstDataPos() + floating_count_, LastEditablePos() + 1);
}

std::size_t TOvcPictureBase::LastEditablePos() const {
  for (std::size_t i = MaxLength(); i-- > 1;) {
    if (!IsLiteralAt(i)) return i;
  }
  return 0;
}

std::size_t TOvcPictureBase::TextEnd() const {
  const std::string& text = Text();
  for (std::size_t i = LastEditablePos() + 1; i-- > 0;) {
    if (!IsLiteralAt(i) && i < text.size() && text[i] != ' ') return i + 1;
  }
  return 0;
}

bool TOvcPictureBase::IsEmpty() const {
  const std::string& text = Text();
  for (std::size_t i = 0; i < MaxLength(); ++i) {
    if (!IsLiteralAt(i) && i < text.size() && text[i] != ' ') return false;
  }
  return true;
}

bool TOvcPictureBase::IsNumericPicture() const {
  return floating_count_ > 0 || FieldClass() == TFieldClass::numeric ||
         Mask().find_first_of("KOb.cC") != std::string::npos;
}

std::ptrdiff_t TOvcPictureBase::DecimalPosition() const {
  const auto point = Mask().find('.');
  return point == std::string::npos ? -1 : static_cast<std::ptrdiff_t>(point);
}

char TOvcPictureBase::ThousandsChar() const { return Intl().thousands_char != '\0' ? Intl().thousands_char : ','; }

void TOvcPictureBase::NumberWidth(int& width, int& decimals) const {
  const std::size_t length = MaxLength();
  const std::ptrdiff_t point = DecimalPosition();
  decimals = 0;
  if (point >= 0) {
    for (auto i = static_cast<std::size_t>(point) + 1; i < length && FlagAt(i) == PictureFlag::data; ++i) ++decimals;
  } else {
    decimals = DecimalPlaces();
  }
  width = 0;
  std::size_t i = 0;
  while (i < length && FlagAt(i) != PictureFlag::data) ++i;
  for (; i < length; ++i) {
    if (FlagAt(i) == PictureFlag::data) {
      ++width;
    } else if (MaskCharAt(i) != ',') {
      break;
    }
  }
  if (decimals > 0) width += decimals + 1;
}

void TOvcPictureBase::FitTextToLength() { Text().resize(MaxLength(), ' '); }

std::size_t TOvcPictureBase::LiteralCount() const {
  std::size_t count = 0;
  for (std::size_t i = 0; i < MaxLength(); ++i) {
    if (flag_of_mask_char(MaskCharAt(i)) == PictureFlag::literal) ++count;
  }
  return count;
}

bool TOvcPictureBase::RemoveFloatingLiterals() {
  if (floating_count_ == 0) {
    if (MaskHas('K') || MaskHas('O') || MaskHas('b')) SetState(efsLiteralsRemoved, true);
    return false;
  }
  SetState(efsLiteralsRemoved, true);
  std::string& text = Text();
  const std::string before = text;
  std::size_t blanks_at = FirstDataPos();
  const std::string_view currency = Intl().LeftCurrency();
  if (MaskHas('$') && !currency.empty()) {
    if (const auto at = text.find(currency); at != std::string::npos && at >= blanks_at) {
      text.erase(at, currency.size());
      text.insert(blanks_at, currency.size(), ' ');
      blanks_at += currency.size();
    }
  }
  if (MaskHas(',')) {
    const char separator = ThousandsChar();
    for (std::size_t i = blanks_at, last = LastEditablePos(); i <= last && i < text.size(); ++i) {
      if (text[i] != separator) continue;
      text.erase(i, 1);
      text.insert(blanks_at, 1, ' ');
      ++blanks_at;
    }
  }
  return text != before;
}

void TOvcPictureBase::RestoreFloatingLiterals() {
  if (!HasState(efsLiteralsRemoved)) return;
  SetState(efsLiteralsRemoved, false);
  std::string value = StripPicture(Text());
  std::replace(value.begin(), value.end(), Intl().decimal_char, '.');
  Text() = MergeIntoPicture(value);
  invalidate();
}

void TOvcPictureBase::NormalizeAroundDecimal(std::ptrdiff_t point, std::size_t first, std::size_t last, bool fix_left,
                                             bool fix_right) {
  std::string& text = Text();
  if (text.size() != MaxLength() || last >= text.size()) return;
  if (fix_left) {
    const std::ptrdiff_t end = point >= 0 ? point - 1 : static_cast<std::ptrdiff_t>(last);
    if (end >= static_cast<std::ptrdiff_t>(first) && !IsLiteralAt(static_cast<std::size_t>(end))) {
      auto start = static_cast<std::size_t>(end);
      while (start > first && !IsLiteralAt(start - 1)) --start;
      const auto stop = static_cast<std::size_t>(end) + 1;
      std::string digits;
      for (std::size_t i = start; i < stop; ++i) {
        if (text[i] != ' ') digits += text[i];
      }
      const std::size_t width = stop - start;
      text.replace(start, width, std::string(width - digits.size(), ' ') + digits);
      if (text[stop - 1] == ' ') text[stop - 1] = '0';
    }
  }
  if (fix_right && point >= 0) {
    const auto start = static_cast<std::size_t>(point) + 1;
    if (start <= last && !IsLiteralAt(start)) {
      std::size_t stop = start;
      while (stop <= last && !IsLiteralAt(stop)) ++stop;
      std::string digits;
      for (std::size_t i = start; i < stop; ++i) {
        if (text[i] != ' ') digits += text[i];
      }
      text.replace(start, stop - start, digits + std::string(stop - start - digits.size(), '0'));
    }
  }
}

void TOvcPictureBase::NormalizeOnLeaving() {
  const bool applies = FieldClass() == TFieldClass::picture && HasState(efsModified) && HasState(efsFocused) &&
                       DecimalPosition() >= 0;
  if (applies) NormalizeAroundDecimal(DecimalPosition(), FirstEditablePos(), LastEditablePos(), true, true);
}

bool TOvcPictureBase::ValidateField(bool soft) {
  NormalizeOnLeaving();
  return TOvcBaseEntryField::ValidateField(soft);
}

std::uint16_t TOvcPictureBase::ValidateSelf(bool report) {
  NormalizeOnLeaving();
  return TOvcBaseEntryField::ValidateSelf(report);
}

void TOvcPictureBase::CaretToEnd() {
  std::size_t caret = TextEnd();
  const std::size_t last = LastEditablePos();
  while (caret < last && IsLiteralAt(caret)) ++caret;
  SetCaret(caret);
}

void TOvcPictureBase::CaretToStart() {
  TOvcBaseEntryField::CaretToStart();
  SetCaret(FirstEditablePos());
}

std::string TOvcPictureBase::GetDisplayText() const {
  std::string display = TOvcBaseEntryField::GetDisplayText();
  if (Uninitialized() && !HasState(efsFocused)) return std::string(MaxLength(), ' ');
  const bool password = (Options() & efoPasswordMode) != 0;
  if (!password && PadChar() == ' ') return display;
  for (std::size_t i = 0; i < display.size(); ++i) {
    if (IsLiteralAt(i)) continue;
    if (display[i] == ' ') {
      display[i] = PadChar();
    } else if (password) {
      display[i] = PasswordChar();
    }
  }
  return display;
}

void TOvcPictureBase::AdjustOptionsForType() {
  if (Loading()) return;
  TOvcBaseEntryField::AdjustOptionsForType();
  const bool literals = std::any_of(flags_.begin(), flags_.end(), [](PictureFlag f) { return f != PictureFlag::data; });
  if (FieldClass() == TFieldClass::picture && DataTypeCode() == fld::String && literals &&
      (Options() & (efoRightJustify | efoTrimBlanks)) != 0) {
    SetOptions(Options() & ~(efoRightJustify | efoTrimBlanks));
  }
}

void TOvcPictureBase::SetCaretColumn(int column) {
  if (!HasState(efsFocused)) return;
  const std::size_t first = FirstEditablePos();
  const std::size_t last = LastEditablePos();
  std::size_t caret = 0;
  if (column < static_cast<int>(first)) {
    caret = first;
  } else if (column > static_cast<int>(last)) {
    caret = last + 1;
  } else {
    caret = static_cast<std::size_t>(column);
    while (caret > first && IsLiteralAt(caret)) --caret;
  }
  SetCaret(caret);
  PositionCaret(true);
}

void TOvcPictureBase::AssignPictureMask(std::string_view mask) {
  const std::string value = StripPicture(Text());
  std::string stored(mask.substr(0, max_edit_length));
  if (FieldClass() != TFieldClass::numeric) {
    for (const char c : {'p', 'g'}) {
      if (const auto at = stored.find(c); at != std::string::npos) stored.erase(at, 1);
    }
  }
  if (stored.empty()) return;
  SetMaskText(stored);
  const bool resize = MaxLength() < stored.size() || (FieldClass() == TFieldClass::numeric && MaxLength() != stored.size());
  if (resize && !Loading()) SetMaxLengthRaw(static_cast<std::uint16_t>(stored.size()));
  Text().clear();
  InitPictureFlags();
  Text() = MergeIntoPicture(value);
}

void TOvcPictureBase::CreateWnd() {
  BuildPictureFlags();
  TOvcBaseEntryField::CreateWnd();
  if (is_float_type(DataTypeCode())) {
    SetState(efsFloatType, true);
    if (MaskHas('.')) SetDecimalPlacesRaw(0);
  }
}

ws::LResult TOvcPictureBase::window_proc(ws::Message& message) {
  if (message.id == ws::msg::set_focus && !Loading()) {
    const bool returning = HasState(efsExitIncomplete);
    BuildPictureFlags();
    const ws::LResult result = TOvcBaseEntryField::window_proc(message);
    if (!returning) active_end_ = static_cast<std::int32_t>(SelectionEnd());
    return result;
  }
  if (message.id == ws::msg::kill_focus && !Loading()) {
    NormalizeOnLeaving();
    const ws::LResult result = TOvcBaseEntryField::window_proc(message);
    if (!HasState(efsExitIncomplete)) RestoreFloatingLiterals();
    return result;
  }
  return TOvcBaseEntryField::window_proc(message);
}

}  // namespace vx::controls

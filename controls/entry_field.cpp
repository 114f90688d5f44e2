#include "controls/entry_field.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "controls/control_messages.h"
#include "controls/exceptions.h"
#include "controls/helpers.h"
#include "controls/messages.h"
#include "platform/ws/application.h"
#include "platform/ws/font.h"
#include "platform/ws/messages.h"
#include "platform/ws/shell.h"

namespace vx::controls {
TOvcBaseEntryField::TOvcBaseEntryField(ws::Window* parent)
    : TOvcCustomControlEx(parent),
      borders_(std::make_unique<TOvcBorders>()),
      carets_(std::make_unique<TOvcCaretPair>(this)),
      colors_(std::make_unique<TOvcEfColors>()),
      user_data_(&DefaultUserData()) {
  for (TOvcBorder* border : {&borders_->LeftBorder(), &borders_->RightBorder(), &borders_->TopBorder(),
                             &borders_->BottomBorder()}) {
    border->OnChange = [this](TOvcBorder&) { BordersChanged(); };
  }
  for (TOvcColors* pair : {&colors_->Disabled(), &colors_->Error(), &colors_->Highlight()}) {
    pair->OnColorChange = [this] { invalidate(); };
  }
  set_border_style(ws::BorderStyle::single);
  set_bounds(left(), top(), 130, 25);
  set_tab_stop(true);
  set_color(ws::color::window);
  captures_mouse = true;
  text_top_ = ComputeTextTop();
}

TOvcBaseEntryField::~TOvcBaseEntryField() {
  // The form moves the focus on before the field goes; the field's class
  // is gone by now, so it leaves without validating.
  destroying_ = true;
  if (focused()) {
    if (ws::Form* owner = form(); owner != nullptr) owner->select_next(this, true);
    if (focused()) ws::change_focus(nullptr);
  }
}

void TOvcBaseEntryField::SetAutoSize(bool value) {
  if (value == auto_size_) return;
  auto_size_ = value;
  if (!Loading()) AdjustHeight();
}

void TOvcBaseEntryField::SetBorderStyle(ws::BorderStyle value) {
  if (value == border_style()) return;
  set_border_style(value);
  RecreateWnd();
}

void TOvcBaseEntryField::BordersChanged() {
  const bool any = borders_->LeftBorder().Enabled() || borders_->RightBorder().Enabled() ||
                   borders_->TopBorder().Enabled() || borders_->BottomBorder().Enabled();
  set_border_style(any ? ws::BorderStyle::none : ws::BorderStyle::single);
  RecreateWnd();
  invalidate();
}

void TOvcBaseEntryField::SetControlCharColor(ws::Color value) {
  control_char_color_ = value;
  invalidate();
}

void TOvcBaseEntryField::SetDecimalPlaces(std::uint8_t value) {
  if (value == decimal_places_) return;
  decimal_places_ = value;
  RecreateWnd();
}

std::int32_t TOvcBaseEntryField::Epoch() const {
  std::int32_t epoch = epoch_;
  if (OnGetEpoch) OnGetEpoch(*this, epoch);
  return epoch == 0 ? GetController().GetEpoch() : epoch;
}

void TOvcBaseEntryField::SetEpoch(std::int32_t value) {
  if (value != 0 && (value < 1600 || value > 3999)) return;
  epoch_ = value == GetController().GetEpoch() ? 0 : value;
}

void TOvcBaseEntryField::SetMaxLength(std::uint16_t value) {
  // The edit text has room for 255 characters only, also when a form sets more.
  if (Loading()) {
    max_length_ = std::min<std::uint16_t>(value, max_edit_length);
    return;
  }
  if (value == max_length_ || value == 0 || value > max_edit_length || value < mask_.size()) return;
  max_length_ = value;
  FitTextToLength();
  data_size_ = 0;
  RecreateWnd();
}

void TOvcBaseEntryField::SetOptions(TOvcEntryFieldOptions value) {
  if (value != options_) {
    options_ = value;
    if ((options_ & efoForceInsert) != 0) options_ &= ~efoForceOvertype;
    if ((options_ & efoRightJustify) != 0 && data_type_ == fld::String) options_ |= efoTrimBlanks;
    if ((options_ & efoRightAlign) != 0) PositionCaret(true);
    // Stripping literals changes a String value's size.
    data_size_ = 0;
  }
  AdjustOptionsForType();
  invalidate();
}

void TOvcBaseEntryField::AdjustOptionsForType() {
  if (Loading()) return;
  constexpr TOvcEntryFieldOptions single_char =
      efoCaretToEnd | efoForceInsert | efoTrimBlanks | efoRightJustify | efoStripLiterals;
  TOvcEntryFieldOptions removed = 0;
  const std::uint8_t type = DeclaredDataType();
  const bool char_types = type >= fld::Char && type <= fld::YesNo;
  const bool number_types = type >= fld::LongInt && type <= fld::Comp;
  switch (field_class_) {
    case TFieldClass::simple:
      if (type == fld::String) removed = efoRightJustify | efoStripLiterals;
      if (char_types) removed = single_char;
      if (number_types) removed = efoTrimBlanks | efoRightJustify | efoStripLiterals;
      break;
    case TFieldClass::picture:
      if (char_types) removed = single_char;
      if (number_types) removed = efoTrimBlanks | efoStripLiterals;
      if (type == fld::Date || type == fld::Time) removed = efoTrimBlanks | efoRightJustify | efoStripLiterals;
      break;
    case TFieldClass::numeric: removed = single_char | efoRightAlign; break;
  }
  options_ &= ~removed;
}

void TOvcBaseEntryField::SetPadChar(char value) {
  pad_char_ = value;
  invalidate();
}

void TOvcBaseEntryField::SetPasswordChar(char value) {
  password_char_ = value;
  if (value == '\0') options_ &= ~efoPasswordMode;
  invalidate();
}

void TOvcBaseEntryField::SetRangeHi(std::string_view text) { SetRange(range_hi_, text); }

void TOvcBaseEntryField::SetRangeLo(std::string_view text) { SetRange(range_lo_, text); }

void TOvcBaseEntryField::SetRange(RangeCell& cell, std::string_view text) {
  RangeCell value{};
  if (!TextToValue(text, value)) {
    if (Loading()) return;
    const std::uint8_t type = data_type_;
    std::string mask;
    if (type == fld::Date) mask = std::string(Intl().ShortDateMask(true).view());
    if (type == fld::Time) mask = std::string(Intl().TimeMask(false).view());
    throw EInvalidRangeValue(type, mask);
  }
  cell = value;
  if (Loading()) return;
  if (ValidateSelf(true) != 0 && parent() != nullptr && parent()->showing() && parent()->enabled_with_parents() &&
      can_focus()) {
    set_focus();
  }
}

void TOvcBaseEntryField::SetRangeCells(const RangeCell& low, const RangeCell& high) {
  range_lo_ = low;
  range_hi_ = high;
}

void TOvcBaseEntryField::SetTextMargin(int value) {
  if (value <= 1) return;
  text_margin_ = value;
  invalidate();
}

void TOvcBaseEntryField::SetUninitialized(bool value) {
  uninitialized_ = value;
  AdjustOptionsForType();
}

void TOvcBaseEntryField::SetZeroDisplay(TZeroDisplay value) {
  zero_display_ = value;
  invalidate();
}

void TOvcBaseEntryField::SetZeroDisplayValue(double value) {
  zero_display_value_ = value;
  invalidate();
}

void TOvcBaseEntryField::SetUserData(TOvcUserData* data) { user_data_ = data != nullptr ? data : &DefaultUserData(); }

void TOvcBaseEntryField::SetMaskText(std::string_view mask) {
  mask_ = std::string(mask.substr(0, max_edit_length));
  data_size_ = 0;
}

std::size_t TOvcBaseEntryField::DataSize() {
  if (data_size_ == 0) data_size_ = TransferValue({}, TransferDirection::size);
  return data_size_;
}

void TOvcBaseEntryField::CreateParams() {
  if (max_length_ == 0) max_length_ = static_cast<std::uint16_t>(mask_.size());
  state_ = efsInsertMode | efsAcceptChar;
  if (focused()) state_ |= efsFocused;
}

void TOvcBaseEntryField::CreateWnd() {
  CreateParams();
  TOvcCustomControlEx::CreateWnd();
  caret_ = offset_ = sel_start_ = sel_end_ = 0;
  data_size_ = 0;
  DataSize();
  if ((options_ & efoInputRequired) != 0 && data_type_ >= fld::Char && data_type_ <= fld::Comp) uninitialized_ = true;
  SetState(efsHexMask, mask_.find('K') != std::string::npos);
  SetState(efsOctalMask, mask_.find('O') != std::string::npos);
  SetState(efsBinaryMask, mask_.find('b') != std::string::npos);
  SetState(efsRightToLeft, field_class_ == TFieldClass::numeric);
  AdjustOptionsForType();
  AdjustHeight();
  text_top_ = ComputeTextTop();
  right_align_in_effect_ = (options_ & efoRightAlign) != 0;
}

void TOvcBaseEntryField::RecreateWnd() {
  if (Loading()) return;
  CreateWnd();
  invalidate();
}

void TOvcBaseEntryField::AdjustHeight() {
  if (!auto_size_) return;
  // Three-dimensional with a single border, flat with lines drawn over it.
  const int extra = border_style() == ws::BorderStyle::single ? 8 : 6;
  set_bounds(left(), top(), width(), ws::font_metrics(font()).height + extra);
  auto_size_ = true;
}

void TOvcBaseEntryField::bounds_changed(const ws::Rect& old_bounds) {
  if (auto_size_ && old_bounds.height() != height() && !Loading()) auto_size_ = false;
  TOvcCustomControlEx::bounds_changed(old_bounds);
  text_top_ = ComputeTextTop();
  if (focused()) PositionCaret(false);
  invalidate();
}

void TOvcBaseEntryField::AssignPictureMask(std::string_view mask) {
  if (mask.empty()) return;
  if (Loading()) {
    SetMaskText(mask);
    return;
  }
  std::vector<std::byte> value(TransferValue({}, TransferDirection::size));
  TransferValue(value, TransferDirection::read);
  SetMaskText(mask);
  value.resize(TransferValue({}, TransferDirection::size));
  TransferValue(value, TransferDirection::write);
}

void TOvcBaseEntryField::SetEditText(std::string_view text) { text_ = std::string(text.substr(0, max_length_)); }

void TOvcBaseEntryField::FitTextToLength() {
  if (text_.size() > max_length_) text_.resize(max_length_);
}

char TOvcBaseEntryField::MaskCharAt(std::size_t position) const {
  return position < mask_.size() ? mask_[position] : mask_.back();
}

void TOvcBaseEntryField::ForceMaskCase(char mask_char, char& c, char previous) const {
  controls::ForceMaskCase(mask_char, c, previous, *user_data_);
}

bool TOvcBaseEntryField::CharFitsMask(char mask_char, char& c, bool apply_case, char previous) const {
  return controls::CharFitsMask(mask_char, c, apply_case, previous, *user_data_, Intl());
}

void TOvcBaseEntryField::CaretToEnd() { caret_ = text_.size(); }

void TOvcBaseEntryField::CaretToStart() {
  caret_ = 0;
  offset_ = 0;
}

void TOvcBaseEntryField::PlaceCaretOnEntry() {
  if ((options_ & efoCaretToEnd) != 0) {
    CaretToEnd();
  } else {
    CaretToStart();
  }
}

bool TOvcBaseEntryField::IsEmpty() const {
  return std::all_of(text_.begin(), text_.end(), [](char c) { return c == ' '; });
}

void TOvcBaseEntryField::SetSelection(std::size_t start, std::size_t end) {
  if (end < start) return;
  start = std::min(start, text_.size());
  end = std::min(end, text_.size());
  if (field_class_ == TFieldClass::numeric && start != end) {
    start = 0;
    end = text_.size();
  }
  sel_start_ = start;
  sel_end_ = end;
}

void TOvcBaseEntryField::NotifyChange() {
  if (!HasState(efsInternalChange) && OnChange) OnChange(*this);
}

void TOvcBaseEntryField::NotifyError(std::uint16_t code, const std::string& text) {
  if (OnError) {
    OnError(*this, code, text);
    return;
  }
  GetController().ReportError(*this, code, text);
}

void TOvcBaseEntryField::NotifyUserCommand(std::uint16_t command) {
  if (OnUserCommand) OnUserCommand(*this, command);
}

void TOvcBaseEntryField::NotifyUserValidation(std::uint16_t& code) {
  if (OnUserValidation) OnUserValidation(*this, code);
}

void TOvcBaseEntryField::MarkModified() {
  state_ |= efsModified | efsEverModified;
  NotifyChange();
}

void TOvcBaseEntryField::Beep() const {
  if ((GetController().EntryOptions & efoBeepOnError) != 0) ws::beep();
}

void TOvcBaseEntryField::MoveToNextField() {
  if (ws::Form* owner = form(); owner != nullptr) ws::post_message(owner->handle(), ws::msg::next_dialog_control, 0);
}

void TOvcBaseEntryField::MoveToPreviousField() {
  if (ws::Form* owner = form(); owner != nullptr) ws::post_message(owner->handle(), ws::msg::next_dialog_control, 1);
}

bool TOvcBaseEntryField::UpDownLeavesOrSteps(bool up) {
  if ((GetController().EntryOptions & efoAutoAdvanceUpDown) != 0) {
    if (up) {
      MoveToPreviousField();
    } else {
      MoveToNextField();
    }
  } else if ((options_ & efoArrowIncDec) != 0 && (options_ & efoReadOnly) == 0) {
    if (up) {
      IncreaseValue(true, 1);
    } else {
      DecreaseValue(true, 1);
    }
  } else {
    return false;
  }
  return true;
}

void TOvcBaseEntryField::IncreaseValue(bool wrap, double delta) {
  perform(ws::msg::set_redraw, 0);
  StepValue(wrap, delta);
  sel_start_ = sel_end_ = caret_;
  perform(ws::msg::set_redraw, 1);
  invalidate();
}

void TOvcBaseEntryField::DecreaseValue(bool wrap, double delta) { IncreaseValue(wrap, -delta); }

void TOvcBaseEntryField::RestoreContents() {
  if (!saved_text_) return;
  // The mask or MaxLength may have changed since the text was saved.
  text_ = *saved_text_;
  FitTextToLength();
  PlaceCaretOnEntry();
  SetSelection(0, max_edit_length);
  state_ &= ~efsModified;
  invalidate();
  NotifyChange();
}

void TOvcBaseEntryField::MenuRestore() {
  RestoreContents();
  PositionCaret(true);
}

void TOvcBaseEntryField::MenuSelectAll() { perform(em::set_sel, 0, static_cast<ws::LParam>(0xFFFF0000u)); }

}  // namespace vx::controls

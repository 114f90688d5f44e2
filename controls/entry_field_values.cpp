#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "controls/control_messages.h"
#include "controls/entry_field.h"
#include "controls/exceptions.h"
#include "controls/field_values.h"
#include "controls/messages.h"
#include "controls/string_routines.h"
#include "platform/ws/application.h"
#include "platform/ws/messages.h"

namespace vx::controls {
namespace {

bool is_integer_type(std::uint8_t type) { return type >= fld::LongInt && type <= fld::ShortInt; }
bool is_real_type(std::uint8_t type) { return type >= fld::Real && type <= fld::Comp; }

// Clears the flag when the scope ends, also by an exception.
class StateScope {
 public:
  StateScope(std::uint32_t& state, std::uint32_t flag) : state_(state), flag_(flag) { state_ |= flag_; }
  ~StateScope() { state_ &= ~flag_; }
  StateScope(const StateScope&) = delete;
  StateScope& operator=(const StateScope&) = delete;

 private:
  std::uint32_t& state_;
  std::uint32_t flag_;
};

}  // namespace

std::size_t TOvcBaseEntryField::TransferValue(std::span<std::byte>, TransferDirection) {
  return ValueSize(data_type_, max_length_);
}

std::uint16_t TOvcBaseEntryField::GetValue(std::span<std::byte> buffer) {
  if (buffer.size() < DataSize()) throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  const StateScope reading(state_, efsReadingValue);
  if (const std::uint16_t code = CheckValue(); code != 0) return code;
  if (data_type_ > fld::Time) throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  TransferValue(buffer.first(DataSize()), TransferDirection::read);
  return 0;
}

void TOvcBaseEntryField::SetValue(std::span<const std::byte> buffer) {
  if (buffer.size() < DataSize() || data_type_ > fld::Time) {
    throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  }
  const StateScope internal(state_, efsInternalChange);
  std::vector<std::byte> value(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(DataSize()));
  TransferValue(value, TransferDirection::write);
}

void TOvcBaseEntryField::AfterValueWritten() {
  if (HasState(efsValidating)) return;
  state_ &= ~efsExitIncomplete;
  if (HasState(efsFocused)) {
    PlaceCaretOnEntry();
    PositionCaret(true);
    if (!HasState(efsReadingValue)) SetSelection(0, max_edit_length);
  } else {
    state_ &= ~efsInvalid;
  }
  state_ &= ~(efsModified | efsEverModified);
  invalidate();
}

std::int32_t TOvcBaseEntryField::GetAsInteger() {
  if (!is_integer_type(data_type_)) throw EInvalidDataType();
  std::vector<std::byte> value(DataSize());
  last_error_ = GetValue(value);
  return last_error_ != 0 ? 0 : ReadInteger(value, data_type_);
}

std::string TOvcBaseEntryField::GetAsString() {
  if (data_type_ != fld::String) {
    last_error_ = 0;
    return (options_ & efoTrimBlanks) != 0 ? TrimmedBlanks(text_) : text_;
  }
  std::vector<std::byte> value(DataSize());
  last_error_ = GetValue(value);
  return last_error_ != 0 ? std::string() : ReadCounted(value);
}

void TOvcBaseEntryField::SetAsString(std::string_view text) {
  std::vector<std::byte> value(DataSize());
  const std::uint8_t type = data_type_;
  if (type == fld::String) {
    WriteCounted(value, text);
  } else if (type == fld::Boolean || type == fld::YesNo) {
    const char first = text.empty() ? '\0' : UpperChar(text.front());
    const bool yes = !text.empty() && (first == Intl().true_char || first == Intl().yes_char);
    value[0] = static_cast<std::byte>(yes ? 1 : 0);
  } else {
    RangeCell cell{};
    if (!TextToValue(text, cell)) throw EEntryFieldError(std::string(MessageText(msg::invalid_number)));
    if (is_integer_type(type) || type == fld::Date || type == fld::Time) {
      WriteInteger(value, type == fld::Date || type == fld::Time ? fld::LongInt : type, CellInteger(cell));
    } else if (is_real_type(type)) {
      WriteReal(value, type, CellReal(cell, type));
    } else {
      value[0] = cell[0];
    }
  }
  SetValue(value);
}

void TOvcBaseEntryField::ClearContents() {
  if (Loading()) return;
  const StateScope internal(state_, efsInternalChange);
  const TOvcEntryFieldOptions kept = options_;
  options_ &= ~efoReadOnly;
  perform(ws::msg::set_text, 0, reinterpret_cast<ws::LParam>(""));
  options_ = kept;
}

void TOvcBaseEntryField::SetDefaultRange() {
  range_lo_.fill(std::byte{0});
  range_hi_.fill(std::byte{0});
  const std::uint8_t type = data_type_;
  const auto set_integers = [this](std::int32_t low, std::int32_t high) {
    WriteAs(range_lo_, low);
    WriteAs(range_hi_, high);
  };
  const auto set_reals = [this, type](long double bound) {
    SetCellReal(range_lo_, type, -bound);
    SetCellReal(range_hi_, type, bound);
  };
  switch (type) {
    case fld::Char:
      range_lo_[0] = range_hi_[0] = static_cast<std::byte>(' ');
      break;
    case fld::LongInt: set_integers(INT32_MIN, INT32_MAX); break;
    case fld::Word: set_integers(0, 65535); break;
    case fld::Integer: set_integers(-32768, 32767); break;
    case fld::Byte: set_integers(0, 255); break;
    case fld::ShortInt: set_integers(-128, 127); break;
    case fld::Real: set_reals(1.7e38L); break;
    case fld::Extended: set_reals(1.1e4932L); break;
    case fld::Double: set_reals(1.7e308L); break;
    case fld::Single: set_reals(3.4e38L); break;
    case fld::Comp: set_reals(9.2e18L); break;
    case fld::Date: set_integers(0, 876581); break;
    case fld::Time: set_integers(0, 86399); break;
    default: break;
  }
}

void TOvcBaseEntryField::ResetToDefaultValue() {
  std::vector<std::byte> value(DataSize());
  const std::uint8_t type = data_type_;
  if (type == fld::Char) {
    const char low = static_cast<char>(range_lo_[0]);
    const char high = static_cast<char>(range_hi_[0]);
    const bool excluded = low != high && (static_cast<unsigned char>(' ') < static_cast<unsigned char>(low) ||
                                          static_cast<unsigned char>(' ') > static_cast<unsigned char>(high));
    value[0] = static_cast<std::byte>(excluded ? low : ' ');
  } else if (is_integer_type(type)) {
    const std::int32_t low = CellInteger(range_lo_);
    const std::int32_t high = CellInteger(range_hi_);
    WriteInteger(value, type, low > 0 || high < 0 ? low : 0);
  } else if (is_real_type(type)) {
    const long double low = CellReal(range_lo_, type);
    const long double high = CellReal(range_hi_, type);
    WriteReal(value, type, low > 0 || high < 0 ? low : 0);
  } else if (type == fld::Date || type == fld::Time) {
    WriteAs<std::int32_t>(value, -1);
  }
  const StateScope internal(state_, efsInternalChange);
  TransferValue(value, TransferDirection::write);
}

int TOvcBaseEntryField::RangePlaces() const {
  const auto point = mask_.find('.');
  if (point == std::string::npos) return decimal_places_;
  int places = 0;
  for (std::size_t i = point + 1; i < mask_.size() && i < max_length_; ++i) {
    const char c = mask_[i];
    if (std::string_view("!#123456789ABDEHKLMNOSXYabdhilmnstxy").find(c) == std::string_view::npos) break;
    ++places;
  }
  return places;
}

std::string TOvcBaseEntryField::RealToText(long double value, int places) const {
  char buffer[400];
  if (mask_.find('E') == std::string::npos) {
    std::snprintf(buffer, sizeof buffer, "%.*Lf", places, value);
    TrimFractionZeros(buffer);
    const std::string plain(text_in(buffer));
    if (plain.size() <= max_length_) return plain;
  }
  const int width = places > 0 && places + 9 < max_length_ ? places + 9 : max_length_;
  // The mantissa's digits after the point: what the width leaves beside sign,
  // first digit, point and a four-digit exponent.
  const int digits = std::max(width - 9, 1);
  std::snprintf(buffer, sizeof buffer, "%.*LE", digits, value);
  TrimBlanks(buffer);
  TrimExponentZeros(buffer);
  return std::string(text_in(buffer));
}

std::string TOvcBaseEntryField::RangeToText(const RangeCell& cell) const {
  const std::uint8_t type = data_type_;
  std::string text;
  if (type == fld::Char) {
    const auto code = std::to_integer<unsigned>(cell[0]);
    return code > 32 ? std::string(1, static_cast<char>(code)) : "#" + std::to_string(code);
  }
  if (is_integer_type(type)) return IntegerToText(CellInteger(cell));
  if (is_real_type(type)) {
    text = RealToText(CellReal(cell, type), RangePlaces());
    std::replace(text.begin(), text.end(), '.', Intl().decimal_char);
    return text;
  }
  const std::int32_t number = CellInteger(cell);
  if (type == fld::Date) return number == -1 ? "" : Intl().FormatDate(Intl().ShortDateMask(true), number, false).str();
  if (type == fld::Time) return number == -1 ? "" : Intl().FormatTime(Intl().TimeMask(true), number, false).str();
  return {};
}

bool TOvcBaseEntryField::TextToValue(std::string_view text, RangeCell& cell) {
  cell.fill(std::byte{0});
  const std::uint8_t type = data_type_;
  if (type == fld::Char) {
    char c = ' ';
    if (text.size() > 1 && text.front() == '#') {
      // A code beyond one byte is no character.
      const std::string_view digits = text.substr(1);
      int code = 0;
      const bool readable = digits.size() <= 3 &&
                            std::all_of(digits.begin(), digits.end(), [](char d) { return d >= '0' && d <= '9'; });
      if (readable) {
        for (const char d : digits) code = code * 10 + (d - '0');
      }
      if (readable && code <= 255) c = static_cast<char>(code);
    } else if (!text.empty()) {
      c = text.front();
    }
    cell[0] = static_cast<std::byte>(c);
    return true;
  }
  if (is_integer_type(type)) {
    std::int32_t value = 0;
    if (!ParseInteger(text, value) || !IntegerFitsType(type, value)) return false;
    WriteAs(cell, value);
    return true;
  }
  if (is_real_type(type)) {
    std::string number(text);
    std::replace(number.begin(), number.end(), Intl().decimal_char, '.');
    long double value = 0;
    if (!ParseReal(number, value)) return false;
    if (type == fld::Real && std::fabs(value) > 1.7976931348623157e308L) return false;
    if (!RealFitsType(type, value)) return false;
    SetCellReal(cell, type, value);
    return true;
  }
  if (type == fld::Date || type == fld::Time) {
    const ShortText mask = type == fld::Date ? Intl().ShortDateMask(true) : Intl().TimeMask(true);
    if (text.size() != mask.size()) return false;
    const std::string copy(text);
    const std::int32_t value = type == fld::Date ? Intl().DateFromText(mask, ShortText(copy), Epoch())
                                                 : Intl().TimeFromText(mask, ShortText(copy));
    if (value == -1) return false;
    WriteAs(cell, value);
    return true;
  }
  return true;
}

bool TOvcBaseEntryField::ParseInteger(std::string_view text, std::int32_t& value) const {
  const auto first = text.find_first_not_of(" \t");
  value = 0;
  if (first == std::string_view::npos) return true;
  text = text.substr(first, text.find_last_not_of(" \t") - first + 1);
  if (HasState(efsBinaryMask)) {
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
      const char c = text[text.size() - 1 - i];
      if (c != '0' && c != '1') return false;
      if (c == '1') {
        if (i >= 32) return false;
        bits |= 1u << i;
      }
    }
    value = static_cast<std::int32_t>(bits);
    return true;
  }
  if (HasState(efsOctalMask)) {
    // Only octal digits: a blank or an 8 is no digit of the number.
    std::uint32_t bits = 0;
    for (const char c : text) {
      if (c < '0' || c > '7' || bits >= (1u << 29)) return false;
      bits = (bits << 3) | static_cast<std::uint32_t>(c - '0');
    }
    value = static_cast<std::int32_t>(bits);
    return true;
  }
  std::string number(text);
  if (HasState(efsHexMask) && number.find('$') == std::string::npos) number.insert(0, "$");
  if (number == "-2147483648") {
    value = INT32_MIN;
    return true;
  }
  return TextToLong(number, value);
}

std::string TOvcBaseEntryField::IntegerToText(std::int32_t value) const {
  const auto bits = static_cast<std::uint32_t>(value);
  const std::size_t size = ValueSize(data_type_, max_length_);
  char buffer[40];
  if (HasState(efsHexMask)) {
    HexLongDigits(buffer, bits);
    return std::string(text_in(buffer).substr(8 - std::min<std::size_t>(8, 2 * size)));
  }
  if (HasState(efsOctalMask)) {
    OctalDigits(buffer, bits);
    return std::string(text_in(buffer).substr(size < 4 ? 12 - 4 * size : 0));
  }
  if (HasState(efsBinaryMask)) {
    BinaryDigits(buffer, bits);
    return std::string(text_in(buffer).substr(size < 4 ? 32 - 8 * size : 0));
  }
  return std::to_string(value);
}

std::uint16_t TOvcBaseEntryField::ComputeCode() {
  std::uint16_t code = 0;
  if ((options_ & efoInputRequired) != 0 && !IsReadOnly() &&
      (IsEmpty() || (uninitialized_ && !HasState(efsModified)))) {
    code = efe::required;
  } else {
    const StateScope validating(state_, efsValidating);
    code = CheckValue();
  }
  // The check may have rewritten the text shorter.
  caret_ = std::min(caret_, text_.size());
  sel_end_ = std::min(sel_end_, text_.size());
  sel_start_ = std::min(sel_start_, sel_end_);
  last_error_ = code;
  return code;
}

bool TOvcBaseEntryField::ValidateField(bool soft) {
  if (!visible() || !enabled() || Loading()) return true;
  const std::uint16_t code = ComputeCode();
  if (code == 0) {
    state_ &= ~efsInvalid;
    return true;
  }
  const bool soft_validation = (options_ & efoSoftValidation) != 0;
  if (soft && soft_validation) {
    state_ |= efsInvalid;
    return true;
  }
  if (soft_validation) state_ |= efsInvalid;
  state_ |= efsErrorPosted;
  if (focused()) state_ |= efsExitIncomplete;
  TOvcController& controller = GetController();
  ws::post_message(controller.MessageWindow(), MSG_FOCUS_CONTROL, 0, static_cast<ws::LParam>(handle()));
  if (!controller.ErrorPending) ws::post_message(handle(), MSG_REPORT_ERROR, code);
  controller.ErrorPending = true;
  return false;
}

std::uint16_t TOvcBaseEntryField::ValidateSelf(bool report) {
  if (!visible() || !enabled() || parent() == nullptr || !parent()->visible() || !parent()->enabled()) return 0;
  const std::uint16_t code = ComputeCode();
  if (report && code != 0) ws::post_message(handle(), MSG_REPORT_ERROR, code);
  const bool was_invalid = HasState(efsInvalid);
  if (code == 0) {
    state_ &= ~efsInvalid;
  } else if ((options_ & efoSoftValidation) != 0) {
    state_ |= efsInvalid;
  }
  if (was_invalid != HasState(efsInvalid)) invalidate();
  return code;
}

void TOvcBaseEntryField::ReportErrorCode(std::uint16_t code) {
  if (code == 0) return;
  TOvcController& controller = GetController();
  std::string text;
  if (code >= efe::range && code <= efe::partial) {
    text = MessageText(static_cast<std::uint16_t>(msg::range_error + (code - efe::range)));
  } else if (code >= 0x8000) {
    text = controller.ErrorText;
  } else {
    text = MessageText(msg::entry_error);
  }
  if (text != controller.ErrorText) controller.ErrorText = text;
  NotifyError(code, text);
}

void TOvcBaseEntryField::FocusEntered(ws::Message& message) {
  if (Loading()) return;
  TOvcController& controller = GetController();
  state_ |= efsFocused;
  controller.EntryCommands().ResetCommandProcessor();
  const auto losing = static_cast<ws::WindowHandle>(message.wparam);
  if (HasState(efsReenter)) {
    // End a click or drag that the window losing the focus had begun.
    if (ws::Window* other = ws::find_window(losing); other != nullptr && other != this) {
      other->perform(ws::msg::cancel_mode);
      other->perform(ws::msg::left_button_up);
    }
    show();
  }
  const bool forced = (options_ & (efoForceInsert | efoForceOvertype)) != 0;
  if (!forced) SetState(efsInsertMode, controller.InsertMode);
  bool error_return = false;
  bool select_all = false;
  if (!HasState(efsExitIncomplete)) {
    error_return = controller.ErrorPending && last_error_ != 0;
    if (!error_return) {
      if (!HasState(efsReenter)) state_ &= ~efsModified;
      controller.DelayPreEdit(*this, ws::find_window(losing));
      saved_text_ = text_;
    }
    if (!HasState(efsMouseEntry)) {
      PlaceCaretOnEntry();
      select_all = !error_return;
    }
  }
  SetState(efsErrorReturn, error_return && (options_ & efoSoftValidation) == 0);
  state_ &= ~(efsErrorPosted | efsExitIncomplete | efsMouseEntry | efsReenter);
  if (!error_return) controller.ErrorPending = false;
  TOvcCustomControlEx::window_proc(message);
  if ((options_ & efoForceInsert) != 0) {
    state_ |= efsInsertMode;
  } else if ((options_ & efoForceOvertype) != 0) {
    state_ &= ~efsInsertMode;
  }
  carets_->SetInsertMode(HasState(efsInsertMode));
  carets_->SetLinked(true);
  carets_->SetVisible(true);
  PositionCaret(true);
  if (select_all && (controller.EntryOptions & efoAutoSelect) != 0) SetSelection(0, max_edit_length);
  invalidate();
}

void TOvcBaseEntryField::FocusLeft(ws::Message& message) {
  if (destroying_) {
    carets_->SetLinked(false);
    return;
  }
  TOvcController& controller = GetController();
  ws::Window* gaining = ws::find_window(static_cast<ws::WindowHandle>(message.wparam));
  const bool target = gaining != nullptr && gaining != this && form() != nullptr && gaining->form() == form();
  SetState(efsExitIncomplete, !target);
  carets_->SetLinked(false);
  if (has_capture()) release_capture();
  TOvcCustomControlEx::window_proc(message);
  if ((options_ & (efoForceInsert | efoForceOvertype)) == 0) controller.InsertMode = HasState(efsInsertMode);
  if (HasState(efsErrorPosted | efsErrorReturn)) {
    SetState(efsReenter, HasState(efsErrorPosted));
  } else {
    state_ |= efsReenter;
    if (target) {
      if (HasState(efsModified)) uninitialized_ = false;
      if (controller.IsSpecialControl(gaining->handle())) {
        const StateScope validating(state_, efsValidating);
        CheckValue();
      } else {
        ValidateField(true);
        SetState(efsReenter, HasState(efsErrorPosted));
      }
    }
  }
  state_ &= ~efsFocused;
  if (target && !HasState(efsExitIncomplete | efsErrorReturn)) controller.DelayPostEdit(*this, gaining);
  state_ &= ~efsErrorReturn;
  if (!HasState(efsExitIncomplete)) CaretToStart();
  invalidate();
}

}  // namespace vx::controls

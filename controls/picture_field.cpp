#include "controls/picture_field.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "controls/exceptions.h"
#include "controls/field_copy.h"
#include "controls/field_values.h"
#include "controls/mask_text.h"
#include "controls/messages.h"
#include "controls/picture_editor.h"
#include "controls/string_routines.h"

namespace vx::controls {
namespace {

using enum TPictureDataType;

bool is_integer_type(TPictureDataType type) { return type >= pftLongInt && type <= pftShortInt; }
bool is_real_type(TPictureDataType type) { return (type >= pftReal && type <= pftComp) || type == pftDateTime; }

// The type whose bytes a value has: a date-and-time is held as a Double.
std::uint8_t value_type(TPictureDataType type) {
  return type == pftDateTime ? fld::Double : static_cast<std::uint8_t>(type);
}

std::uint8_t field_type_code(TPictureDataType type) {
  return type == pftDateTime ? fld::Date : static_cast<std::uint8_t>(type);
}

}  // namespace

TOvcCustomPictureField::TOvcCustomPictureField(ws::Window* parent) : TOvcPictureBase(parent) {
  SetFieldClass(TFieldClass::picture);
  SetDataTypeCode(fld::String);
  SetMaskText(picture_mask_);
  SetMaxLengthRaw(static_cast<std::uint16_t>(picture_mask_.size()));
}

void TOvcCustomPictureField::SetDataType(TPictureDataType value) {
  if (value == data_type_) return;
  if (static_cast<std::uint8_t>(value) > static_cast<std::uint8_t>(pftDateTime)) {
    throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  }
  data_type_ = value;
  SetDataTypeCode(field_type_code(value));
  SetOptions(Options() | efoCaretToEnd);
  SetDefaultRange();
  SetDefaultMask();
  if (Loading()) return;
  // A new type starts from its default value.
  created_once_ = false;
  RecreateWnd();
}

void TOvcCustomPictureField::SetDefaultMask() {
  std::string mask;
  switch (data_type_) {
    case pftString: mask = "XXXXXXXXXXXXXXX"; break;
    case pftChar: mask = "X"; break;
    case pftBoolean: mask = "B"; break;
    case pftYesNo: mask = "Y"; break;
    case pftLongInt: mask = "iiiiiiiiiii"; break;
    case pftWord: mask = "99999"; break;
    case pftInteger: mask = "iiiiii"; break;
    case pftByte: mask = "999"; break;
    case pftShortInt: mask = "iiii"; break;
    case pftComp: mask = "iiiiiiiiii"; break;
    case pftDate:
    case pftTime:
    case pftDateTime: {
      const bool four_digits = Intl().short_date.find("yyyy") != std::string::npos;
      const std::string date(Intl().ShortDateMask(four_digits).view());
      const std::string time(Intl().TimeMask(false).view());
      mask = data_type_ == pftDate ? date : data_type_ == pftTime ? time : date + " " + time;
      break;
    }
    default: mask = "##########"; break;
  }
  picture_mask_ = mask.substr(0, max_edit_length);
  SetMaskText(picture_mask_);
  SetMaxLengthRaw(static_cast<std::uint16_t>(picture_mask_.size()));
  SetDecimalPlacesRaw(0);
  Text().clear();
}

void TOvcCustomPictureField::SetPictureMask(std::string_view value) {
  if (value.empty() || value == picture_mask_) return;
  picture_mask_ = std::string(value.substr(0, max_edit_length));
  if (Loading()) {
    SetMaskText(picture_mask_);
    return;
  }
  AssignPictureMask(picture_mask_);
  SetMaxLengthRaw(static_cast<std::uint16_t>(Mask().size()));
  FitTextToLength();
  InitPictureFlags();
  RecreateWnd();
}

void TOvcCustomPictureField::SetInitDateTime(bool value) {
  init_date_time_ = value;
  if (Loading()) return;
  if (data_type_ != pftDate && data_type_ != pftTime) return;
  if (value) {
    SetAsDateTime(platform::local_time());
  } else {
    ResetToDefaultValue();
  }
}

void TOvcCustomPictureField::Assign(const TOvcCustomPictureField& source) {
  copy_field_properties<TFieldClass::picture>(*this, source);
}

void TOvcCustomPictureField::SetAsString(std::string_view text) {
  if (data_type_ != pftDate && data_type_ != pftTime) {
    TOvcBaseEntryField::SetAsString(text);
    return;
  }
  if (HasState(efsUserValidating)) return;
  std::int32_t value = -1;
  if (text.size() == Mask().size()) {
    const ShortText mask(Mask());
    const ShortText typed{std::string(text)};
    value = data_type_ == pftDate ? Intl().DateFromText(mask, typed, Epoch()) : Intl().TimeFromText(mask, typed);
  }
  std::vector<std::byte> bytes(DataSize());
  WriteAs(bytes, value);
  SetValue(bytes);
}

void TOvcCustomPictureField::EnsureRange() {
  const RangeCell& low = RangeLoCell();
  const RangeCell& high = RangeHiCell();
  bool empty = true;
  if (data_type_ >= pftChar && data_type_ <= pftYesNo) {
    empty = low[0] == high[0];
  } else if (is_integer_type(data_type_) || data_type_ == pftDate || data_type_ == pftTime) {
    empty = CellInteger(low) == CellInteger(high);
  } else if (data_type_ >= pftReal && data_type_ <= pftComp) {
    empty = CellReal(low, DataTypeCode()) == CellReal(high, DataTypeCode());
  }
  if (empty) SetDefaultRange();
}

void TOvcCustomPictureField::CreateWnd() {
  std::vector<std::byte> saved;
  const bool recreated = created_once_;
  if (recreated) {
    saved.resize(TransferValue({}, TransferDirection::size));
    TransferValue(saved, TransferDirection::read);
  }
  SetMaskText(picture_mask_);
  SetActiveEnd(0);
  if (MaxLength() < Mask().size()) SetMaxLengthRaw(static_cast<std::uint16_t>(Mask().size()));
  FitTextToLength();
  TOvcPictureBase::CreateWnd();
  InitPictureFlags();
  EnsureRange();
  ResetToDefaultValue();
  if (!recreated && init_date_time_) SetInitDateTime(true);
  if (recreated) {
    saved.resize(std::max(saved.size(), TransferValue({}, TransferDirection::size)));
    TransferValue(saved, TransferDirection::write);
  }
  created_once_ = true;
}

void TOvcCustomPictureField::EditCommand(ws::Message& message, std::uint16_t command) {
  PictureEditor editor(*this, message, command);
  if (data_type_ >= pftChar && data_type_ <= pftYesNo) {
    editor.OnePositionCommand();
  } else {
    editor.FullCommand();
  }
}

bool TOvcCustomPictureField::ReadReal(long double& value) const {
  std::string number = StripPicture(Text()).substr(0, 80);
  std::replace(number.begin(), number.end(), Intl().decimal_char, '.');
  return ParseReal(number, value) && RealFitsType(value_type(data_type_), value);
}

std::uint8_t TOvcCustomPictureField::DeclaredDataType() const { return static_cast<std::uint8_t>(data_type_); }

std::size_t TOvcCustomPictureField::TransferValue(std::span<std::byte> buffer, TransferDirection direction) {
  const bool stripped = data_type_ == pftString && (Options() & efoStripLiterals) != 0;
  const std::size_t size = ValueSize(value_type(data_type_), MaxLength() - (stripped ? LiteralCount() : 0));
  if (buffer.empty() || direction == TransferDirection::size) return size;
  buffer = buffer.first(std::min(buffer.size(), size));
  if (direction == TransferDirection::read) {
    ReadValue(buffer);
  } else {
    WriteValue(buffer);
    AfterValueWritten();
  }
  return size;
}

void TOvcCustomPictureField::ReadValue(std::span<std::byte> buffer) {
  const std::string stripped = StripPicture(Text());
  const char first = stripped.empty() ? '\0' : stripped.front();
  const TOvcIntlSup& intl = Intl();
  const std::uint8_t type = value_type(data_type_);
  if (data_type_ == pftString) {
    const bool trim = (Options() & efoTrimBlanks) != 0;
    std::string text = (Options() & efoStripLiterals) != 0 ? StripLiterals(Text()) : Text();
    if (trim) text = IsEmpty() ? std::string() : TrimmedBlanks(text);
    WriteCounted(buffer, text);
  } else if (data_type_ == pftChar) {
    buffer[0] = static_cast<std::byte>(first);
  } else if (data_type_ == pftBoolean || data_type_ == pftYesNo) {
    const char yes = data_type_ == pftBoolean ? intl.true_char : intl.yes_char;
    buffer[0] = static_cast<std::byte>(UpperChar(first) == yes ? 1 : 0);
  } else if (is_integer_type(data_type_)) {
    std::int32_t value = 0;
    if (!ParseInteger(stripped, value)) value = 0;
    WriteInteger(buffer, type, value);
  } else if (is_real_type(data_type_)) {
    long double value = 0;
    if (!ReadReal(value)) value = 0;
    if (data_type_ == pftComp) value = std::roundl(value);
    WriteReal(buffer, type, value);
  } else if (data_type_ == pftDate) {
    WriteAs(buffer, Intl().DateFromText(ShortText(Mask()), ShortText(Text()), Epoch()));
  } else if (data_type_ == pftTime) {
    WriteAs(buffer, Intl().TimeFromText(ShortText(Mask()), ShortText(Text())));
  }
}

void TOvcCustomPictureField::WriteValue(std::span<const std::byte> buffer) {
  const TOvcIntlSup& intl = Intl();
  const std::uint8_t type = value_type(data_type_);
  std::string& text = Text();
  if (data_type_ == pftString) {
    const std::string value = ReadCounted(buffer);
    text = value.size() == MaxLength() ? value : MergeIntoPicture(value.substr(0, MaxLength()));
  } else if (data_type_ == pftChar) {
    const auto c = static_cast<char>(buffer[0]);
    text = MergeIntoPicture(c == '\0' ? std::string() : std::string(1, c));
  } else if (data_type_ == pftBoolean) {
    text = MergeIntoPicture(std::string(1, buffer[0] != std::byte{0} ? intl.true_char : intl.false_char));
  } else if (data_type_ == pftYesNo) {
    text = MergeIntoPicture(std::string(1, buffer[0] != std::byte{0} ? intl.yes_char : intl.no_char));
  } else if (is_integer_type(data_type_)) {
    text = MergeIntoPicture(IntegerToText(ReadInteger(buffer, type)));
  } else if (is_real_type(data_type_)) {
    int width = 0;
    int decimals = 0;
    NumberWidth(width, decimals);
    char formatted[400];
    std::snprintf(formatted, sizeof formatted, "%*.*Lf", std::min(width, 255), std::min(decimals, 60),
                  controls::ReadReal(buffer, type));
    if (DecimalPlaces() > 0) TrimFractionZeros(formatted);
    TrimBlanks(formatted);
    text = MergeIntoPicture(text_in(formatted));
  } else if (data_type_ == pftDate) {
    text = std::string(intl.FormatDate(ShortText(Mask()), ReadAs<std::int32_t>(buffer), false).view());
  } else if (data_type_ == pftTime) {
    text = std::string(intl.FormatTime(ShortText(Mask()), ReadAs<std::int32_t>(buffer), false).view());
  }
  FitTextToLength();
}

std::uint16_t TOvcCustomPictureField::CheckValue() {
  const bool rewrite = HasState(efsFocused) && !HasState(efsReadingValue);
  std::uint16_t code = 0;
  const TOvcIntlSup& intl = Intl();
  const std::string stripped = StripPicture(Text());
  const char first = stripped.empty() ? ' ' : stripped.front();
  if (data_type_ == pftString) {
    if (rewrite && (Options() & efoTrimBlanks) != 0) {
      const std::string merged = MergeIntoPicture(TrimmedBlanks(Text()));
      if (merged != Text()) {
        Text() = merged;
        invalidate();
      }
    }
  } else if (data_type_ == pftChar) {
    const auto c = static_cast<unsigned char>(first);
    const auto low = std::to_integer<unsigned char>(RangeLoCell()[0]);
    const auto high = std::to_integer<unsigned char>(RangeHiCell()[0]);
    if (low != high && (c < low || c > high)) code = efe::range;
  } else if (data_type_ == pftBoolean || data_type_ == pftYesNo) {
    const char upper = UpperChar(first);
    const bool known = data_type_ == pftBoolean ? (upper == intl.true_char || upper == intl.false_char)
                                                : (upper == intl.yes_char || upper == intl.no_char);
    if (!known) code = efe::range;
  } else if (is_integer_type(data_type_) || is_real_type(data_type_)) {
    code = CheckNumber(rewrite);
  } else {
    code = CheckDateTime(rewrite);
  }
  if (!HasState(efsUserValidating)) {
    SetState(efsUserValidating, true);
    NotifyUserValidation(code);
    SetState(efsUserValidating, false);
  }
  return code;
}

std::uint16_t TOvcCustomPictureField::CheckNumber(bool rewrite) {
  const std::uint8_t type = value_type(data_type_);
  std::vector<std::byte> value(ValueSize(type, MaxLength()));
  if (is_integer_type(data_type_)) {
    std::int32_t number = 0;
    if (!ParseInteger(StripPicture(Text()), number)) return efe::invalid;
    if (number < CellInteger(RangeLoCell()) || number > CellInteger(RangeHiCell())) return efe::range;
    WriteInteger(value, type, number);
  } else {
    long double real = 0;
    if (!ReadReal(real)) return efe::invalid;
    if (data_type_ == pftComp) real = std::roundl(real);
    if (data_type_ == pftReal) real = static_cast<double>(real);
    // A date-and-time has no range of its own.
    const bool ranged = data_type_ != pftDateTime;
    if (ranged && (real < CellReal(RangeLoCell(), type) || real > CellReal(RangeHiCell(), type))) return efe::range;
    WriteReal(value, type, real);
  }
  if (rewrite) {
    TransferValue(value, TransferDirection::write);
    invalidate();
  }
  return 0;
}

bool TOvcCustomPictureField::TimeTextBlank() const {
  const std::string& text = Text();
  for (const MaskRun& run : MaskRuns(Mask())) {
    if (run.letter != 'h' && run.letter != 'm' && run.letter != 's') continue;
    const std::string part = TrimmedBlanks(text.substr(run.start, run.length));
    const bool blank = part.empty() || (run.letter == 's' && part.find_first_not_of('0') == std::string::npos);
    if (!blank) return false;
  }
  return true;
}

std::uint16_t TOvcCustomPictureField::CheckDateTime(bool rewrite) {
  const ShortText mask(Mask());
  const ShortText text(Text());
  std::int32_t value = 0;
  if (data_type_ == pftDate) {
    if (Intl().DateTextBlank(mask, text)) return 0;
    value = Intl().DateFromText(mask, text, Epoch());
    if (value == -1) return efe::bad_date;
  } else {
    if (TimeTextBlank()) return 0;
    value = Intl().TimeFromText(mask, text);
    if (value == -1) return efe::bad_time;
  }
  const std::int32_t high = CellInteger(RangeHiCell());
  if (high != 0 && (value < CellInteger(RangeLoCell()) || value > high)) return efe::range;
  if (rewrite) {
    std::vector<std::byte> bytes(sizeof value);
    WriteAs(bytes, value);
    TransferValue(bytes, TransferDirection::write);
    invalidate();
  }
  return 0;
}

}  // namespace vx::controls

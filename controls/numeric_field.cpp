#include "controls/numeric_field.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
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

std::uint8_t type_code(TNumericDataType type) { return static_cast<std::uint8_t>(fld::LongInt + static_cast<int>(type)); }

std::string_view default_mask(TNumericDataType type) {
  switch (type) {
    case TNumericDataType::nftLongInt: return "iiiiiiiiiii";
    case TNumericDataType::nftWord: return "99999";
    case TNumericDataType::nftInteger: return "iiiiii";
    case TNumericDataType::nftByte: return "999";
    case TNumericDataType::nftShortInt: return "iiii";
    case TNumericDataType::nftComp: return "iiiiiiiiii";
    default: return "##########";
  }
}

}  // namespace

TOvcCustomNumericField::TOvcCustomNumericField(ws::Window* parent) : TOvcPictureBase(parent) {
  SetFieldClass(TFieldClass::numeric);
  SetDataTypeCode(fld::LongInt);
  SetMaskText(picture_mask_);
  SetMaxLengthRaw(static_cast<std::uint16_t>(picture_mask_.size()));
  SetDefaultRange();
}

bool TOvcCustomNumericField::IsFloat() const { return data_type_ >= TNumericDataType::nftReal; }

void TOvcCustomNumericField::SetDataType(TNumericDataType value) {
  if (value == data_type_) return;
  if (static_cast<std::uint8_t>(value) > static_cast<std::uint8_t>(TNumericDataType::nftComp)) {
    throw EOvcException(std::string(MessageText(msg::invalid_parameter)));
  }
  data_type_ = value;
  SetDataTypeCode(type_code(value));
  SetDefaultRange();
  SetDecimalPlacesRaw(0);
  // A new type starts from its default value.
  if (!Loading()) created_once_ = false;
  SetPictureMask(default_mask(value));
  RecreateWnd();
}

void TOvcCustomNumericField::SetPictureMask(std::string_view value) {
  if (value.empty() || value == picture_mask_) return;
  picture_mask_ = std::string(value.substr(0, max_edit_length));
  if (Loading()) {
    SetMaskText(picture_mask_);
    return;
  }
  AssignPictureMask(picture_mask_);
  RecreateWnd();
}

void TOvcCustomNumericField::ComputeWidths() {
  std::size_t length = Mask().size();
  if (MaskHas('p')) --length;
  if (MaskHas('g')) --length;
  SetMaxLengthRaw(static_cast<std::uint16_t>(std::max<std::size_t>(length, 1)));
  FitTextToLength();
  InitPictureFlags();
  // Floating literals are placed by every merge, never shifted while editing.
  SetFloatingCount(0);
  NumberWidth(width_, decimals_);
  integer_limit_ = decimals_ > 0 ? width_ - decimals_ - 1 : width_;
}

void TOvcCustomNumericField::AssignPictureMask(std::string_view mask) {
  TOvcPictureBase::AssignPictureMask(mask);
  ComputeWidths();
}

void TOvcCustomNumericField::Assign(const TOvcCustomNumericField& source) {
  copy_field_properties<TFieldClass::numeric>(*this, source);
}

void TOvcCustomNumericField::CreateWnd() {
  std::vector<std::byte> saved;
  const bool recreated = created_once_;
  if (recreated) {
    saved.resize(TransferValue({}, TransferDirection::size));
    TransferValue(saved, TransferDirection::read);
  }
  SetMaskText(picture_mask_);
  number_.clear();
  negative_ = false;
  TOvcPictureBase::CreateWnd();
  ComputeWidths();
  const RangeCell& low = RangeLoCell();
  const RangeCell& high = RangeHiCell();
  const bool empty = IsFloat() ? CellReal(low, DataTypeCode()) == CellReal(high, DataTypeCode())
                               : CellInteger(low) == CellInteger(high);
  if (empty) SetDefaultRange();
  ResetToDefaultValue();
  if (recreated) {
    saved.resize(std::max(saved.size(), TransferValue({}, TransferDirection::size)));
    TransferValue(saved, TransferDirection::write);
  }
  created_once_ = true;
}

void TOvcCustomNumericField::CaretToEnd() { SetCaret(std::min<std::size_t>(LastEditablePos() + 1, MaxLength())); }

void TOvcCustomNumericField::CaretToStart() {
  TOvcBaseEntryField::CaretToStart();
  CaretToEnd();
}

bool TOvcCustomNumericField::RemoveFloatingLiterals() {
  SetState(efsLiteralsRemoved, HasState(efsHexMask | efsOctalMask | efsBinaryMask));
  return false;
}

std::string TOvcCustomNumericField::GetDisplayText() const {
  std::string display = TOvcPictureBase::GetDisplayText();
  if (Uninitialized() && !HasState(efsFocused)) return display;
  const auto minus = display.find('-');
  const bool negative = minus != std::string::npos;
  if (const auto p = Mask().find('p'); p != std::string::npos) {
    if (negative) display[minus] = '(';
    display.insert(std::min(p, display.size()), 1, negative ? ')' : ' ');
  }
  if (const auto g = Mask().find('g'); g != std::string::npos) {
    if (negative) display[minus] = ' ';
    display.insert(std::min(g, display.size()), 1, negative ? '-' : ' ');
  }
  return TrimmedBlanks(display);
}

ws::LResult TOvcCustomNumericField::window_proc(ws::Message& message) {
  if (message.id == ws::msg::set_focus && !Loading()) {
    const ws::LResult result = TOvcPictureBase::window_proc(message);
    LoadNumber();
    PlaceCaretOnEntry();
    PositionCaret(true);
    return result;
  }
  if (message.id == ws::msg::kill_focus && !Loading()) {
    const ws::LResult result = TOvcPictureBase::window_proc(message);
    if (!HasState(efsExitIncomplete)) ClearNumber();
    return result;
  }
  return TOvcPictureBase::window_proc(message);
}

bool TOvcCustomNumericField::ReadNumber(long double& value) const {
  std::string number = StripPicture(Text()).substr(0, 80);
  std::replace(number.begin(), number.end(), Intl().decimal_char, '.');
  return ParseReal(number, value) && RealFitsType(DataTypeCode(), value);
}

std::size_t TOvcCustomNumericField::TransferValue(std::span<std::byte> buffer, TransferDirection direction) {
  const std::size_t size = ValueSize(DataTypeCode(), MaxLength());
  if (buffer.empty() || direction == TransferDirection::size) return size;
  buffer = buffer.first(std::min(buffer.size(), size));
  if (direction == TransferDirection::write) {
    WriteNumber(buffer);
    AfterValueWritten();
    return size;
  }
  if (IsFloat()) {
    long double value = 0;
    if (!ReadNumber(value)) value = 0;
    if (data_type_ == TNumericDataType::nftComp) value = std::roundl(value);
    WriteReal(buffer, DataTypeCode(), value);
  } else {
    std::int32_t value = 0;
    if (!ParseInteger(StripPicture(Text()), value)) value = 0;
    WriteInteger(buffer, DataTypeCode(), value);
  }
  return size;
}

void TOvcCustomNumericField::WriteNumber(std::span<const std::byte> buffer) {
  if (!IsFloat()) {
    Text() = MergeIntoPicture(IntegerToText(ReadInteger(buffer, DataTypeCode())));
    return;
  }
  char formatted[400];
  std::snprintf(formatted, sizeof formatted, "%*.*Lf", std::min(width_, 255), std::min(decimals_, 60),
                ReadReal(buffer, DataTypeCode()));
  if (DecimalPlaces() != 0) TrimFractionZeros(formatted);
  TrimBlanks(formatted);
  Text() = MergeIntoPicture(text_in(formatted));
}

std::uint16_t TOvcCustomNumericField::CheckValue() {
  std::uint16_t code = 0;
  std::vector<std::byte> value(ValueSize(DataTypeCode(), MaxLength()));
  if (IsFloat()) {
    long double real = 0;
    if (!ReadNumber(real)) {
      code = efe::invalid;
    } else {
      if (data_type_ == TNumericDataType::nftComp) real = std::roundl(real);
      if (data_type_ == TNumericDataType::nftReal) real = static_cast<double>(real);
      if (real < CellReal(RangeLoCell(), DataTypeCode()) || real > CellReal(RangeHiCell(), DataTypeCode())) {
        code = efe::range;
      }
      WriteReal(value, DataTypeCode(), real);
    }
  } else {
    std::int32_t number = 0;
    if (!ParseInteger(StripPicture(Text()), number)) {
      code = efe::invalid;
    } else if (number < CellInteger(RangeLoCell()) || number > CellInteger(RangeHiCell())) {
      code = efe::range;
    }
    WriteInteger(value, DataTypeCode(), number);
  }
  if (code == 0 && HasState(efsFocused) && !HasState(efsReadingValue)) {
    TransferValue(value, TransferDirection::write);
    LoadNumber();
    invalidate();
  }
  if (!HasState(efsUserValidating)) {
    SetState(efsUserValidating, true);
    NotifyUserValidation(code);
    SetState(efsUserValidating, false);
  }
  return code;
}

void TOvcCustomNumericField::StepValue(bool wrap, double delta) {
  if (!HasState(efsFocused)) return;
  std::vector<std::byte> value(ValueSize(DataTypeCode(), MaxLength()));
  if (IsFloat()) {
    long double number = 0;
    if (!ReadNumber(number)) return;
    auto result = StepReal(number, CellReal(RangeLoCell(), DataTypeCode()), CellReal(RangeHiCell(), DataTypeCode()),
                           delta, wrap);
    if (!result) return;
    if (data_type_ == TNumericDataType::nftComp) *result = std::roundl(*result);
    WriteReal(value, DataTypeCode(), *result);
  } else {
    std::int32_t number = 0;
    if (!ParseInteger(StripPicture(Text()), number)) return;
    const auto result = StepInteger(number, CellInteger(RangeLoCell()), CellInteger(RangeHiCell()), delta, wrap);
    if (!result) return;
    WriteInteger(value, DataTypeCode(), *result);
  }
  TransferValue(value, TransferDirection::write);
  LoadNumber();
  invalidate();
  MarkModified();
  PositionCaret(false);
}

}  // namespace vx::controls

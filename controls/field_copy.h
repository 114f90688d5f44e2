#pragma once

#include "controls/entry_field.h"

namespace vx::controls {

// The Assign of the field classes: the published properties of one field copied to another of
// its class. The type goes first (it resets mask, length and range) and the mask before the
// range, which is read in the mask's terms. Numeric fields publish no control-character colour,
// decimal places, length or password character; picture fields add the epoch and the initial
// date and time.
template <TFieldClass field_class, class Field>
void copy_field_properties(Field& target, const Field& source) {
  constexpr bool numeric = field_class == TFieldClass::numeric;
  constexpr bool picture = field_class == TFieldClass::picture;
  target.SetDataType(source.DataType());
  target.SetAutoSize(source.AutoSize());
  target.SetBorderStyle(source.BorderStyle());
  target.set_color(source.color());
  if constexpr (!numeric) {
    target.SetControlCharColor(source.ControlCharColor());
    target.SetDecimalPlaces(source.DecimalPlaces());
  }
  if constexpr (picture) target.SetEpoch(source.Epoch());
  target.EFColors().Error().Assign(source.EFColors().Error());
  target.EFColors().Highlight().Assign(source.EFColors().Highlight());
  if constexpr (picture) target.SetInitDateTime(source.InitDateTime());
  if constexpr (!numeric) target.SetMaxLength(source.MaxLength());
  target.SetOptions(source.Options());
  target.SetPadChar(source.PadChar());
  if constexpr (!numeric) target.SetPasswordChar(source.PasswordChar());
  target.SetPictureMask(source.PictureMask());
  target.SetRangeHi(source.RangeHi());
  target.SetRangeLo(source.RangeLo());
  target.SetTextMargin(source.TextMargin());
  target.SetUninitialized(source.Uninitialized());
  target.SetZeroDisplay(source.ZeroDisplay());
  target.SetZeroDisplayValue(source.ZeroDisplayValue());
}

}  // namespace vx::controls

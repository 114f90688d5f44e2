#include <array>
#include <cmath>
#include <vector>

#include "controls/date_arithmetic.h"
#include "controls/field_values.h"
#include "controls/picture_field.h"
#include "controls/string_routines.h"
#include "controls/time_arithmetic.h"
#include "controls/value_steps.h"

namespace vx::controls {
namespace {

using enum TPictureDataType;

// A date in the bound's month (or year) with the given day (and month),
// moved towards the other bound until it lies within the bounds.
std::int32_t wrapped_date(std::int32_t bound, int day, int month, bool years, bool towards_later) {
  const DayMonthYear b = SplitDayNumber(bound);
  int target_month = years ? month : b.month;
  int year = b.year;
  for (int tries = 0; tries < 24; ++tries) {
    const int length = MonthLength(target_month, year, 0);
    const std::int32_t candidate = DayNumberOf(std::min(day, length), target_month, year, 0);
    if (towards_later ? candidate >= bound : candidate <= bound) return candidate;
    const int step = towards_later ? 1 : -1;
    if (years) {
      year += step;
    } else {
      target_month += step;
      if (target_month == 0) {
        target_month = 12;
        --year;
      } else if (target_month == 13) {
        target_month = 1;
        ++year;
      }
    }
  }
  return bound;
}

}  // namespace

void TOvcCustomPictureField::StepValue(bool wrap, double delta) {
  if (!HasState(efsFocused)) return;
  switch (data_type_) {
    case pftChar: StepChar(wrap, delta); break;
    case pftBoolean:
    case pftYesNo: {
      const char yes = data_type_ == pftBoolean ? Intl().true_char : Intl().yes_char;
      const std::string stripped = StripPicture(Text());
      const bool now = !stripped.empty() && UpperChar(stripped.front()) == yes;
      const std::array<std::byte, 1> value{static_cast<std::byte>(now ? 0 : 1)};
      SteppedValue(value);
      break;
    }
    case pftDate: StepDate(wrap, delta); break;
    case pftTime: StepTime(wrap, delta); break;
    case pftString: break;
    default: StepNumber(wrap, delta); break;
  }
  PositionCaret(false);
}

void TOvcCustomPictureField::SteppedValue(std::span<const std::byte> value) {
  std::vector<std::byte> bytes(value.begin(), value.end());
  TransferValue(bytes, TransferDirection::write);
  RemoveFloatingLiterals();
  MarkModified();
  invalidate();
}

void TOvcCustomPictureField::StepChar(bool wrap, double delta) {
  int low = std::to_integer<int>(RangeLoCell()[0]);
  int high = std::to_integer<int>(RangeHiCell()[0]);
  if (low == high) {
    low = 1;
    high = 255;
  }
  const std::string stripped = StripPicture(Text());
  const int code = stripped.empty() ? ' ' : static_cast<unsigned char>(stripped.front());
  const char mask_char = MaskCharAt(FirstEditablePos());
  const auto next = StepCharCode(code, low, high, delta == 1, wrap, [this, mask_char](char c) {
    char forced = c;
    ForceMaskCase(mask_char, forced, no_previous_char);
    return forced == c && CharFitsMask(mask_char, c, false, no_previous_char);
  });
  if (!next) return;
  const std::array<std::byte, 1> value{static_cast<std::byte>(*next)};
  SteppedValue(value);
}

void TOvcCustomPictureField::StepNumber(bool wrap, double delta) {
  std::vector<std::byte> value(DataSize());
  if (data_type_ >= pftLongInt && data_type_ <= pftShortInt) {
    std::int32_t number = 0;
    if (!ParseInteger(StripPicture(Text()), number)) return;
    const auto result = StepInteger(number, CellInteger(RangeLoCell()), CellInteger(RangeHiCell()), delta, wrap);
    if (!result) return;
    WriteInteger(value, DataTypeCode(), *result);
  } else {
    long double number = 0;
    if (!ReadReal(number)) return;
    std::optional<long double> result;
    if (data_type_ == pftDateTime) {
      result = number + delta;
    } else {
      result = StepReal(number, CellReal(RangeLoCell(), DataTypeCode()), CellReal(RangeHiCell(), DataTypeCode()),
                        delta, wrap);
    }
    if (!result) return;
    if (data_type_ == pftComp) *result = std::roundl(*result);
    WriteReal(value, data_type_ == pftDateTime ? fld::Double : DataTypeCode(), *result);
  }
  SteppedValue(value);
}

char TOvcCustomPictureField::StepMaskChar() const {
  const std::size_t caret = CaretColumn();
  return IsLiteralAt(caret) && caret > 0 ? MaskCharAt(caret - 1) : MaskCharAt(caret);
}

void TOvcCustomPictureField::StepDate(bool wrap, double delta) {
  const std::int32_t day_number = Intl().DateFromText(ShortText(Mask()), ShortText(Text()), Epoch());
  if (day_number == -1) return;
  const char unit = StepMaskChar();
  const auto amount = static_cast<int>(std::clamp(std::trunc(delta), -1e6, 1e6));
  std::int32_t low = CellInteger(RangeLoCell());
  std::int32_t high = CellInteger(RangeHiCell());
  if (high == 0) {
    low = 0;
    high = kLastDayNumber;
  }
  const bool days = unit == 'D' || unit == 'd';
  const bool months = unit == 'M' || unit == 'N' || unit == 'm' || unit == 'n';
  const bool years = unit == 'y';
  if (!days && !months && !years) return;
  std::int64_t result = day_number;
  if (days) {
    result += amount;
  } else {
    const std::int32_t moved = AddMonthsClamped(day_number, months ? amount : 0, years ? amount : 0);
    result = moved == -1 ? (amount < 0 ? low - 1LL : high + 1LL) : moved;
  }
  const DayMonthYear now = SplitDayNumber(day_number);
  if (result < low || result > high) {
    if (!wrap) return;
    const bool below = result < low;
    const std::int32_t bound = below ? high : low;
    result = days ? bound : wrapped_date(bound, now.day, now.month, years, !below);
  }
  std::vector<std::byte> value(sizeof(std::int32_t));
  WriteAs(value, static_cast<std::int32_t>(result));
  SteppedValue(value);
  SetSelection(0, MaxLength());
}

void TOvcCustomPictureField::StepTime(bool wrap, double delta) {
  const std::int32_t seconds = Intl().TimeFromText(ShortText(Mask()), ShortText(Text()));
  if (seconds == -1) return;
  std::int32_t unit = 0;
  switch (StepMaskChar()) {
    case 'H': case 'h': unit = 3600; break;
    case 'M': case 'm': unit = 60; break;
    case 'S': case 's': unit = 1; break;
    case 't': unit = 12 * 3600; break;
    default: return;
  }
  const auto magnitude = static_cast<std::int32_t>(std::fmod(std::fabs(std::trunc(delta)), 256.0));
  const std::int64_t moved = seconds + (delta < 0 ? -1 : 1) * static_cast<std::int64_t>(magnitude) * unit;
  std::int32_t low = 0;
  std::int32_t high = kSecondsPerDay - 1;
  if (CellInteger(RangeHiCell()) != 0) {
    low = CellInteger(RangeLoCell());
    high = CellInteger(RangeHiCell());
  }
  const bool past_midnight = moved < 0 || moved >= kSecondsPerDay;
  auto result = static_cast<std::int32_t>(((moved % kSecondsPerDay) + kSecondsPerDay) % kSecondsPerDay);
  if (!wrap && (past_midnight || result < low || result > high)) return;
  if (result < low) result = high;
  if (result > high) result = low;
  std::vector<std::byte> value(sizeof(std::int32_t));
  WriteAs(value, result);
  SteppedValue(value);
  SetSelection(0, MaxLength());
}

}  // namespace vx::controls

// The typed setters of Date and Time fields.
#include <vector>

#include "controls/date_arithmetic.h"
#include "controls/entry_field.h"
#include "controls/exceptions.h"
#include "controls/field_values.h"
#include "controls/time_arithmetic.h"

namespace vx::controls {
namespace {

void SetNumberValue(TOvcBaseEntryField& field, std::int32_t number) {
  std::vector<std::byte> value(field.DataSize());
  WriteAs(value, number);
  field.SetValue(value);
}

}  // namespace

void TOvcBaseEntryField::SetAsDateTime(const platform::LocalTime& date_time) {
  const std::uint8_t type = DeclaredDataType();
  if (type == fld::Date) {
    SetNumberValue(*this, DayNumberOf(date_time.day, date_time.month, date_time.year, Epoch()));
  } else if (type == fld::Time) {
    const bool valid = TimeIsValid(date_time.hour, date_time.minute, date_time.second);
    SetNumberValue(*this, valid ? SecondsFromDateTime(date_time) : kNoTime);
  } else {
    throw EInvalidDataType();
  }
}

void TOvcBaseEntryField::SetAsDayNumber(std::int32_t day_number) {
  if (DeclaredDataType() != fld::Date) throw EInvalidDataType();
  SetNumberValue(*this, day_number);
}

void TOvcBaseEntryField::SetAsSeconds(std::int32_t seconds) {
  if (DeclaredDataType() != fld::Time) throw EInvalidDataType();
  SetNumberValue(*this, seconds);
}

}  // namespace vx::controls

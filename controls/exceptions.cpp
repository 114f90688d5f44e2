#include "controls/exceptions.h"

#include <cstdint>

#include "controls/messages.h"

namespace vx::controls {
namespace {

std::string text_of(std::uint16_t number) { return std::string(MessageText(number)); }

std::string integer_range(std::string_view low, std::string_view high) {
  return fill_placeholders(MessageText(msg::range_integer), {low, high});
}

std::string range_message(int data_type, std::string_view date_or_time_mask) {
  switch (data_type) {
    case 4:  // LongInt
      return integer_range("-2147483648", "2147483647");
    case 5:  // Word
      return integer_range("0", "65535");
    case 6:  // 16-bit Integer
      return integer_range("-32768", "32767");
    case 7:  // Byte
      return integer_range("0", "255");
    case 8:  // ShortInt
      return integer_range("-128", "127");
    case 9:  // Real
      return text_of(msg::range_real);
    case 10:  // Extended
      return text_of(msg::range_extended);
    case 11:  // Double
      return text_of(msg::range_double);
    case 12:  // Single
      return text_of(msg::range_single);
    case 13:  // Comp
      return text_of(msg::range_comp);
    case 14:  // Date
      return fill_placeholders(MessageText(msg::range_date), {date_or_time_mask});
    case 15:  // Time
      return fill_placeholders(MessageText(msg::range_time), {date_or_time_mask});
    default:
      return text_of(msg::range_value);
  }
}

}  // namespace

ENoTimersAvailable::ENoTimersAvailable() : EOvcException(text_of(msg::no_timers_available)) {}

EDuplicateCommand::EDuplicateCommand() : ECmdProcessorError(text_of(msg::duplicate_command)) {}

ETableNotFound::ETableNotFound() : ECmdProcessorError(text_of(msg::table_not_found)) {}

EInvalidDataType::EInvalidDataType() : EEntryFieldError(text_of(msg::invalid_data_type)) {}

EInvalidPictureMask::EInvalidPictureMask(std::string_view mask)
    : EEntryFieldError(fill_placeholders(MessageText(msg::invalid_picture_mask), {mask})) {}

EInvalidRangeValue::EInvalidRangeValue(int data_type, std::string_view date_or_time_mask)
    : EEntryFieldError(range_message(data_type, date_or_time_mask)) {}

EOnSelectNotAssigned::EOnSelectNotAssigned() : EVirtualListBoxError(text_of(msg::on_select_not_assigned)) {}

EOnIsSelectedNotAssigned::EOnIsSelectedNotAssigned()
    : EVirtualListBoxError(text_of(msg::on_is_selected_not_assigned)) {}

}  // namespace vx::controls

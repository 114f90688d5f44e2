#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

// The user's regional settings in the shape the controls read them: texts in
// Windows-1252, an empty text where the user's locale has no usable value, so
// that the reader's own default applies.
namespace vx::platform {

struct RegionalSettings {
  std::string thousands_separator;
  std::string currency;
  // 0 currency before the amount, 1 after it, 2 before with a blank, 3 after with a blank.
  int currency_position = 0;
  std::string date_separator;
  std::string time_separator;
  std::string morning;
  std::string afternoon;
  bool twelve_hour_clock = false;
  bool time_leading_zero = false;
  // Picture letters: d day, M month, y year, quoted literals.
  std::string short_date;
  std::string long_date;
  std::array<std::string, 12> month_names;  // January first
  std::array<std::string, 7> day_names;     // Sunday first
};

// The table that set_regional_settings installed, else the user's locale.
RegionalSettings regional_settings();
void set_regional_settings(const RegionalSettings& settings);
void clear_regional_settings();

// The locale named as setlocale names it ("" the user's, "C"), read without
// touching the process locale; the C locale's values when it does not exist.
RegionalSettings locale_regional_settings(const char* name);

// Translations of the locale's formats; empty when there is none.
std::string short_date_from_date_format(std::string_view d_fmt);
struct TimeFormatFacts {
  bool twelve_hour_clock = false;
  bool leading_zero = false;
  std::string separator;
};
TimeFormatFacts time_format_facts(std::string_view t_fmt);
// The first character after the first field of a date or time format.
std::string format_separator(std::string_view format);
// A locale's thousands separator; the no-break spaces become 0xA0.
std::string thousands_separator_text(std::u32string_view separator);
// Nothing when a character is missing from Windows-1252.
std::optional<std::string> windows_1252_text(std::u32string_view text);

}  // namespace vx::platform

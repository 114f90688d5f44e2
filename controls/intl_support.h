#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "foundation/short_text.h"
#include "platform/regional_settings.h"

// Numbers, dates and times in the user's regional settings. Date masks use
// the picture letters D d day, M m month, N n month name, y year, W w weekday,
// f g h the literal texts and "/" the date separator; time masks H h hours,
// M m minutes, S s seconds, t the morning or afternoon text and ":" the time
// separator. Upper-case number letters pad with blanks, lower-case with
// zeros; upper-case name letters give capitals. Every text form comes as
// counted text and as zero-ended buffers, and both behave the same.
namespace vx::controls {

struct SplitDate {
  int day = 0;
  int month = 0;
  int year = 0;
  bool valid = false;
};

struct SplitTime {
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  bool valid = false;
};

class TOvcIntlSup {
 public:
  // The defaults, then the settings of the user's region.
  TOvcIntlSup();

  void ReadWindowsSettings(const platform::RegionalSettings& settings);

  std::string_view LeftCurrency() const { return left_currency; }
  std::string_view RightCurrency() const { return right_currency; }
  ShortText ShortDateMask(bool four_digit_year) const;
  ShortText TimeMask(bool with_seconds) const;

  ShortText FormatDate(const ShortText& mask, std::int32_t day_number, bool pack) const;
  std::span<char> FormatDate(std::span<char> buffer, const char* mask, std::int32_t day_number, bool pack) const;
  ShortText FormatDayMonthYear(const ShortText& mask, int day, int month, int year, int epoch, bool pack) const;
  std::span<char> FormatDayMonthYear(std::span<char> buffer, const char* mask, int day, int month, int year, int epoch,
                                     bool pack) const;
  std::int32_t DateFromText(const ShortText& mask, const ShortText& text, int epoch) const;
  std::int32_t DateFromText(const char* mask, const char* text, int epoch) const;
  SplitDate SplitDateText(const ShortText& mask, const ShortText& text, int epoch) const;
  SplitDate SplitDateText(const char* mask, const char* text, int epoch) const;
  bool DateTextBlank(const ShortText& mask, const ShortText& text) const;
  bool DateTextBlank(const char* mask, const char* text) const;

  ShortText FormatTime(const ShortText& mask, std::int32_t seconds, bool pack) const;
  std::span<char> FormatTime(std::span<char> buffer, const char* mask, std::int32_t seconds, bool pack) const;
  ShortText FormatTimeWith(const ShortText& mask, std::int32_t seconds, bool pack, const ShortText& morning,
                           const ShortText& afternoon) const;
  std::span<char> FormatTimeWith(std::span<char> buffer, const char* mask, std::int32_t seconds, bool pack,
                                 const char* morning, const char* afternoon) const;
  std::int32_t TimeFromText(const ShortText& mask, const ShortText& text) const;
  std::int32_t TimeFromText(const char* mask, const char* text) const;
  SplitTime SplitTimeText(const ShortText& mask, const ShortText& text) const;
  SplitTime SplitTimeText(const char* mask, const char* text) const;

  // 1-12, or 0 when no month's name matches.
  int MonthFromName(const ShortText& text, std::size_t width) const;
  int MonthFromName(const char* text, std::size_t width) const;
  // The number in the run of the letter (either case); `fallback` when the
  // mask has no such letter or the text is not as long as the mask.
  int PickMaskField(std::string_view mask, std::string_view text, char letter, int fallback, int blank) const;

  // Texts hold up to five characters, and a currency text its blank besides.
  std::string left_currency = "$";
  std::string right_currency;
  char decimal_char = '.';
  char thousands_char = ',';
  char date_separator = '/';
  char true_char = 'T';
  char false_char = 'F';
  char yes_char = 'Y';
  char no_char = 'N';
  std::string morning_text;
  std::string afternoon_text;
  char time_separator = ':';
  std::array<std::string, 3> literal_texts;  // up to six characters each
  std::string short_date;                    // up to 29 characters
  bool time_leading_zero = false;
  bool twelve_hour_clock = false;
  std::array<std::string, 12> month_names;
  std::array<std::string, 7> day_names;
  // Recorded when the object is made: the defaults of a date text whose mask
  // has no year or no month.
  int current_year = 0;
  int current_month = 0;
};

// The program's object, made at start-up before any form and freed at shutdown.
void create_intl_support();
void free_intl_support();
// Made on first use when start-up did not make it.
TOvcIntlSup& intl_support();

}  // namespace vx::controls

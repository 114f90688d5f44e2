#include "controls/intl_support.h"

#include <algorithm>
#include <cctype>
#include <memory>

#include "controls/messages.h"
#include "foundation/kstring.h"
#include "platform/local_time.h"

namespace vx::controls {
namespace {

constexpr std::size_t kTextRoom = 5;
constexpr std::size_t kLiteralRoom = 6;
constexpr std::size_t kShortDateRoom = 29;
constexpr std::size_t kLongDateRoom = 39;

std::string Cut(std::string_view text, std::size_t room) { return std::string(text.substr(0, room)); }

std::string OrDefault(std::string_view text, std::string_view fallback) {
  return std::string(text.empty() ? fallback : text);
}

// A setting that must be one byte; anything else gives the default.
char OneChar(std::string_view text, char fallback) { return text.size() == 1 ? text[0] : fallback; }

// The first six characters between each of the first three pairs of quotes.
std::array<std::string, 3> LiteralTexts(std::string_view long_date) {
  std::array<std::string, 3> texts;
  std::size_t from = 0;
  for (std::string& text : texts) {
    const std::size_t open = long_date.find('\'', from);
    if (open == std::string_view::npos) break;
    const std::size_t close = long_date.find('\'', open + 1);
    if (close == std::string_view::npos) break;
    text = Cut(long_date.substr(open + 1, close - open - 1), kLiteralRoom);
    from = close + 1;
  }
  return texts;
}

// A month of three letters or more is its name.
void MonthNamesToPicture(std::string& date) {
  for (std::size_t start = 0; start < date.size();) {
    std::size_t end = start;
    while (end < date.size() && date[end] == date[start]) ++end;
    if (date[start] == 'M' && end - start >= 3) std::fill(date.begin() + start, date.begin() + end, 'n');
    start = end;
  }
}

bool SameLetter(char c, char letter) {
  return std::tolower(static_cast<unsigned char>(c)) == std::tolower(static_cast<unsigned char>(letter));
}

std::unique_ptr<TOvcIntlSup> program_object;

}  // namespace

TOvcIntlSup::TOvcIntlSup() {
  const platform::LocalTime now = platform::local_time();
  current_year = now.year;
  current_month = now.month;
  ReadWindowsSettings(platform::regional_settings());
}

void TOvcIntlSup::ReadWindowsSettings(const platform::RegionalSettings& settings) {
  decimal_char = decimal_separator();
  thousands_char = OneChar(settings.thousands_separator, '\0');
  if (thousands_char == '\0' || thousands_char == decimal_char) thousands_char = decimal_char == ',' ? '.' : ',';
  left_currency = Cut(OrDefault(settings.currency, "$"), kTextRoom);
  right_currency = left_currency;
  if (settings.currency_position == 2) left_currency += ' ';
  if (settings.currency_position == 3) right_currency.insert(0, 1, ' ');
  time_leading_zero = settings.time_leading_zero;
  twelve_hour_clock = settings.twelve_hour_clock;
  time_separator = OneChar(settings.time_separator, ':');
  date_separator = OneChar(settings.date_separator, '/');
  morning_text = Cut(OrDefault(settings.morning, "AM"), kTextRoom);
  afternoon_text = Cut(OrDefault(settings.afternoon, "PM"), kTextRoom);

  short_date = Cut(OrDefault(settings.short_date, "MM/dd/yy"), kShortDateRoom);
  std::replace(short_date.begin(), short_date.end(), date_separator, '/');
  literal_texts = LiteralTexts(Cut(OrDefault(settings.long_date, "dddd, MMMM dd, yyyy"), kLongDateRoom));
  MonthNamesToPicture(short_date);
  month_names = settings.month_names;
  day_names = settings.day_names;

  yes_char = OneChar(MessageText(msg::yes_char), yes_char);
  no_char = OneChar(MessageText(msg::no_char), no_char);
  true_char = OneChar(MessageText(msg::true_char), true_char);
  false_char = OneChar(MessageText(msg::false_char), false_char);
}

ShortText TOvcIntlSup::ShortDateMask(bool four_digit_year) const {
  std::string mask = short_date;
  for (const char letter : {'d', 'M', 'y'}) {
    const auto first = std::find_if(mask.begin(), mask.end(), [letter](char c) { return SameLetter(c, letter); });
    if (first == mask.end()) continue;
    const auto start = static_cast<std::size_t>(first - mask.begin());
    std::size_t length = 0;
    while (start + length < mask.size() && SameLetter(mask[start + length], letter)) ++length;
    const std::size_t wanted = letter == 'y' && four_digit_year ? 4 : 2;
    // The mask keeps to its room; a run that cannot grow stays shorter.
    const std::size_t grown = std::max(length, std::min(wanted, length + kShortDateRoom - mask.size()));
    char fill = mask[start];
    if (letter != 'y' && length == 1) fill = letter == 'd' ? 'D' : 'M';
    if (letter != 'y' && length == 2) fill = letter == 'd' ? 'd' : 'm';
    mask.replace(start, length, grown, fill);
  }
  return ShortText(mask);
}

ShortText TOvcIntlSup::TimeMask(bool with_seconds) const {
  std::string mask = with_seconds ? "hh:mm:ss" : "hh:mm";
  if (!time_leading_zero) mask[0] = 'H';
  const std::size_t marker = std::max(morning_text.size(), afternoon_text.size());
  if (twelve_hour_clock && marker > 0) mask += ' ' + std::string(marker, 't');
  return ShortText(mask);
}

void create_intl_support() { program_object = std::make_unique<TOvcIntlSup>(); }

void free_intl_support() { program_object.reset(); }

TOvcIntlSup& intl_support() {
  if (!program_object) create_intl_support();
  return *program_object;
}

}  // namespace vx::controls

#include <charconv>

#include "controls/date_arithmetic.h"
#include "controls/intl_support.h"
#include "controls/mask_text.h"
#include "controls/string_routines.h"

namespace vx::controls {
namespace {

constexpr std::size_t kFieldRoom = 20;
constexpr int kAbsent = -2;  // for DateTextBlank: no such field, or a blank one

struct DateParts {
  bool blank = true;
  int day = 0;
  int month = 0;
  int year = 0;
  int weekday = 7;
};

template <std::size_t N>
std::string_view NameOf(const std::array<std::string, N>& names, int number) {
  return number >= 0 && static_cast<std::size_t>(number) < N ? std::string_view(names[number]) : std::string_view();
}

// Capitals, cut or padded with blanks to the width.
std::string Fitted(std::string_view text, std::size_t width) {
  std::string out(width, ' ');
  for (std::size_t i = 0; i < width && i < text.size(); ++i) out[i] = UpperChar(text[i]);
  return out;
}

std::string FormatDateParts(const TOvcIntlSup& intl, std::string_view mask, const DateParts& date, bool pack) {
  MaskText text(mask);
  for (const MaskRun& run : MaskRuns(mask)) {
    const bool date_field =
        run.letter == 'd' || run.letter == 'm' || run.letter == 'n' || run.letter == 'y' || run.letter == 'w';
    if (date_field && date.blank) {
      text.Blank(run);
      continue;
    }
    switch (run.letter) {
      case 'd':
        text.WriteNumber(run, date.day);
        break;
      case 'm':
        text.WriteNumber(run, date.month);
        break;
      case 'y':
        text.WriteNumber(run, date.year);
        break;
      case 'n':
        text.WriteName(run, NameOf(intl.month_names, date.month - 1));
        break;
      case 'w':
        text.WriteName(run, NameOf(intl.day_names, date.weekday));
        break;
      case 'f':
        text.WriteText(run, intl.literal_texts[0]);
        break;
      case 'g':
        text.WriteText(run, intl.literal_texts[1]);
        break;
      case 'h':
        text.WriteText(run, intl.literal_texts[2]);
        break;
      default:
        break;
    }
  }
  text.Replace('/', intl.date_separator);
  if (pack && !date.blank) text.Pack("DHMNSWnw");
  return text.Result();
}

// The month from a name run when the mask has one, else from a number run.
int PickMonth(const TOvcIntlSup& intl, std::string_view mask, std::string_view text, int name_fallback,
              int number_fallback, int blank) {
  if (FindRun(mask, 'n')) return intl.PickMaskField(mask, text, 'n', name_fallback, blank);
  return intl.PickMaskField(mask, text, 'm', number_fallback, blank);
}

}  // namespace

ShortText TOvcIntlSup::FormatDate(const ShortText& mask, std::int32_t day_number, bool pack) const {
  DateParts date;
  if (day_number >= 0 && day_number <= kLastDayNumber) {
    const DayMonthYear split = SplitDayNumber(day_number);
    date = {false, split.day, split.month, split.year, WeekdayOf(day_number)};
  }
  return ShortText(FormatDateParts(*this, mask.view(), date, pack));
}

std::span<char> TOvcIntlSup::FormatDate(std::span<char> buffer, const char* mask, std::int32_t day_number,
                                        bool pack) const {
  return store_text(buffer, FormatDate(ShortText(mask), day_number, pack).view());
}

ShortText TOvcIntlSup::FormatDayMonthYear(const ShortText& mask, int day, int month, int year, int epoch,
                                          bool pack) const {
  const DateParts date{false, day, month, ExpandTwoDigitYear(year, epoch), WeekdayOfDate(day, month, year, epoch)};
  return ShortText(FormatDateParts(*this, mask.view(), date, pack));
}

std::span<char> TOvcIntlSup::FormatDayMonthYear(std::span<char> buffer, const char* mask, int day, int month, int year,
                                                int epoch, bool pack) const {
  return store_text(buffer, FormatDayMonthYear(ShortText(mask), day, month, year, epoch, pack).view());
}

int TOvcIntlSup::MonthFromName(const ShortText& text, std::size_t width) const {
  const std::string wanted = Fitted(text.view(), width);
  for (int month = 1; month <= 12; ++month) {
    if (Fitted(month_names[month - 1], width) == wanted) return month;
  }
  return 0;
}

int TOvcIntlSup::MonthFromName(const char* text, std::size_t width) const {
  return MonthFromName(ShortText(text), width);
}

int TOvcIntlSup::PickMaskField(std::string_view mask, std::string_view text, char letter, int fallback,
                               int blank) const {
  const std::optional<MaskRun> run = FindRun(mask, letter);
  if (!run || text.size() != mask.size()) return fallback;
  std::string field;
  for (std::size_t position = run->start; position < run->start + run->length && field.size() < kFieldRoom;
       ++position) {
    if (text[position] != ' ') field += text[position];
  }
  if (field.empty()) return blank;
  if (run->letter == 'n') {
    const int month = MonthFromName(ShortText(field), run->length);
    return month == 0 ? -1 : month;
  }
  int value = 0;
  const char* end = field.data() + field.size();
  const auto result = std::from_chars(field.data(), end, value);
  return result.ec == std::errc() && result.ptr == end ? value : -1;
}

SplitDate TOvcIntlSup::SplitDateText(const ShortText& mask, const ShortText& text, int epoch) const {
  if (text.size() != mask.size()) return {-1, -1, -1, false};
  SplitDate date;
  date.month = PickMonth(*this, mask.view(), text.view(), 0, current_month, -1);
  date.day = PickMaskField(mask.view(), text.view(), 'd', 1, -1);
  date.year = PickMaskField(mask.view(), text.view(), 'y', current_year, -1);
  date.valid = DateIsValid(date.day, date.month, date.year, epoch);
  return date;
}

SplitDate TOvcIntlSup::SplitDateText(const char* mask, const char* text, int epoch) const {
  return SplitDateText(ShortText(mask), ShortText(text), epoch);
}

std::int32_t TOvcIntlSup::DateFromText(const ShortText& mask, const ShortText& text, int epoch) const {
  const SplitDate date = SplitDateText(mask, text, epoch);
  return date.valid ? DayNumberOf(date.day, date.month, date.year, epoch) : kNoDate;
}

std::int32_t TOvcIntlSup::DateFromText(const char* mask, const char* text, int epoch) const {
  return DateFromText(ShortText(mask), ShortText(text), epoch);
}

bool TOvcIntlSup::DateTextBlank(const ShortText& mask, const ShortText& text) const {
  return PickMonth(*this, mask.view(), text.view(), kAbsent, kAbsent, kAbsent) == kAbsent &&
         PickMaskField(mask.view(), text.view(), 'd', kAbsent, kAbsent) == kAbsent &&
         PickMaskField(mask.view(), text.view(), 'y', kAbsent, kAbsent) == kAbsent;
}

bool TOvcIntlSup::DateTextBlank(const char* mask, const char* text) const {
  return DateTextBlank(ShortText(mask), ShortText(text));
}

}  // namespace vx::controls
